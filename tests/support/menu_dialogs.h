#pragma once
// Every dialog of the module's menu, as the tests and benchmarks that open them all need them:
// the registry of every feature library and the menu's commands in menu order.
#include <string>
#include <utility>
#include <vector>

#include "app/main_window.h"
#include "features/agent/register.h"
#include "features/lldp/register.h"
#include "features/maintenance/register.h"
#include "features/mib/register.h"
#include "features/poe/register.h"
#include "features/ports/register.h"
#include "features/security/register.h"
#include "features/vlan/register.h"

namespace corvex::test {

inline void RegisterEveryDialog(app::DialogRegistry& registry) {
    features::RegisterPortDialogs(registry);
    RegisterVlanDialogs(registry);
    RegisterSecurityDialogs(registry);
    RegisterPoeDialogs(registry);
    RegisterLldpDialogs(registry);
    RegisterAgentDialogs(registry);
    RegisterMaintenanceDialogs(registry);
    RegisterMibDialogs(registry);
}

// (command, menu text) of every command item, sub-menus included.
inline void MenuCommands(const app::MenuBar& menu, std::vector<std::pair<int, std::string>>& out) {
    for (const app::MenuItem& item : menu) {
        if (item.kind == app::MenuItem::Kind::SubMenu) MenuCommands(item.items, out);
        else if (item.kind == app::MenuItem::Kind::Command) out.emplace_back(item.command, item.text);
    }
}

}  // namespace corvex::test

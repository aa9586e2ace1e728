#pragma once
// Menu commands of the switch's own SNMP agent ("&SNMP Setting").
namespace app {
class DialogRegistry;
}

// Registers the eight items of "&SNMP Setting" (32839-32846) to open their dialogs.
void RegisterAgentDialogs(app::DialogRegistry& registry);

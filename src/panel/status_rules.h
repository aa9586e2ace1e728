#pragma once
// How the replies of the status walks become port states: pure functions over the port state
// record and the element tree, shared by the poller and its tests.
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "panel/panel_object.h"
#include "panel/port_state.h"

namespace panel {

// Columns of the link-state walk, in request order.
inline constexpr const char* kIfTypeOid = "1.3.6.1.2.1.2.2.1.3";
inline constexpr const char* kIfSpeedOid = "1.3.6.1.2.1.2.2.1.5";
inline constexpr const char* kIfAdminStatusOid = "1.3.6.1.2.1.2.2.1.7";
inline constexpr const char* kIfOperStatusOid = "1.3.6.1.2.1.2.2.1.8";
inline constexpr const char* kPortMediumOid = "1.3.6.1.4.1.171.10.76.12.1.13.1.7";
// Column of the PoE-state walk (instance ".group.port").
inline constexpr const char* kPoePortStateOid = "1.3.6.1.4.1.171.10.76.12.22.1.1.13";
// Scalars of the fan and mode polls (".0" is appended).
inline constexpr const char* kFanStatusOid = "1.3.6.1.4.1.171.10.76.12.1.15.1";
inline constexpr const char* kLedModeOid = "1.3.6.1.4.1.171.10.76.12.22.8";
inline constexpr const char* kPoePowerOid = "1.3.6.1.4.1.171.10.76.12.22.6";


// Decimal value of a reply text; anything that is not a number reads as 0.
int ToInt(const std::string& text);

// The instance part of `oid` after `column`, with its leading dot; none when `oid` does not
// lie under `column`.
std::optional<std::string> InstanceSuffix(const std::string& oid, const std::string& column);

// One row of the link walk, as texts from the reply.
struct LinkRow {
    std::string index, admin, oper, speed, medium;
};
// One row of the PoE walk.
struct PoeRow {
    std::string port, state;
};

using ReplyBindings = std::vector<std::pair<std::string, std::string>>;  // (OID, value text)

// Reads one link-walk reply (proxy markers skipped). None when the row does not belong to the
// walked table (its first binding lies outside the ifType column): the walk is then over.
std::optional<LinkRow> ParseLinkRow(const ReplyBindings& bindings);
// Reads one PoE-walk reply; the port is the instance suffix without its first three
// characters (".1.<port>"). None when the row lies outside the column.
std::optional<PoeRow> ParsePoeRow(const ReplyBindings& bindings);

// Port status from a link row: 2 admin down, 3 no link, else 1 at the port's top speed, 0 below.
int LinkStatus(const LinkRow& row, int portCount, bool allGiga);
// Port status from a PoE state text: 1 "POWER ON", 2 "POWER OFF" / "Time-based OFF", else 0.
int PoeStatus(const std::string& state);

// Position of `port` among the root's port elements (the element index), or -1.
int PortElementIndex(const CPanelObject& root, const CPanelObject& port);
// The port number (1-based) an element stands for: elements 0 .. PortCount - 1 are ports 1 ..
// PortCount, the fibre twins after them stand for the last ComboCount ports; 0 for others.
int PortNumberOfElement(const PortStateRecord& record, int element);

// True when port p (1-based) has a fibre twin element.
bool HasFibreTwin(const PortStateRecord& record, int port);

// Applies a finished link walk to the port elements and the record.
void ApplyLinkRows(const std::vector<LinkRow>& rows, PortStateRecord& record, CPanelObject& root, bool allGiga);
// Applies a finished PoE walk. The ports from 9 on have no PoE: dark, their lamps off.
void ApplyPoeRows(const std::vector<PoeRow>& rows, PortStateRecord& record, CPanelObject& root);

}  // namespace panel

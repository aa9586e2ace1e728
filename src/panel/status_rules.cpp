#include "panel/status_rules.h"

#include <algorithm>
#include <cstdlib>

#include "snmp/common_snmp.h"

namespace panel {

int ToInt(const std::string& text) {
    // atoi semantics without its undefined overflow: leading blanks, a sign, then digits.
    const char* p = text.c_str();
    while (*p == ' ' || *p == '\t') ++p;
    bool negative = false;
    if (*p == '+' || *p == '-') negative = (*p++ == '-');
    long long value = 0;
    while (*p >= '0' && *p <= '9') {
        value = value * 10 + (*p++ - '0');
        if (value > 2147483647LL) return negative ? -2147483647 - 1 : 2147483647;
    }
    return static_cast<int>(negative ? -value : value);
}

std::optional<std::string> InstanceSuffix(const std::string& oid, const std::string& column) {
    std::string a = oid, c = column;
    if (!a.empty() && a.front() == '.') a.erase(0, 1);
    if (!c.empty() && c.front() == '.') c.erase(0, 1);
    if (a.size() <= c.size() + 1 || a.compare(0, c.size(), c) != 0 || a[c.size()] != '.') return std::nullopt;
    return a.substr(c.size());
}

namespace {
ReplyBindings WithoutMarkers(const ReplyBindings& bindings) {
    ReplyBindings kept;
    for (const auto& b : bindings)
        if (!IsProxyMarker(b.first)) kept.push_back(b);
    return kept;
}
}  // namespace

std::optional<LinkRow> ParseLinkRow(const ReplyBindings& all) {
    ReplyBindings bindings = WithoutMarkers(all);
    if (bindings.empty()) return std::nullopt;
    auto suffix = InstanceSuffix(bindings[0].first, kIfTypeOid);
    if (!suffix) return std::nullopt;
    LinkRow row;
    row.index = suffix->substr(1);
    auto value = [&](size_t i) { return i < bindings.size() ? bindings[i].second : std::string(); };
    row.speed = value(1);
    row.admin = value(2);
    row.oper = value(3);
    row.medium = value(4);
    return row;
}

std::optional<PoeRow> ParsePoeRow(const ReplyBindings& all) {
    ReplyBindings bindings = WithoutMarkers(all);
    if (bindings.empty()) return std::nullopt;
    auto suffix = InstanceSuffix(bindings[0].first, kPoePortStateOid);
    if (!suffix || suffix->size() < 4) return std::nullopt;
    return PoeRow{suffix->substr(3), bindings[0].second};
}

int LinkStatus(const LinkRow& row, int portCount, bool allGiga) {
    if (row.admin != "1") return kPortDisabled;
    if (row.oper != "1") return kPortEnabled;
    const int port = ToInt(row.index);
    if (allGiga || port > GigabitBoundary(portCount)) return row.speed == "1000000000" ? kPortLinkTop : kPortLinkLower;
    return row.speed == "100000000" ? kPortLinkTop : kPortLinkLower;
}

int PoeStatus(const std::string& state) {
    if (state == "POWER ON") return kPortLinkTop;
    if (state == "POWER OFF" || state == "Time-based OFF") return kPortDisabled;
    return kPortLinkLower;
}

int PortElementIndex(const CPanelObject& root, const CPanelObject& port) {
    int index = 0;
    for (const auto& child : root.m_children) {
        if (std::string("CPort") != child->ClassName()) continue;
        if (child.get() == &port) return index;
        ++index;
    }
    return -1;
}

int PortNumberOfElement(const PortStateRecord& record, int element) {
    if (element < 0) return 0;
    if (element < record.PortCount) return element + 1;
    if (element < record.PortCount + record.ComboCount) return element - record.ComboCount + 1;
    return 0;
}

bool HasFibreTwin(const PortStateRecord& record, int port) {
    return record.ComboCount > 0 && port > record.PortCount - record.ComboCount && port <= record.PortCount;
}

namespace {
// A row names a port the record can hold: 1 .. PortCount and within the indicator array.
bool PortInRange(const PortStateRecord& record, int port) {
    return port >= 1 && port <= record.PortCount && port <= kPortIndicatorCount &&
           port <= static_cast<int>(record.PortMedium.size());
}
}  // namespace

namespace {
// Every port element, fibre twins included, learns which kind of state it shows.
void SetDisplay(const PortStateRecord& record, CPanelObject& root, bool poe) {
    for (int e = 0; e < record.PortCount + record.ComboCount; ++e)
        if (CPort* port = FindPort(root, e)) port->SetPoeDisplay(poe);
}
}  // namespace

void ApplyLinkRows(const std::vector<LinkRow>& rows, PortStateRecord& record, CPanelObject& root, bool allGiga) {
    SetDisplay(record, root, false);
    for (const LinkRow& row : rows) {
        const int port = ToInt(row.index);
        const int medium = ToInt(row.medium);
        const int status = LinkStatus(row, record.PortCount, allGiga);
        if (!PortInRange(record, port)) continue;
        if (port == 1) {
            for (int e = record.PortCount; e < record.PortCount + record.ComboCount; ++e)
                SetStatus(FindPort(root, e), kPortEnabled);
        }
        // A fibre medium shows on the twin; only the combo ports have one.
        if ((medium == 3 || medium == 4) && HasFibreTwin(record, port)) {
            SetStatus(FindPort(root, port + record.ComboCount - 1), status);
            SetStatus(FindPort(root, port - 1), kPortEnabled);
        } else {
            SetStatus(FindPort(root, port - 1), status);
        }
        record.PortIndicator[port - 1] = static_cast<std::uint8_t>(status);
        record.PortMedium[port - 1] = medium;
    }
}

void ApplyPoeRows(const std::vector<PoeRow>& rows, PortStateRecord& record, CPanelObject& root) {
    SetDisplay(record, root, true);
    for (const PoeRow& row : rows) {
        const int port = ToInt(row.port);
        const int status = PoeStatus(row.state);
        if (!PortInRange(record, port)) continue;
        if (port == 1) {
            for (int e = 8; e < record.PortCount + record.ComboCount; ++e) SetStatus(FindPort(root, e), kPortDisabled);
            // Their lamps go off with them: a link state from the link display would still blink.
            for (int p = 9; p <= std::min(record.PortCount, kPortIndicatorCount); ++p)
                record.PortIndicator[p - 1] = kPortDisabled;
        }
        SetStatus(FindPort(root, port - 1), status);
        record.PortIndicator[port - 1] = static_cast<std::uint8_t>(status);
        record.PortMedium[port - 1] = 2;
    }
}

}  // namespace panel

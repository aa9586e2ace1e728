#include "features/common/trunk_map.h"

#include <algorithm>
#include <utility>

#include "app/session_settings.h"
#include "features/common/form_reads.h"

namespace features {

int TrunkNumberFromSuffix(const std::string& suffix) { return InstanceNumber(suffix, kMaxTrunkNumber); }

int ApplyTrunkRow(std::vector<int>& map, const std::string& suffix, const std::uint8_t* members,
                  std::size_t length) {
    const int ports = static_cast<int>(map.size());
    if (ports == 0 || (!members && length != 0)) return 0;
    int trunk = TrunkNumberFromSuffix(suffix);
    if (trunk == 0) return 0;
    int stored = 0;
    // Port p is bit 0x80 >> ((p-1) % 8) of octet (p-1) / 8; octets beyond the reply are zero.
    for (int p = 1; p <= ports; ++p) {
        std::size_t octet = static_cast<std::size_t>(p - 1) / 8;
        if (octet >= length) break;
        if (members[octet] & (0x80u >> ((p - 1) % 8))) {
            map[static_cast<std::size_t>(p - 1)] = trunk;
            ++stored;
        }
    }
    return stored;
}

int ApplyTrunkRow(std::vector<int>& map, const std::string& suffix, const Octets& members) {
    return ApplyTrunkRow(map, suffix, members.data(), members.size());
}

CTrunkMap::CTrunkMap(CCommonSnmp& session, int portCount)
    : m_map(static_cast<std::size_t>(std::clamp(portCount < 0 ? Profile().DevicePortNum : portCount, 0, kMaxEncodedPorts)),
            0),
      m_walk(session) {}

CTrunkMap::~CTrunkMap() = default;

bool CTrunkMap::Start(platform::Form& form, std::function<void()> onDone) {
    form.beginRead(kReadName);
    if (!Start(std::move(onDone))) {
        form.readFailed(kReadName, ReadFailureReason(m_walk.Session().LastFailure()));
        return false;
    }
    m_form = &form;
    return true;
}

bool CTrunkMap::Start(std::function<void()> onDone) {
    m_form = nullptr;
    m_onDone = std::move(onDone);
    m_rowsTaken = 0;
    m_seen.clear();
    m_shortfall.clear();
    m_walking = Ask("");
    if (!m_walking) m_onDone = nullptr;
    return m_walking;
}

bool CTrunkMap::Ask(const std::string& after) {
    const std::string column = kOidLaPortChannelMemberList;
    // The column itself first: the walk ends when its answer leaves the table (an empty table).
    std::vector<std::string> asked = {column};
    const int n = after.empty() ? 0 : TrunkNumberFromSuffix(after);
    if (!after.empty() && n == 0) {
        asked.push_back(column + "." + after);  // an index that is no trunk number: one row on
    } else {
        // The rows after trunk numbers first-1 .. first+kAskAhead-2: those of first .. on.
        const int first = after.empty() ? 1 : n;
        for (int k = first; k < first + kAskAhead; ++k) asked.push_back(column + "." + std::to_string(k));
    }
    m_after.clear();
    return m_walk.Start(
        asked,
        [this](const ReplyRow&, CSnmp& reply) {
            OnReply(reply);
            return false;  // one request; the end handler decides on the next
        },
        [this](int status) { OnStepEnd(status); });
}

void CTrunkMap::OnReply(const CSnmp& reply) {
    // Each binding answers with the row after the one it named: the raw bindings, not the
    // walk's row, which counts those beyond their own instance as ended columns.
    const ReplyRow raw = ReadReplyRow(reply);
    const std::string column = kOidLaPortChannelMemberList;
    for (const ReplyRow::Value& v : raw.values) {
        if (!v.present || !SnmpOidInSubtree(column, v.oid)) continue;
        const std::string suffix = v.oid.substr(column.size() + 1);
        if (!m_seen.insert(suffix).second) continue;
        if (m_seen.size() > kMaxTrunks) {
            m_shortfall = "more rows than the table can hold";
            return;
        }
        TakeRow(suffix, v);
    }
    // The last binding still in the table: there may be rows after it.
    if (!raw.values.empty() && raw.values.back().present && SnmpOidInSubtree(column, raw.values.back().oid))
        m_after = raw.values.back().oid.substr(column.size() + 1);
}

void CTrunkMap::TakeRow(const std::string& suffix, const ReplyRow::Value& value) {
    if (value.type != SNMP_T_OCTETS) return;
    if (ApplyTrunkRow(m_map, suffix, value.bytes) > 0) ++m_rowsTaken;
}

void CTrunkMap::OnStepEnd(int status) {
    if (!m_shortfall.empty()) return Finish(false, m_shortfall);
    // 0: the reply was taken; -2: the column's first answer left the table (no rows at all).
    if (status == 0 && !m_after.empty()) {
        if (!Ask(m_after)) Finish(false, ReadFailureReason(m_walk.Session().LastFailure()));
        return;
    }
    if (status == 0 || status == CSnmp4w::EC_END_OF_TABLE) return Finish(true, {});
    Finish(false, WalkShortfall(m_walk, status));
}

void CTrunkMap::Clear() { std::fill(m_map.begin(), m_map.end(), 0); }

int CTrunkMap::TrunkOf(int port) const {
    if (port < 1 || port > PortCount()) return 0;
    return m_map[static_cast<std::size_t>(port - 1)];
}

std::vector<int> CTrunkMap::PortsOfTrunk(int trunk) const {
    std::vector<int> ports;
    if (trunk == 0) return ports;
    for (int p = 1; p <= PortCount(); ++p)
        if (m_map[static_cast<std::size_t>(p - 1)] == trunk) ports.push_back(p);
    return ports;
}

std::vector<int> CTrunkMap::TrunkPeers(int port) const {
    std::vector<int> peers = PortsOfTrunk(TrunkOf(port));
    peers.erase(std::remove(peers.begin(), peers.end(), port), peers.end());
    return peers;
}

void CTrunkMap::Finish(bool complete, const std::string& why) {
    m_walking = false;
    m_lastComplete = complete;
    if (platform::Form* form = std::exchange(m_form, nullptr)) {
        if (complete) form->readComplete(kReadName);
        else form->readFailed(kReadName, why.empty() ? ReadFailureReason(SnmpFailure::NoAnswer) : why);
    }
    // The handler may start another walk, which installs its own handler.
    std::function<void()> done = std::move(m_onDone);
    m_onDone = nullptr;
    if (done) done();
}

}  // namespace features

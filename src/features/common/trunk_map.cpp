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
    CTableWalk::Options options;
    options.maxRows = kMaxTrunks;
    m_walking = m_walk.Start(
        {kOidLaPortChannelMemberList},
        [this](const ReplyRow& row, CSnmp&) {
            OnRow(row);
            return true;
        },
        [this](int status) { Finish(status); }, options);
    if (!m_walking) m_onDone = nullptr;
    return m_walking;
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

void CTrunkMap::OnRow(const ReplyRow& row) {
    // The member list is the walked column; the instance part after it is the trunk number.
    if (row.size() == 0 || row.values[0].type != SNMP_T_OCTETS) return;
    const std::string suffix = row.instance(0, kOidLaPortChannelMemberList);
    if (suffix.empty()) return;
    if (ApplyTrunkRow(m_map, suffix, row.bytes(0)) > 0) ++m_rowsTaken;
}

void CTrunkMap::Finish(int status) {
    m_walking = false;
    m_lastComplete = status == CSnmp4w::EC_END_OF_TABLE;
    if (platform::Form* form = std::exchange(m_form, nullptr)) {
        if (m_lastComplete) form->readComplete(kReadName);
        else form->readFailed(kReadName, WalkShortfall(m_walk, status));
    }
    // The handler may start another walk, which installs its own handler.
    std::function<void()> done = std::move(m_onDone);
    m_onDone = nullptr;
    if (done) done();
}

}  // namespace features

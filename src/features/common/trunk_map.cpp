#include "features/common/trunk_map.h"

#include <algorithm>
#include <mutex>
#include <set>

#include "app/session_settings.h"
#include "platform/trace.h"
#include "snmp/common_snmp.h"
#include "snmp/snmp_lib.h"

namespace features {

namespace {

// Maps that exist right now. A walk step's parameter is a raw map pointer; a reply that reaches
// the UI thread after its map is gone (while the session lives on) must not touch it.
std::mutex g_liveMutex;
std::set<const CTrunkMap*> g_liveMaps;

bool IsLive(const CTrunkMap* map) {
    std::lock_guard<std::mutex> lock(g_liveMutex);
    return g_liveMaps.count(map) != 0;
}

}  // namespace

int TrunkNumberFromSuffix(const std::string& suffix) {
    std::size_t i = suffix.empty() || suffix[0] != '.' ? 0 : 1;
    if (i == suffix.size()) return 0;
    long long value = 0;
    for (; i < suffix.size(); ++i) {
        char c = suffix[i];
        if (c < '0' || c > '9') return 0;
        value = value * 10 + (c - '0');
        if (value > kMaxTrunkNumber) return 0;
    }
    return static_cast<int>(value);
}

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
    : m_session(session),
      m_map(static_cast<std::size_t>(std::clamp(portCount < 0 ? Profile().DevicePortNum : portCount, 0, kMaxEncodedPorts)),
            0) {
    std::lock_guard<std::mutex> lock(g_liveMutex);
    g_liveMaps.insert(this);
}

CTrunkMap::~CTrunkMap() {
    std::lock_guard<std::mutex> lock(g_liveMutex);
    g_liveMaps.erase(this);
}

bool CTrunkMap::Start(std::function<void()> onDone) {
    m_walking = false;
    m_onDone = std::move(onDone);
    m_rowsTaken = 0;
    if (!m_session.Open(SNMP_PDU_GETNEXT_T) ||
        m_session.AddValue(kOidLaPortChannelMemberList, SNMP_T_NULL, nullptr) != 0) {
        m_onDone = nullptr;
        return false;
    }
    m_walking = true;
    if (m_session.GetNextAsync(&CTrunkMap::WalkCallback, this, 0) != 0) {
        m_walking = false;
        m_onDone = nullptr;
        return false;
    }
    return true;
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

unsigned CTrunkMap::WalkCallback(CSnmp* reply, int requestId, void* param, int status) {
    auto* self = static_cast<CTrunkMap*>(param);
    if (!self || !IsLive(self) || !self->m_session.FindRequestID(requestId)) {
        platform::Trace("FindRequestID");
        delete reply;
        return 0;
    }
    if (status != CSnmp4w::EC_NO_ERROR) {
        platform::Trace("call back iStatus = %d", status);
        delete reply;
        self->Finish();
        return 0;
    }
    self->OnRow(reply);
    delete reply;
    if (self->m_session.GetNextAsync(&CTrunkMap::WalkCallback, self, 0) != 0) self->Finish();
    return 0;
}

void CTrunkMap::OnRow(CSnmp* reply) {
    if (!reply) return;
    // The member list is the walked column; the proxy marker may ride along and is skipped.
    for (int i = 0; i < reply->getValuesCount(); ++i) {
        std::string oid;
        if (reply->getOid(i, oid) != 0 || IsProxyMarker(oid)) continue;
        // The instance part after the column is the trunk number.
        if (!SnmpOidInSubtree(kOidLaPortChannelMemberList, oid)) return;
        std::string suffix = oid.substr(std::string(kOidLaPortChannelMemberList).size());
        int type = 0;
        std::vector<std::uint8_t> members;
        if (reply->getValue(i, type, members) != 0 || type != SNMP_T_OCTETS) return;
        if (ApplyTrunkRow(m_map, suffix, members) > 0) ++m_rowsTaken;
        return;
    }
}

void CTrunkMap::Finish() {
    m_session.SignalDone();
    m_walking = false;
    // The handler may start another walk, which installs its own handler.
    std::function<void()> done = std::move(m_onDone);
    m_onDone = nullptr;
    if (done) done();
}

}  // namespace features

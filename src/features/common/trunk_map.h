#pragma once
// The trunk map: which link aggregation group (trunk) each front-panel port belongs to, read by
// walking laPortChannelMemberList (one PortList of member ports per trunk, instance = trunk
// number). Several forms keep one each, to refuse settings that would treat the ports of one
// trunk differently; each form shows its own message.
//
//   CCommonSnmp m_cCommonSNMPTableTrunk;         // declared before the map, closed by the form
//   features::CTrunkMap m_trunks{m_cCommonSNMPTableTrunk};
//   ...
//   m_trunks.Clear();                             // when the form wants a fresh map
//   m_trunks.Start([this] { /* whole map read */ });
//   if (int t = m_trunks.TrunkOf(port)) ...
//
// Rows arrive on the UI thread while the form is open; lookups answer with what has arrived.
// Walk and lookups belong to the UI thread. The trunk numbers are small, so each get-next asks
// for the rows after the next few numbers at once (a switch far away answers the whole table in
// one round trip), and again after the last row it gave until the table ends.
#include <cstdint>
#include <functional>
#include <set>
#include <string>
#include <vector>

#include "platform/form.h"
#include "snmp/encodings.h"
#include "snmp/table_walk.h"

namespace features {

// laPortChannelMemberList: PortList of a trunk's member ports, instance = trunk number.
constexpr const char* kOidLaPortChannelMemberList = "1.3.6.1.4.1.171.10.76.12.8.1.3.1.2";

// Largest trunk number taken from a reply; rows naming a larger one are ignored.
constexpr int kMaxTrunkNumber = 65535;

// The trunk number of an instance suffix such as ".3": one decimal arc, leading dot optional,
// 1..kMaxTrunkNumber. 0 for anything else (empty, non-numeric, several arcs, 0, too large).
int TrunkNumberFromSuffix(const std::string& suffix);

// One walked row applied to a map of one entry per port (index = port - 1): when the member
// list names at least one port and the suffix gives a trunk number, every listed port from 1 to
// map.size() gets that number. The member list is read as a PortList of map.size() ports;
// missing octets count as zero, octets beyond the ports are ignored. Returns the number of
// ports stored.
int ApplyTrunkRow(std::vector<int>& map, const std::string& suffix, const std::uint8_t* members,
                  std::size_t length);
int ApplyTrunkRow(std::vector<int>& map, const std::string& suffix, const Octets& members);

class CTrunkMap {
public:
    // The switch has at most eight trunks: a membership walk that goes on beyond that fails.
    static constexpr size_t kMaxTrunks = 8;

    // `session` walks the table; it must outlive the map. portCount < 0: the profile's
    // DevicePortNum.
    explicit CTrunkMap(CCommonSnmp& session, int portCount = -1);
    ~CTrunkMap();
    CTrunkMap(const CTrunkMap&) = delete;
    CTrunkMap& operator=(const CTrunkMap&) = delete;

    // Starts walking laPortChannelMemberList; rows are added to the map as they arrive (the map
    // is not cleared first: call Clear for a fresh one). onDone runs once on the UI thread when
    // the walk ends, whether it went to the end of the table or a step failed. False when the
    // walk could not start; onDone is then not called. Starting again abandons a walk under way.
    bool Start(std::function<void()> onDone = {});
    // The same walk as the form's read kReadName: the form's controls that need it stay
    // disabled until the whole table has arrived (platform::Form::needsRead).
    bool Start(platform::Form& form, std::function<void()> onDone = {});
    static constexpr const char* kReadName = "trunks";
    // Every port back to 0 (no trunk).
    void Clear();

    // Trunk number of a port (1-based), 0 for none or a port outside 1..PortCount().
    int TrunkOf(int port) const;
    // Ports (ascending) whose trunk number is `trunk`; empty for 0.
    std::vector<int> PortsOfTrunk(int trunk) const;
    // The other ports of the port's trunk (ascending); empty when the port is in none.
    std::vector<int> TrunkPeers(int port) const;
    // One trunk number per port, index = port - 1.
    const std::vector<int>& Map() const { return m_map; }
    int PortCount() const { return static_cast<int>(m_map.size()); }
    // True from Start until the walk has ended.
    bool Walking() const { return m_walking; }
    // Rows that named members and a valid trunk number in the last walk.
    int RowsTaken() const { return m_rowsTaken; }
    // True when the last walk that ended went to the end of the table (false before any walk
    // ended and after one that failed or was cut short).
    bool LastWalkComplete() const { return m_lastComplete; }

    // Trunk numbers one get-next asks after.
    static constexpr int kAskAhead = 8;

private:
    // Asks for the rows after the row `after` (its instance; "" for the first request).
    bool Ask(const std::string& after);
    void OnReply(const CSnmp& reply);
    void OnStepEnd(int status);
    void TakeRow(const std::string& suffix, const ReplyRow::Value& value);
    void Finish(bool complete, const std::string& why);

    std::vector<int> m_map;
    std::function<void()> m_onDone;
    platform::Form* m_form = nullptr;  // whose read this walk is, if any
    bool m_walking = false;
    bool m_lastComplete = false;
    int m_rowsTaken = 0;
    std::set<std::string> m_seen;  // instances of the rows this walk has met
    std::string m_after;           // the last row of the last reply, while the table goes on
    std::string m_shortfall;       // why this walk cannot be complete, once known
    CTableWalk m_walk;
};

}  // namespace features

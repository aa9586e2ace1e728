#pragma once
// The trunk member checker: reads, when the member dialog opens, every port setting that the
// ports of one aggregated link must agree on, runs the chain of membership rules on a selection
// and writes a trunk's members and mode.
//
// Every read and walk runs asynchronously on the checker's own sessions; the rows arrive on the
// UI thread. Reading() tells whether any of them is still under way, and WhenRead runs a step
// once they have all ended (success or failure), so the rules never run on half the data. Each
// read that did not come back complete is marked in the data, and the rules that need it refuse
// with kMsgNotRead; with a form attached, each read is also one of the form's named reads.
#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "features/common/form_write.h"
#include "features/ports/trunk_rules.h"
#include "platform/form.h"
#include "snmp/common_snmp.h"
#include "snmp/table_walk.h"

namespace features {

// Objects the checker reads (columns are walked, scalars read with ".0").
namespace trunkoid {
constexpr const char* kLaState = "1.3.6.1.4.1.171.10.76.12.8.1.2.0";
constexpr const char* kMemberList = "1.3.6.1.4.1.171.10.76.12.8.1.3.1.2";  // laPortChannelMemberList
constexpr const char* kMode = "1.3.6.1.4.1.171.10.76.12.8.1.3.1.3";        // laPortChannelMode
constexpr const char* kSpeed = "1.3.6.1.4.1.171.10.76.12.1.13.1.2";
constexpr const char* kMedia = "1.3.6.1.4.1.171.10.76.12.1.13.1.7";
constexpr const char* kPriority = "1.3.6.1.4.1.171.10.76.12.12.3.1.1.2";
constexpr const char* kPvid = "1.3.6.1.4.1.171.10.76.12.7.7.1.1";
constexpr const char* kPortSecurity = "1.3.6.1.4.1.171.10.76.12.14.2.1.1.2";
constexpr const char* kLoopback = "1.3.6.1.4.1.171.10.76.12.17.4.1.2";
constexpr const char* kRateIngress = "1.3.6.1.4.1.171.10.76.12.13.1.2.1.2";
constexpr const char* kRateEgress = "1.3.6.1.4.1.171.10.76.12.13.1.2.1.3";
constexpr const char* kRstpEntry = "1.3.6.1.4.1.171.10.76.12.6.2.1";
constexpr int kRstpColumns[kRstpValues] = {4, 2, 5, 16, 18, 17, 14};
constexpr const char* kDot1xControl = "1.3.6.1.4.1.171.10.76.12.11.2.9.1.2";
constexpr const char* kVoiceMode = "1.3.6.1.4.1.171.10.76.12.21.1.6.1.2";
constexpr const char* kVlanEgress = "1.3.6.1.4.1.171.10.76.12.7.6.1.2";
constexpr const char* kVlanUntagged = "1.3.6.1.4.1.171.10.76.12.7.6.1.4";
constexpr const char* kArpPorts = "1.3.6.1.4.1.171.10.76.12.14.3.1.1.3";
constexpr const char* kAclPorts = "1.3.6.1.4.1.171.10.76.12.15.2.1.1.10";
constexpr const char* kSurvMode = "1.3.6.1.4.1.171.10.76.12.34.1.5.1.2";
constexpr const char* kSurvDynamic = "1.3.6.1.4.1.171.10.76.12.34.1.5.1.3";
constexpr const char* kMirrorIngress = "1.3.6.1.4.1.171.10.76.12.18.3.0";
constexpr const char* kMirrorEgress = "1.3.6.1.4.1.171.10.76.12.18.4.0";
constexpr const char* kAutoLearning = "1.3.6.1.4.1.171.10.76.12.9.2.0";
constexpr const char* kMirrorState = "1.3.6.1.4.1.171.10.76.12.18.1.0";
constexpr const char* kMirrorTarget = "1.3.6.1.4.1.171.10.76.12.18.2.0";
constexpr const char* kFdbHitPort = "1.3.6.1.4.1.171.10.76.12.9.3.1.3";
constexpr const char* kDhcpScreening = "1.3.6.1.4.1.171.10.76.12.14.7.1.0";
constexpr const char* kDot1xState = "1.3.6.1.4.1.171.10.76.12.11.2.1.0";
constexpr const char* kStpState = "1.3.6.1.4.1.171.10.76.12.6.1.1.0";
constexpr const char* kSurvState = "1.3.6.1.4.1.171.10.76.12.34.1.1.0";
}  // namespace trunkoid

// Rows the switch's tables hold at most (walk bounds).
constexpr std::size_t kTrunkTableRows = 8;
constexpr std::size_t kVlanTableRows = 256;
constexpr std::size_t kArpTableRows = 64;
constexpr std::size_t kAclTableRows = 256;
constexpr std::size_t kFdbTableRows = 100000;

// One asynchronous read or walk after another on one session. Each step ends complete or with
// the reason it did not; once the switch has left a step unanswered, the steps still waiting
// end the same way without being sent (a silent switch costs one time-out, not one per step).
class CReadChain {
public:
    struct Step {
        TrunkRead read = TrunkRead::Count;    // what the step fills
        bool walk = true;                     // false: one get of `objects`
        std::vector<std::string> objects;     // walked columns, or the objects to get
        CTableWalk::RowHandler onRow;
        std::size_t maxRows = 0;
    };
    // why: "" when the step read everything it asked for.
    using StepEnded = std::function<void(TrunkRead read, const std::string& why)>;
    CReadChain(CCommonSnmp& session, StepEnded onStepEnded);
    void Add(Step step);
    // Starts the next step unless one is running.
    void Run();
    bool Running() const { return m_running; }

private:
    void Next();
    void Ended(TrunkRead read, const std::string& why);
    CTableWalk m_walk;
    std::deque<Step> m_steps;
    StepEnded m_onStepEnded;
    bool m_running = false;
};

class TrunkValid {
public:
    // writer: the form that holds the trunk write while it is under way.
    explicit TrunkValid(platform::Form& writer);
    ~TrunkValid();
    TrunkValid(const TrunkValid&) = delete;
    TrunkValid& operator=(const TrunkValid&) = delete;

    // Sizes and zeroes the data for the port count and starts every read and walk. False only
    // when the data cannot be made for that count. With a form, every read is one of its named
    // reads (TrunkReadName), so its controls marked needsRead wait for them.
    bool Init(int portCount, platform::Form* form = nullptr);
    // Reads the three switch-wide states (802.1X, spanning tree, surveillance VLAN) again.
    void RefreshGlobals();
    // Reads and walks started and not yet ended.
    int Pending() const { return m_pending; }
    bool Reading() const { return m_pending > 0; }
    // Runs fn on the UI thread once nothing is being read (at once when nothing is). A later
    // call replaces a step still waiting.
    void WhenRead(std::function<void()> fn);

    // Runs the rule chain on the selection (one flag per port) with the trunk's current member
    // text ("1,2,5"); a refusing rule shows its message. True when every rule passes.
    bool Check(const std::vector<int>& selection, const std::string& currentMembers);
    // Writes a trunk's members (PortList as hexadecimal text) and mode in one request, held by
    // the writer form. True when it was sent: done(true) once the switch took them, done(false)
    // after a message said that it refused them or did not answer. False when refused here
    // ("Parameter Error !" for an empty member text); done is not called then.
    bool WriteTrunk(const std::string& mode, const std::string& membersHex, const std::string& trunk,
                    std::function<void(bool ok)> done);
    // Closes every session in order, with the traces.
    void Close();

    const TrunkRuleData& Data() const { return m_data; }
    int PortCount() const { return m_data.portCount; }

private:
    void StepEnded(TrunkRead read, const std::string& why);
    // Per-port walk: each column's value stored into its array by the row's port number.
    CReadChain::Step PortWalk(std::vector<std::string> columns, std::vector<std::vector<int>*> arrays);
    void OnRstpRow(const ReplyRow& row);
    void Start(CReadChain& chain, TrunkRead read, CReadChain::Step step);
    void StartGlobals();

    TrunkRuleData m_data;
    platform::Form* m_form = nullptr;
    int m_pending = 0;
    std::function<void()> m_whenRead;
    std::shared_ptr<bool> m_alive = std::make_shared<bool>(true);

    // Declaration order: the nine named sessions in their close order, then the four others.
    CCommonSnmp m_cCommonSNMP;                   // scalar reads: auto-learning, mirror, DHCP, states
    CCommonSnmp m_cCommonSNMPSet;                // the trunk write
    CCommonSnmp m_cCommonSNMPMirror;             // mirror source ports
    CCommonSnmp m_cCommonSNMPTableACL;           // ACL ports
    CCommonSnmp m_cCommonSNMPPoint;              // speed and media
    CCommonSnmp m_cCommonSNMPTableVlan;          // VLAN egress and untagged ports
    CCommonSnmp m_cCommonSNMPTableTrunk;         // trunk members
    CCommonSnmp m_cCommonSNMPTableStaticPor;     // forwarding destination hits
    CCommonSnmp m_cCommonSNMPTableGetVlanTrunk;  // PVID
    CCommonSnmp m_cCommonSNMPTablePort;          // priority, port security, loopback, rate control
    CCommonSnmp m_cCommonSNMPTableRstp;          // RSTP, 802.1X control, voice VLAN mode
    CCommonSnmp m_cCommonSNMPTableArp;           // ARP spoofing prevention
    CCommonSnmp m_cCommonSNMPTableSurv;          // surveillance port modes

    CFormWrite m_write;
    std::vector<std::unique_ptr<CReadChain>> m_chains;
    CReadChain* m_scalars = nullptr;  // on m_cCommonSNMP
};

}  // namespace features

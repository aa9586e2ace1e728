#include "features/ports/trunk_valid.h"

#include "features/common/form_reads.h"
#include "features/common/form_write.h"
#include "features/common/trunk_map.h"
#include "platform/trace.h"
#include "platform/ui.h"
#include "snmp/encodings.h"
#include "snmp/session_close.h"
#include "snmp/validation.h"

namespace features {

// ---------------------------------------------------------------- CReadChain

CReadChain::CReadChain(CCommonSnmp& session, StepEnded onStepEnded)
    : m_walk(session), m_onStepEnded(std::move(onStepEnded)) {}

void CReadChain::Add(Step step) { m_steps.push_back(std::move(step)); }

void CReadChain::Run() {
    if (!m_running) Next();
}

void CReadChain::Ended(TrunkRead read, const std::string& why) {
    if (m_onStepEnded) m_onStepEnded(read, why);
}

void CReadChain::Next() {
    while (!m_steps.empty()) {
        Step step = std::move(m_steps.front());
        m_steps.pop_front();
        CTableWalk::Options options;
        options.maxRows = step.maxRows;
        // A get is complete only when the switch gave a value for every object.
        auto answered = std::make_shared<bool>(false);
        CTableWalk::RowHandler onRow = step.onRow;
        if (!step.walk)
            onRow = [answered, wanted = step.objects.size(), inner = std::move(onRow)](const ReplyRow& row,
                                                                                        CSnmp& reply) {
                bool all = row.size() >= wanted;
                for (std::size_t i = 0; all && i < wanted; ++i) all = row.present(i);
                *answered = all;
                return inner ? inner(row, reply) : true;
            };
        auto onEnd = [this, read = step.read, walk = step.walk, answered](int status) {
            m_running = false;
            std::string why;
            if (walk) why = WalkShortfall(m_walk, status);
            else if (status != 0) why = ReadFailureReason(m_walk.Session().LastFailure());
            else if (!*answered) why = "the switch did not return every setting";
            const SnmpFailure failure = m_walk.Session().LastFailure();
            const bool silent = status != 0 && status != CSnmp4w::EC_END_OF_TABLE &&
                                (failure == SnmpFailure::NoAnswer || failure == SnmpFailure::NotSent);
            Ended(read, why);
            if (silent) {
                // The switch did not answer: the steps waiting on this session would not fare better.
                std::deque<Step> rest = std::move(m_steps);
                m_steps.clear();
                for (const Step& s : rest) Ended(s.read, why);
            }
            // The handler may add steps; the next one starts after it.
            Run();
        };
        m_running = true;
        const bool started = step.walk ? m_walk.Start(step.objects, std::move(onRow), onEnd, options)
                                       : m_walk.Read(step.objects, std::move(onRow), onEnd, options);
        if (started) return;
        // Nothing could be sent: this step has ended without data.
        m_running = false;
        Ended(step.read, ReadFailureReason(m_walk.Session().LastFailure()));
    }
}

// ---------------------------------------------------------------- TrunkValid

namespace {

// The decimal value of column i; false when the reply carried no value there.
bool NumberOf(const ReplyRow& row, std::size_t i, int& out) {
    if (!row.present(i)) return false;
    out = TextToInt(row.text(i));
    return true;
}

// Switch-wide states are 1 when the switch says "1", else 2.
int GlobalState(const ReplyRow& row) { return row.present(0) && row.text(0) == "1" ? 1 : 2; }

}  // namespace

TrunkValid::TrunkValid(platform::Form& writer) : m_write(writer, m_cCommonSNMPSet) {}

TrunkValid::~TrunkValid() { *m_alive = false; }

CReadChain::Step TrunkValid::PortWalk(std::vector<std::string> columns, std::vector<std::vector<int>*> arrays) {
    CReadChain::Step step;
    step.objects = columns;
    step.maxRows = static_cast<std::size_t>(m_data.portCount);
    step.onRow = [this, columns, arrays](const ReplyRow& row, CSnmp&) {
        for (std::size_t i = 0; i < columns.size() && i < arrays.size(); ++i) {
            const int port = InstanceNumber(row.instance(i, columns[i]), m_data.portCount);
            int value = 0;
            if (port != 0 && NumberOf(row, i, value)) (*arrays[i])[static_cast<std::size_t>(port - 1)] = value;
        }
        return true;
    };
    return step;
}

void TrunkValid::OnRstpRow(const ReplyRow& row) {
    // Seven RSTP columns, then 802.1X port control, then voice VLAN mode.
    for (std::size_t i = 0; i < static_cast<std::size_t>(kRstpValues) + 2; ++i) {
        const std::string column =
            i < kRstpValues ? std::string(trunkoid::kRstpEntry) + "." + std::to_string(trunkoid::kRstpColumns[i])
                            : std::string(i == kRstpValues ? trunkoid::kDot1xControl : trunkoid::kVoiceMode);
        const int port = InstanceNumber(row.instance(i, column), m_data.portCount);
        int value = 0;
        if (port == 0 || !NumberOf(row, i, value)) continue;
        const auto at = static_cast<std::size_t>(port - 1);
        if (i < kRstpValues) m_data.rstp[at][i] = value;
        else if (i == kRstpValues) m_data.dot1xControl[at] = value;
        else m_data.voiceMode[at] = value;
    }
}

void TrunkValid::Start(CReadChain& chain, TrunkRead read, CReadChain::Step step) {
    ++m_pending;
    step.read = read;
    // Until it ends complete, the rules that need it refuse.
    m_data.SetArrived(read, false);
    if (m_form) m_form->beginRead(TrunkReadName(read));
    chain.Add(std::move(step));
    chain.Run();
}

bool TrunkValid::Init(int portCount, platform::Form* form) {
    if (portCount < 1 || portCount > kMaxEncodedPorts) return false;
    m_form = form;
    m_data.Reset(portCount);
    m_chains.clear();
    m_pending = 0;
    auto chain = [this](CCommonSnmp& session) -> CReadChain& {
        std::weak_ptr<bool> alive = m_alive;
        m_chains.push_back(std::make_unique<CReadChain>(session, [this, alive](TrunkRead read, const std::string& why) {
            if (alive.lock()) StepEnded(read, why);
        }));
        return *m_chains.back();
    };
    TrunkRuleData& d = m_data;
    const int ports = portCount;

    // Per-port tables.
    CReadChain& point = chain(m_cCommonSNMPPoint);
    Start(point, TrunkRead::SpeedMedia, PortWalk({trunkoid::kSpeed, trunkoid::kMedia}, {&d.speed, &d.media}));
    CReadChain& port = chain(m_cCommonSNMPTablePort);
    Start(port, TrunkRead::Priority, PortWalk({trunkoid::kPriority}, {&d.priority}));
    Start(port, TrunkRead::PortSecurity, PortWalk({trunkoid::kPortSecurity}, {&d.portSecurity}));
    Start(port, TrunkRead::Loopback, PortWalk({trunkoid::kLoopback}, {&d.loopback}));
    Start(port, TrunkRead::RateControl,
          PortWalk({trunkoid::kRateIngress, trunkoid::kRateEgress}, {&d.rateIngress, &d.rateEgress}));
    Start(chain(m_cCommonSNMPTableGetVlanTrunk), TrunkRead::Pvid, PortWalk({trunkoid::kPvid}, {&d.pvid}));
    Start(chain(m_cCommonSNMPTableSurv), TrunkRead::SurveillancePorts,
          PortWalk({trunkoid::kSurvMode, trunkoid::kSurvDynamic}, {&d.survMode, &d.survDynamic}));
    {
        CReadChain::Step step;
        for (int c : trunkoid::kRstpColumns) step.objects.push_back(std::string(trunkoid::kRstpEntry) + "." + std::to_string(c));
        step.objects.push_back(trunkoid::kDot1xControl);
        step.objects.push_back(trunkoid::kVoiceMode);
        step.maxRows = static_cast<std::size_t>(ports);
        step.onRow = [this](const ReplyRow& row, CSnmp&) {
            OnRstpRow(row);
            return true;
        };
        Start(chain(m_cCommonSNMPTableRstp), TrunkRead::RstpDot1xVoice, std::move(step));
    }

    // Trunk members of every trunk.
    {
        CReadChain::Step step;
        step.objects = {trunkoid::kMemberList, trunkoid::kMode};
        step.maxRows = kTrunkTableRows;
        step.onRow = [this](const ReplyRow& row, CSnmp&) {
            if (row.present(0) && row.value(0).type == SNMP_T_OCTETS)
                ApplyTrunkRow(m_data.trunkOf, row.instance(0, trunkoid::kMemberList), row.bytes(0));
            return true;
        };
        Start(chain(m_cCommonSNMPTableTrunk), TrunkRead::Trunks, std::move(step));
    }
    // VLAN egress and untagged ports, one list each per VLAN.
    {
        CReadChain::Step step;
        step.objects = {trunkoid::kVlanEgress, trunkoid::kVlanUntagged};
        step.maxRows = kVlanTableRows;
        step.onRow = [this](const ReplyRow& row, CSnmp&) {
            m_data.vlanEgress.push_back(PortListToPorts(row.bytes(0), m_data.portCount));
            m_data.vlanUntagged.push_back(PortListToPorts(row.bytes(1), m_data.portCount));
            return true;
        };
        Start(chain(m_cCommonSNMPTableVlan), TrunkRead::Vlans, std::move(step));
    }
    // ARP spoofing prevention entries that have ports: the rule compares against each one.
    {
        CReadChain::Step step;
        step.objects = {trunkoid::kArpPorts};
        step.maxRows = kArpTableRows;
        step.onRow = [this](const ReplyRow& row, CSnmp&) {
            std::vector<int> ports = PortListToPorts(row.bytes(0), m_data.portCount);
            if (!ports.empty()) m_data.arpPorts.push_back(std::move(ports));
            return true;
        };
        Start(chain(m_cCommonSNMPTableArp), TrunkRead::Arp, std::move(step));
    }
    // ACL entries that have ports.
    {
        CReadChain::Step step;
        step.objects = {trunkoid::kAclPorts};
        step.maxRows = kAclTableRows;
        step.onRow = [this](const ReplyRow& row, CSnmp&) {
            std::vector<int> ports = PortListToPorts(row.bytes(0), m_data.portCount);
            if (!ports.empty()) m_data.aclPorts.push_back(std::move(ports));
            return true;
        };
        Start(chain(m_cCommonSNMPTableACL), TrunkRead::Acl, std::move(step));
    }
    // Forwarding destination hits: the port of each entry.
    {
        CReadChain::Step step;
        step.objects = {trunkoid::kFdbHitPort};
        step.maxRows = kFdbTableRows;
        step.onRow = [this](const ReplyRow& row, CSnmp&) {
            int port = 0;
            if (NumberOf(row, 0, port) && port > 0) m_data.fdbHitPorts.push_back(port);
            return true;
        };
        Start(chain(m_cCommonSNMPTableStaticPor), TrunkRead::FdbHits, std::move(step));
    }

    // Single reads.
    auto read = [](const char* object, std::function<void(const ReplyRow&)> take) {
        CReadChain::Step step;
        step.walk = false;
        step.objects = {object};
        step.onRow = [take = std::move(take)](const ReplyRow& row, CSnmp&) {
            if (row.present(0)) take(row);
            return true;
        };
        return step;
    };
    CReadChain& mirror = chain(m_cCommonSNMPMirror);
    Start(mirror, TrunkRead::MirrorIngress, read(trunkoid::kMirrorIngress,
                       [this](const ReplyRow& r) { m_data.mirrorIngress = PortListToPorts(r.bytes(0), m_data.portCount); }));
    Start(mirror, TrunkRead::MirrorEgress, read(trunkoid::kMirrorEgress,
                       [this](const ReplyRow& r) { m_data.mirrorEgress = PortListToPorts(r.bytes(0), m_data.portCount); }));
    m_scalars = &chain(m_cCommonSNMP);
    Start(*m_scalars, TrunkRead::AutoLearning, read(trunkoid::kAutoLearning, [this](const ReplyRow& r) {
        m_data.autoLearning = PortListToPorts(r.bytes(0), m_data.portCount);
    }));
    Start(*m_scalars, TrunkRead::MirrorState,
          read(trunkoid::kMirrorState, [this](const ReplyRow& r) { m_data.mirrorState = TextToInt(r.text(0)); }));
    Start(*m_scalars, TrunkRead::MirrorTarget,
          read(trunkoid::kMirrorTarget, [this](const ReplyRow& r) { m_data.mirrorTarget = TextToInt(r.text(0)); }));
    Start(*m_scalars, TrunkRead::DhcpScreening, read(trunkoid::kDhcpScreening, [this](const ReplyRow& r) {
        m_data.dhcpScreening = PortListToFlags(r.bytes(0), m_data.portCount);
    }));
    StartGlobals();
    return true;
}

void TrunkValid::StartGlobals() {
    if (!m_scalars) return;
    auto state = [this](TrunkRead which, const char* object, int TrunkRuleData::*field) {
        CReadChain::Step step;
        step.walk = false;
        step.objects = {object};
        step.onRow = [this, field](const ReplyRow& row, CSnmp&) {
            m_data.*field = GlobalState(row);
            return true;
        };
        Start(*m_scalars, which, std::move(step));
    };
    state(TrunkRead::Dot1xState, trunkoid::kDot1xState, &TrunkRuleData::dot1xGlobal);
    state(TrunkRead::StpState, trunkoid::kStpState, &TrunkRuleData::stpGlobal);
    state(TrunkRead::SurveillanceState, trunkoid::kSurvState, &TrunkRuleData::survGlobal);
}

void TrunkValid::RefreshGlobals() { StartGlobals(); }

void TrunkValid::StepEnded(TrunkRead read, const std::string& why) {
    m_data.SetArrived(read, why.empty());
    if (m_form) {
        if (why.empty()) m_form->readComplete(TrunkReadName(read));
        else m_form->readFailed(TrunkReadName(read), why);
    }
    if (m_pending > 0) --m_pending;
    if (m_pending == 0 && m_whenRead) {
        std::function<void()> fn = std::move(m_whenRead);
        m_whenRead = nullptr;
        fn();
    }
}

void TrunkValid::WhenRead(std::function<void()> fn) {
    if (m_pending == 0) {
        m_whenRead = nullptr;
        if (fn) fn();
        return;
    }
    m_whenRead = std::move(fn);
}

bool TrunkValid::Check(const std::vector<int>& selection, const std::string& currentMembers) {
    const std::vector<int> current = SelectedPorts(PortNumbersToFlags(currentMembers, m_data.portCount));
    const auto refusal = FirstTrunkRefusal(m_data, selection, current);
    if (!refusal) return true;
    platform::ShowMessage(refusal->message);
    return false;
}

bool TrunkValid::WriteTrunk(const std::string& mode, const std::string& membersHex, const std::string& trunk,
                            std::function<void(bool ok)> done) {
    const std::size_t bytes = membersHex.size() / 2;
    const int number = InstanceNumber(trunk, kMaxTrunkNumber);
    if (bytes < 1 || number == 0) {
        platform::ShowMessage("Parameter Error !");
        return false;
    }
    return m_write.Send("The members of trunk " + std::to_string(number),
                        {SetValue::Bytes(InstanceOid(trunkoid::kMemberList, number), HexToOctets(membersHex)),
                         SetValue::Text(InstanceOid(trunkoid::kMode, number), SNMP_T_INTEGER, mode)},
                        [done = std::move(done)](bool ok) {
                            platform::Trace("trunk write status = %d", ok ? 0 : -1);
                            if (done) done(ok);
                        });
}

void TrunkValid::Close() {
    m_form = nullptr;  // the form is going: nothing more is reported to it
    // 0: the read session had nothing under way; 258: a read was still running (it is cancelled).
    platform::Trace("tr = %d", m_cCommonSNMP.WaitDone(0) ? 0 : 258);
    CloseSessions({{m_cCommonSNMP, "m_cCommonSNMP"},
                   {m_cCommonSNMPSet, "m_cCommonSNMPSet"},
                   {m_cCommonSNMPMirror, "m_cCommonSNMPMirror"},
                   {m_cCommonSNMPTableACL, "m_cCommonSNMPTableACL"},
                   {m_cCommonSNMPPoint, "m_cCommonSNMPPoint"},
                   {m_cCommonSNMPTableVlan, "m_cCommonSNMPTableVlan"},
                   {m_cCommonSNMPTableTrunk, "m_cCommonSNMPTableTrunk"},
                   {m_cCommonSNMPTableStaticPor, "m_cCommonSNMPTableStaticPor"},
                   {m_cCommonSNMPTableGetVlanTrunk, "m_cCommonSNMPTableGetVlanTrunk"},
                   {m_cCommonSNMPTablePort, "m_cCommonSNMPTablePort"},
                   {m_cCommonSNMPTableRstp, "m_cCommonSNMPTableRstp"},
                   {m_cCommonSNMPTableArp, "m_cCommonSNMPTableArp"},
                   {m_cCommonSNMPTableSurv, "m_cCommonSNMPTableSurv"}});
    m_whenRead = nullptr;
}

}  // namespace features

// The trunk member dialog against the virtual switch: each membership rule refuses what the
// switch's settings forbid (nothing is written), the chain stops at the first refusal, a valid
// selection is written in one request, and OK never writes before every setting has been read.
#include <gtest/gtest.h>

#include "app/session_settings.h"
#include "features/common/form_reads.h"
#include "features/ports/trunk_dlg.h"
#include "platform/trace.h"
#include "port_sim_support.h"

using namespace features;
using namespace portstest;
using dialogtest::DialogDriver;
using Strings = std::vector<std::string>;

namespace {

const std::string kPriv = "1.3.6.1.4.1.171.10.76.12.";
const std::string kMode = kPriv + "8.1.3.1.3";


class TrunkMember : public SimTest {
protected:
    // Opens the member dialog of a trunk and waits until the checker has read everything.
    void Open(std::unique_ptr<CTrunkMemberDlg>& dlg, std::unique_ptr<DialogDriver>& d, const std::string& trunk,
              const std::string& mode, const std::string& members) {
        dlg = std::make_unique<CTrunkMemberDlg>(trunk, mode, members);
        d = std::make_unique<DialogDriver>(m_env, *dlg);
        ASSERT_TRUE(d->waitEnabled("OK", std::chrono::milliseconds(10000)));
        ASSERT_FALSE(dlg->Checker().Reading());
    }
    // Sets the boxes to exactly the given ports, presses OK and waits for a message or the end.
    void Choose(DialogDriver& d, CTrunkMemberDlg& dlg, const std::vector<int>& ports) {
        for (int p = 1; p <= dlg.PortCount(); ++p)
            d.tickPort(CTrunkMemberDlg::IDC_PORTS, 0, p,
                       std::find(ports.begin(), ports.end(), p) != ports.end());
        sim.clearLog();
        d.click("OK");
        m_env.waitUntil([&] { return !m_env.messages().empty() || d.ended(); }, std::chrono::milliseconds(10000));
    }
};

}  // namespace

// Every rule, with its condition preloaded into the switch, refuses ports 1 and 2 with its own
// message and writes nothing; a case with two conditions shows only the earlier rule's message.
TEST_F(TrunkMember, EachRuleRefusesWithItsMessage) {
    const std::string survOn = kPriv + "34.1.1.0 i 1", dot1xOn = kPriv + "11.2.1.0 i 1", stpOn = kPriv + "6.1.1.0 i 1";
    struct Case {
        const char* name;
        Strings state;
        const char* message;
    } cases[] = {
        {"1 another trunk", {TrunkLine(2, "60000000")}, trunkmsg::kOtherTrunk},
        {"2 media", {kMedium + ".2 i 2"}, trunkmsg::kMedia},
        {"3 half duplex (3)", {SpeedLine(1, 3), SpeedLine(2, 3)}, trunkmsg::kHalfDuplex},
        {"3 half duplex (5)", {SpeedLine(1, 5)}, trunkmsg::kHalfDuplex},
        {"3 speed", {SpeedLine(2, 1)}, trunkmsg::kSpeed},
        {"4 DHCP screening", {kPriv + "14.7.1.0 x 80000000"}, trunkmsg::kDhcpScreening},
        {"4 DHCP screening, second port only", {kPriv + "14.7.1.0 x 40000000"}, trunkmsg::kDhcpScreening},
        {"5 802.1X auto", {dot1xOn, kPriv + "11.2.9.1.2.2 i 2"}, trunkmsg::kDot1xAuto},
        {"5 802.1X forced unauthorised", {dot1xOn, kPriv + "11.2.9.1.2.1 i 1"}, trunkmsg::kDot1xUnauthorised},
        {"6 VLAN egress", {kPriv + "7.6.1.2.5 x 80000000", kPriv + "7.6.1.4.5 x 00000000"}, trunkmsg::kVlan},
        {"7 auto-learning off on a port", {kPriv + "9.2.0 x bfc00000"}, trunkmsg::kAutoLearning},
        {"7 auto-learning list empty", {kPriv + "9.2.0 x 00000000"}, trunkmsg::kAutoLearning},
        {"8 priority", {kPriv + "12.3.1.1.2.2 i 3"}, trunkmsg::kPriority},
        {"8 PVID", {kPriv + "7.7.1.1.1 u 4"}, trunkmsg::kPvid},
        {"8 port security", {kPriv + "14.2.1.1.2.2 i 1"}, trunkmsg::kPortSecurity},
        {"8 loopback detection", {kPriv + "17.4.1.2.1 i 1"}, trunkmsg::kLoopback},
        {"9 mirror source", {kPriv + "18.4.0 x 40000000"}, trunkmsg::kMirrorSource},
        {"10 mirror target", {kPriv + "18.1.0 i 1", kPriv + "18.2.0 i 2"}, trunkmsg::kMirrorTarget},
        {"11 ARP spoofing", {kPriv + "14.3.1.1.3.10.0.0.1 x 80000000"}, trunkmsg::kArpSpoofing},
        // Port 1 is protected by the first entry, whatever the last entry names.
        {"11 ARP spoofing, entries on ports 1 and 5",
         {kPriv + "14.3.1.1.3.10.0.0.1 x 80000000", kPriv + "14.3.1.1.3.10.0.0.2 x 08000000"}, trunkmsg::kArpSpoofing},
        {"12 rate control", {kPriv + "13.1.2.1.3.2 i 512"}, trunkmsg::kRateControl},
        {"13 RSTP", {stpOn, kPriv + "6.2.1.16.1 i 1"}, trunkmsg::kRstp},
        {"14 voice VLAN auto", {kPriv + "21.1.6.1.2.2 i 1"}, trunkmsg::kVoiceVlan},
        {"15 forwarding hit", {kPriv + "9.3.1.3.7 i 2"}, trunkmsg::kFdbHit},
        {"16 ACL", {kPriv + "15.2.1.1.10.1 x 80000000"}, trunkmsg::kAcl},
        {"17 surveillance auto", {survOn, kPriv + "34.1.5.1.2.2 i 1"}, trunkmsg::kSurveillanceAuto},
        {"17 surveillance dynamic", {survOn, kPriv + "34.1.5.1.3.1 i 2"}, trunkmsg::kSurveillanceDynamic},
        // The chain stops at the first refusal.
        {"2 before 16", {kPriv + "15.2.1.1.10.1 x 80000000", kMedium + ".1 i 2"}, trunkmsg::kMedia},
        {"8 before 14", {kPriv + "21.1.6.1.2.1 i 1", kPriv + "17.4.1.2.2 i 1"}, trunkmsg::kLoopback},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_NO_FATAL_FAILURE(StartSim("10p", {}, c.state));
        std::unique_ptr<CTrunkMemberDlg> dlg;
        std::unique_ptr<DialogDriver> d;
        ASSERT_NO_FATAL_FAILURE(Open(dlg, d, "1", "Static", ""));
        Choose(*d, *dlg, {1, 2});
        EXPECT_EQ(m_env.takeMessages(), Strings{c.message});
        EXPECT_FALSE(d->ended());
        EXPECT_TRUE(sim.sets().empty());
        // Only the switch-wide states were read again for the check.
        for (const auto& r : sim.requests()) EXPECT_EQ(r.pdu, "get");
        d.reset();
        dlg.reset();
        sim.stop();
    }
}

// What the rules let through is written: members and mode in one request, PortList octets for
// the model's port count; the trunk then holds its members.
TEST_F(TrunkMember, AdmittedSelectionsAreWrittenInOneRequest) {
    struct Case {
        const char* name;
        const char* model;
        Strings state;
        const char* trunk;
        const char* mode;
        const char* current;
        std::vector<int> ports;
        const char* octets;
        const char* modeValue;
    } cases[] = {
        {"10 ports, LACP", "10p", {}, "1", "LACP", "", {1, 2}, "c0000000", "1"},
        {"own members pass rule 1", "10p", {TrunkLine(3, "60000000")}, "3", "Static", "2,3", {2, 3, 4}, "70000000",
         "2"},
        {"802.1X off, ports in auto", "10p", {kPriv + "11.2.9.1.2.1 i 2", kPriv + "11.2.9.1.2.2 i 2"}, "2", "Static",
         "", {1, 2}, "c0000000", "2"},
        {"ACL on every selected port", "10p", {kPriv + "15.2.1.1.10.4 x c0000000"}, "1", "Static", "", {1, 2},
         "c0000000", "2"},
        {"speed 1 and 1", "10p", {SpeedLine(1, 1), SpeedLine(2, 1)}, "1", "Static", "", {1, 2}, "c0000000", "2"},
        {"RSTP differs, STP off", "10p", {kPriv + "6.2.1.16.1 i 1"}, "1", "Static", "", {1, 2}, "c0000000", "2"},
        {"52 ports, eight members", "52", {}, "8", "LACP", "", {45, 46, 47, 48, 49, 50, 51, 52}, "00000000000ff000",
         "1"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_NO_FATAL_FAILURE(StartSim(c.model, {}, c.state));
        std::unique_ptr<CTrunkMemberDlg> dlg;
        std::unique_ptr<DialogDriver> d;
        ASSERT_NO_FATAL_FAILURE(Open(dlg, d, c.trunk, c.mode, c.current));
        Choose(*d, *dlg, c.ports);
        EXPECT_TRUE(m_env.takeMessages().empty());
        EXPECT_TRUE(d->ended());
        EXPECT_EQ(d->result(), platform::kIdOk);
        const std::string t = c.trunk;
        const std::vector<Write> write = {{kMembers + "." + t, c.octets}, {kMode + "." + t, c.modeValue}};
        EXPECT_EQ(Sets(sim), (std::vector<std::vector<Write>>{write}));
        EXPECT_EQ(HexToOctets(dlg->Result()), HexToOctets(c.octets));
        d.reset();
        dlg.reset();
        sim.stop();
    }
}

// The selection's size is checked first: one port or nine keep the dialog open without a read
// or a write.
TEST_F(TrunkMember, MemberCountLimits) {
    ASSERT_NO_FATAL_FAILURE(StartSim("52"));
    std::unique_ptr<CTrunkMemberDlg> dlg;
    std::unique_ptr<DialogDriver> d;
    ASSERT_NO_FATAL_FAILURE(Open(dlg, d, "1", "Static", ""));
    EXPECT_EQ(dlg->caption(), "Trunk member");
    EXPECT_EQ(d->text(CTrunkMemberDlg::IDC_TRUNK_ID), "1");
    EXPECT_EQ(d->text(CTrunkMemberDlg::IDC_MODE), "Static");
    EXPECT_EQ(d->as<platform::PortGrid>(CTrunkMemberDlg::IDC_PORTS).portsPerRow(), 26);
    Choose(*d, *dlg, {});
    Choose(*d, *dlg, {5});
    Choose(*d, *dlg, {1, 2, 3, 4, 5, 6, 7, 8, 9});
    EXPECT_EQ(m_env.takeMessages(),
              (Strings{CTrunkMemberDlg::kMsgMinimum, CTrunkMemberDlg::kMsgMinimum, CTrunkMemberDlg::kMsgMaximum}));
    EXPECT_FALSE(d->ended());
    EXPECT_TRUE(sim.requests().empty());
}

// While the checker is still reading, OK is disabled and says why; it comes back only when
// every read has ended, so a rule whose data arrives late still refuses. A press of OK reads the
// switch-wide states again and decides only when they are in.
TEST_F(TrunkMember, OkWaitsForEveryRead) {
    ASSERT_NO_FATAL_FAILURE(StartSim("10p", {"--delay-ms", "100"}, {kPriv + "15.2.1.1.10.1 x 80000000"}));
    CTrunkMemberDlg dlg("1", "Static", "");
    DialogDriver d(m_env, dlg);
    EXPECT_TRUE(dlg.Checker().Reading());
    EXPECT_FALSE(d.enabled("OK"));
    EXPECT_EQ(d.control(CTrunkMemberDlg::IDC_STATUS).text(), CTrunkMemberDlg::kStatusReading);
    d.tickPort(CTrunkMemberDlg::IDC_PORTS, 0, 1);
    d.tickPort(CTrunkMemberDlg::IDC_PORTS, 0, 2);
    m_env.runFor(std::chrono::milliseconds(300));
    ASSERT_TRUE(dlg.Checker().Reading());
    EXPECT_FALSE(d.enabled("OK"));
    ASSERT_TRUE(m_env.waitUntil([&] { return d.enabled("OK"); }, std::chrono::milliseconds(30000)));
    EXPECT_FALSE(dlg.Checker().Reading());
    EXPECT_EQ(d.control(CTrunkMemberDlg::IDC_STATUS).text(), "");
    EXPECT_EQ(dlg.Checker().Data().aclPorts, (std::vector<std::vector<int>>{{1}}));

    sim.clearLog();
    d.click("OK");
    EXPECT_FALSE(d.enabled("OK"));  // the switch-wide states are on their way
    EXPECT_TRUE(m_env.messages().empty());
    ASSERT_TRUE(m_env.waitUntil([&] { return !m_env.messages().empty(); }, std::chrono::milliseconds(10000)));
    EXPECT_EQ(m_env.takeMessages(), Strings{trunkmsg::kAcl});
    EXPECT_TRUE(d.enabled("OK"));
    EXPECT_FALSE(d.ended());
    EXPECT_TRUE(sim.sets().empty());
    EXPECT_EQ(sim.requests().size(), 3u);
}

// A read of the checker that does not come back (the switch never answers for that object) holds
// OK back and says so in the dialog; nothing is written. Each of these reads used to count as
// "none", so the selection went through.
TEST_F(TrunkMember, AnUnansweredReadHoldsOkBack) {
    struct Case {
        const char* name;
        std::string object;
    } cases[] = {
        {"ACL ports", kPriv + "15.2.1.1.10"},
        {"ARP spoofing entries", kPriv + "14.3.1.1.3"},
        {"trunk members", kMembers},
        {"spanning tree state", kPriv + "6.1.1.0"},
        {"mirror target", kPriv + "18.2.0"},
        {"forwarding hits", kPriv + "9.3.1.3"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_NO_FATAL_FAILURE(StartSim("10p", {"--drop-prefix", c.object}));
        MutableSettings().TimeoutMs = "200";
        CTrunkMemberDlg dlg("1", "Static", "");
        DialogDriver d(m_env, dlg);
        ASSERT_TRUE(m_env.waitUntil([&] { return !dlg.Checker().Reading(); }, std::chrono::milliseconds(20000)));
        d.tickPort(CTrunkMemberDlg::IDC_PORTS, 0, 1);
        d.tickPort(CTrunkMemberDlg::IDC_PORTS, 0, 2);
        EXPECT_FALSE(d.enabled("OK"));
        EXPECT_TRUE(d.control(platform::Form::kIdReadStatus).visible());
        const std::string status = d.control(platform::Form::kIdReadStatus).text();
        EXPECT_EQ(status.rfind("Not all settings could be read from the switch (", 0), 0u) << status;
        EXPECT_NE(status.find("Close the dialog and open it again."), std::string::npos) << status;
        EXPECT_THROW(d.click("OK"), std::exception);
        // The checker itself refuses too, should anything call it.
        EXPECT_FALSE(dlg.Checker().Check(dlg.Flags(), ""));
        EXPECT_EQ(m_env.takeMessages(), Strings{kMsgNotRead});
        EXPECT_TRUE(sim.sets().empty());
        sim.stop();
    }
}

// A switch that falls silent after the dialog has read everything: OK reads the switch-wide
// states again, gets no answer, and refuses because nothing could be decided (before, the rules
// ran on what they had and the silence went unnoticed). Nothing is written.
TEST_F(TrunkMember, ASwitchThatFallsSilentIsRefusedAsNotRead) {
    ASSERT_NO_FATAL_FAILURE(StartSim("10p"));
    std::size_t opening = 0;
    {
        std::unique_ptr<CTrunkMemberDlg> dlg;
        std::unique_ptr<DialogDriver> d;
        ASSERT_NO_FATAL_FAILURE(Open(dlg, d, "1", "Static", ""));
        opening = sim.requests().size();
    }
    sim.stop();
    // The same switch, answering only what the dialog asks when it opens.
    ASSERT_NO_FATAL_FAILURE(StartSim("10p", {"--silent-after", std::to_string(opening)}));
    MutableSettings().TimeoutMs = "200";
    std::unique_ptr<CTrunkMemberDlg> dlg;
    std::unique_ptr<DialogDriver> d;
    ASSERT_NO_FATAL_FAILURE(Open(dlg, d, "1", "Static", ""));
    EXPECT_TRUE(dlg->Checker().Data().arrived.all());
    Choose(*d, *dlg, {1, 2});
    EXPECT_EQ(m_env.takeMessages(), Strings{kMsgNotRead});
    EXPECT_FALSE(d->ended());
    EXPECT_TRUE(sim.sets().empty());
    EXPECT_FALSE(d->enabled("OK"));
    EXPECT_TRUE(d->control(platform::Form::kIdReadStatus).visible());
}

// A switch that refuses the members: the dialog says so and stays open for another try.
TEST_F(TrunkMember, RefusedWriteKeepsTheDialogOpen) {
    ASSERT_NO_FATAL_FAILURE(StartSim("10p", {"--set-error", kMembers + ":genErr"}));
    std::unique_ptr<CTrunkMemberDlg> dlg;
    std::unique_ptr<DialogDriver> d;
    ASSERT_NO_FATAL_FAILURE(Open(dlg, d, "1", "LACP", ""));
    Choose(*d, *dlg, {3, 4});
    EXPECT_EQ(m_env.takeMessages(),
              Strings{"The members of trunk 1 could not be changed: the switch refused the value (genErr)."});
    EXPECT_FALSE(d->ended());
    EXPECT_EQ(sim.sets().size(), 1u);
    EXPECT_TRUE(dlg->Result().empty());
    EXPECT_TRUE(d->waitEnabled("OK"));
}

// Thirteen sessions of one user at once over SNMPv3 with authentication and privacy: every
// read arrives, and the write goes out as one authPriv set.
TEST_F(TrunkMember, WorksOverSnmpV3WithAuthenticationAndPrivacy) {
    ASSERT_NO_FATAL_FAILURE(
        StartSim("10p", kV3.args(), {kPriv + "15.2.1.1.10.1 x c0000000"}));
    kV3.use();
    std::unique_ptr<CTrunkMemberDlg> dlg;
    std::unique_ptr<DialogDriver> d;
    ASSERT_NO_FATAL_FAILURE(Open(dlg, d, "1", "Static", ""));
    EXPECT_EQ(dlg->Checker().Data().aclPorts, (std::vector<std::vector<int>>{{1, 2}}));
    EXPECT_EQ(dlg->Checker().Data().autoLearning.size(), 10u);
    Choose(*d, *dlg, {1, 2});
    EXPECT_TRUE(m_env.takeMessages().empty());
    ASSERT_TRUE(d->ended());
    const auto sets = sim.sets();
    ASSERT_EQ(sets.size(), 1u);
    EXPECT_EQ(sets[0].level, "authPriv");
    for (const auto& r : sim.requests()) EXPECT_EQ(r.version, "3") << r.pdu;
}

// Closing the member dialog closes the checker's sessions in their order, each with its trace.
TEST_F(TrunkMember, ClosingTracesEverySessionInOrder) {
    ASSERT_NO_FATAL_FAILURE(StartSim("10p"));
    ASSERT_TRUE(platform::TraceEnabled());  // CORVEX_TRACE is set for this suite
    testing::internal::CaptureStderr();
    {
        std::unique_ptr<CTrunkMemberDlg> dlg;
        std::unique_ptr<DialogDriver> d;
        ASSERT_NO_FATAL_FAILURE(Open(dlg, d, "1", "Static", ""));
        d->click("Cancel");
        EXPECT_TRUE(d->ended());
    }
    const std::string err = testing::internal::GetCapturedStderr();
    Strings lines;
    for (size_t pos = 0, end; pos < err.size(); pos = end + 1) {
        end = err.find('\n', pos);
        if (end == std::string::npos) end = err.size();
        const std::string line = err.substr(pos, end - pos);
        if (line.rfind("==================", 0) == 0 || line.rfind("tr = ", 0) == 0) lines.push_back(line);
    }
    Strings expected = {"==================DestroyWindow===============", "tr = 0"};
    for (const char* name : {"m_cCommonSNMP", "m_cCommonSNMPSet", "m_cCommonSNMPMirror", "m_cCommonSNMPTableACL",
                             "m_cCommonSNMPPoint", "m_cCommonSNMPTableVlan", "m_cCommonSNMPTableTrunk",
                             "m_cCommonSNMPTableStaticPor", "m_cCommonSNMPTableGetVlanTrunk", "m_cCommonSNMPTablePort",
                             "m_cCommonSNMPTableRstp", "m_cCommonSNMPTableArp", "m_cCommonSNMPTableSurv"})
        expected.push_back(std::string("==================") + name + ".Close===============");
    EXPECT_EQ(lines, expected);
}

// Trace lines go to standard error for this suite (read once, before any trace).
static const bool kTraceOn = (setenv("CORVEX_TRACE", "1", 1), true);

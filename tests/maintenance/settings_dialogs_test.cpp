// The syslog host, jumbo frame and multicast filtering dialogs against the virtual switch.
#include <algorithm>
#include <functional>
#include <memory>
#include <set>

#include "app/main_window.h"
#include "features/maintenance/jumbo_frame_dlg.h"
#include "features/maintenance/multicast_filter_dlg.h"
#include "features/maintenance/register.h"
#include "features/maintenance/syslog_host_dlg.h"
#include "maint_sim.h"

namespace mainttest {
namespace {

const std::string kSyslogServer = kPriv + ".16.1.1.0", kSyslogPort = kPriv + ".16.1.2.0",
                  kSyslogSeverity = kPriv + ".16.1.4.0", kSyslogFacility = kPriv + ".16.1.5.0",
                  kSyslogState = kPriv + ".16.1.6.0";
const std::string kJumbo = kPriv + ".1.12.0";
const std::string kVlanName = kPriv + ".7.6.1.1";
const std::string kMcastVlan = kPriv + ".7.8.1.1", kMcastMode = kPriv + ".7.8.1.2";
const char* kForward = "Forward Unregistered Groups";
const char* kFilter = "Filtering Unregistered Groups";

using Settings = MaintSimTest;

// BER size of a TLV holding `content` bytes.
size_t Tlv(size_t content) { return 1 + (content < 128 ? 1 : content < 256 ? 2 : 3) + content; }

// Bytes the bindings of a logged set take on the wire (OIDs and small INTEGER values).
size_t EncodedBindings(const corvex::test::SimRequest& r) {
    size_t total = 0;
    for (const auto& b : r.bindings) {
        size_t oid = 0, arc = 0;
        std::vector<unsigned long> arcs;
        for (size_t start = 0; start <= b.oid.size(); start = arc + 1) {
            arc = std::min(b.oid.find('.', start), b.oid.size());
            arcs.push_back(std::stoul(b.oid.substr(start, arc - start)));
        }
        oid = 1;
        for (size_t i = 2; i < arcs.size(); ++i)
            for (unsigned long v = arcs[i]; ; v >>= 7) {
                ++oid;
                if (v < 128) break;
            }
        total += Tlv(Tlv(oid) + Tlv(std::stol(b.value) < 128 ? 1 : 2));
    }
    return Tlv(total);
}
// What an SNMPv3 authPriv message puts around its bindings at most: header data, USM parameters
// (32-octet engine ID and user name, 12-octet authentication, 8-octet privacy parameters), the
// encrypted scoped PDU with a 32-octet context engine ID and its padding, and the PDU header.
constexpr size_t kV3Envelope = 260;

// Syslog: what the switch holds fills the form (an unknown facility selects local0); checks
// refuse bad addresses and ports without sending; a valid Apply sends the four objects at once.
TEST_F(Settings, SyslogReadChecksAndWrites) {
    ASSERT_NO_FATAL_FAILURE(Start({kSyslogServer + " a 10.1.2.3", kSyslogPort + " i 1514", kSyslogFacility + " i 100",
                                   kSyslogSeverity + " i 7", kSyslogState + " i 1"},
                                  {"--state-any-type"}));
    CSyslogHostDlg dlg;
    DialogDriver d(env, dlg);
    ASSERT_TRUE(env.waitUntil([&] { return !dlg.Reading(); }));
    EXPECT_EQ(d.text("Host IP:"), "10.1.2.3");
    EXPECT_EQ(d.text("UDP Port(1-65535):"), "1514");
    EXPECT_EQ(d.text("Facility:"), "local0");
    EXPECT_EQ(d.text("Severity:"), "all");
    EXPECT_TRUE(d.checked("SysLogEnable"));
    EXPECT_TRUE(d.enabled(CSyslogHostDlg::IDC_HOST_IP));

    struct Refused {
        const char* ip;
        const char* port;
        const char* message;
    };
    const Refused refused[] = {
        {"0.1.2.3", "514", "Syslog Server IP Error."},   {"10.0.0.255", "514", "Syslog Server IP Error."},
        {"255.0.0.1", "514", "Syslog Server IP Error."}, {"10.0.0.0", "514", "Syslog Server IP Error."},
        {"10.0.0.1", "0", "Invalid UDP port range (1-65535)"},
        {"10.0.0.1", "70000", "Invalid UDP port range (1-65535)"},
        {"10.0.0.1", "", "Invalid UDP port range (1-65535)"},
    };
    for (const Refused& r : refused) {
        SCOPED_TRACE(std::string(r.ip) + ":" + r.port);
        d.type("Host IP:", r.ip);
        d.type("UDP Port(1-65535):", r.port);
        d.click("&Apply");
        EXPECT_EQ(env.takeMessages(), Strings{r.message});
    }
    EXPECT_TRUE(sim.sets().empty());

    d.type("Host IP:", "10.9.8.7");
    d.type("UDP Port(1-65535):", "6514");
    d.choose("Facility:", "local3");
    d.choose("Severity:", "warning");
    d.click("&Apply");
    ASSERT_TRUE(env.waitUntil([&] { return !dlg.writing(); }));
    EXPECT_TRUE(env.takeMessages().empty());
    EXPECT_EQ(sim.setBindingLists(), (std::vector<Strings>{{kSyslogServer + "=10.9.8.7", kSyslogPort + "=6514",
                                             kSyslogSeverity + "=4", kSyslogFacility + "=152"}}));

    // Turning remote logging off: the fields follow the box, the state goes out alone.
    sim.clearLog();
    d.tick("SysLogEnable", false);
    EXPECT_FALSE(d.enabled(CSyslogHostDlg::IDC_HOST_IP));
    EXPECT_FALSE(d.enabled(CSyslogHostDlg::IDC_SEVERITY));
    d.click("Apply");
    ASSERT_TRUE(env.waitUntil([&] { return !dlg.writing(); }));
    EXPECT_EQ(env.takeMessages(), Strings{"Set System log Server successfully"});
    EXPECT_EQ(sim.setBindingLists(), (std::vector<Strings>{{kSyslogState + "=2"}}));

    // The Refresh reads the five objects in one request, in the form's order.
    sim.clearLog();
    d.click("&Refresh");
    ASSERT_TRUE(env.waitUntil([&] { return !dlg.Reading(); }));
    const auto reqs = sim.requests();
    ASSERT_EQ(reqs.size(), 1u);
    Strings oids;
    for (const auto& b : reqs[0].bindings) oids.push_back(b.oid);
    EXPECT_EQ(oids, (Strings{kSyslogServer, kSyslogPort, kSyslogFacility, kSyslogSeverity, kSyslogState}));
    EXPECT_EQ(d.text("Host IP:"), "10.9.8.7");
    EXPECT_EQ(d.text("Facility:"), "local3");
    EXPECT_FALSE(d.checked("SysLogEnable"));
}

// Jumbo frames: the outcome is told after the write, and a write that went unanswered does not
// claim success: the dialog stays, reads the state again and says the change may not have been made.
// A write that was taken closes the dialog.
TEST_F(Settings, JumboFrameTellsTheOutcomeOfTheWrite) {
    struct Case {
        const char* name;
        Strings state;
        Strings simArgs;
        bool initially;
        bool tick;
        Strings messages;
        bool ended;
    };
    const Case cases[] = {
        {"enable", {}, {}, false, true, {"Enabled Jumbo Frame"}, true},
        {"disable", {kJumbo + " i 1"}, {}, true, false, {"Disabled Jumbo Frame"}, true},
        {"no answer", {}, {"--silent-after", "1"}, false, true,
         {"The Jumbo Frame setting could not be changed: the switch did not answer, so it may or may not have taken "
          "the change; the settings are read again."},
         false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_NO_FATAL_FAILURE(Start(c.state, c.simArgs));
        MutableSettings().TimeoutMs = "300";  // the unanswered write gives up sooner
        {
            CJumboFrameDlg dlg;
            DialogDriver d(env, dlg);
            ASSERT_TRUE(d.waitEnabled("&Apply"));
            EXPECT_EQ(d.checked("Enable Jumbo Frame"), c.initially);
            d.tick("Enable Jumbo Frame", c.tick);
            d.click("&Apply");
            ASSERT_TRUE(env.waitUntil([&] {
                return !dlg.writing() && (dlg.ended() || dlg.readState("jumbo") != platform::Form::ReadState::Running);
            }));
            EXPECT_EQ(d.ended(), c.ended);
            EXPECT_EQ(env.takeMessages(), c.messages);
        }
        EXPECT_EQ(sim.setBindingLists(), (std::vector<Strings>{{kJumbo + "=" + (c.tick ? "1" : "2")}}));
        // Read at open, and again after a write that was not taken.
        std::set<long> reads;
        for (const auto& r : sim.requests())
            if (r.pdu == "get") reads.insert(r.requestId);
        EXPECT_EQ(reads.size(), c.ended ? 1u : 2u);
        sim.stop();
    }
}

// Multicast filtering: the list and selector from the walk; Apply for one VLAN or for "All", the
// latter in VLAN order in one request when it fits, and one Refresh after the writes.
TEST_F(Settings, MulticastFilteringOneVlanAndAll) {
    ASSERT_NO_FATAL_FAILURE(Start({kVlanName + ".10 s \"ten\"", kVlanName + ".20 s \"cams\"", kMcastMode + ".20 i 1"}));
    CMulticastFilterDlg dlg;
    DialogDriver d(env, dlg);
    ASSERT_TRUE(d.waitEnabled("&Refresh"));
    const int list = CMulticastFilterDlg::IDC_LIST;
    EXPECT_EQ(d.rows(list), (std::vector<Strings>{{"1", "default", kForward}, {"10", "ten", kForward},
                                                   {"20", "cams", kFilter}}));
    EXPECT_EQ(d.as<platform::ComboBox>("VLAN ID").items(), (Strings{"1", "10", "20"}));
    EXPECT_EQ(d.text("VLAN ID"), "1");
    EXPECT_EQ(d.text("Multicast Filtering Mode"), kForward);

    d.choose("VLAN ID", "20");
    d.choose("Multicast Filtering Mode", kForward);
    sim.clearLog();
    d.click("&Apply");
    ASSERT_TRUE(d.waitEnabled("&Refresh"));
    EXPECT_EQ(sim.setBindingLists(), (std::vector<Strings>{{kMcastMode + ".20=0"}}));
    EXPECT_EQ(d.cell(list, 2, 2), kForward);

    d.tick("All");
    EXPECT_FALSE(d.enabled(CMulticastFilterDlg::IDC_VLAN_ID));
    d.choose("Multicast Filtering Mode", kFilter);
    sim.clearLog();
    d.click("&Apply");
    ASSERT_TRUE(d.waitEnabled("&Refresh"));
    EXPECT_EQ(sim.setBindingLists(), (std::vector<Strings>{{kMcastMode + ".1=1", kMcastMode + ".10=1", kMcastMode + ".20=1"}}));
    EXPECT_EQ(sim.countRequests("getnext", kMcastVlan), 1);  // one Refresh, started after the write
    for (int r = 0; r < 3; ++r) EXPECT_EQ(d.cell(list, r, 2), kFilter) << r;
    EXPECT_TRUE(env.takeMessages().empty());
}

// "All" on a switch holding 256 VLANs over SNMPv3 (1024-byte messages): every VLAN is written
// once, in VLAN order, in requests the switch accepts, and the list is read once at the end.
TEST_F(Settings, MulticastFilteringAllSplitsIntoMessagesThatFit) {
    Strings state;
    for (int vid = 2; vid <= 256; ++vid) state.push_back(kVlanName + "." + std::to_string(vid * 10) + " s \"v\"");
    const corvex::test::SimV3User user{"maintv3", "maintAuth1", "maintPriv1"};
    ASSERT_NO_FATAL_FAILURE(Start(state, user.args()));
    user.use();

    CMulticastFilterDlg dlg;
    DialogDriver d(env, dlg);
    const int list = CMulticastFilterDlg::IDC_LIST;
    ASSERT_TRUE(d.waitEnabled("&Refresh", std::chrono::seconds(20)));
    ASSERT_EQ(d.rowCount(list), 256);
    d.tick("All");
    d.choose("Multicast Filtering Mode", kFilter);
    sim.clearLog();
    d.click("&Apply");
    ASSERT_TRUE(d.waitEnabled("&Refresh", std::chrono::seconds(20)));

    const auto sets = sim.sets();
    EXPECT_GT(sets.size(), 1u);
    Strings written, expected;
    for (const auto& r : sets) {
        EXPECT_EQ(r.version, "3");
        EXPECT_LE(EncodedBindings(r) + kV3Envelope, 1024u) << r.bindings.size() << " bindings";
        for (const auto& b : r.bindings) written.push_back(b.oid + "=" + b.value);
    }
    expected.push_back(kMcastMode + ".1=1");
    for (int vid = 2; vid <= 256; ++vid) expected.push_back(kMcastMode + "." + std::to_string(vid * 10) + "=1");
    EXPECT_EQ(written, expected);
    // The switch took every request: the list read afterwards shows every VLAN filtering.
    ASSERT_EQ(d.rowCount(list), 256);
    for (int r = 0; r < 256; ++r) ASSERT_EQ(d.cell(list, r, 2), kFilter) << r;
    // One walk, which starts at the column itself (under SNMPv3 it reads ahead in bulk).
    EXPECT_EQ(sim.countRequests("getnext", kMcastVlan) + sim.countRequests("getbulk", kMcastVlan), 1);
    EXPECT_TRUE(env.takeMessages().empty());
}

const int kReadStatus = platform::Form::kIdReadStatus;
const char* kNotRead = "Not all settings could be read from the switch (";
const char* kPressRefresh = "). Press Refresh.";
const char* kReopen = "). Close the dialog and open it again.";

// The status line: the not-read text, with the reason in the brackets and the way out after them.
::testing::AssertionResult IsNotReadLine(const std::string& line, const std::string& end) {
    if (line.rfind(kNotRead, 0) == 0 && line.size() > end.size() &&
        line.compare(line.size() - end.size(), end.size(), end) == 0)
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "status line: \"" << line << "\"";
}

// A read the switch does not answer: the form says so, every button that would write what it
// shows stays off and nothing reaches the switch; once the switch answers, reading again (Refresh,
// or the dialog opened anew) gives the buttons back.
TEST_F(Settings, AnUnansweredReadHoldsBackEveryWriteUntilAReadSucceeds) {
    struct Case {
        const char* name;
        std::function<std::unique_ptr<platform::Form>()> make;
        std::string dropped;  // every request naming this object goes unanswered
        std::vector<int> writes;
        const char* status;  // how the line ends
        bool refresh;        // reads again in the same form; otherwise in a new one
    };
    const Case cases[] = {
        {"syslog host", [] { return std::make_unique<CSyslogHostDlg>(); }, kSyslogFacility,
         {CSyslogHostDlg::IDC_STATE_APPLY, CSyslogHostDlg::IDC_APPLY}, kPressRefresh, true},
        {"jumbo frame", [] { return std::make_unique<CJumboFrameDlg>(); }, kJumbo, {CJumboFrameDlg::IDC_APPLY},
         kReopen, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_NO_FATAL_FAILURE(Start({}, {"--drop-prefix", c.dropped}));
        MutableSettings().TimeoutMs = "200";
        auto form = c.make();
        auto d = std::make_unique<DialogDriver>(env, *form);
        ASSERT_TRUE(env.waitUntil([&] { return d->visible(kReadStatus); }));
        EXPECT_TRUE(IsNotReadLine(d->control(kReadStatus).text(), c.status));
        for (int id : c.writes) EXPECT_FALSE(d->enabled(id)) << id;
        EXPECT_TRUE(sim.sets().empty());
        EXPECT_GT(sim.requests().size(), 0u);

        ASSERT_NO_FATAL_FAILURE(Restart());
        if (c.refresh) {
            d->click("&Refresh");
        } else {
            d.reset();
            form = c.make();
            d = std::make_unique<DialogDriver>(env, *form);
        }
        ASSERT_TRUE(env.waitUntil([&] { return !d->visible(kReadStatus) && d->enabled(c.writes[0]); }));
        for (int id : c.writes) EXPECT_TRUE(d->enabled(id)) << id;
        EXPECT_EQ(d->control(kReadStatus).text(), "");
        EXPECT_TRUE(env.takeMessages().empty());
        d.reset();
        sim.stop();
    }
}

// Multicast filtering after a walk that stopped short (the switch repeats a VLAN): the list shows
// what came and says it is not all; "All" refuses, as it would leave VLANs out, and sends nothing,
// while the one VLAN chosen from the list can still be written. A complete walk lifts the refusal.
TEST_F(Settings, MulticastAllRefusesAnIncompleteVlanList) {
    const Strings state = {kVlanName + ".10 s \"ten\"", kVlanName + ".20 s \"cams\""};
    ASSERT_NO_FATAL_FAILURE(Start(state, {"--loop-at", kMcastVlan + ".10"}));
    CMulticastFilterDlg dlg;
    DialogDriver d(env, dlg);
    ASSERT_TRUE(d.waitEnabled("&Refresh"));
    const int list = CMulticastFilterDlg::IDC_LIST;
    EXPECT_EQ(d.rows(list), (std::vector<Strings>{{"1", "default", kForward}, {"10", "ten", kForward}}));
    EXPECT_TRUE(d.visible(kReadStatus));
    EXPECT_EQ(d.control(kReadStatus).text(),
              std::string(kNotRead) + "the switch's table repeats itself" + kPressRefresh);

    d.tick("All");
    d.choose("Multicast Filtering Mode", kFilter);
    sim.clearLog();
    d.click("&Apply");
    EXPECT_EQ(env.takeMessages(), Strings{"The switch did not answer while its settings were read; nothing was changed."});
    EXPECT_TRUE(sim.sets().empty());

    d.tick("All", false);
    d.choose("VLAN ID", "10");
    d.click("&Apply");
    ASSERT_TRUE(d.waitEnabled("&Refresh"));
    EXPECT_EQ(sim.setBindingLists(), (std::vector<Strings>{{kMcastMode + ".10=1"}}));
    EXPECT_TRUE(env.takeMessages().empty());

    ASSERT_NO_FATAL_FAILURE(Restart(state));
    d.click("&Refresh");
    ASSERT_TRUE(d.waitEnabled("&Refresh"));
    ASSERT_EQ(d.rowCount(list), 3);
    EXPECT_FALSE(d.visible(kReadStatus));
    d.tick("All");
    sim.clearLog();
    d.click("&Apply");
    ASSERT_TRUE(d.waitEnabled("&Refresh"));
    EXPECT_TRUE(env.takeMessages().empty());
    EXPECT_EQ(sim.setBindingLists(), (std::vector<Strings>{{kMcastMode + ".1=1", kMcastMode + ".10=1", kMcastMode + ".20=1"}}));
}

// The menu commands open their dialogs, which close with the window's close box.
TEST_F(Settings, MenuCommandsOpenTheirDialogs) {
    ASSERT_NO_FATAL_FAILURE(Start());
    app::DialogRegistry registry;
    RegisterMaintenanceDialogs(registry);
    const std::pair<int, const char*> commands[] = {
        {app::kCmdFirmware, "Firmware and Configuration Upgrade/Backup"},
        {app::kCmdSyslogHost, "Syslog Host Configuration"},
        {app::kCmdJumboFrame, "Jumbo Frame Configuration"},
        {app::kCmdMulticastFiltering, "Multicast Filtering Mode Configuration"},
    };
    for (const auto& [command, caption] : commands) {
        SCOPED_TRACE(caption);
        ASSERT_TRUE(registry.Has(command));
        auto dialog = registry.Create(command);
        ASSERT_TRUE(dialog);
        env.onChild(caption, [](DialogDriver& d) { d.closeWindow(); });
        EXPECT_EQ(dialog->RunModal(), platform::kIdCancel);
    }
    EXPECT_TRUE(sim.sets().empty());
}

}  // namespace
}  // namespace mainttest

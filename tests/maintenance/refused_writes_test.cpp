// Every write of the syslog host, jumbo frame and multicast filtering dialogs against a switch
// that refuses it: the message names what was not changed, the form reads the switch again, what
// was typed stays for another try, and the switch still holds what it held.
#include <memory>

#include "features/common/sync_request.h"
#include "features/maintenance/jumbo_frame_dlg.h"
#include "features/maintenance/multicast_filter_dlg.h"
#include "features/maintenance/syslog_host_dlg.h"
#include "maint_sim.h"
#include "support/refused_write.h"

namespace mainttest {
namespace {

using dialogtest::RefusedWriteCase;
using dialogtest::RunRefusedWriteCase;

const std::string kSyslogServer = kPriv + ".16.1.1.0", kSyslogPort = kPriv + ".16.1.2.0",
                  kSyslogSeverity = kPriv + ".16.1.4.0", kSyslogFacility = kPriv + ".16.1.5.0",
                  kSyslogState = kPriv + ".16.1.6.0";
const std::string kJumbo = kPriv + ".1.12.0";
const std::string kVlanName = kPriv + ".7.6.1.1";
const std::string kMcastMode = kPriv + ".7.8.1.2";
const char* kForward = "Forward Unregistered Groups";
const char* kFilter = "Filtering Unregistered Groups";

// What the switch holds now, read on a session of the test's own.
std::string Held(const corvex::test::SimDevice& sim, const std::string& oid) {
    CCommonSnmp session(sim.settings());
    ReplyRow row;
    const bool read = features::GetNow(session, {oid}, false, row);
    session.Close();
    return read && row.present(0) ? row.text(0) : "(not read)";
}

template <typename Dlg>
std::function<std::unique_ptr<platform::Form>()> Make() {
    return [] { return std::make_unique<Dlg>(); };
}

using Settings = MaintSimTest;

TEST_F(Settings, RefusedWritesTellWhatWasNotChanged) {
    const auto waitReads = [this](DialogDriver&, platform::Form& form) {
        return env.waitUntil([&] { return form.readsOk(); });
    };
    const std::vector<RefusedWriteCase> cases = {
        {.name = "syslog state",
         .refuse = {kSyslogState},
         .make = Make<CSyslogHostDlg>(),
         .ready = waitReads,
         .act =
             [](DialogDriver& d, DialogEnvironment&) {
                 d.tick("SysLogEnable");
                 d.click("Apply");
             },
         .message = "The syslog state could not be changed: the switch refused the value (genErr).",
         .check =
             [](DialogDriver& d, platform::Form&, corvex::test::SimDevice& sim) {
                 // Read again: the box shows remote logging off, as the switch holds it.
                 EXPECT_FALSE(d.checked("SysLogEnable"));
                 EXPECT_FALSE(d.enabled(CSyslogHostDlg::IDC_HOST_IP));
                 EXPECT_EQ(sim.setBindings(), (Strings{kSyslogState + "=1"}));
                 EXPECT_EQ(Held(sim, kSyslogState), "2");
             }},
        {.name = "syslog host settings",
         .state = {kSyslogState + " i 1"},
         .refuse = {kSyslogServer},
         .make = Make<CSyslogHostDlg>(),
         .ready = waitReads,
         .act =
             [](DialogDriver& d, DialogEnvironment&) {
                 d.type("Host IP:", "10.9.8.7");
                 d.type("UDP Port(1-65535):", "6514");
                 d.choose("Severity:", "all");
                 d.click("&Apply");
             },
         .message = "The syslog host settings could not be changed: the switch refused the value (genErr).",
         .check =
             [](DialogDriver& d, platform::Form&, corvex::test::SimDevice& sim) {
                 // The address and port typed stay; the choices show what the switch holds.
                 EXPECT_EQ(d.text("Host IP:"), "10.9.8.7");
                 EXPECT_EQ(d.text("UDP Port(1-65535):"), "6514");
                 EXPECT_EQ(d.text("Severity:"), "info");
                 EXPECT_EQ(sim.setBindings().size(), 4u);
                 EXPECT_EQ(Held(sim, kSyslogServer), "0.0.0.0");
                 EXPECT_EQ(Held(sim, kSyslogPort), "514");
                 EXPECT_EQ(Held(sim, kSyslogSeverity), "6");
             }},
        {.name = "jumbo frame",
         .refuse = {kJumbo},
         .make = Make<CJumboFrameDlg>(),
         .ready = waitReads,
         .act =
             [](DialogDriver& d, DialogEnvironment&) {
                 d.tick("Enable Jumbo Frame");
                 d.click("&Apply");
             },
         .message = "The Jumbo Frame setting could not be changed: the switch refused the value (genErr).",
         .check =
             [](DialogDriver& d, platform::Form& form, corvex::test::SimDevice& sim) {
                 // No claim of success; the dialog stays, showing the switch's state.
                 EXPECT_FALSE(form.ended());
                 EXPECT_FALSE(d.checked("Enable Jumbo Frame"));
                 EXPECT_TRUE(d.enabled("&Apply"));
                 EXPECT_EQ(sim.setBindings(), (Strings{kJumbo + "=1"}));
                 EXPECT_EQ(Held(sim, kJumbo), "2");
             }},
        {.name = "multicast filtering mode of one VLAN",
         .state = {kVlanName + ".10 s \"ten\""},
         .refuse = {kMcastMode + ".10"},
         .make = Make<CMulticastFilterDlg>(),
         .ready = [](DialogDriver& d, platform::Form&) { return d.waitEnabled("&Refresh"); },
         .act =
             [](DialogDriver& d, DialogEnvironment&) {
                 d.choose("VLAN ID", "10");
                 d.choose("Multicast Filtering Mode", kFilter);
                 d.click("&Apply");
             },
         .message = "The multicast filtering mode of VLAN 10 could not be changed: the switch refused the value "
                    "(genErr).",
         .check =
             [](DialogDriver& d, platform::Form&, corvex::test::SimDevice& sim) {
                 ASSERT_TRUE(d.waitEnabled("&Refresh"));
                 EXPECT_EQ(d.rows(CMulticastFilterDlg::IDC_LIST),
                           (std::vector<Strings>{{"1", "default", kForward}, {"10", "ten", kForward}}));
                 EXPECT_EQ(sim.setBindings(), (Strings{kMcastMode + ".10=1"}));
                 EXPECT_EQ(Held(sim, kMcastMode + ".10"), "0");
             }},
        {.name = "multicast filtering mode of every VLAN in one request",
         .state = {kVlanName + ".10 s \"ten\"", kVlanName + ".11 s \"eleven\"", kVlanName + ".20 s \"cams\""},
         .refuse = {kMcastMode + ".20"},
         .make = Make<CMulticastFilterDlg>(),
         .ready = [](DialogDriver& d, platform::Form&) { return d.waitEnabled("&Refresh"); },
         .act =
             [](DialogDriver& d, DialogEnvironment&) {
                 d.tick("All");
                 d.choose("Multicast Filtering Mode", kFilter);
                 d.click("&Apply");
             },
         .message = "The multicast filtering mode of VLANs 1, 10-11, 20 could not be changed: the switch refused "
                    "the value (genErr).",
         .check =
             [](DialogDriver& d, platform::Form&, corvex::test::SimDevice& sim) {
                 ASSERT_TRUE(d.waitEnabled("&Refresh"));
                 const auto rows = d.rows(CMulticastFilterDlg::IDC_LIST);
                 ASSERT_EQ(rows.size(), 4u);
                 for (const auto& row : rows) EXPECT_EQ(row[2], kForward) << row[0];
                 EXPECT_EQ(Held(sim, kMcastMode + ".1"), "0");
             }},
    };
    for (const RefusedWriteCase& c : cases) RunRefusedWriteCase(sim, env, c);
}

// "All" over more VLANs than one request holds: the requests before the refused one were taken,
// the message names the VLANs that kept their mode (the refused request's and any after it), and
// the list read afterwards shows both.
TEST_F(Settings, MulticastAllStoppedPartWaySaysWhichVlansKeptTheirMode) {
    Strings state;
    for (int vid = 2; vid <= 80; ++vid) state.push_back(kVlanName + "." + std::to_string(vid) + " s \"v\"");
    ASSERT_NO_FATAL_FAILURE(Start(state, {"--set-error", kMcastMode + ".80:genErr"}));
    CMulticastFilterDlg dlg;
    DialogDriver d(env, dlg);
    ASSERT_TRUE(d.waitEnabled("&Refresh"));
    d.tick("All");
    d.choose("Multicast Filtering Mode", kFilter);
    sim.clearLog();
    d.click("&Apply");
    ASSERT_TRUE(d.waitEnabled("&Refresh"));

    const auto sets = sim.sets();
    ASSERT_GE(sets.size(), 2u);
    // The refused request is the last one sent; its first VLAN is where the switch stopped.
    const std::string& first = sets.back().bindings.front().oid;
    const int stopped = std::stoi(first.substr(first.rfind('.') + 1));
    ASSERT_GT(stopped, 1);
    EXPECT_EQ(env.takeMessages(), Strings{"The multicast filtering mode of VLANs " + std::to_string(stopped) +
                                          "-80 could not be changed: the switch refused the value (genErr)."});
    const auto rows = d.rows(CMulticastFilterDlg::IDC_LIST);
    ASSERT_EQ(rows.size(), 80u);
    for (const auto& row : rows) EXPECT_EQ(row[2], std::stoi(row[0]) < stopped ? kFilter : kForward) << row[0];
    EXPECT_EQ(Held(sim, kMcastMode + "." + std::to_string(stopped - 1)), "1");
    EXPECT_EQ(Held(sim, kMcastMode + "." + std::to_string(stopped)), "0");
}

// The syslog server address: every field counts. A blank field or an address no syslog server can
// have is refused before anything is sent (the focus goes back to a blank field); 0.0.0.0 clears
// the server and says so once the switch took it; a unicast host goes out as typed.
TEST_F(Settings, SyslogAddressChecksEveryField) {
    ASSERT_NO_FATAL_FAILURE(Start({kSyslogServer + " a 10.1.2.3", kSyslogState + " i 1"}));
    CSyslogHostDlg dlg;
    DialogDriver d(env, dlg);
    ASSERT_TRUE(env.waitUntil([&] { return dlg.readsOk(); }));
    struct Case {
        const char* typed;
        Strings messages;
        std::string sent;  // the address written, "" for nothing sent
        bool focusBack;
    };
    const Case cases[] = {
        {"10..0.5", {"Syslog Server IP Error."}, "", true},
        {"10.1.2.", {"Syslog Server IP Error."}, "", true},
        {"...", {"Syslog Server IP Error."}, "", true},
        {"127.0.0.1", {"Syslog Server IP Error."}, "", false},
        {"224.1.1.1", {"Syslog Server IP Error."}, "", false},
        {"240.0.0.9", {"Syslog Server IP Error."}, "", false},
        {"0.0.0.7", {"Syslog Server IP Error."}, "", false},
        {"10.0.0.255", {"Syslog Server IP Error."}, "", false},
        {"0.0.0.0", {"The syslog host was cleared."}, "0.0.0.0", false},
        {"223.0.255.1", {}, "223.0.255.1", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.typed);
        sim.clearLog();
        d.type("Host IP:", c.typed);
        d.click("&Apply");
        ASSERT_TRUE(env.waitUntil([&] { return !dlg.writing(); }));
        EXPECT_EQ(env.takeMessages(), c.messages);
        if (c.sent.empty()) {
            EXPECT_TRUE(sim.sets().empty());
        } else {
            ASSERT_EQ(sim.setBindingLists().size(), 1u);
            EXPECT_EQ(sim.setBindingLists()[0].front(), kSyslogServer + "=" + c.sent);
            EXPECT_EQ(Held(sim, kSyslogServer), c.sent);
        }
        EXPECT_EQ(d.hasFocus("Host IP:"), c.focusBack);
    }
}

}  // namespace
}  // namespace mainttest

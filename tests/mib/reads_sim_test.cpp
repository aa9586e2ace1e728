// What the public MIB forms do when a read does not come back whole: the status line says so,
// the buttons that would write (or open an editor on) what was read stay off, nothing reaches the
// switch, and a read that succeeds gives everything back.
#include <gtest/gtest.h>

#include <functional>
#include <memory>

#include "app/session_settings.h"
#include "features/mib/stp_dlgs.h"
#include "mib/stp_table_of.h"
#include "features/mib/sys_info_dlg.h"
#include "features/mib/table_dlgs.h"
#include "support/dialog_driver.h"
#include "support/sim_fixture.h"

using corvex::test::SimDevice;
using dialogtest::DialogDriver;
using dialogtest::DialogEnvironment;
using Strings = std::vector<std::string>;

namespace {

const std::string kStpState = "1.3.6.1.4.1.171.10.76.12.6.1.1.0";
const std::string kStpPort = "1.3.6.1.2.1.17.2.15.1.";
const std::string kTrunkMembers = "1.3.6.1.4.1.171.10.76.12.8.1.3.1.2";
const int kReadStatus = platform::Form::kIdReadStatus;
const char* kNotRead = "Not all settings could be read from the switch (";
const char* kPressRefresh = "). Press Refresh.";

::testing::AssertionResult IsNotReadLine(const std::string& line) {
    const std::string end = kPressRefresh;
    if (line.rfind(kNotRead, 0) == 0 && line.size() > end.size() &&
        line.compare(line.size() - end.size(), end.size(), end) == 0)
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "status line: \"" << line << "\"";
}

class MibReads : public ::testing::Test {
protected:
    void start(const Strings& state, Strings args) {
        if (!state.empty()) {
            args.push_back("--state");
            args.push_back(sim.writeStateFile(state));
        }
        std::string error;
        ASSERT_TRUE(sim.start("10p", args, &error)) << error;
        sim.installAsDevice();
        MutableSettings().TimeoutMs = "200";  // an unanswered read gives up sooner
    }
    // The switch again on the same address (the open forms keep their sessions), answering all.
    void restart(const Strings& state) {
        const int port = sim.port();
        Strings args;
        if (!state.empty()) args = {"--state", sim.writeStateFile(state)};
        // The last --listen is the one the switch takes.
        args.push_back("--listen");
        args.push_back("udp:127.0.0.1:" + std::to_string(port));
        std::string error;
        ASSERT_TRUE(sim.start("10p", args, &error)) << error;
    }
    SimDevice sim;
    DialogEnvironment env;
};


}  // namespace

// Each form with writes, its read failing in one way: the line, the held buttons, no set; then the
// switch answers and "&Refresh" gives the buttons back.
TEST_F(MibReads, AFailedReadHoldsBackTheWritesUntilRefreshReadsItAll) {
    StpTableOf ports({"3", "5"});
    ports.build();
    struct Case {
        const char* name;
        std::function<std::unique_ptr<platform::Form>()> make;
        Strings simArgs;  // how the read fails
        Strings state;    // what the switch holds
        std::vector<int> writes;
    };
    const Case cases[] = {
        {"system information: sysName unanswered", [] { return std::make_unique<CSysInfoDlg>(); },
         {"--drop-prefix", "1.3.6.1.2.1.1.5.0"}, {}, {CSysInfoDlg::kIdApply}},
        {"bridge: spanning tree state unanswered", [] { return std::make_unique<CStpBridgeDlg>(); },
         {"--drop-prefix", kStpState}, {kStpState + " i 1"}, {platform::kIdOk}},
        {"spanning tree table: the walk repeats port 5", [] { return std::make_unique<CStpTableDlg>(); },
         {"--loop-at", kStpPort + "1.5"}, {}, {CStpTableDlg::kIdPortConfig}},
        {"port form: link membership unanswered",
         [&ports] { return std::make_unique<CStpPortDlg>(ports.list(), 1); }, {"--drop-prefix", kTrunkMembers}, {},
         {CStpPortDlg::kIdApply, platform::kIdOk}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_NO_FATAL_FAILURE(start(c.state, c.simArgs));
        auto form = c.make();
        DialogDriver d(env, *form);
        ASSERT_TRUE(env.waitUntil([&] { return d.visible(kReadStatus); }));
        EXPECT_TRUE(IsNotReadLine(d.control(kReadStatus).text()));
        for (int id : c.writes) EXPECT_FALSE(d.enabled(id)) << id;
        ASSERT_TRUE(d.waitEnabled("&Refresh"));
        for (int id : c.writes) EXPECT_FALSE(d.enabled(id)) << id;
        EXPECT_TRUE(sim.sets().empty());

        ASSERT_NO_FATAL_FAILURE(restart(c.state));
        d.click("&Refresh");
        ASSERT_TRUE(env.waitUntil([&] { return !d.visible(kReadStatus) && d.enabled(c.writes[0]); }));
        for (int id : c.writes) EXPECT_TRUE(d.enabled(id)) << id;
        EXPECT_TRUE(env.takeMessages().empty());
        EXPECT_TRUE(sim.sets().empty());
    }
}

// The link membership must be read whole before the port form decides anything: port 3 of an
// aggregated link (ports 3 and 4), its membership walk unanswered, cannot be written; read again,
// it is refused a change as a member.
TEST_F(MibReads, PortFormDecidesOnTheLinkOnlyAfterReadingTheMembership) {
    const Strings state = {kTrunkMembers + ".1 x 30000000"};
    ASSERT_NO_FATAL_FAILURE(start(state, {"--drop-prefix", kTrunkMembers}));
    StpTableOf ports({"3"});
    ports.build();
    CStpPortDlg form(ports.list(), 0);
    DialogDriver p(env, form);
    ASSERT_TRUE(env.waitUntil([&] { return p.visible(kReadStatus); }));
    EXPECT_EQ(p.text("Priority:"), "128");  // the port itself was read
    EXPECT_FALSE(p.enabled("&Apply"));
    EXPECT_FALSE(p.enabled("&OK"));
    EXPECT_TRUE(p.enabled("&Cancel"));

    ASSERT_NO_FATAL_FAILURE(restart(state));
    p.click("&Refresh");
    ASSERT_TRUE(p.waitEnabled("&Apply"));
    EXPECT_FALSE(p.visible(kReadStatus));
    p.type("Cost:(1-200000000,\n0=auto)", "5000");
    p.click("&Apply");
    EXPECT_EQ(env.takeMessages(), Strings{"Cannot add ports with different STP configurations to an aggregated link."});
    EXPECT_TRUE(sim.sets().empty());
}

// The read-only lists: a walk that does not reach the table's end shows the rows so far and the
// status line, with "&Refresh" usable; a walk read to its end clears the line.
TEST_F(MibReads, AListThatStoppedShortSaysSoAndRefreshReadsItAgain) {
    struct Case {
        const char* name;
        std::function<std::unique_ptr<CMibListDlg>()> make;
        Strings simArgs;
        int rowsSoFar;
        const char* reason;  // "" when the test does not pin it
    };
    const Case cases[] = {
        {"interfaces: ifIndex 3 repeats", [] { return std::make_unique<CIfTableDlg>(); },
         {"--loop-at", "1.3.6.1.2.1.2.2.1.1.3"}, 3, "the switch's table repeats itself"},
        {"IP addresses: unanswered", [] { return std::make_unique<CIpTableDlg>(); },
         {"--drop-prefix", "1.3.6.1.2.1.4.20.1.1"}, 0, ""},
        {"forwarding table: unanswered", [] { return std::make_unique<CFdbTableDlg>(); },
         {"--fdb", "20", "--drop-prefix", "1.3.6.1.2.1.17.7.1.2.2.1.3"}, 0, ""},
        {"TCP: the first connection repeats", [] { return std::make_unique<CTcpTableDlg>(); },
         {"--loop-at", "1.3.6.1.2.1.6.13.1.3.0.0.0.0.23.0.0.0.0.0"}, 1, "the switch's table repeats itself"},
        {"UDP: unanswered", [] { return std::make_unique<CUdpTableDlg>(); }, {"--drop-prefix", "1.3.6.1.2.1.7.5.1.2"}, 0,
         ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_NO_FATAL_FAILURE(start({}, c.simArgs));
        auto dlg = c.make();
        DialogDriver d(env, *dlg);
        env.runFor(std::chrono::milliseconds(20));  // the interface and IP forms start by posting
        ASSERT_TRUE(env.waitUntil([&] { return d.visible(kReadStatus) && !dlg->Walking(); }));
        EXPECT_TRUE(IsNotReadLine(d.control(kReadStatus).text()));
        if (*c.reason) {
            EXPECT_EQ(d.control(kReadStatus).text(), std::string(kNotRead) + c.reason + kPressRefresh);
        }
        EXPECT_EQ(d.rowCount(CMibListDlg::kIdList), c.rowsSoFar);
        EXPECT_TRUE(d.enabled("&Refresh"));

        ASSERT_NO_FATAL_FAILURE(restart({}));
        d.click("&Refresh");
        ASSERT_TRUE(env.waitUntil([&] { return !dlg->Walking() && d.rowCount(CMibListDlg::kIdList) > c.rowsSoFar; }));
        EXPECT_FALSE(d.visible(kReadStatus));
        EXPECT_EQ(d.control(kReadStatus).text(), "");
        EXPECT_TRUE(env.takeMessages().empty());
    }
}


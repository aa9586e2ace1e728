// The interface, IP, forwarding, TCP and UDP lists against the virtual switch, and the menu
// commands that open the public MIB viewers.
#include <gtest/gtest.h>

#include <map>

#include "app/main_window.h"
#include "app/session_settings.h"
#include "features/mib/mib_format.h"
#include "features/mib/register.h"
#include "features/mib/table_dlgs.h"
#include "mib_test_util.h"
#include "support/dialog_driver.h"
#include "support/sim_fixture.h"

using corvex::test::SimDevice;
using dialogtest::DialogDriver;
using dialogtest::DialogEnvironment;
using Rows = std::vector<std::vector<std::string>>;

namespace {

class MibTables : public ::testing::Test {
protected:
    void start(std::vector<std::string> args = {}) {
        std::string error;
        ASSERT_TRUE(sim.start("10p", args, &error)) << error;
        sim.installAsDevice();
    }
    std::string address() const { return "127.0.0.1:" + std::to_string(sim.port()); }
    template <class Dlg>
    Rows listed(Dlg& dlg, DialogDriver&) {
        env.runFor(std::chrono::milliseconds(20));
        EXPECT_TRUE(env.waitUntil([&] { return !dlg.Walking(); }, std::chrono::milliseconds(20000)));
        return dlg.List().rowCount() ? DialogDriverRows(dlg) : Rows{};
    }
    static Rows DialogDriverRows(CMibListDlg& dlg) {
        Rows rows;
        for (int r = 0; r < dlg.List().rowCount(); ++r) rows.push_back(dlg.List().row(r));
        return rows;
    }
    SimDevice sim;
    DialogEnvironment env;
};

}  // namespace

TEST_F(MibTables, InterfaceTableShowsLinkStateAndSpeedInMegabits) {
    start();
    CIfTableDlg dlg;
    DialogDriver d(env, dlg);
    EXPECT_EQ(dlg.caption(), "Interface Table");
    const Rows rows = listed(dlg, d);
    ASSERT_EQ(rows.size(), 11u);  // ten ports and the CPU interface
    EXPECT_EQ(d.control(CIfTableDlg::kIdEntries).text(), "11");
    EXPECT_TRUE(d.enabled("&Refresh"));
    std::map<std::string, int> seen;
    for (const auto& r : rows) {
        ASSERT_EQ(r.size(), 3u);
        seen[r[1] + " " + r[2]]++;
        // A port without link runs at 0, a linked one at its speed.
        if (r[1] == "UnConnected") {
            EXPECT_EQ(r[2], "0M") << r[0];
        }
        if (r[1] == "Connected" && r[0] != rows.back()[0]) {
            EXPECT_TRUE(r[2] == "1000M" || r[2] == "100M" || r[2] == "10M") << r[2];
        }
    }
    EXPECT_GT(seen["UnConnected 0M"], 0);
    EXPECT_GT(seen["Connected 1000M"] + seen["Connected 100M"], 0);
    // The CPU interface: up, speed 0.
    EXPECT_EQ(rows.back()[1], "Connected");
    EXPECT_EQ(rows.back()[2], "0M");

    // Refresh lists the same again, counting up from 0.
    d.click("&Refresh");
    EXPECT_FALSE(d.enabled("&Refresh"));
    EXPECT_EQ(listed(dlg, d), rows);
}

TEST_F(MibTables, IpTcpAndUdpTables) {
    start();
    {
        CIpTableDlg dlg;
        DialogDriver d(env, dlg);
        EXPECT_EQ(listed(dlg, d), (Rows{{"10.90.90.90", "255.0.0.0"}}));
    }
    {
        CTcpTableDlg dlg;
        DialogDriver d(env, dlg);
        EXPECT_EQ(dlg.caption(), "TCP Service");
        EXPECT_EQ(listed(dlg, d), (Rows{{"23", "0.0.0.0", "0.0.0.0", "0", "listen"},
                                        {"80", "0.0.0.0", "0.0.0.0", "0", "listen"},
                                        {"80", "10.90.90.90", "10.90.90.12", "51724", "established"},
                                        {"80", "10.90.90.90", "10.90.90.12", "51730", "timeWait"}}));
    }
    {
        CUdpTableDlg dlg;
        DialogDriver d(env, dlg);
        EXPECT_EQ(dlg.caption(), "UDP Service");
        EXPECT_EQ(listed(dlg, d),
                  (Rows{{"68", "0.0.0.0"}, {"69", "0.0.0.0"}, {"161", "0.0.0.0"}, {"162", "0.0.0.0"}}));
    }
}

TEST_F(MibTables, ForwardingTableShowsMacStatusAndPortAndFiltersByPort) {
    start({"--fdb", "300"});
    // What the switch holds, straight from snmpwalk: index suffix and port of every entry.
    const std::string portColumn = "1.3.6.1.2.1.17.7.1.2.2.1.2";
    const auto ports = mibtest::Walk(address(), "qorvin", portColumn);
    const auto status = mibtest::WalkValues(address(), "qorvin", "1.3.6.1.2.1.17.7.1.2.2.1.3");
    ASSERT_EQ(ports.size(), 301u);
    ASSERT_EQ(status.size(), ports.size());
    Rows expected;
    std::map<std::string, Rows> byPort;
    bool sawVlan20 = false;
    for (std::size_t i = 0; i < ports.size(); ++i) {
        const std::string suffix = ports[i].oid.substr(portColumn.size());
        sawVlan20 = sawVlan20 || suffix.rfind(".20.", 0) == 0;
        // Written out independently of the form's code: ".vlan.a.b.c.d.e.f" to "AA-BB-...".
        std::vector<std::string> parts;
        std::size_t pos = 1;
        while (pos <= suffix.size()) {
            auto dot = suffix.find('.', pos);
            if (dot == std::string::npos) dot = suffix.size();
            parts.push_back(suffix.substr(pos, dot - pos));
            pos = dot + 1;
        }
        ASSERT_EQ(parts.size(), 7u);
        char mac[18];
        std::snprintf(mac, sizeof mac, "%02X-%02X-%02X-%02X-%02X-%02X", std::stoi(parts[1]), std::stoi(parts[2]),
                      std::stoi(parts[3]), std::stoi(parts[4]), std::stoi(parts[5]), std::stoi(parts[6]));
        const char* names[] = {"Other", "Invalid", "Learn", "Own", "Static"};
        std::vector<std::string> row = {mac, names[std::stoi(status[i]) - 1], ports[i].value};
        expected.push_back(row);
        byPort[ports[i].value].push_back(row);
    }
    ASSERT_TRUE(sawVlan20);

    CFdbTableDlg dlg;
    DialogDriver d(env, dlg);
    EXPECT_EQ(dlg.caption(), "Forwarding Table");
    EXPECT_TRUE(env.waitUntil([&] { return d.control(CFdbTableDlg::kIdAgeTime).text() == "300"; }));  // beside the walk
    EXPECT_EQ(listed(dlg, d), expected);
    EXPECT_EQ(d.control(CFdbTableDlg::kIdEntries).text(), "301");
    EXPECT_EQ(byPort["0"], (Rows{{"02-C0-4E-3A-10-00", "Own", "0"}}));  // the switch's own address
    // Two ports that carry hosts, for the filter.
    std::vector<std::string> hostPorts;
    for (const auto& [port, entries] : byPort)
        if (port != "0" && !entries.empty()) hostPorts.push_back(port);
    ASSERT_GE(hostPorts.size(), 2u);

    // The filter applies from the next refresh on, to the port text exactly.
    d.type(CFdbTableDlg::kIdFilter, hostPorts[0]);
    EXPECT_EQ(dlg.List().rowCount(), 301);
    d.click("&Refresh");
    EXPECT_EQ(d.control(CFdbTableDlg::kIdEntries).text(), " 0");
    EXPECT_EQ(listed(dlg, d), byPort[hostPorts[0]]);
    EXPECT_EQ(d.control(CFdbTableDlg::kIdEntries).text(), std::to_string(byPort[hostPorts[0]].size()));
    d.type(CFdbTableDlg::kIdFilter, hostPorts[1]);
    d.click("&Refresh");
    EXPECT_EQ(listed(dlg, d), byPort[hostPorts[1]]);
    d.type(CFdbTableDlg::kIdFilter, "77");
    d.click("&Refresh");
    EXPECT_TRUE(listed(dlg, d).empty());
    EXPECT_EQ(d.control(CFdbTableDlg::kIdEntries).text(), " 0");
}

TEST_F(MibTables, ClosingDuringAWalkDropsTheLateReplies) {
    start({"--fdb", "20000"});
    auto dlg = std::make_unique<CFdbTableDlg>();
    {
        DialogDriver d(env, *dlg);
        ASSERT_TRUE(env.waitUntil([&] { return dlg->List().rowCount() > 50; }));
        EXPECT_TRUE(dlg->Walking());
    }  // the window is destroyed mid-walk
    const int rows = dlg->List().rowCount();
    const auto logged = sim.requests().size();
    env.runFor(std::chrono::milliseconds(300));
    EXPECT_EQ(dlg->List().rowCount(), rows);
    EXPECT_LE(sim.requests().size(), logged + 1);  // at most the step that was in flight
}

// A long walk shows the first row's count at once and the final count at its end, but does
// not change the counter's text once per row (each change costs the window a text layout).
TEST_F(MibTables, TheCounterFollowsALongWalkWithoutChangingPerRow) {
    start({"--fdb", "20000"});
    struct CounterWatch : platform::FormObserver {
        std::vector<std::string> texts;
        void controlChanged(platform::Control& c, platform::Change what) override {
            if (c.id() == CFdbTableDlg::kIdEntries && what == platform::Change::Text) texts.push_back(c.text());
        }
        void formChanged(platform::Form&) override {}
        void formEnded(platform::Form&, int) override {}
    } watch;
    CFdbTableDlg dlg;
    dlg.addObserver(&watch);
    DialogDriver d(env, dlg);
    const Rows rows = listed(dlg, d);
    dlg.removeObserver(&watch);
    ASSERT_EQ(rows.size(), 20001u);
    EXPECT_EQ(d.control(CFdbTableDlg::kIdEntries).text(), "20001");
    std::erase(watch.texts, " 0");  // the reset at the start of the walk
    ASSERT_GE(watch.texts.size(), 2u);
    EXPECT_EQ(watch.texts.front(), "1");
    EXPECT_EQ(watch.texts.back(), "20001");
    EXPECT_LT(watch.texts.size(), 2000u);
}

TEST_F(MibTables, AWalkThatFailsEndsWithTheRowsSoFar) {
    // The switch never answers the step that would return the second connection.
    start({"--drop-prefix", "1.3.6.1.2.1.6.13.1.3.0.0.0.0.80.0.0.0.0.0"});
    CTcpTableDlg dlg;
    DialogDriver d(env, dlg);
    ASSERT_TRUE(env.waitUntil([&] { return !dlg.Walking(); }, std::chrono::milliseconds(10000)));
    EXPECT_EQ(d.rows(CMibListDlg::kIdList), (Rows{{"23", "0.0.0.0", "0.0.0.0", "0", "listen"}}));
    EXPECT_TRUE(d.enabled("&Refresh"));
    EXPECT_TRUE(env.takeMessages().empty());
}

TEST(MibMenu, EveryPublicMibCommandOpensItsForm) {
    app::DialogRegistry registry;
    RegisterMibDialogs(registry);
    for (int command : {32805, 32809, 32808, 32810, 32811, 32812, 32813}) {
        EXPECT_TRUE(registry.Has(command)) << command;
        EXPECT_NE(registry.Create(command), nullptr) << command;
    }
    EXPECT_FALSE(registry.Has(32806));
}

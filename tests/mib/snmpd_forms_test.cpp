// The system information, interface, IP, TCP and UDP forms against Debian's real snmpd, checked
// with Net-SNMP's command-line tools.
#include <gtest/gtest.h>

#include "app/session_settings.h"
#include "features/mib/mib_format.h"
#include "features/mib/sys_info_dlg.h"
#include "features/mib/table_dlgs.h"
#include "mib_test_util.h"
#include "support/dialog_driver.h"
#include "support/snmpd_fixture.h"

using corvex::test::SnmpdAccounts;
using dialogtest::DialogDriver;
using dialogtest::DialogEnvironment;
using Rows = std::vector<std::vector<std::string>>;

namespace {

class MibSnmpd : public corvex::test::SnmpdTest {
protected:
    void SetUp() override {
        SnmpdTest::SetUp();
        SessionSettings s;
        s.DeviceAddress = "127.0.0.1";
        s.AgentPort = std::to_string(agent().port());
        s.ReadCommunity = SnmpdAccounts::kReadCommunity;
        s.WriteCommunity = SnmpdAccounts::kWriteCommunity;
        s.SnmpVersion = "1";
        MutableSettings() = s;
    }
    static std::string get(const std::string& oid) { return mibtest::Get(address(), SnmpdAccounts::kReadCommunity, oid); }
    static std::vector<std::string> column(const std::string& oid) {
        return mibtest::WalkValues(address(), SnmpdAccounts::kReadCommunity, oid);
    }

    // Opens the form, waits for its walk to end and returns its rows.
    template <class Dlg>
    static Rows listed(DialogEnvironment& env) {
        Dlg dlg;
        DialogDriver d(env, dlg);
        env.runFor(std::chrono::milliseconds(20));  // the interface and IP forms start by posting
        EXPECT_TRUE(env.waitUntil([&] { return !dlg.Walking(); }, std::chrono::milliseconds(10000)));
        // Read to the table's end, whatever columns the host leaves out: no not-read line.
        EXPECT_EQ(d.control(platform::Form::kIdReadStatus).text(), "");
        return d.rows(CMibListDlg::kIdList);
    }

    // Tables whose rows the host changes all the time (sockets): the form must show what
    // snmpwalk shows right before and right after it, whenever those two agree.
    template <class Dlg>
    static void expectSameAsWalk(const std::function<Rows()>& walk) {
        DialogEnvironment env;
        Rows before, ours, after;
        for (int attempt = 0; attempt < 6; ++attempt) {
            before = walk();
            ours = listed<Dlg>(env);
            after = walk();
            if (before == after) break;
        }
        ASSERT_EQ(before, after) << "the host's table kept changing";
        EXPECT_EQ(ours, before);
        // The agent's own UDP socket and the host's listeners at least.
        EXPECT_FALSE(before.empty());
    }
};

Rows Zip(const std::vector<std::vector<std::string>>& columns) {
    Rows rows;
    if (columns.empty()) return rows;
    for (std::size_t r = 0; r < columns[0].size(); ++r) {
        std::vector<std::string> row;
        for (const auto& c : columns) row.push_back(r < c.size() ? c[r] : "<missing>");
        rows.push_back(std::move(row));
    }
    return rows;
}

}  // namespace

TEST_F(MibSnmpd, SystemInformationShowsTheHostsSystemGroup) {
    DialogEnvironment env;
    CSysInfoDlg dlg;
    DialogDriver d(env, dlg);
    const std::string descr = get("1.3.6.1.2.1.1.1.0");
    ASSERT_FALSE(descr.empty());
    ASSERT_TRUE(env.waitUntil([&] { return d.control(CSysInfoDlg::kIdDescription).text() == descr; }))
        << "shown: " << d.control(CSysInfoDlg::kIdDescription).text();
    // snmpget writes OIDs with a leading dot.
    EXPECT_EQ("." + d.control(CSysInfoDlg::kIdObjectId).text(), get("1.3.6.1.2.1.1.2.0"));
    EXPECT_EQ(d.text(CSysInfoDlg::kIdContact), "corvex-test");
    EXPECT_FALSE(d.visible(CSysInfoDlg::kIdContact));
    EXPECT_EQ(d.text("Name:"), get("1.3.6.1.2.1.1.5.0"));
    EXPECT_EQ(d.text("Location:"), get("1.3.6.1.2.1.1.6.0"));
    // The agent started moments ago: well under an hour.
    EXPECT_EQ(d.control(CSysInfoDlg::kIdRuntime).text().rfind("0 Hour ", 0), 0u) << d.control(CSysInfoDlg::kIdRuntime).text();
    // Everything was read: "&Apply" may write, and no not-read line shows.
    EXPECT_TRUE(d.waitEnabled("&Apply"));
    EXPECT_FALSE(d.visible(platform::Form::kIdReadStatus));
}

TEST_F(MibSnmpd, SystemInformationWritesNameAndLocation) {
    DialogEnvironment env;
    {
        CSysInfoDlg dlg;
        DialogDriver d(env, dlg);
        ASSERT_TRUE(env.waitUntil([&] { return !d.control(CSysInfoDlg::kIdDescription).text().empty(); }));
        d.type("Name:", "corvex-lab_2");
        d.type("Location:", "Rack 7 (row B) + spare");
        d.click("&Apply");
        ASSERT_TRUE(d.waitEnabled("&Apply"));  // held until the write has ended
        EXPECT_TRUE(env.takeMessages().empty());
        EXPECT_EQ(get("1.3.6.1.2.1.1.5.0"), "corvex-lab_2");
        EXPECT_EQ(get("1.3.6.1.2.1.1.6.0"), "Rack 7 (row B) + spare");

        // A forbidden character stops the write, the name checked before the location.
        d.type("Name:", "core.1");
        d.type("Location:", "a/b");
        d.click("&Apply");
        d.type("Name:", "core-1");
        d.click("&Apply");
        EXPECT_EQ(env.takeMessages(), (std::vector<std::string>{"Invalid System Name.", "Invalid System Location."}));
        EXPECT_EQ(get("1.3.6.1.2.1.1.5.0"), "corvex-lab_2");

        // Non-ASCII names travel as UTF-8, and an empty location is accepted.
        d.type("Name:", "Geb\xC3\xA4ude-3");
        d.type("Location:", "");
        d.click("&Apply");
        ASSERT_TRUE(d.waitEnabled("&Close"));
        EXPECT_TRUE(env.takeMessages().empty());
        d.click("&Close");
        EXPECT_TRUE(d.ended());
    }
    EXPECT_EQ(mibtest::RunLines("snmpget -v1 -c public -m '' -On -Ox 127.0.0.1:" + std::to_string(agent().port()) +
                                " 1.3.6.1.2.1.1.5.0 | sed 's/.*: //'"),
              (std::vector<std::string>{"47 65 62 C3 A4 75 64 65 2D 33 "}));
    EXPECT_EQ(get("1.3.6.1.2.1.1.6.0"), "");
    // A fresh form reads the new values back.
    CSysInfoDlg again;
    DialogDriver d2(env, again);
    EXPECT_TRUE(env.waitUntil([&] { return d2.text("Name:") == "Geb\xC3\xA4ude-3"; }));
}

TEST_F(MibSnmpd, InterfaceAndIpFormsListWhatSnmpwalkLists) {
    DialogEnvironment env;
    std::vector<std::string> status;
    for (auto& s : column("1.3.6.1.2.1.2.2.1.8")) status.push_back(mib::IfStatusText(s));
    std::vector<std::string> speed;
    for (auto& s : column("1.3.6.1.2.1.2.2.1.5")) speed.push_back(mib::IfSpeedText(s));
    const Rows interfaces = Zip({column("1.3.6.1.2.1.2.2.1.1"), status, speed});
    ASSERT_FALSE(interfaces.empty());  // at least the loopback
    EXPECT_EQ(listed<CIfTableDlg>(env), interfaces);

    const Rows ips = Zip({column("1.3.6.1.2.1.4.20.1.1"), column("1.3.6.1.2.1.4.20.1.3")});
    ASSERT_FALSE(ips.empty());
    CIpTableDlg ip;
    DialogDriver d(env, ip);
    EXPECT_EQ(ip.caption(), "IP Table : 127.0.0.1");
    EXPECT_EQ(d.control(CIpTableDlg::kIdEntries).text(), "0");
    env.runFor(std::chrono::milliseconds(20));
    ASSERT_TRUE(env.waitUntil([&] { return !ip.Walking(); }));
    EXPECT_EQ(d.control(platform::Form::kIdReadStatus).text(), "");
    EXPECT_EQ(d.rows(CMibListDlg::kIdList), ips);
    EXPECT_EQ(d.control(CIpTableDlg::kIdEntries).text(), std::to_string(ips.size()));
}

TEST_F(MibSnmpd, TcpAndUdpFormsListWhatSnmpwalkLists) {
    expectSameAsWalk<CTcpTableDlg>([] {
        std::vector<std::string> state;
        for (auto& s : column("1.3.6.1.2.1.6.13.1.1")) state.push_back(mib::TcpStateText(s));
        return Zip({column("1.3.6.1.2.1.6.13.1.3"), column("1.3.6.1.2.1.6.13.1.2"), column("1.3.6.1.2.1.6.13.1.4"),
                    column("1.3.6.1.2.1.6.13.1.5"), state});
    });
    expectSameAsWalk<CUdpTableDlg>([] {
        return Zip({column("1.3.6.1.2.1.7.5.1.2"), column("1.3.6.1.2.1.7.5.1.1")});
    });
}

// A switch that answers with nonsense: values of the wrong type, empty and oversized strings,
// PortLists of odd lengths, huge and negative numbers, instances outside the port and VLAN
// ranges. The status poller and every form that reads a table must finish their walks, give
// the user the buttons back, show the rows that make sense and ignore the rest.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <string>
#include <vector>

#include "app/main_window.h"
#include "app/session_settings.h"
#include "features/mib/table_dlgs.h"
#include "features/ports/port_set_info.h"
#include "features/vlan/pvid_dlg.h"
#include "features/vlan/vlan_config_dlg.h"
#include "features/vlan/vlan_entry_dlg.h"
#include "panel/panel_fakes.h"
#include "panel/status_rules.h"
#include "platform/headless_ui.h"
#include "support/dialog_driver.h"
#include "support/sim_fixture.h"

namespace {

using namespace std::chrono_literals;
using dialogtest::DialogDriver;
using dialogtest::DialogEnvironment;
using Strings = std::vector<std::string>;

const std::string kPriv = "1.3.6.1.4.1.171.10.76.12";
// VLAN table and PVIDs.
const std::string kVlanName = kPriv + ".7.6.1.1";
const std::string kVlanEgress = kPriv + ".7.6.1.2";
const std::string kVlanForbidden = kPriv + ".7.6.1.3";
const std::string kVlanUntagged = kPriv + ".7.6.1.4";
const std::string kVlanRowState = kPriv + ".7.6.1.5";
const std::string kPvid = kPriv + ".7.7.1.1";
const std::string kAsymmetric = kPriv + ".7.5.0";
const std::string kTrunkMembers = kPriv + ".8.1.3.1.2";
// Port table.
const std::string kPortSpeed = kPriv + ".1.13.1.2";
const std::string kPortOperMode = kPriv + ".1.13.1.3";
const std::string kPortFlow = kPriv + ".1.13.1.5";
const std::string kPortPriority = kPriv + ".12.3.1.1.2";
const std::string kPortOperFlow = kPriv + ".1.13.1.6";
const std::string kPortMedium = kPriv + ".1.13.1.7";
// Interface table and PoE.
const std::string kIfIndex = "1.3.6.1.2.1.2.2.1.1";
const std::string kIfType = "1.3.6.1.2.1.2.2.1.3";
const std::string kIfSpeed = "1.3.6.1.2.1.2.2.1.5";
const std::string kIfAdmin = "1.3.6.1.2.1.2.2.1.7";
const std::string kIfOper = "1.3.6.1.2.1.2.2.1.8";
const std::string kPoeState = kPriv + ".22.1.1.13";
const std::string kLedMode = kPriv + ".22.8.0";
const std::string kPoePower = kPriv + ".22.6.0";

// `count` copies of a two-digit hex octet, for `x` values.
std::string HexRun(const std::string& octet, int count) {
    std::string out;
    for (int i = 0; i < count; ++i) out += octet;
    return out;
}
const std::string k1000Bytes = HexRun("41", 1000);

class HostileSwitch : public ::testing::Test {
protected:
    // anyType: the values keep their own types even where the object has another one.
    void Start(const std::string& model, const std::vector<std::string>& state, bool anyType = false) {
        setenv("CORVEX_SIM", HOSTILE_SIM, 0);
        setenv("CORVEX_SOURCE_DIR", HOSTILE_SOURCE_DIR, 0);
        const std::string path = sim.writeStateFile(state);
        std::vector<std::string> args = {"--state", path};
        if (anyType) args.push_back("--state-any-type");
        std::string error;
        ASSERT_TRUE(sim.start(model, args, &error)) << error;
        sim.installAsDevice();
    }
    corvex::test::SimDevice sim;
};

// ---- VLAN table, entry and PVID forms ------------------------------------------------------

class HostileVlan : public HostileSwitch {
protected:
    static bool Settled(DialogEnvironment& env, CVlanConfigDlg& dlg) {
        return env.waitUntil(
            [&] {
                return !dlg.TableWalking() && !dlg.PvidWalking() && dlg.VoiceStateRead() &&
                       dlg.readState("asymmetric mode") != platform::Form::ReadState::Running;
            },
            10000ms);
    }
    static bool ButtonsBack(DialogDriver& d) {
        for (const char* b : {"&Apply", "&Refresh", "&Close", "&Add", "&Edit", "&Delete", "&PVID"})
            if (!d.enabled(b)) return false;
        return true;
    }
    static const vlan::VlanRecord* Find(const CVlanConfigDlg& dlg, int vid) {
        return vlan::FindVlan(dlg.Records(), vid);
    }
    DialogEnvironment env;
};

TEST_F(HostileVlan, OddPortListsNamesAndVlanNumbersLeaveTheTableUsable) {
    Start("10p", {
        // PortLists of 1, 3 and 200 octets (port count 10 needs 2).
        kVlanName + ".11 s one", kVlanEgress + ".11 x ff", kVlanRowState + ".11 i 1",
        kVlanName + ".12 s three", kVlanEgress + ".12 x 40c0ff", kVlanUntagged + ".12 x 00ff", kVlanRowState + ".12 i 1",
        kVlanName + ".13 s long", kVlanEgress + ".13 x " + HexRun("ff", 200),
        kVlanUntagged + ".13 x " + HexRun("ff", 200), kVlanForbidden + ".13 x " + HexRun("ff", 200),
        kVlanRowState + ".13 i 1",
        // Invalid UTF-8 in the name, a name with NUL bytes, a 1000-byte name.
        kVlanName + ".20 x c328fffe80", kVlanEgress + ".20 x 8000", kVlanRowState + ".20 i 1",
        kVlanName + ".21 x 41004200", kVlanEgress + ".21 x 4000", kVlanRowState + ".21 i 1",
        kVlanName + ".22 x " + k1000Bytes, kVlanEgress + ".22 x 2000", kVlanRowState + ".22 i 1",
        // An empty name and empty PortLists.
        kVlanName + ".30 s \"\"", kVlanEgress + ".30 x \"\"", kVlanUntagged + ".30 x \"\"", kVlanRowState + ".30 i 1",
        // VLAN numbers outside 1..4094.
        kVlanName + ".4095 s big", kVlanEgress + ".4095 x 0800", kVlanRowState + ".4095 i 1",
        kVlanName + ".65535 s bigger", kVlanEgress + ".65535 x 0400", kVlanRowState + ".65535 i 1",
        kVlanName + ".4294967295 s huge", kVlanEgress + ".4294967295 x 0200", kVlanRowState + ".4294967295 i 1",
        // A row that is not active is not listed.
        kVlanName + ".40 s idle", kVlanEgress + ".40 x ffff", kVlanRowState + ".40 i 3",
        // PVIDs: out-of-range ports, 0 and a huge value.
        kPvid + ".2 g 0", kPvid + ".4 g 4294967295",
        kPvid + ".11 g 77", kPvid + ".300 g 55", kPvid + ".65535 g 66",
    });
    CVlanConfigDlg dlg;
    DialogDriver d(env, dlg);
    ASSERT_TRUE(Settled(env, dlg));
    EXPECT_TRUE(ButtonsBack(d));

    // Only the PortList octets that cover the ten ports are read.
    const vlan::VlanRecord* one = Find(dlg, 11);
    ASSERT_NE(one, nullptr);
    EXPECT_EQ(one->egressPorts, "1,2,3,4,5,6,7,8");
    const vlan::VlanRecord* three = Find(dlg, 12);
    ASSERT_NE(three, nullptr);
    EXPECT_EQ(three->egressPorts, "2,9,10");
    EXPECT_EQ(three->untaggedPorts, "9,10,11,12,13,14,15,16");
    const vlan::VlanRecord* longList = Find(dlg, 13);
    ASSERT_NE(longList, nullptr);
    EXPECT_LE(longList->egressCount, 16);
    EXPECT_GE(longList->egressCount, 10);

    // Names come through as bytes up to the first NUL, whatever their encoding.
    ASSERT_NE(Find(dlg, 20), nullptr);
    EXPECT_EQ(Find(dlg, 20)->name, std::string("\xc3\x28\xff\xfe\x80"));
    ASSERT_NE(Find(dlg, 21), nullptr);
    EXPECT_EQ(Find(dlg, 21)->name, "A");
    ASSERT_NE(Find(dlg, 22), nullptr);
    EXPECT_EQ(Find(dlg, 22)->name, std::string(1000, 'A'));
    ASSERT_NE(Find(dlg, 30), nullptr);
    EXPECT_EQ(Find(dlg, 30)->name, "");
    EXPECT_EQ(Find(dlg, 30)->egressCount, 0);
    EXPECT_EQ(Find(dlg, 40), nullptr);
    // The default VLAN is still there with every port.
    ASSERT_NE(Find(dlg, 1), nullptr);
    EXPECT_EQ(Find(dlg, 1)->egressCount, 10);

    // PVIDs of ports outside 1..10 land nowhere; the others are read as numbers.
    ASSERT_EQ(dlg.Pvids().size(), 10u);
    EXPECT_EQ(dlg.Pvids()[0], 1);
    EXPECT_EQ(dlg.Pvids()[1], 0);
    EXPECT_EQ(dlg.Pvids()[3], 2147483647);   // 4294967295 saturates
    for (int pvid : dlg.Pvids()) {
        EXPECT_NE(pvid, 77);
        EXPECT_NE(pvid, 55);
        EXPECT_NE(pvid, 66);
    }

    // Each hostile row can be opened for editing and cancelled.
    const int rows = d.rowCount(CVlanConfigDlg::IDC_VLAN_LIST);
    ASSERT_GE(rows, 10);
    for (const char* vid : {"13", "20", "21", "22", "30", "4095", "65535", "2147483647"}) {
        const int row = d.list(CVlanConfigDlg::IDC_VLAN_LIST).findRow(0, vid);
        ASSERT_GE(row, 0) << vid;
        bool opened = false;
        env.onChild<CVlanEntryDlg>([&](CVlanEntryDlg&, DialogDriver& c) {
            opened = true;
            EXPECT_EQ(c.text(CVlanEntryDlg::IDC_VID), vid);
            c.click("Cancel");
        });
        d.clickRow(CVlanConfigDlg::IDC_VLAN_LIST, row);
        d.click("&Edit");
        EXPECT_TRUE(opened) << vid;
        EXPECT_TRUE(env.takeMessages().empty()) << vid;
    }

    // The PVID form shows ten ports, the out-of-range rows ignored.
    bool pvidOpened = false;
    env.onChild<CPvidDlg>([&](CPvidDlg& p, DialogDriver& c) {
        pvidOpened = true;
        ASSERT_TRUE(c.env().waitUntil([&] { return !p.Walking() && !p.Snmp().TrunkMap().Walking(); }, 10000ms));
        auto& grid = c.as<platform::PortGrid>(CPvidDlg::IDC_PVID_GRID);
        ASSERT_EQ(grid.portCount(), 10);
        EXPECT_EQ(grid.cellText(0, 1), "1");
        EXPECT_EQ(grid.cellText(0, 2), "0");
        EXPECT_EQ(grid.cellText(0, 4), "2147483647");
        for (int p = 1; p <= 10; ++p) {
            EXPECT_NE(grid.cellText(0, p), "77");
            EXPECT_NE(grid.cellText(0, p), "55");
        }
        EXPECT_TRUE(c.enabled("Apply"));
        c.click("Cancel");
    });
    d.click("&PVID");
    EXPECT_TRUE(pvidOpened);
    ASSERT_TRUE(Settled(env, dlg));
    EXPECT_TRUE(ButtonsBack(d));
}

TEST_F(HostileVlan, EditingAVlanWithOversizedListsWritesOnlyTheSwitchPorts) {
    // The form keeps to its ten ports whatever the switch listed, and the PortList it sends is
    // the size the port count gives.
    Start("10p", {kVlanName + ".13 s long", kVlanEgress + ".13 x " + HexRun("ff", 200),
                  kVlanUntagged + ".13 x " + HexRun("ff", 200), kVlanRowState + ".13 i 1",
                  kTrunkMembers + ".1 x " + HexRun("ff", 200), kTrunkMembers + ".8 x ffff"});
    CVlanConfigDlg dlg;
    DialogDriver d(env, dlg);
    ASSERT_TRUE(Settled(env, dlg));
    sim.clearLog();
    env.onChild<CVlanEntryDlg>([&](CVlanEntryDlg& e, DialogDriver& c) {
        ASSERT_TRUE(c.env().waitUntil([&] { return !e.Snmp().TrunkMap().Walking(); }, 10000ms));
        auto& grid = c.as<platform::PortGrid>(CVlanEntryDlg::IDC_PORTS);
        ASSERT_EQ(grid.portCount(), 10);
        for (int p = 1; p <= 10; ++p) EXPECT_TRUE(grid.checked(CVlanEntryDlg::kUntag, p)) << p;
        c.click("OK");
        EXPECT_TRUE(c.waitEnded());  // the row is made active after a pause
    });
    d.clickRow(CVlanConfigDlg::IDC_VLAN_LIST, d.list(CVlanConfigDlg::IDC_VLAN_LIST).findRow(0, "13"));
    d.click("&Edit");
    int portLists = 0;
    for (const auto& r : sim.sets())
        for (const auto& b : r.bindings)
            if (b.oid.rfind(kVlanEgress + ".", 0) == 0 || b.oid.rfind(kVlanUntagged + ".", 0) == 0) {
                ++portLists;
                EXPECT_EQ(b.value.size(), 8u) << b.oid << "=" << b.value;  // four octets, as hex
            }
    EXPECT_GE(portLists, 2);
    ASSERT_TRUE(Settled(env, dlg));
    EXPECT_TRUE(ButtonsBack(d));
}

// ---- Port configuration --------------------------------------------------------------------

TEST_F(HostileSwitch, PortTableWithExtremeValuesAndAStrayPortStaysUsable) {
    Start("10p", {
        kPortSpeed + ".2 i 2147483647", kPortOperMode + ".3 i -1", kPortFlow + ".4 i 0",
        kPortPriority + ".5 i -2147483648", kPortOperFlow + ".6 i 2147483647",
        kPortMedium + ".8 i -1", kPortMedium + ".9 i 2147483647",
        // A row for a port the switch does not have.
        kPortSpeed + ".300 i 3", kPortOperMode + ".300 i 2", kPortFlow + ".300 i 1", kPortPriority + ".300 i 1",
        kPortOperFlow + ".300 i 1", kPortMedium + ".300 i 4",
    });
    DialogEnvironment env;
    features::CPortSetInfo dlg;
    DialogDriver d(env, dlg);
    ASSERT_TRUE(d.waitEnabled("&Refresh", 10000ms));
    EXPECT_TRUE(d.waitEnabled("&Apply", 10000ms));  // once the trunk map is read too
    const auto rows = d.rows(features::CPortSetInfo::IDC_LIST_PORT);
    ASSERT_GE(rows.size(), 10u);
    for (int p = 1; p <= 10; ++p) {
        ASSERT_EQ(rows[static_cast<size_t>(p - 1)].size(), 6u);
        EXPECT_EQ(rows[static_cast<size_t>(p - 1)][0], std::to_string(p));
    }
    // Values that are not one of the known codes show as the first text of their column.
    EXPECT_EQ(rows[1][1], "1000MFull");
    EXPECT_EQ(rows[3][3], "Disable");
    EXPECT_EQ(rows[4][4], "Low");
    // Media outside the known codes, and the stray row's media, are not port media.
    EXPECT_EQ(dlg.MediaOf(8), -1);
    EXPECT_EQ(dlg.MediaOf(9), 2147483647);
    EXPECT_EQ(dlg.MediaOf(11), 0);
    EXPECT_EQ(dlg.MediaOf(300), 0);
    // Every listed row can be chosen; Apply on a hostile row writes and reads the table again.
    d.clickRow(features::CPortSetInfo::IDC_LIST_PORT, 1);
    EXPECT_EQ(d.text(features::CPortSetInfo::IDC_EDIT_PORT_ID), "2");
    d.choose(features::CPortSetInfo::IDC_COMBO_SPEED, "Auto");
    d.choose(features::CPortSetInfo::IDC_COMBO_FLOW, "Disable");
    d.click("&Apply");
    ASSERT_TRUE(d.waitEnabled("&Refresh", 10000ms));
    EXPECT_TRUE(d.waitEnabled("&Apply", 10000ms));  // once the trunk map is read too
    EXPECT_GE(d.rowCount(features::CPortSetInfo::IDC_LIST_PORT), 10);
}

// Values of the wrong type in the VLAN, PVID, trunk and port tables: strings where numbers
// belong, numbers and OIDs where PortLists and names belong.
TEST_F(HostileVlan, ValuesOfTheWrongTypeLeaveEveryFormUsable) {
    Start("10p",
          {
              kVlanName + ".50 o 1.3.6.1", kVlanEgress + ".50 i 255", kVlanUntagged + ".50 a 10.0.0.1",
              kVlanRowState + ".50 i 1",
              kVlanName + ".51 s fine", kVlanEgress + ".51 s hello", kVlanRowState + ".51 s 1",
              kPvid + ".3 s seven", kPvid + ".5 o 1.3.6", kTrunkMembers + ".1 i 3",
              kPortSpeed + ".2 s fast", kPortOperMode + ".3 x ffffffff", kPortFlow + ".4 o 1.3",
              kPortMedium + ".5 s fibre", kAsymmetric + " s on",
          },
          true);
    {
        // The VLAN table and its PVID form; closed (with every walk of theirs) before the port form.
        CVlanConfigDlg dlg;
        DialogDriver d(env, dlg);
        ASSERT_TRUE(Settled(env, dlg));
        EXPECT_TRUE(ButtonsBack(d));
        EXPECT_NE(Find(dlg, 1), nullptr);  // the default VLAN is still read
        const vlan::VlanRecord* odd = Find(dlg, 50);
        if (odd != nullptr) {
            EXPECT_LE(odd->egressCount, 10);  // whatever it read, it names no port beyond the switch's
        }
        // A row status that reads "1" as text counts as active, whatever its type; its member list
        // (a string) still names no port beyond the switch's.
        const vlan::VlanRecord* textual = Find(dlg, 51);
        ASSERT_NE(textual, nullptr);
        EXPECT_LE(textual->egressCount, 10);

        // The PVID form reads what it can; unreadable PVIDs are not numbers in its grid.
        env.onChild("PVID Configuration", [](DialogDriver& child) {
            EXPECT_TRUE(child.waitEnabled("&Refresh", 10000ms));
            EXPECT_TRUE(child.waitEnabled("Apply", 10000ms));  // once the PVIDs and the trunk map are read
            child.closeWindow();
        });
        d.click("&PVID");

    }
    DialogEnvironment portEnv;
    features::CPortSetInfo ports;
    DialogDriver p(portEnv, ports);
    ASSERT_TRUE(p.waitEnabled("&Refresh", 10000ms));
    EXPECT_TRUE(p.waitEnabled("&Apply", 10000ms));  // once the trunk map is read too
    const auto rows = p.rows(features::CPortSetInfo::IDC_LIST_PORT);
    ASSERT_GE(rows.size(), 10u);
    EXPECT_EQ(rows[1][1], "1000MFull");  // a speed that is not a number shows the first text
    EXPECT_EQ(ports.MediaOf(5), 0);      // a medium that is not a number reads as 0
    EXPECT_EQ(ports.Trunks().TrunkOf(2), 0);      // a member list that is not a PortList names no port
}

// ---- Public MIB tables ---------------------------------------------------------------------

template <class Dlg>
std::vector<std::vector<std::string>> Listed(DialogEnvironment& env, Dlg& dlg) {
    env.runFor(20ms);
    EXPECT_TRUE(env.waitUntil([&] { return !dlg.Walking(); }, 20000ms));
    std::vector<std::vector<std::string>> rows;
    for (int r = 0; r < dlg.List().rowCount(); ++r) rows.push_back(dlg.List().row(r));
    return rows;
}

TEST_F(HostileSwitch, MibTablesListHostileRowsWithoutFailing) {
    const std::string fdbPort = "1.3.6.1.2.1.17.7.1.2.2.1.2";
    const std::string fdbStatus = "1.3.6.1.2.1.17.7.1.2.2.1.3";
    Start("10p", {
        // Interface table: wrong types and oversized values.
        kIfOper + ".3 i 2147483647", kIfSpeed + ".4 g 4294967295", kIfOper + ".6 i -2147483648",
        // Forwarding table: indices that are not VLAN + six octets, and one that is.
        fdbStatus + ".1.0.1.2.3.4.5 i 3", fdbPort + ".1.0.1.2.3.4.5 i 1",
        fdbStatus + ".1.0.1.2.3.4.5.6.7 i 3", fdbPort + ".1.0.1.2.3.4.5.6.7 i 2",
        fdbStatus + ".1.300.1.2.3.4.5 i 3", fdbPort + ".1.300.1.2.3.4.5 i 3",
        fdbStatus + ".2 i 3", fdbPort + ".2 i 4",
        fdbStatus + ".3.0.17.34.51.68.85 i 99", fdbPort + ".3.0.17.34.51.68.85 i -1",
        fdbStatus + ".4.0.17.34.51.68.86 i 5", fdbPort + ".4.0.17.34.51.68.86 i 65535",
    });
    DialogEnvironment env;
    {
        CIfTableDlg dlg;
        DialogDriver d(env, dlg);
        const auto rows = Listed(env, dlg);
        EXPECT_TRUE(d.enabled("&Refresh"));
        ASSERT_GE(rows.size(), 10u);
        EXPECT_EQ(d.control(CIfTableDlg::kIdEntries).text(), std::to_string(rows.size()));
    }
    {
        CFdbTableDlg dlg;
        DialogDriver d(env, dlg);
        const auto rows = Listed(env, dlg);
        EXPECT_TRUE(d.enabled("&Refresh"));
        std::vector<std::string> macs;
        for (const auto& r : rows) {
            ASSERT_EQ(r.size(), 3u);
            macs.push_back(r[0]);
        }
        // Badly formed indices are listed without a MAC; the well-formed ones with theirs.
        EXPECT_NE(std::find(macs.begin(), macs.end(), "00-11-22-33-44-56"), macs.end());
        EXPECT_NE(std::find(macs.begin(), macs.end(), "00-11-22-33-44-55"), macs.end());
        for (const auto& m : macs) EXPECT_TRUE(m.empty() || m.size() == 17u) << m;
        int blank = 0;
        for (const auto& m : macs) blank += m.empty();
        EXPECT_GE(blank, 3);
    }
}

// ---- Status poller -------------------------------------------------------------------------

struct QuietView : app::IMainWindowView {
    void RepaintPanel() override { ++repaints; }
    void SetBlinkTimer(int ms) override { timers.push_back(ms); }
    void HideWindow() override {}
    void MinimizeWindow() override {}
    void ShowNormal() override {}
    void SetTitle(const std::string&) override {}
    void SetPanelGeometry(const panel::Rect&) override {}
    void RunAboutBox(const app::AboutInfo&) override {}
    void SetPanelCursor(panel::PanelCursor) override {}
    void NotifyPortClicked(unsigned short) override {}
    void BringToFront() override {}
    void EndDialog() override {}
    int repaints = 0;
    std::vector<int> timers;
};

struct NoLauncher : app::IProcessLauncher {
    bool Launch(const std::vector<std::string>&) override { return true; }
};

class HostilePoller : public HostileSwitch {
protected:
    void SetUp() override { platform::setUi(&ui); }
    void TearDown() override { platform::setUi(nullptr); }
    std::string ProfilePath() const {
        return corvex::test::SimDevice::panelsDirectory() + "/" + sim.model() + "/User.ini";
    }
    platform::HeadlessUi ui;
    QuietView view;
    NoLauncher launcher;
    app::DialogRegistry dialogs;
    paneltest::FakeLoader loader;
};

TEST_F(HostilePoller, LinkWalkWithWrongTypesAndStrayInterfacesLightsOnlyRealPorts) {
    Start("10p", {
        kIfAdmin + ".3 i 2", kIfAdmin + ".4 i -2147483648", kIfSpeed + ".5 g 4294967295",
        kIfOper + ".6 i 2147483647", kPortMedium + ".9 i 2147483647",
        // Interfaces the switch does not have as ports.
        kIfType + ".300 i 6", kIfAdmin + ".300 i 1", kIfOper + ".300 i 1", kIfSpeed + ".300 g 1000000000",
        kIfType + ".65535 i 6", kIfAdmin + ".65535 i 1", kIfOper + ".65535 i 1",
        kLedMode + " i 1",
    });
    app::CMainWindow win(view, ProfilePath(), &loader, dialogs, launcher);
    ASSERT_TRUE(win.OnInitDialog());
    ASSERT_TRUE(ui.runUntil([&] { return !view.timers.empty(); }, 10s)) << "no poll applied";
    ASSERT_TRUE(ui.runUntil([&] { return !win.m_record.PollPending; }, 10s));
    ASSERT_EQ(win.m_record.PortMedium.size(), 10u);
    EXPECT_EQ(win.m_record.PortMedium[8], 2147483647);
    for (int p = 10; p < panel::kPortIndicatorCount; ++p) EXPECT_EQ(win.m_record.PortIndicator[p], win.m_record.PortIndicator[10]) << p;
    EXPECT_TRUE(win.OnClose());
}

TEST_F(HostilePoller, PoeWalkWithStrayPortsAndWrongTypesLightsOnlyRealPorts) {
    Start("10p", {
        kLedMode + " i 2",
        kPoeState + ".1.3 x 504f574552204f4e00ff", kPoeState + ".1.4 s POWER OFF",
        kPoeState + ".1.5 x " + k1000Bytes, kPoeState + ".1.0 s POWER ON",
        kPoeState + ".1.300 s POWER ON", kPoeState + ".2.1 s POWER ON", kPoeState + ".1.4294967295 s POWER ON",
    });
    app::CMainWindow win(view, ProfilePath(), &loader, dialogs, launcher);
    ASSERT_TRUE(win.OnInitDialog());
    ASSERT_TRUE(ui.runUntil([&] { return !view.timers.empty(); }, 10s)) << "no poll applied";
    ASSERT_TRUE(ui.runUntil([&] { return !win.m_record.PollPending; }, 10s));
    EXPECT_FALSE(win.m_record.LinkModeShown);
    for (int p = 10; p < panel::kPortIndicatorCount; ++p) EXPECT_EQ(win.m_record.PortIndicator[p], win.m_record.PortIndicator[10]) << p;
    EXPECT_TRUE(win.OnClose());
}

TEST(HostileStatusRows, ApplyIgnoresRowsOutsideThePortsWhateverTheirIndex) {
    // Rows as the reader hands them over, including a Counter64 speed and indices that are not
    // ports: 0, negative, beyond the count and the indicator array, sub-indexed, empty.
    panel::PortStateRecord record;
    record.PortCount = 10;
    record.ComboCount = 2;
    record.PortMedium.assign(10, 0);
    panel::CDevModule root;
    const auto before = record.PortIndicator;
    std::vector<panel::LinkRow> rows = {
        {"0", "1", "1", "100000000", "1"},        {"-3", "1", "1", "100000000", "1"},
        {"300", "1", "1", "100000000", "4"},      {"2147483648", "1", "1", "1", "3"},
        {"", "1", "1", "1", "1"},                  {"4.7", "1", "1", "18446744073709551615", "-5"},
        {"10", "1", "1", "1000000000", "99999999999"}, {"9", "1", "1", "1000000000", "3"},
    };
    panel::ApplyLinkRows(rows, record, root, false);
    EXPECT_EQ(record.PortIndicator[3], panel::kPortLinkLower);
    EXPECT_EQ(record.PortMedium[3], -5);
    EXPECT_EQ(record.PortIndicator[8], panel::kPortLinkTop);
    EXPECT_EQ(record.PortIndicator[9], panel::kPortLinkTop);
    EXPECT_EQ(record.PortMedium[9], 2147483647);
    for (int p : {0, 1, 2, 4, 5, 6, 7}) EXPECT_EQ(record.PortIndicator[static_cast<size_t>(p)], before[static_cast<size_t>(p)]) << p;
    for (int p = 10; p < panel::kPortIndicatorCount; ++p) EXPECT_EQ(record.PortIndicator[static_cast<size_t>(p)], before[static_cast<size_t>(p)]);

    std::vector<panel::PoeRow> poe = {{"0", "POWER ON"}, {"-1", "POWER ON"}, {"300", "POWER ON"},
                                      {"", "POWER ON"},  {"2", ""},         {"1", "POWER OFF"}};
    panel::ApplyPoeRows(poe, record, root);
    EXPECT_EQ(record.PortIndicator[0], panel::kPortDisabled);
    EXPECT_EQ(record.PortIndicator[1], panel::kPortLinkLower);
    for (int p = 10; p < panel::kPortIndicatorCount; ++p) EXPECT_EQ(record.PortIndicator[static_cast<size_t>(p)], before[static_cast<size_t>(p)]);
}

}  // namespace

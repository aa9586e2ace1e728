// The main window's logic: menu table and trimming, the dialog routine, the device-wide
// commands, the browser search, and the live panel against the virtual switch.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <map>
#include <utility>
#include <set>

#include <chrono>
#include <fstream>
#include <thread>

#include "app/main_window.h"
#include "app/unsaved_changes.h"
#include "app/session_settings.h"
#include "panel/status_rules.h"
#include "panel_fakes.h"
#include "platform/headless_ui.h"
#include "snmp/table_walk.h"
#include "support/sim_fixture.h"

using namespace app;
using namespace std::chrono_literals;
using paneltest::FakeLoader;

namespace {

struct FakeView : IMainWindowView {
    void RepaintPanel() override { ++repaints; }
    void SetBlinkTimer(int ms) override { timers.push_back(ms); }
    void HideWindow() override { events.push_back("hide"); }
    void MinimizeWindow() override { events.push_back("minimize"); }
    void ShowNormal() override { events.push_back("show"); }
    void SetTitle(const std::string& t) override { title = t; }
    void SetPanelGeometry(const panel::Rect& r) override { geometry = r; }
    void RunAboutBox(const AboutInfo& info) override {
        events.push_back("about");
        about = info;
    }
    void SetPanelCursor(panel::PanelCursor) override {}
    void NotifyPortClicked(unsigned short) override { events.push_back("notify"); }
    void BringToFront() override { events.push_back("front"); }
    void EndDialog() override { events.push_back("end"); }
    int repaints = 0;
    std::vector<int> timers;
    std::vector<std::string> events;
    std::string title;
    panel::Rect geometry;
    AboutInfo about;
};

struct FakeLauncher : IProcessLauncher {
    bool Launch(const std::vector<std::string>& argv) override {
        launched.push_back(argv);
        return true;
    }
    std::vector<std::vector<std::string>> launched;
};

// A dialog that records what the window looked like while it ran.
struct ProbeDialog : IModalDialog {
    ProbeDialog(FakeView& v, const panel::PortStateRecord& r, std::vector<std::string>& log) : view(v), record(r), log(log) {}
    ~ProbeDialog() override { log.push_back("destroyed"); }
    int RunModal() override {
        log.push_back(std::string("run paused=") + (record.PollPaused ? "1" : "0") + " after=" + view.events.back());
        return 1;
    }
    FakeView& view;
    const panel::PortStateRecord& record;
    std::vector<std::string>& log;
};

class MainWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        platform::setUi(&ui);
        MutableSettings() = SessionSettings{};
        MutableSettings().DeviceAddress = "10.1.2.3";
        MutableProfile() = DeviceProfile{};
    }
    void TearDown() override { platform::setUi(nullptr); }

    std::string WriteProfile(const std::string& name, int ports, const std::string& xml) {
        path = ::testing::TempDir() + "/corvex_mw_" + std::to_string(reinterpret_cast<uintptr_t>(this)) + ".ini";
        std::ofstream out(path);
        out << "[DeviceInfo]\nDeviceName=" << name << "\nDevicePortNum=" << ports << "\nXMLName=" << xml << "\n";
        return path;
    }
    std::vector<std::string> Texts() const {
        std::vector<std::string> out;
        for (auto& m : ui.messages()) out.push_back(m.text);
        return out;
    }

    platform::HeadlessUi ui;
    FakeView view;
    FakeLauncher launcher;
    DialogRegistry dialogs;
    FakeLoader loader;
    std::string path;
};

// ---- menu ---------------------------------------------------------------------------------

std::vector<int> Commands(const std::vector<MenuItem>& items) {
    std::vector<int> out;
    for (const MenuItem& item : items) {
        if (item.kind == MenuItem::Kind::Command) out.push_back(item.command);
        auto sub = Commands(item.items);
        out.insert(out.end(), sub.begin(), sub.end());
    }
    return out;
}

TEST(MainMenu, TableHasEveryItemInOrder) {
    MenuBar menu = BuildMainMenu("Corvex-10P");
    ASSERT_EQ(menu.size(), 4u);
    EXPECT_EQ(menu[0].text, "&Device Manager   ");
    EXPECT_EQ(menu[1].text, "&Public MIB   ");
    EXPECT_EQ(menu[2].text, "&Tools   ");
    EXPECT_EQ(menu[3].text, "&About   ");
    EXPECT_EQ(Commands(menu),
              (std::vector<int>{32774, 32839, 32841, 32842, 32843, 32844, 32840, 32845, 32846, 32832, 32817, 32828,
                                32834, 32818, 32830, 32792, 32833, 32829, 32823, 32815, 32797, 32852, 32819, 32825,
                                32826, 32827, 32805, 32809, 32808, 32810, 32811, 32812, 32813, 32788, 32789, 57664,
                                16}));
    const auto& dm = menu[0].items;
    ASSERT_EQ(dm.size(), 21u);
    for (int i : {3, 9, 13, 17}) EXPECT_EQ(dm[i].kind, MenuItem::Kind::Separator) << i;
    EXPECT_EQ(dm[1].text, "&SNMP Setting");
    EXPECT_EQ(dm[20].text, "LLDP");
    EXPECT_EQ(FindCommand(menu, 32839)->text, "SNMP Global State ");
    EXPECT_EQ(FindCommand(menu, 32844)->text, "SNMP Community Table ");
    EXPECT_EQ(FindCommand(menu, 32828)->text, "&Auto Surveillance VLAN Setting ");
    EXPECT_EQ(FindCommand(menu, 32830)->text, "&Multicast Filtering Mode configuration...");
    EXPECT_EQ(FindCommand(menu, 32819)->text, "&Time_Based PoE");
    EXPECT_EQ(FindCommand(menu, 32809)->text, "In&terface Table...");
    EXPECT_EQ(FindCommand(menu, 57664)->text, "About Corvex-10P...");
    // The system menu's About item is reachable as the About menu's second item.
    ASSERT_EQ(menu[3].items.size(), 2u);
    EXPECT_EQ(menu[3].items[1].text, "&About Corvex Module...");
    EXPECT_EQ(menu[3].items[1].command, kCmdSystemAbout);
}

TEST(MainMenu, TrimmingByDeviceName) {
    MenuBar poe = BuildMainMenu("Corvex-10P");
    TrimMainMenu(poe, "Corvex-10P");
    EXPECT_EQ(Commands(poe).size(), 37u);

    MenuBar plain = BuildMainMenu("Corvex-28");
    TrimMainMenu(plain, "Corvex-28");
    for (int c : {32852, 32819, 32825, 32826, 32827}) EXPECT_EQ(FindCommand(plain, c), nullptr) << c;
    ASSERT_EQ(plain[0].items.size(), 18u);
    EXPECT_EQ(plain[0].items.back().kind, MenuItem::Kind::Separator);
    EXPECT_NE(FindCommand(plain, 32817), nullptr);

    // "Tolva" loses Jumbo Frame; without "P" the LLDP sub-menu goes too, although it has
    // moved up one place.
    MenuBar tolva = BuildMainMenu("Tolva-24");
    TrimMainMenu(tolva, "Tolva-24");
    EXPECT_EQ(FindCommand(tolva, 32817), nullptr);
    for (const MenuItem& item : tolva[0].items) EXPECT_FALSE(item.kind == MenuItem::Kind::SubMenu && item.items.empty());
    EXPECT_EQ(tolva[0].items.size(), 17u);

    MenuBar tolvaP = BuildMainMenu("Tolva-10P");
    TrimMainMenu(tolvaP, "Tolva-10P");
    EXPECT_EQ(FindCommand(tolvaP, 32817), nullptr);
    EXPECT_NE(FindCommand(tolvaP, 32826), nullptr);
    EXPECT_FALSE(RemoveCommand(tolvaP, 32817));
}

// ---- browser, Telnet, Web -----------------------------------------------------------------

TEST(BrowserPath, RegistryValues) {
    EXPECT_EQ(FindBrowserPath(R"("C:\Program Files\Internet Explorer\iexplore.exe" -nohome)"),
              R"(C:\Program Files\Internet Explorer\iexplore.exe)");
    // Upper-case extension: found by the second search, without the quotes.
    EXPECT_EQ(FindBrowserPath(R"("C:\PROGRA~1\INTERN~1\IEXPLORE.EXE" -nohome)"), R"(C:\PROGRA~1\INTERN~1\IEXPLORE.EXE)");
    EXPECT_EQ(FindBrowserPath(R"(D:\Apps\Browser\browser.exe --url "%1")"), R"(D:\Apps\Browser\browser.exe)");
    EXPECT_EQ(FindBrowserPath(""), "");
    EXPECT_EQ(FindBrowserPath(R"(browser.exe "%1")"), "");          // no drive
    EXPECT_EQ(FindBrowserPath(R"(:\browser.exe)"), "");             // ":\" at the very start
    EXPECT_EQ(FindBrowserPath(R"(C:\Apps\browser.com)"), "");        // no extension
    EXPECT_EQ(FindBrowserPath(R"(rundll32.exe url.dll,Open C:\x)"), "");  // ".exe" long before ":\"
    EXPECT_EQ(FindBrowserPath(R"(a.exeC:\x)"), "");                 // extension just before the drive
    // The value is read into 200 bytes: an extension beyond them is not seen.
    EXPECT_EQ(FindBrowserPath("C:\\" + std::string(210, 'a') + ".exe"), "");
    EXPECT_EQ(FindBrowserPath("C:\\" + std::string(150, 'a') + ".exe"), "C:\\" + std::string(150, 'a') + ".exe");
}

TEST(BrowserPath, AddressesAndCommandLines) {
    EXPECT_TRUE(IsSafeAddressArgument("192.168.0.1"));
    EXPECT_TRUE(IsSafeAddressArgument("switch-3.example"));
    EXPECT_FALSE(IsSafeAddressArgument(""));
    EXPECT_FALSE(IsSafeAddressArgument("-lroot"));
    EXPECT_FALSE(IsSafeAddressArgument("1.2.3.4;reboot"));
    EXPECT_FALSE(IsSafeAddressArgument("a b"));
    EXPECT_EQ(TelnetCommand("10.0.0.1"), (std::vector<std::string>{"x-terminal-emulator", "-e", "telnet", "10.0.0.1"}));
    EXPECT_EQ(TelnetCommand(""), (std::vector<std::string>{"x-terminal-emulator", "-e", "telnet"}));
    EXPECT_EQ(WebCommand("/usr/bin/xdg-open", "10.0.0.1"),
              (std::vector<std::string>{"/usr/bin/xdg-open", "http://10.0.0.1/"}));
    EXPECT_EQ(FindInPath("sh").empty(), false);
    EXPECT_EQ(FindInPath("surely-no-such-program-here"), "");
}

TEST(SpawnLauncherTest, StartsWithoutShellAndReportsMissingPrograms) {
    SpawnLauncher launcher;
    const std::string marker = ::testing::TempDir() + "/corvex_spawn_marker";
    std::remove(marker.c_str());
    // The argument would be split and run by a shell; here it is one file name for touch.
    const std::string odd = marker + "; echo injected";
    ASSERT_TRUE(launcher.Launch({"touch", odd}));
    for (int i = 0; i < 100; ++i) {
        std::ifstream probe(odd);
        if (probe) break;
        std::this_thread::sleep_for(20ms);
    }
    EXPECT_TRUE(std::ifstream(odd).good());
    EXPECT_FALSE(std::ifstream(marker).good());
    std::remove(odd.c_str());
    EXPECT_FALSE(launcher.Launch({"surely-no-such-program-here"}));
    EXPECT_FALSE(launcher.Launch({}));
}

TEST_F(MainWindowTest, TelnetAndWebAskFirstAndLaunchOneArgument) {
    CMainWindow win(view, "/nonexistent/User.ini", &loader, dialogs, launcher);
    ui.queueAnswer(platform::MsgAnswer::Cancel);
    win.OnTelnet();
    EXPECT_TRUE(launcher.launched.empty());
    ui.queueAnswer(platform::MsgAnswer::Ok);
    win.OnTelnet();
    ASSERT_EQ(launcher.launched.size(), 1u);
    EXPECT_EQ(launcher.launched[0], TelnetCommand("10.1.2.3"));
    EXPECT_EQ(ui.messages()[0].text, "Do you want to TELNET this device?");
    EXPECT_EQ(ui.messages()[0].buttons, platform::MsgButtons::OkCancel);
    EXPECT_EQ(ui.messages()[0].defaultButton, 1);
    EXPECT_EQ(ui.messages()[0].icon, platform::MsgIcon::Question);

    win.SetBrowserLocator([] { return std::string("/opt/browser"); });
    ui.queueAnswer(platform::MsgAnswer::Ok);
    win.OnWeb();
    ASSERT_EQ(launcher.launched.size(), 2u);
    EXPECT_EQ(launcher.launched[1], (std::vector<std::string>{"/opt/browser", "http://10.1.2.3/"}));

    win.SetBrowserLocator([] { return std::string(); });
    ui.clearMessages();
    ui.queueAnswer(platform::MsgAnswer::Ok);
    win.OnWeb();
    EXPECT_EQ(Texts(), (std::vector<std::string>{"Do you want to access this device with browser?", "Failed to get IE path !"}));

    // An address that another program would read as an option is never handed over.
    MutableSettings().DeviceAddress = "-oProxyCommand=x";
    CMainWindow hostile(view, "/nonexistent/User.ini", &loader, dialogs, launcher);
    ui.queueAnswer(platform::MsgAnswer::Ok);
    hostile.OnTelnet();
    EXPECT_EQ(launcher.launched.size(), 2u);
}

// ---- the window without a device --------------------------------------------------------

TEST_F(MainWindowTest, BrokenProfileLeavesAWindowWithoutPanel) {
    CMainWindow win(view, "/nonexistent/User.ini", &loader, dialogs, launcher);
    EXPECT_TRUE(win.OnInitDialog());
    EXPECT_EQ(Texts(), (std::vector<std::string>{"Read User.ini Error !"}));
    EXPECT_FALSE(win.HasPanel());
    EXPECT_EQ(view.title, "");
    paneltest::RecordingCanvas canvas;
    win.Paint(canvas, {0, 0, 100, 100});
    EXPECT_TRUE(canvas.draws.empty());
    win.OnLButtonDown(10, 10);
    EXPECT_TRUE(win.OnClose());
    EXPECT_EQ(view.events.back(), "end");
}

TEST_F(MainWindowTest, MissingDescriptionStillRunsThePoller) {
    CMainWindow win(view, WriteProfile("Corvex-28", 28, "no-such-panel.xml"), &loader, dialogs, launcher);
    EXPECT_TRUE(win.OnInitDialog(false));
    EXPECT_TRUE(ui.messages().empty());
    EXPECT_FALSE(win.HasPanel());
    EXPECT_EQ(view.title, "Corvex-28: 10.1.2.3");
    EXPECT_EQ(win.m_record.PortCount, 28);
    EXPECT_EQ(win.m_record.ComboCount, 4);
}

TEST_F(MainWindowTest, DialogCommandsPauseRunAndRestore) {
    std::vector<std::string> log;
    CMainWindow win(view, WriteProfile("Corvex-28", 28, paneltest::BaseName("x")), &loader, dialogs, launcher);
    dialogs.Register(kCmdVlanConfiguration,
                     [&] { return std::make_unique<ProbeDialog>(view, win.m_record, log); });
    EXPECT_TRUE(win.IsCommandAvailable(kCmdVlanConfiguration));
    EXPECT_FALSE(win.IsCommandAvailable(kCmdTrunkConfiguration));
    for (int c : {kCmdSaveConfiguration, kCmdReboot, kCmdTelnet, kCmdWeb, kCmdAbout, kCmdSystemAbout})
        EXPECT_TRUE(win.IsCommandAvailable(c)) << c;

    win.OnCommand(kCmdVlanConfiguration);
    EXPECT_EQ(view.events, (std::vector<std::string>{"hide", "minimize", "show"}));
    EXPECT_EQ(log, (std::vector<std::string>{"run paused=1 after=minimize", "destroyed"}));
    EXPECT_FALSE(win.m_record.PollPaused);

    view.events.clear();
    EXPECT_FALSE(win.RunDialogCommand(kCmdTrunkConfiguration));
    EXPECT_TRUE(view.events.empty());

    // About: from the menu like a dialog, from the system menu in place.
    win.OnInitDialog(false);
    view.events.clear();
    win.OnCommand(kCmdAbout);
    EXPECT_EQ(view.events, (std::vector<std::string>{"hide", "minimize", "about", "show"}));
    EXPECT_EQ(view.about.title, "Corvex-28 Module");
    EXPECT_EQ(view.about.nameLine, "Corvex-28 Management Module");
    ASSERT_EQ(view.about.lines.size(), 2u);
    EXPECT_EQ(view.about.lines[0].first, "Firmware Version         ");
    EXPECT_EQ(view.about.lines[0].second, ": 2.01.xxx");
    EXPECT_EQ(view.about.lines[1].first, "Orbisa Module Version   ");
    EXPECT_EQ(view.about.lines[1].second, ": 2.0.1.0");
    EXPECT_EQ(view.about.hiddenLine, "Hardware: A1");
    view.events.clear();
    win.OnCommand(kCmdSystemAbout);
    EXPECT_EQ(view.events, (std::vector<std::string>{"about"}));
    win.OnActivateMessage();
    EXPECT_EQ(view.events.back(), "front");
}

TEST_F(MainWindowTest, PortClickOpensPortConfigurationOnTheClickedPort) {
    if (corvex::test::SimDevice::panelsDirectory().empty()) GTEST_SKIP() << "no panels";
    CMainWindow win(view, corvex::test::SimDevice::panelsDirectory() + "/10p/User.ini", &loader, dialogs, launcher);
    std::vector<std::string> log;
    std::vector<int> opened;
    dialogs.Register(kCmdPortConfiguration, [&] {
        opened.push_back(0);
        return std::make_unique<ProbeDialog>(view, win.m_record, log);
    });
    ASSERT_TRUE(win.OnInitDialog(false));
    ASSERT_TRUE(win.HasPanel());
    paneltest::RecordingCanvas canvas;
    win.Paint(canvas, panel::Rect{0, 0, 400, 90});
    auto click = [&](int element) {
        const panel::Rect r = panel::FindPort(win.m_root, element)->GetRect();
        win.OnLButtonDown((r.left + r.right) / 2, (r.top + r.bottom) / 2);
    };
    // Without a port-aware dialog the click opens it as the menu does.
    click(2);
    EXPECT_EQ(opened, (std::vector<int>{0}));

    dialogs.RegisterForPort(kCmdPortConfiguration, [&](int port) {
        opened.push_back(port);
        return std::make_unique<ProbeDialog>(view, win.m_record, log);
    });
    opened.clear();
    // Ports 1, 4 and 10, then the fibre twins 9F and 10F, which stand for ports 9 and 10.
    for (int element : {0, 3, 9, 10, 11}) click(element);
    EXPECT_EQ(opened, (std::vector<int>{1, 4, 10, 9, 10}));
    // A click on the port's edge opens nothing.
    const panel::Rect r = panel::FindPort(win.m_root, 5)->GetRect();
    win.OnLButtonDown(r.left + 2, r.top + 2);
    EXPECT_EQ(opened.size(), 5u);

    // The element-to-port rule on its own: ports, twins, and what stands for no port.
    panel::PortStateRecord record(10);
    EXPECT_EQ(panel::PortNumberOfElement(record, 12), 0);
    EXPECT_EQ(panel::PortNumberOfElement(record, -1), 0);
    panel::PortStateRecord big(52);
    EXPECT_EQ(panel::PortNumberOfElement(big, 51), 52);
    EXPECT_EQ(panel::PortNumberOfElement(big, 52), 49);
    EXPECT_EQ(panel::PortNumberOfElement(big, 55), 52);
}

// ---- against the virtual switch ---------------------------------------------------------

class LiveWindowTest : public MainWindowTest {
protected:
    void StartDevice(const std::string& model, const std::vector<std::string>& extra = {}) {
        if (corvex::test::SimDevice::simulatorPath().empty()) GTEST_SKIP() << "corvex-sim not built";
        std::string error;
        ASSERT_TRUE(sim.start(model, extra, &error)) << error;
        sim.installAsDevice();
        profile = corvex::test::SimDevice::panelsDirectory() + "/" + model + "/User.ini";
    }
    // Save and Reboot return at once: their outcome comes with the switch's reply.
    bool Outcome(const CMainWindow& win) { return ui.runUntil([&] { return !win.DeviceCommandRunning(); }, 10s); }
    corvex::test::SimDevice sim;
    std::string profile;
};

// What the device reports for port p: admin, oper and speed, read with a session of our own.
std::vector<std::string> ReadPort(int port) {
    CCommonSnmp session;
    std::vector<std::string> values;
    if (!session.Open(SNMP_PDU_GET_T)) return values;
    for (const char* column : {"1.3.6.1.2.1.2.2.1.7", "1.3.6.1.2.1.2.2.1.8", "1.3.6.1.2.1.2.2.1.5"})
        session.AddValue((std::string(column) + "." + std::to_string(port)).c_str(), SNMP_T_NULL, nullptr);
    CSnmp* reply = nullptr;
    if (session.Send(&reply, 0) != 0) return values;
    for (const auto& value : ReadReplyRow(*reply).values) values.push_back(value.text);  // no relay marker
    delete reply;
    return values;
}

TEST_F(LiveWindowTest, FirstPollLightsThePanelAsTheDeviceSays) {
    StartDevice("28");
    CMainWindow win(view, profile, &loader, dialogs, launcher);
    ASSERT_TRUE(win.OnInitDialog());
    ASSERT_TRUE(win.HasPanel());
    ASSERT_TRUE(ui.runUntil([&] { return !view.timers.empty(); }, 8s)) << "no poll applied";
    EXPECT_EQ(view.timers.front(), 200);
    EXPECT_GE(view.repaints, 1);
    int up = 0, down = 0;
    for (int port = 1; port <= 28; ++port) {
        auto v = ReadPort(port);
        ASSERT_EQ(v.size(), 3u) << port;
        // Ports 25 to 28 are gigabit ports; the others top out at 100 Mbit/s (IsAllGiga=N).
        const std::string top = port > 24 ? "1000000000" : "100000000";
        const int expected = v[0] != "1" ? 2 : v[1] != "1" ? 3 : v[2] == top ? 1 : 0;
        (v[1] == "1" ? up : down)++;
        EXPECT_EQ(win.m_record.PortIndicator[port - 1], expected) << "port " << port;
        EXPECT_EQ(paneltest::StatusOf(win.m_root, port - 1), expected) << "port " << port;
    }
    EXPECT_GT(up, 0);
    EXPECT_GT(down, 0);
    EXPECT_FALSE(win.m_record.PollPending);
    // The blink timer toggles the phase and repaints.
    const bool phase = win.BlinkPhase();
    win.OnTimer(panel::kBlinkTimerId);
    EXPECT_NE(win.BlinkPhase(), phase);
    win.OnTimer(1234);
    EXPECT_NE(win.BlinkPhase(), phase);

    const auto t0 = std::chrono::steady_clock::now();
    EXPECT_TRUE(win.OnClose());
    EXPECT_LT(std::chrono::steady_clock::now() - t0, 1000ms);
    EXPECT_EQ(view.events.back(), "end");
}

TEST_F(LiveWindowTest, PoeModelFollowsTheLedModeAndFibreTwins) {
    StartDevice("10p", {"--fiber", "9:3"});
    CMainWindow win(view, profile, &loader, dialogs, launcher);
    ASSERT_TRUE(win.OnInitDialog());
    ASSERT_TRUE(ui.runUntil([&] { return !view.timers.empty(); }, 8s)) << "no poll applied";
    const auto requests = sim.requests();
    bool modeRead = false;
    for (const auto& r : requests)
        for (const auto& b : r.bindings) modeRead |= b.oid == "1.3.6.1.4.1.171.10.76.12.22.8.0";
    EXPECT_TRUE(modeRead);
    ASSERT_TRUE(win.m_record.LinkModeShown);  // the device shows link state by default
    EXPECT_EQ(win.m_record.PortMedium[8], 3);
    EXPECT_EQ(paneltest::StatusOf(win.m_root, 8), 3);  // copper element of port 9
    EXPECT_EQ(paneltest::StatusOf(win.m_root, 10), win.m_record.PortIndicator[8]);
    EXPECT_NE(win.m_record.PortIndicator[8], 3);
    EXPECT_TRUE(win.OnClose());
}

// Behind a relay every reply carries its marker binding, first or last: the poller's walks go on
// and the panel shows each port as the switch reports it.
TEST_F(LiveWindowTest, ProxyMarkedRepliesStillLightThePanel) {
    for (const std::string version : {"1", "3"})
    for (const char* where : {"first", "last"}) {
        SCOPED_TRACE(std::string(where) + " v" + version);
        StartDevice("28", {"--proxy-marker", where, "--user", "admin:MD5:authpass1:DES:privpass1"});
        if (version == "3") {
            SessionSettings& s = MutableSettings();
            s.SnmpVersion = "3";
            s.SecurityLevel = "3";
            s.UserName = "admin";
            s.AuthProtocol = "2";
            s.AuthPassword = "authpass1";
            s.PrivProtocol = "2";
            s.PrivPassword = "privpass1";
        }
        view = FakeView{};
        CMainWindow win(view, profile, &loader, dialogs, launcher);
        ASSERT_TRUE(win.OnInitDialog());
        ASSERT_TRUE(ui.runUntil([&] { return !view.timers.empty(); }, 8s)) << "no poll applied";
        int up = 0;
        for (int port = 1; port <= 28; ++port) {
            auto v = ReadPort(port);
            ASSERT_EQ(v.size(), 3u) << port;
            const std::string top = port > 24 ? "1000000000" : "100000000";
            const int expected = v[0] != "1" ? 2 : v[1] != "1" ? 3 : v[2] == top ? 1 : 0;
            up += v[1] == "1";
            EXPECT_EQ(win.m_record.PortIndicator[port - 1], expected) << "port " << port;
        }
        EXPECT_GT(up, 0);
        EXPECT_TRUE(win.OnClose());
    }
}

// The status read asks for each port's columns by their known instances, many to a request. A
// switch without some of them (SNMPv1 names one at a time with noSuchName, SNMPv3 marks each with
// an exception) still shows every port it reports, and a port it does not report keeps what it
// showed: no state the switch did not give.
TEST_F(LiveWindowTest, PortsAreReadByKnownIndexAndMissingRowsShowNothing) {
    const std::string oper5 = "1.3.6.1.2.1.2.2.1.8.5", medium = "1.3.6.1.4.1.171.10.76.12.1.13.1.7";
    struct Case {
        std::string what, model, version;
        std::vector<std::string> absent;
        std::set<int> unreported;
        int gets;  // status requests of a read when nothing is missing
    };
    const std::vector<Case> cases = {
        {"every row", "52", "1", {}, {}, 7},
        {"no oper state of port 5, no medium column, SNMPv1", "28", "1", {oper5, medium}, {5}, 0},
        {"the same under SNMPv3", "28", "3", {oper5, medium}, {5}, 0},
        {"ports 27 and 28 without rows", "28", "1", {"1.3.6.1.2.1.2.2.1.5.27", "1.3.6.1.2.1.2.2.1.7.28"}, {27, 28}, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        std::vector<std::string> args{"--user", "admin:MD5:authpass1:DES:privpass1"};
        for (const auto& a : c.absent) args.insert(args.end(), {"--absent", a});
        sim.stop();
        StartDevice(c.model, args);
        if (c.version == "3") {
            SessionSettings& s = MutableSettings();
            s.SnmpVersion = "3", s.SecurityLevel = "3", s.UserName = "admin", s.AuthProtocol = "2";
            s.AuthPassword = "authpass1", s.PrivProtocol = "2", s.PrivPassword = "privpass1";
        }
        view = FakeView{};
        CMainWindow win(view, profile, &loader, dialogs, launcher);
        ASSERT_TRUE(win.OnInitDialog());
        const int ports = win.m_record.PortCount;
        std::vector<int> before;
        for (int e = 0; e < ports; ++e) before.push_back(paneltest::StatusOf(win.m_root, e));
        ASSERT_TRUE(ui.runUntil([&] { return !view.timers.empty(); }, 8s)) << "no poll applied";
        if (c.gets > 0) {  // gets of at most 32 objects, no walk
            int gets = 0;
            for (const auto& r : sim.requests()) {
                EXPECT_FALSE(r.pdu == "getnext" && r.bindings[0].oid.rfind("1.3.6.1.2.1.2.2.1.", 0) == 0);
                if (r.pdu != "get" || r.bindings[0].oid.rfind("1.3.6.1.2.1.2.2.1.", 0) != 0) continue;
                EXPECT_LE(r.bindings.size(), 32u);
                ++gets;
            }
            EXPECT_EQ(gets, c.gets);
        }
        for (int port = 1; port <= ports; ++port) {
            if (c.unreported.count(port)) {
                EXPECT_EQ(win.m_record.PortIndicator[port - 1], panel::kPortEnabled) << port;
                EXPECT_EQ(paneltest::StatusOf(win.m_root, port - 1), before[port - 1]) << port;
                continue;
            }
            auto v = ReadPort(port);
            ASSERT_EQ(v.size(), 3u) << port;
            const std::string top = port > ports - 4 || c.model == "52" ? "1000000000" : "100000000";
            const int expected = v[0] != "1" ? 2 : v[1] != "1" ? 3 : v[2] == top ? 1 : 0;
            EXPECT_EQ(win.m_record.PortIndicator[port - 1], expected) << "port " << port;
            EXPECT_EQ(paneltest::StatusOf(win.m_root, port - 1), expected) << "port " << port;
        }
        EXPECT_TRUE(win.OnClose());
    }
}

// A switch 700 ms away: the poller's 500 ms time-outs would send every request twice. No request
// goes out twice, the very first included, on the PoE and fan models too.
TEST_F(LiveWindowTest, AFarSwitchIsAskedOnceEachTime) {
    for (const std::string model : {"10p", "52"}) {
        SCOPED_TRACE(model);
        sim.stop();
        StartDevice(model, {"--delay-ms", "700"});
        view = FakeView{};
        CMainWindow win(view, profile, &loader, dialogs, launcher);
        ASSERT_TRUE(win.OnInitDialog());
        ASSERT_TRUE(ui.runUntil([&] { return view.timers.size() == 1; }, 10s)) << "no poll applied";
        ASSERT_TRUE(ui.runUntil([&] { return view.timers.size() == 2; }, 12s)) << "no second poll";
        std::map<long, int> sent;
        for (const auto& request : sim.requests()) ++sent[request.requestId];
        for (const auto& [id, times] : sent) EXPECT_EQ(times, 1) << "request " << id;
        EXPECT_TRUE(win.OnClose());
    }
}

TEST_F(LiveWindowTest, PoeLedModeWalksThePoeStates) {
    StartDevice("10p");
    {
        CCommonSnmp set;
        ASSERT_TRUE(set.Open(SNMP_PDU_SET_T));
        set.AddValue("1.3.6.1.4.1.171.10.76.12.22.8.0", SNMP_T_INTEGER, "2");
        CSnmp* reply = nullptr;
        ASSERT_EQ(set.Send(&reply, 0), 0);
        delete reply;
    }
    CMainWindow win(view, profile, &loader, dialogs, launcher);
    ASSERT_TRUE(win.OnInitDialog());
    ASSERT_TRUE(ui.runUntil([&] { return !view.timers.empty(); }, 8s)) << "no poll applied";
    EXPECT_FALSE(win.m_record.LinkModeShown);
    int powered = 0;
    for (int port = 1; port <= 8; ++port) {
        CCommonSnmp get;
        ASSERT_TRUE(get.Open(SNMP_PDU_GET_T));
        get.AddValue(("1.3.6.1.4.1.171.10.76.12.22.1.1.13.1." + std::to_string(port)).c_str(), SNMP_T_NULL, nullptr);
        CSnmp* reply = nullptr;
        ASSERT_EQ(get.Send(&reply, 0), 0);
        int type = 0;
        std::string state;
        reply->getValue(0, type, state);
        delete reply;
        const int expected = state == "POWER ON" ? 1 : (state == "POWER OFF" || state == "Time-based OFF") ? 2 : 0;
        powered += expected == 1;
        EXPECT_EQ(win.m_record.PortIndicator[port - 1], expected) << port << " " << state;
        EXPECT_EQ(win.m_record.PortMedium[port - 1], 2);
    }
    // Ports 9 and 10 have no PoE: their elements and the twins show "not powered".
    for (int e = 8; e < 12; ++e) EXPECT_EQ(paneltest::StatusOf(win.m_root, e), 2) << e;
    EXPECT_GT(powered, 0);
    EXPECT_TRUE(win.OnClose());
}

TEST_F(LiveWindowTest, WhilePausedNothingIsSent) {
    StartDevice("10p");
    CMainWindow win(view, profile, &loader, dialogs, launcher);
    win.m_record.PollPaused = true;
    ASSERT_TRUE(win.OnInitDialog());
    ui.runFor(2500ms);
    EXPECT_TRUE(sim.requests().empty());
    win.m_record.PollPaused = false;
    EXPECT_TRUE(ui.runUntil([&] { return !sim.requests().empty(); }, 4s));
    EXPECT_TRUE(win.OnClose());
}

TEST_F(LiveWindowTest, SaveConfigurationSendsExactlyOneSet) {
    StartDevice("28");
    CMainWindow win(view, profile, &loader, dialogs, launcher);
    ASSERT_TRUE(win.OnInitDialog(false));
    ui.queueAnswer(platform::MsgAnswer::Cancel);
    win.OnSaveConfiguration();
    EXPECT_TRUE(sim.requests().empty());

    ui.clearMessages();
    ui.queueAnswer(platform::MsgAnswer::Ok);
    win.OnSaveConfiguration();
    ASSERT_TRUE(Outcome(win));
    EXPECT_EQ(Texts(), (std::vector<std::string>{"Do you want to save the configuration?", "success"}));
    const auto sets = sim.sets();
    ASSERT_EQ(sets.size(), 1u);
    EXPECT_EQ(sets[0].community, "tessmar");
    ASSERT_EQ(sets[0].bindings.size(), 1u);
    EXPECT_EQ(sets[0].bindings[0].oid, "1.3.6.1.4.1.171.10.76.12.1.10.0");
    EXPECT_EQ(sets[0].bindings[0].type, "INTEGER");
    EXPECT_EQ(sets[0].bindings[0].value, "1");
    EXPECT_EQ(sim.requests().size(), 1u);

    // Reboot: the reboot object, no message after the question.
    ui.clearMessages();
    sim.clearLog();
    ui.queueAnswer(platform::MsgAnswer::Ok);
    win.OnReboot();
    ASSERT_TRUE(Outcome(win));
    EXPECT_EQ(Texts(), (std::vector<std::string>{"Do you want to reboot the device?"}));
    // Exactly one request: a set of the reboot object alone, INTEGER 1.
    const auto all = sim.requests();
    ASSERT_EQ(all.size(), 1u);
    EXPECT_EQ(all[0].pdu, "set");
    EXPECT_EQ(all[0].community, "tessmar");
    ASSERT_EQ(all[0].bindings.size(), 1u);
    EXPECT_EQ(all[0].bindings[0].oid, "1.3.6.1.4.1.171.10.76.12.1.9.0");
    EXPECT_EQ(all[0].bindings[0].type, "INTEGER");
    EXPECT_EQ(all[0].bindings[0].value, "1");
    sim.clearLog();
    ui.queueAnswer(platform::MsgAnswer::Cancel);
    win.OnReboot();
    EXPECT_TRUE(sim.requests().empty());
    win.OnClose();
}

// ---- poller against a silent or busy device ---------------------------------------------

// The status read's first request starts with ifSpeed of port 1; dropping the column silences it.
const char* const kStatusColumn = "1.3.6.1.2.1.2.2.1.5";
const char* const kStatusRead = "1.3.6.1.2.1.2.2.1.5.1";
const char* const kLedModeObject = "1.3.6.1.4.1.171.10.76.12.22.8.0";

// Requests whose first binding is `oid` (walk starts: get-next of the column itself); a read
// sent again after a time-out keeps its request ID and counts once.
int CountRequests(const std::vector<corvex::test::SimRequest>& requests, const std::string& pdu, const std::string& oid) {
    std::set<long> ids;
    for (const auto& r : requests)
        if (r.pdu == pdu && !r.bindings.empty() && r.bindings[0].oid == oid) ids.insert(r.requestId);
    return static_cast<int>(ids.size());
}

// A device that never answers the walk: the walk's time-out ends it with the failure reaction,
// and the next pass reads the mode and walks again without skipping.
TEST_F(LiveWindowTest, UnansweredWalkEndsByTimeOutAndTheNextPassWalksAgain) {
    StartDevice("10p", {"--drop-prefix", kStatusColumn});
    CMainWindow win(view, profile, &loader, dialogs, launcher);
    ASSERT_TRUE(win.OnInitDialog());
    ASSERT_TRUE(ui.runUntil([&] { return CountRequests(sim.requests(), "get", kStatusRead) == 1; }, 5s));
    ASSERT_TRUE(ui.runUntil([&] { return !win.m_record.PollPending.load(); }, 5s));
    for (int i = 0; i < 100; ++i) EXPECT_EQ(win.m_record.PortIndicator[i], panel::kPortEnabled) << i;
    ASSERT_TRUE(ui.runUntil([&] { return CountRequests(sim.requests(), "get", kStatusRead) == 2; }, 12s));
    EXPECT_EQ(CountRequests(sim.requests(), "get", kLedModeObject), 2);
    EXPECT_TRUE(win.OnClose());
}

// While the window thread has not handled the end of a walk, the walk is still pending for the
// poller: three passes are skipped (nothing is sent) and the fourth starts a new walk.
TEST_F(LiveWindowTest, PendingWalkIsAbandonedAfterThreeSkippedPasses) {
    StartDevice("10p", {"--drop-prefix", kStatusColumn});
    CMainWindow win(view, profile, &loader, dialogs, launcher);
    ASSERT_TRUE(win.OnInitDialog());
    // The window thread stays busy from here on: no walk result reaches the panel.
    auto waitFor = [&](int walks, std::chrono::seconds limit) {
        const auto until = std::chrono::steady_clock::now() + limit;
        while (CountRequests(sim.requests(), "get", kStatusRead) < walks) {
            if (std::chrono::steady_clock::now() > until) return false;
            std::this_thread::sleep_for(20ms);
        }
        return true;
    };
    ASSERT_TRUE(waitFor(1, 5s));
    const auto first = std::chrono::steady_clock::now();
    ASSERT_TRUE(waitFor(2, 25s));
    const auto gap = std::chrono::steady_clock::now() - first;
    EXPECT_TRUE(win.m_record.PollPending);
    // The skipped passes sent nothing: one mode read per walk.
    EXPECT_EQ(CountRequests(sim.requests(), "get", kLedModeObject), 2);
    // Ten periods after the walk, then three skipped passes of 1.5 s each, then the mode read
    // and 0.5 s: about 10.5 s. A pass that did not skip would have walked after about 6 s.
    EXPECT_GT(gap, 9s);
    EXPECT_TRUE(win.OnClose());
    win.OnDestroy();
    ui.runFor(100ms);
}

TEST_F(LiveWindowTest, CloseEndsThePollerThreadAndDestroyEndsTheTraffic) {
    StartDevice("28", {"--delay-ms", "300"});
    CMainWindow win(view, profile, &loader, dialogs, launcher);
    ASSERT_TRUE(win.OnInitDialog());
    EXPECT_TRUE(win.PollerRunning());
    // Close while a walk is on its way.
    ASSERT_TRUE(ui.runUntil([&] { return win.m_record.PollPending.load(); }, 5s));
    EXPECT_TRUE(win.OnClose());
    EXPECT_FALSE(win.PollerRunning());
    EXPECT_EQ(view.events.back(), "end");
    win.OnDestroy();
    const size_t sent = sim.requests().size();
    ui.runFor(1500ms);
    EXPECT_EQ(sim.requests().size(), sent);
}

// The shipped profiles: a name without "P" has no PoE or LLDP items and never reads the LED
// mode; a name with "P" keeps them and does.
TEST_F(LiveWindowTest, MenuAndPollingFollowThePInTheName) {
    for (const std::string model : {"28", "10p"}) {
        sim.stop();
        view.timers.clear();
        StartDevice(model);
        CMainWindow win(view, profile, &loader, dialogs, launcher);
        ASSERT_TRUE(win.OnInitDialog());
        ASSERT_TRUE(ui.runUntil([&] { return !view.timers.empty(); }, 8s)) << model;
        const bool poe = model == "10p";
        EXPECT_EQ(win.DeviceName(), poe ? "Corvex-10P" : "Corvex-28");
        for (int c : {kCmdPoePortConfig, kCmdTimeBasedPoe, kCmdLldpGlobal, kCmdLldpRemote, kCmdLldpMed})
            EXPECT_EQ(FindCommand(win.Menu(), c) != nullptr, poe) << model << " " << c;
        EXPECT_EQ(win.Menu()[0].items.size(), poe ? 21u : 18u) << model;
        EXPECT_NE(FindCommand(win.Menu(), kCmdJumboFrame), nullptr);
        EXPECT_EQ(CountRequests(sim.requests(), "get", kLedModeObject) > 0, poe) << model;
        EXPECT_EQ(CountRequests(sim.requests(), "get", kStatusRead) > 0, true) << model;
        EXPECT_TRUE(win.OnClose());
    }
}

// Save and Reboot on a switch 400 ms away return at once, the window thread keeps turning, other
// commands send or open nothing meanwhile; each outcome has its message, and a close follows it.
TEST_F(LiveWindowTest, SaveAndRebootLeaveTheWindowThreadFree) {
    const std::string save = "1.3.6.1.4.1.171.10.76.12.1.10", reboot = "1.3.6.1.4.1.171.10.76.12.1.9";
    struct Case {
        std::vector<std::string> fault;
        bool reboot, unsavedAfter, closeMeanwhile;
        std::string message;                        // after the question
        std::chrono::milliseconds atLeast, atMost;  // to the outcome
    } cases[] = {
        {{}, false, false, false, "success", 400ms, 3s},
        {{"--set-error", save + ":genErr"}, false, true, false, "failed", 400ms, 3s},
        {{"--drop-prefix", save}, false, true, true, "failed", 3500ms, 12s},
        {{"--drop-set-reply", save}, false, true, false, "failed", 3500ms, 12s},
        {{}, true, false, true, "", 400ms, 3s},
        {{"--set-error", reboot + ":badValue"}, true, true, false, "The switch refused to reboot (badValue).", 400ms, 3s},
        {{"--drop-set-reply", reboot}, true, true, false, kRebootNoAnswer, 2500ms, 12s},
    };
    int opened = 0;
    dialogs.Register(kCmdVlanConfiguration, [&] { return ++opened, std::unique_ptr<IModalDialog>(); });
    using Clock = std::chrono::steady_clock;
    for (Case& c : cases) {
        SCOPED_TRACE(c.message + (c.fault.empty() ? "" : " " + c.fault[0]));
        c.fault.insert(c.fault.begin(), {"--delay-ms", "400"});
        StartDevice("28", c.fault);
        ui.clearMessages();
        view = FakeView{};
        CMainWindow win(view, profile, &loader, dialogs, launcher);
        ASSERT_TRUE(win.OnInitDialog());
        app::NoteWriteTaken();
        for (int i = 0; i < 4; ++i) ui.queueAnswer(platform::MsgAnswer::Ok);  // every question agreed to
        const auto start = Clock::now();
        c.reboot ? win.OnReboot() : win.OnSaveConfiguration();
        EXPECT_LT(Clock::now() - start, 100ms);
        ASSERT_TRUE(win.DeviceCommandRunning() && ui.waitCursor());
        for (int command : {kCmdSaveConfiguration, kCmdReboot, kCmdVlanConfiguration, kCmdAbout}) win.OnCommand(command);
        if (c.closeMeanwhile) { EXPECT_TRUE(win.OnClose()); }
        EXPECT_TRUE(view.events.empty());
        Clock::duration longest{};  // between the ticks of a 20 ms timer on the window thread
        auto last = Clock::now();
        std::function<void()> tick = [&] {
            longest = std::max(longest, Clock::now() - std::exchange(last, Clock::now()));
            if (win.DeviceCommandRunning()) ui.singleShot(20, tick);
        };
        ui.singleShot(20, tick);
        ASSERT_TRUE(Outcome(win));
        const auto took = Clock::now() - start;
        EXPECT_TRUE(took >= c.atLeast && took < c.atMost) << std::chrono::duration_cast<std::chrono::milliseconds>(took).count();
        EXPECT_LT(longest, 100ms);
        std::vector<std::string> texts = {c.reboot ? kUnsavedRebootWarning + "Do you want to reboot the device?"
                                                   : "Do you want to save the configuration?", c.message};
        EXPECT_EQ(Texts(), std::vector<std::string>(texts.begin(), texts.end() - c.message.empty()));
        EXPECT_EQ(sim.sets().size() + opened, 1u);
        EXPECT_EQ(win.UnsavedChanges(), c.unsavedAfter);
        EXPECT_EQ(view.events, std::vector<std::string>(c.closeMeanwhile ? 1 : 0, "end"));
        EXPECT_TRUE(!ui.waitCursor() && win.IsCommandAvailable(kCmdVlanConfiguration));
        if (!c.closeMeanwhile) { EXPECT_TRUE(win.OnClose()); }
    }
}

// A write the switch took marks the title until Save Configuration or a reboot; Reboot warns
// while the mark is up, and says when the switch refuses to reboot.
TEST_F(LiveWindowTest, UnsavedChangesMarkTheTitleAndWarnBeforeReboot) {
    StartDevice("28", {"--set-error", "1.3.6.1.4.1.171.10.76.12.1.9:genErr"});
    CMainWindow win(view, profile, &loader, dialogs, launcher);
    ASSERT_TRUE(win.OnInitDialog(false));
    const std::string title = view.title;
    EXPECT_EQ(title.find(kUnsavedTitleMark), std::string::npos);

    app::NoteWriteTaken();  // what every dialog's write helper reports after a set the switch took
    EXPECT_EQ(view.title, title + kUnsavedTitleMark);
    ui.queueAnswer(platform::MsgAnswer::Ok);
    win.OnReboot();
    ASSERT_TRUE(Outcome(win));
    EXPECT_EQ(Texts(), (std::vector<std::string>{std::string(kUnsavedRebootWarning) + "Do you want to reboot the device?",
                                                 "The switch refused to reboot (genErr)."}));
    EXPECT_TRUE(win.UnsavedChanges());
    EXPECT_EQ(sim.sets().size(), 1u);

    ui.clearMessages();
    ui.queueAnswer(platform::MsgAnswer::Ok);
    win.OnSaveConfiguration();
    ASSERT_TRUE(Outcome(win));
    EXPECT_EQ(Texts(), (std::vector<std::string>{"Do you want to save the configuration?", "success"}));
    EXPECT_EQ(view.title, title);
    EXPECT_FALSE(win.UnsavedChanges());
    win.OnClose();
}

}  // namespace

// What users see of the main window: the panel of every shipped model as the module draws it
// against the virtual switch, the menu bar built from the menu table, and a port click.
#include <gtest/gtest.h>

#include <QMenuBar>
#include <QMessageBox>
#include <QPushButton>
#include <QProcess>
#include <QTest>
#include <algorithm>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <thread>
#include <fcntl.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <sys/un.h>
#include <unistd.h>

#include "app/main_window.h"
#include "app/session_settings.h"
#include "gui/main_window_view.h"
#include "gui/qt_ui.h"
#include "gui_test_main.h"
#include "panel/panel_object.h"
#include "panel/port_state.h"
#include "platform/ui.h"
#include "snmp/common_snmp.h"
#include "support/listing_at_start.h"
#include "support/sim_fixture.h"

using namespace std::chrono_literals;

namespace {

std::string ModulePath() {
    const char* build = std::getenv("CORVEX_BUILD_DIR");
    const std::string path = std::string(build ? build : ".") + "/src/gui/corvex-module";
    return access(path.c_str(), X_OK) == 0 ? path : std::string();
}

// admin, oper, speed and medium of every port as the device reports them.
struct PortReading {
    std::string admin, oper, speed;
    int medium = 0;
};

std::vector<PortReading> ReadPorts(int count) {
    std::vector<PortReading> out;
    for (int port = 1; port <= count; ++port) {
        CCommonSnmp session;
        if (!session.Open(SNMP_PDU_GET_T)) return {};
        for (const char* column : {"1.3.6.1.2.1.2.2.1.7", "1.3.6.1.2.1.2.2.1.8", "1.3.6.1.2.1.2.2.1.5",
                                   "1.3.6.1.4.1.171.10.76.12.1.13.1.7"})
            session.AddValue((std::string(column) + "." + std::to_string(port)).c_str(), SNMP_T_NULL, nullptr);
        CSnmp* reply = nullptr;
        if (session.Send(&reply, 0) != 0 || !reply || reply->getValuesCount() != 4) {
            delete reply;
            return {};
        }
        std::string v[4];
        for (int i = 0; i < 4; ++i) {
            int type = 0;
            reply->getValue(i, type, v[i]);
        }
        delete reply;
        out.push_back({v[0], v[1], v[2], std::atoi(v[3].c_str())});
    }
    return out;
}

// Pixels of `shot` inside `rect` that differ from `picture` (transparent picture pixels, which
// show the background through, are not compared). -1 when the rectangle is off the shot.
int DifferingPixels(const QImage& shot, const panel::Rect& rect, const QImage& picture, int* compared) {
    if (rect.left < 0 || rect.top < 0 || rect.right > shot.width() || rect.bottom > shot.height()) return -1;
    int differ = 0;
    *compared = 0;
    for (int y = 0; y < std::min(rect.Height(), picture.height()); ++y)
        for (int x = 0; x < std::min(rect.Width(), picture.width()); ++x) {
            const QRgb want = picture.pixel(x, y);
            if (qAlpha(want) != 255) continue;
            ++*compared;
            if ((shot.pixel(rect.left + x, rect.top + y) & 0xFFFFFF) != (want & 0xFFFFFF)) ++differ;
        }
    return differ;
}

// The module's environment: offscreen, and a single-instance folder of its own, so that modules
// of the same device started by other tests at the same time do not stand in for it.
QProcessEnvironment ModuleEnvironment() {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("QT_QPA_PLATFORM", "offscreen");
    static const std::string runtime = [] {
        char tmpl[] = "/tmp/corvex-gui-rt.XXXXXX";
        return std::string(mkdtemp(tmpl) ? tmpl : "");
    }();
    if (!runtime.empty()) env.insert("XDG_RUNTIME_DIR", QString::fromStdString(runtime));
    return env;
}

class ShippedPanelTest : public guitest::QtTest, public ::testing::WithParamInterface<std::string> {};

// corvex-module --screenshot against a virtual switch of each model: every port element shows
// the picture file of the status the device's state gives it.
TEST_P(ShippedPanelTest, ScreenshotShowsEachPortsStatusPicture) {
    const std::string model = GetParam();
    const std::string module = ModulePath();
    if (module.empty() || corvex::test::SimDevice::simulatorPath().empty()) GTEST_SKIP() << "module or simulator not built";
    corvex::test::SimDevice sim;
    std::string error;
    ASSERT_TRUE(sim.start(model, {}, &error)) << error;
    sim.installAsDevice();
    const std::string dir = corvex::test::SimDevice::panelsDirectory() + "/" + model;
    const std::string shot = sim.directory() + "/panel.png";

    QProcess process;
    process.setProcessEnvironment(ModuleEnvironment());
    process.start(QString::fromStdString(module),
                  {"--profile", QString::fromStdString(dir + "/User.ini"), "--screenshot", QString::fromStdString(shot),
                   QString::fromStdString(sim.hostLine())});
    ASSERT_TRUE(process.waitForFinished(30000));
    ASSERT_EQ(process.exitCode(), 0) << process.readAllStandardError().toStdString();
    QImage image(QString::fromStdString(shot));
    ASSERT_FALSE(image.isNull());

    panel::CDevModule root;
    panel::ModuleList modules;
    ASSERT_TRUE(panel::LoadPanel(dir + "/panel.xml", root, modules, nullptr));
    EXPECT_EQ(image.width(), root.m_iWidth);
    EXPECT_EQ(image.height(), root.m_iHeight);

    const DeviceProfile& profile = Profile();
    const int ports = profile.DevicePortNum;
    const int combo = panel::ComboCountFor(ports);
    const int g = ports == 10 ? ports - 2 : ports - 4;
    const std::vector<PortReading> readings = ReadPorts(ports);
    ASSERT_EQ(static_cast<int>(readings.size()), ports);

    std::vector<int> expected(static_cast<size_t>(ports + combo), panel::kPortEnabled);
    for (int p = 1; p <= ports; ++p) {
        const PortReading& r = readings[static_cast<size_t>(p - 1)];
        const std::string top = (profile.IsAllGiga || p > g) ? "1000000000" : "100000000";
        const int s = r.admin != "1" ? 2 : r.oper != "1" ? 3 : r.speed == top ? 1 : 0;
        if ((r.medium == 3 || r.medium == 4) && p + combo - 1 < ports + combo)
            expected[static_cast<size_t>(p + combo - 1)] = s;
        else
            expected[static_cast<size_t>(p - 1)] = s;
    }
    int up = 0, disabled = 0;
    for (int e = 0; e < ports + combo; ++e) {
        auto* port = dynamic_cast<panel::CPort*>(panel::FindElement(root, "CPort", e));
        ASSERT_NE(port, nullptr) << model << " element " << e;
        const int status = expected[static_cast<size_t>(e)];
        up += status == 0 || status == 1;
        disabled += status == 2;
        QImage picture(QString::fromStdString(dir + "/" + port->m_strPictures[static_cast<size_t>(status)]));
        ASSERT_FALSE(picture.isNull()) << port->m_strPictures[static_cast<size_t>(status)];
        int compared = 0;
        const int differ = DifferingPixels(image, port->GetRect(), picture, &compared);
        EXPECT_EQ(differ, 0) << model << " element " << e << " status " << status;
        EXPECT_GT(compared, port->m_iWidth * port->m_iHeight / 2) << model << " element " << e;
    }
    EXPECT_GT(up, 0) << model;
    EXPECT_GT(disabled, 0) << model;  // port 7 is shut on every model
}

INSTANTIATE_TEST_SUITE_P(Models, ShippedPanelTest, ::testing::Values("10p", "16", "24", "28", "28p", "48", "52"));

// The PoE models with their port LEDs in PoE mode: a powered port shows the top-speed picture,
// every other port (unpowered, switched off by time, or without PoE at all) the dark enabled
// picture, and none the disabled one; the PoE lamp of the mode pair is lit, the link lamp not.
class PoeModePanelTest : public guitest::QtTest, public ::testing::WithParamInterface<std::string> {};

TEST_P(PoeModePanelTest, ScreenshotShowsUnpoweredPortsDarkAndThePoeModeLamp) {
    const std::string model = GetParam();
    const std::string module = ModulePath();
    if (module.empty() || corvex::test::SimDevice::simulatorPath().empty()) GTEST_SKIP() << "module or simulator not built";
    corvex::test::SimDevice sim;
    std::string error;
    ASSERT_TRUE(sim.startAsDevice(model, {"1.3.6.1.4.1.171.10.76.12.22.8.0 i 2"}, {}, &error)) << error;
    const std::string dir = corvex::test::SimDevice::panelsDirectory() + "/" + model;
    const std::string shot = sim.directory() + "/panel.png";
    QProcess process;
    process.setProcessEnvironment(ModuleEnvironment());
    process.start(QString::fromStdString(module),
                  {"--profile", QString::fromStdString(dir + "/User.ini"), "--screenshot", QString::fromStdString(shot),
                   QString::fromStdString(sim.hostLine())});
    ASSERT_TRUE(process.waitForFinished(30000));
    ASSERT_EQ(process.exitCode(), 0) << process.readAllStandardError().toStdString();
    const QImage image(QString::fromStdString(shot));
    ASSERT_FALSE(image.isNull());

    // What the switch says of each PoE port.
    std::vector<std::string> states;
    for (int port = 1; port <= 8; ++port) {
        CCommonSnmp session;
        ASSERT_TRUE(session.Open(SNMP_PDU_GET_T));
        session.AddValue(("1.3.6.1.4.1.171.10.76.12.22.1.1.13.1." + std::to_string(port)).c_str(), SNMP_T_NULL, nullptr);
        CSnmp* reply = nullptr;
        ASSERT_EQ(session.Send(&reply, 0), 0);
        int type = 0;
        std::string state;
        reply->getValue(0, type, state);
        delete reply;
        states.push_back(state);
    }

    panel::CDevModule root;
    panel::ModuleList modules;
    ASSERT_TRUE(panel::LoadPanel(dir + "/panel.xml", root, modules, nullptr));
    const int elements = Profile().DevicePortNum + panel::ComboCountFor(Profile().DevicePortNum);
    int powered = 0;
    for (int e = 0; e < elements; ++e) {
        auto* port = panel::FindPort(root, e);
        ASSERT_NE(port, nullptr) << e;
        const bool on = e < 8 && states[static_cast<size_t>(e)] == "POWER ON";
        powered += on;
        const int picture = on ? panel::kPortLinkTop : panel::kPortEnabled;
        int compared = 0;
        const QImage want(QString::fromStdString(dir + "/" + port->m_strPictures[static_cast<size_t>(picture)]));
        EXPECT_EQ(DifferingPixels(image, port->GetRect(), want, &compared), 0) << model << " element " << e;
        const QImage disabled(QString::fromStdString(dir + "/" + port->m_strPictures[panel::kPortDisabled]));
        EXPECT_GT(DifferingPixels(image, port->GetRect(), disabled, &compared), 0) << model << " element " << e;
    }
    EXPECT_GT(powered, 0);
    EXPECT_LT(powered, 8);
    // The mode pair: link lamp (81, 42) off, PoE lamp (81, 55) lit green; the middle of each.
    EXPECT_EQ(QColor(image.pixel(86, 45)), QColor(58, 62, 58)) << model;
    EXPECT_EQ(QColor(image.pixel(86, 58)), QColor(61, 230, 90)) << model;
}

INSTANTIATE_TEST_SUITE_P(PoeModels, PoeModePanelTest, ::testing::Values("10p", "28p"));

// ---- the window in this process ---------------------------------------------------------

struct NoLaunch : app::IProcessLauncher {
    bool Launch(const std::vector<std::string>&) override { return false; }
};

// Records how the window looked while it ran.
struct ProbeDialog : app::IModalDialog {
    ProbeDialog(gui::MainWindowView& w, std::vector<std::string>& log) : window(w), log(log) {}
    int RunModal() override {
        log.push_back(std::string("visible=") + (window.isVisible() ? "1" : "0") +
                      " paused=" + (window.logic().m_record.PollPaused ? "1" : "0"));
        return 1;
    }
    gui::MainWindowView& window;
    std::vector<std::string>& log;
};

class WindowTest : public guitest::QtTest {
protected:
    void SetUp() override {
        guitest::QtTest::SetUp();
        platform::setUi(&ui);
        if (corvex::test::SimDevice::simulatorPath().empty()) GTEST_SKIP() << "corvex-sim not built";
    }
    void TearDown() override {
        window.reset();
        platform::setUi(nullptr);
        guitest::QtTest::TearDown();
    }
    void Open(const std::string& model) {
        std::string error;
        ASSERT_TRUE(sim.start(model, {}, &error)) << error;
        sim.installAsDevice();
        window = std::make_unique<gui::MainWindowView>(
            corvex::test::SimDevice::panelsDirectory() + "/" + model + "/User.ini", dialogs, launcher);
        window->Initialise();
        window->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
    }

    gui::QtUi ui;
    corvex::test::SimDevice sim;
    app::DialogRegistry dialogs;
    NoLaunch launcher;
    std::unique_ptr<gui::MainWindowView> window;
};

// The Qt menu against the logic's table: same texts, separators and sub-menus in order; each
// command enabled exactly when it does something.
void ExpectSameMenu(QMenu* menu, const std::vector<app::MenuItem>& items, const app::CMainWindow& logic) {
    const QList<QAction*> actions = menu->actions();
    ASSERT_EQ(actions.size(), static_cast<qsizetype>(items.size())) << menu->title().toStdString();
    for (size_t i = 0; i < items.size(); ++i) {
        QAction* action = actions[static_cast<qsizetype>(i)];
        const app::MenuItem& item = items[i];
        switch (item.kind) {
        case app::MenuItem::Kind::Separator: EXPECT_TRUE(action->isSeparator()) << i; break;
        case app::MenuItem::Kind::SubMenu:
            ASSERT_NE(action->menu(), nullptr) << item.text;
            EXPECT_EQ(action->text().toStdString(), item.text);
            ExpectSameMenu(action->menu(), item.items, logic);
            break;
        case app::MenuItem::Kind::Command:
            EXPECT_EQ(action->text().toStdString(), item.text);
            EXPECT_EQ(action->isEnabled(), logic.IsCommandAvailable(item.command)) << item.text;
            break;
        }
    }
}

QAction* FindAction(QWidget* menu, const QString& text) {
    for (QAction* action : menu->actions()) {
        if (action->text() == text) return action;
        if (action->menu())
            if (QAction* found = FindAction(action->menu(), text)) return found;
    }
    return nullptr;
}

TEST_F(WindowTest, MenuBarShowsTheTableAndOpensRegisteredDialogs) {
    std::vector<std::string> log;
    dialogs.Register(app::kCmdVlanConfiguration,
                     [&] { return std::make_unique<ProbeDialog>(*window, log); });
    Open("10p");
    EXPECT_EQ(window->windowTitle().toStdString(), "Corvex-10P: 127.0.0.1");

    QMenuBar* bar = window->menuBar();
    const app::MenuBar& table = window->logic().Menu();
    const QList<QAction*> top = bar->actions();
    ASSERT_EQ(top.size(), static_cast<qsizetype>(table.size()));
    for (size_t i = 0; i < table.size(); ++i) {
        EXPECT_EQ(top[static_cast<qsizetype>(i)]->text().toStdString(), table[i].text);
        ExpectSameMenu(top[static_cast<qsizetype>(i)]->menu(), table[i].items, window->logic());
        // Every menu fits on the bar (none hides behind the overflow button).
        const QRect r = bar->actionGeometry(top[static_cast<qsizetype>(i)]);
        EXPECT_TRUE(r.isValid() && r.right() < bar->width()) << table[i].text;
    }
    QAction* vlan = FindAction(bar, "&VLAN Configuration...");
    QAction* trunk = FindAction(bar, "&Trunk Configuration...");
    ASSERT_TRUE(vlan && trunk);
    EXPECT_TRUE(vlan->isEnabled());
    EXPECT_FALSE(trunk->isEnabled());
    EXPECT_TRUE(FindAction(bar, "&Reboot")->isEnabled());
    EXPECT_NE(FindAction(bar, "&PoE Port Config"), nullptr);
    EXPECT_NE(FindAction(bar, "About Corvex-10P..."), nullptr);

    // The whole panel is in the window.
    QWidget* panelWidget = window->panelWidget();
    const QRect inWindow(panelWidget->mapTo(window.get(), QPoint(0, 0)), panelWidget->size());
    EXPECT_TRUE(window->rect().contains(inWindow));
    EXPECT_EQ(panelWidget->width(), window->logic().m_root.m_iWidth);

    vlan->trigger();
    EXPECT_EQ(log, (std::vector<std::string>{"visible=0 paused=1"}));
    EXPECT_TRUE(window->isVisible());
    EXPECT_FALSE(window->logic().m_record.PollPaused);

    // Save: what would write or open a dialog is greyed out until the outcome; the close waits.
    QTimer agree;  // OK to every message box
    QObject::connect(&agree, &QTimer::timeout, [] {
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) box->button(QMessageBox::Ok)->click();
    });
    agree.start(20);
    const char* refused[] = {"&Save Configuration...", "&Reboot", "&VLAN Configuration...", "About Corvex-10P..."};
    FindAction(bar, refused[0])->trigger();
    for (const char* text : refused) EXPECT_FALSE(FindAction(bar, text)->isEnabled()) << text;
    EXPECT_FALSE(window->close());
    EXPECT_TRUE(window->logic().PollerRunning());
    ASSERT_TRUE(QTest::qWaitFor([&] { return !window->logic().DeviceCommandRunning(); }, 8000));
    EXPECT_FALSE(window->logic().PollerRunning());  // closed after the outcome
    for (const char* text : refused) EXPECT_TRUE(FindAction(bar, text)->isEnabled()) << text;
}

TEST_F(WindowTest, ModelWithoutPoeHasNoPoeOrLldpItems) {
    Open("28");
    QMenuBar* bar = window->menuBar();
    for (const char* text : {"&PoE Port Config", "&Time_Based PoE", "LLDP", "&LLDP Global Setting"})
        EXPECT_EQ(FindAction(bar, text), nullptr) << text;
    EXPECT_NE(FindAction(bar, "&Jumbo Frame Configuration..."), nullptr);
    EXPECT_FALSE(FindAction(bar, "&Port Configuration...")->isEnabled());
    window->logic().OnClose();
}

// A port click announces itself to every listening program of this user and opens the port
// dialog; a click on the port's 2-pixel rim does neither.
TEST_F(WindowTest, PortClickBroadcastsAndOpensThePortDialog) {
    std::vector<std::string> log;
    dialogs.Register(app::kCmdPortConfiguration, [&] { return std::make_unique<ProbeDialog>(*window, log); });
    char pattern[] = "/tmp/corvex-bc-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    const std::string dir = pattern;
    const std::string listenerPath = dir + "/listener.sock";
    const int listener = socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    sockaddr_un addr {};
    addr.sun_family = AF_UNIX;
    std::strncpy(addr.sun_path, listenerPath.c_str(), sizeof addr.sun_path - 1);
    ASSERT_EQ(bind(listener, reinterpret_cast<sockaddr*>(&addr), sizeof addr), 0);

    Open("10p");
    window->setBroadcastDirectory(dir);
    const auto* port = panel::FindElement(window->logic().m_root, "CPort", 2);
    ASSERT_NE(port, nullptr);
    const panel::Rect r = port->GetRect();
    QWidget* panelWidget = window->panelWidget();
    auto receive = [&] {
        char buffer[256];
        const ssize_t n = recv(listener, buffer, sizeof buffer, MSG_DONTWAIT);
        return n > 0 ? std::string(buffer, static_cast<size_t>(n)) : std::string();
    };

    QTest::mouseClick(panelWidget, Qt::LeftButton, {}, QPoint(r.left + 2, r.top + 2));
    QTest::mouseClick(panelWidget, Qt::LeftButton, {}, QPoint(r.right - 2, r.bottom - 2));
    EXPECT_TRUE(log.empty());
    EXPECT_EQ(receive(), "");

    QTest::mouseClick(panelWidget, Qt::LeftButton, {}, QPoint(r.left + 3, r.top + 3));
    EXPECT_EQ(receive(), std::string(app::kPortClickMessage) + " 0 0");
    // The poller is not paused for the port dialog.
    EXPECT_EQ(log, (std::vector<std::string>{"visible=0 paused=0"}));
    EXPECT_TRUE(window->isVisible());

    window->logic().OnClose();
    close(listener);
    std::filesystem::remove_all(dir);
}

}  // namespace

namespace {

struct ModuleRun {
    int exitCode = -1;
    std::string errors;
};

// Runs corvex-module on the 10-port model with the given options before the host line.
ModuleRun RunModule(const std::string& hostLine, const QStringList& options) {
    QProcess process;
    process.setProcessEnvironment(ModuleEnvironment());
    QStringList args{"--profile", QString::fromStdString(corvex::test::SimDevice::panelsDirectory() + "/10p/User.ini")};
    args << options << QString::fromStdString(hostLine);
    process.start(QString::fromStdString(ModulePath()), args);
    if (!process.waitForFinished(40000)) {
        process.kill();
        process.waitForFinished();
        return {};
    }
    return {process.exitCode(), process.readAllStandardError().toStdString()};
}

}  // namespace

// The picture options: --command runs a menu command after the first poll and writes the dialog
// it opens; a switch that never answered gets no picture and a non-zero exit saying so.
class ModuleProcessTest : public guitest::QtTest {};

TEST_F(ModuleProcessTest, CommandShotsShowTheDialogAndASilentSwitchGetsNoPicture) {
    if (ModulePath().empty() || corvex::test::SimDevice::simulatorPath().empty()) GTEST_SKIP() << "not built";
    corvex::test::SimDevice sim;
    std::string error;
    ASSERT_TRUE(sim.start("10p", {}, &error)) << error;
    corvex::test::SimDevice silent;
    ASSERT_TRUE(silent.start("10p", {"--silent-after", "0"}, &error)) << error;
    const std::string dir = sim.directory();
    struct Case {
        std::string what;
        const corvex::test::SimDevice* device;
        QStringList options;
        std::string file;  // written when not empty
        int exitCode;
        std::string error;
    };
    const std::vector<Case> cases = {
        {"VLAN dialog", &sim, {"--command", "32834", "--window-shot", QString::fromStdString(dir + "/vlan.png")},
         dir + "/vlan.png", 0, ""},
        {"no such command", &sim, {"--command", "4242", "--window-shot", QString::fromStdString(dir + "/none.png")}, "",
         2, "command 4242 is not available"},
        {"silent switch", &silent, {"--screenshot", QString::fromStdString(dir + "/silent.png")}, "", 3,
         "the switch at 127.0.0.1 did not answer; no picture written"},
    };
    for (const Case& c : cases) {
        const ModuleRun run = RunModule(c.device->hostLine(), c.options);
        EXPECT_EQ(run.exitCode, c.exitCode) << c.what << ": " << run.errors;
        EXPECT_NE(run.errors.find(c.error), std::string::npos) << c.what << ": " << run.errors;
        if (!c.file.empty()) {
            const QImage picture(QString::fromStdString(c.file));
            // The dialog itself: wider than the 10-port panel's window is high, with its list.
            EXPECT_GT(picture.width(), 500) << c.what;
            EXPECT_GT(picture.height(), 300) << c.what;
        }
    }
    EXPECT_FALSE(std::filesystem::exists(dir + "/none.png"));
    EXPECT_FALSE(std::filesystem::exists(dir + "/silent.png"));

    // A read still under way is waited for: the picture of a form whose read was never answered
    // shows the line that says so, below the controls.
    corvex::test::SimDevice lossy;
    ASSERT_TRUE(lossy.start("10p", {"--drop-prefix", "1.3.6.1.4.1.171.10.76.12.24.5"}, &error)) << error;
    const std::string answered = dir + "/lldp.png", unanswered = dir + "/lldp-not-read.png";
    ASSERT_EQ(RunModule(sim.hostLine(), {"--command", "32825", "--window-shot", QString::fromStdString(answered)}).exitCode, 0);
    ASSERT_EQ(RunModule(lossy.hostLine(), {"--command", "32825", "--window-shot", QString::fromStdString(unanswered)}).exitCode,
              0);
    EXPECT_GT(QImage(QString::fromStdString(unanswered)).height(), QImage(QString::fromStdString(answered)).height());
}

// The picture options wait for a far switch as long as it keeps answering: the 52-port panel
// at 400 ms, a dialog whose reads take longer than the wait but keep coming. A silent switch
// still ends the module within 15 s, and a dialog still reading when the switch falls silent is
// not written as a picture.
TEST_F(ModuleProcessTest, PicturesWaitForASlowSwitchButNotForSilence) {
    if (ModulePath().empty() || corvex::test::SimDevice::simulatorPath().empty()) GTEST_SKIP() << "not built";
    const QString panels = QString::fromStdString(corvex::test::SimDevice::panelsDirectory());
    struct Case {
        std::string what, model;
        std::vector<std::string> device;
        QStringList options;
        int exitCode;
        std::string error;
    };
    const std::vector<Case> cases = {
        {"52-port panel at 400 ms", "52", {"--delay-ms", "400"}, {"--profile", panels + "/52/User.ini", "--screenshot"}, 0,
         ""},
        {"VLAN dialog at 400 ms, longer than the wait", "10p", {"--delay-ms", "400"},
         {"--command", "32834", "--picture-wait", "3", "--window-shot"}, 0, ""},
        {"silent switch", "10p", {"--silent-after", "0"}, {"--screenshot"}, 3, "did not answer; no picture written"},
        {"dialog still reading", "10p", {"--delay-prefix", "1.3.6.1.4.1.171.10.76.12.24.5:6000"},
         {"--command", "32825", "--picture-wait", "2", "--window-shot"}, 3,
         "the dialog \"LLDP Global Settings\" was still reading after 2 s without a reply; no picture written"},
    };
    for (const Case& c : cases) {
        corvex::test::SimDevice sim;
        std::string error;
        ASSERT_TRUE(sim.start(c.model, c.device, &error)) << error;
        const std::string file = sim.directory() + "/shot.png";
        const auto started = std::chrono::steady_clock::now();
        const ModuleRun run = RunModule(sim.hostLine(), QStringList(c.options) << QString::fromStdString(file));
        const auto took = std::chrono::steady_clock::now() - started;
        EXPECT_EQ(run.exitCode, c.exitCode) << c.what << ": " << run.errors;
        EXPECT_NE(run.errors.find(c.error), std::string::npos) << c.what << ": " << run.errors;
        EXPECT_EQ(std::filesystem::exists(file), c.exitCode == 0) << c.what;
        if (c.exitCode == 3) {
            EXPECT_LT(took, 15s) << c.what;
        }
    }
}

// A picture that cannot be made ends the module with a message and a non-zero status: another
// module of the device is running, a step names nothing or brings up a message instead of a
// dialog, a step without a command. A step that opens a child dialog pictures that dialog.
TEST_F(ModuleProcessTest, PicturesThatCannotBeMadeSayWhyAndChildDialogsArePictured) {
    if (ModulePath().empty() || corvex::test::SimDevice::simulatorPath().empty()) GTEST_SKIP() << "not built";
    corvex::test::SimDevice sim;
    std::string error;
    ASSERT_TRUE(sim.start("10p", {}, &error)) << error;
    const std::string dir = sim.directory();
    const auto file = [&](const std::string& name) { return QString::fromStdString(dir + "/" + name); };
    struct Case {
        std::string what;
        QStringList options;
        std::string file;  // written when not empty
        int exitCode;
        std::string error;
    };
    const std::vector<Case> cases = {
        {"VLAN entry through the table's Edit", {"--command", "32834", "--step", "row:1", "--step", "&Edit", "--window-shot",
                                                 file("entry.png")}, dir + "/entry.png", 0, ""},
        {"no such button", {"--command", "32834", "--step", "&Frobnicate", "--window-shot", file("nobutton.png")}, "", 2,
         "step &Frobnicate not played in \"802.1Q VLAN Configuration\": it has no button &Frobnicate; no picture written"},
        {"no such row", {"--command", "32834", "--step", "row:99", "--window-shot", file("norow.png")}, "", 2,
         "it has no row 99"},
        {"a message instead of a dialog", {"--command", "32834", "--step", "&Edit", "--window-shot", file("message.png")},
         "", 2, "a message came up instead of a dialog: \"Please select the VLAN !\"; no picture written"},
        {"step without command", {"--step", "&Edit", "--window-shot", file("nocommand.png")}, "", 1,
         "--step needs --command and --window-shot"},
    };
    for (const Case& c : cases) {
        const ModuleRun run = RunModule(sim.hostLine(), c.options);
        EXPECT_EQ(run.exitCode, c.exitCode) << c.what << ": " << run.errors;
        EXPECT_NE(run.errors.find(c.error), std::string::npos) << c.what << ": " << run.errors;
        if (!c.file.empty()) {
            EXPECT_FALSE(QImage(QString::fromStdString(c.file)).isNull()) << c.what;
        }
    }
    for (const char* name : {"nobutton.png", "norow.png", "message.png", "nocommand.png"})
        EXPECT_FALSE(std::filesystem::exists(dir + "/" + name)) << name;
    // The child's picture is the entry form, not the table behind it.
    const ModuleRun table = RunModule(sim.hostLine(), {"--command", "32834", "--window-shot", file("table.png")});
    ASSERT_EQ(table.exitCode, 0) << table.errors;
    EXPECT_NE(QImage(file("entry.png")).size(), QImage(file("table.png")).size());

    // A second module for the same device, while the first runs.
    QProcess first;
    first.setProcessEnvironment(ModuleEnvironment());
    first.start(QString::fromStdString(ModulePath()),
                {"--profile", QString::fromStdString(corvex::test::SimDevice::panelsDirectory() + "/10p/User.ini"),
                 QString::fromStdString(sim.hostLine())});
    ASSERT_TRUE(first.waitForStarted());
    // Its first status read shows that it has claimed the device.
    sim.clearLog();
    for (int i = 0; i < 200 && sim.countRequests("get", "1.3.6.1.2.1.2.2.1.5.1") == 0; ++i)
        std::this_thread::sleep_for(50ms);
    const ModuleRun second = RunModule(sim.hostLine(), {"--screenshot", file("second.png")});
    first.kill();
    first.waitForFinished();
    EXPECT_EQ(second.exitCode, 4) << second.errors;
    EXPECT_NE(second.errors.find("a module for 127.0.0.1 is already running; no picture written"), std::string::npos)
        << second.errors;
    EXPECT_FALSE(std::filesystem::exists(dir + "/second.png"));
}

// Launch lines and profiles that cannot be used are refused at once with a message on standard
// error, by both programs that take the host's line: nothing is polled, no message box waits
// for a display that a picture run has not got, and nothing crashes. A switch that answers with
// replies that are not usable is not called silent.
TEST_F(ModuleProcessTest, UnusableLaunchLinesAndProfilesAreRefusedWithTheirOwnStatus) {
    if (ModulePath().empty() || corvex::test::SimDevice::simulatorPath().empty()) GTEST_SKIP() << "not built";
    corvex::test::SimDevice sim, garbled;
    std::string error;
    ASSERT_TRUE(sim.start("10p", {}, &error)) << error;
    ASSERT_TRUE(garbled.start("10p", {"--bad-reply", "extra"}, &error)) << error;
    const std::string dir = sim.directory();
    const std::string tool = ModulePath().substr(0, ModulePath().size() - std::string("src/gui/corvex-module").size()) +
                             "tools/corvex-snmp/corvex-snmp";
    const std::string v3 = "/Hx/I127.0.0.1/Cqorvin/Dtessmar/ETRUE/F3/G" + std::to_string(sim.port());
    const std::string profile = corvex::test::SimDevice::panelsDirectory() + "/10p/User.ini";
    std::ofstream(dir + "/empty.ini").close();
    std::ofstream(dir + "/binary.ini", std::ios::binary).write("\x7f" "ELF\0\x01\xff\xfe[DeviceInfo\0=", 16);
    const QString shot = QString::fromStdString(dir + "/shot.png");
    struct Case {
        std::string what;
        bool module;  // corvex-module, else corvex-snmp
        std::string profile;
        std::string line;
        int exitCode;
        std::string error;
    };
    const std::vector<Case> cases = {
        {"SNMPv3 without its fields", true, profile, v3, 5, "asks for SNMPv3 but names no user"},
        {"SNMPv3 with an empty user", true, profile, v3 + "/a/b/c/K1/L/M/N/O1/P1", 5, "names no user"},
        {"corvex-snmp, SNMPv3 without a user", false, "", v3, 2, "names no user"},
        {"no address marker", true, profile, "/Hx/Xqorvin/Dtessmar", 5, "names no switch address"},
        {"a lone slash", true, profile, "/", 5, "names no switch address"},
        {"no line", true, profile, "", 5, "No parameter input !"},
        {"no profile", true, dir + "/missing.ini", sim.hostLine(), 5, "Read User.ini Error !"},
        {"empty profile", true, dir + "/empty.ini", sim.hostLine(), 5, "Read User.ini Error !"},
        {"profile not text", true, dir + "/binary.ini", sim.hostLine(), 5, "Read User.ini Error !"},
        {"replies not usable", true, profile, garbled.hostLine(), 6,
         "the switch at 127.0.0.1 answered, but replies not usable: the switch's reply did not match the request"},
    };
    for (const Case& c : cases) {
        QProcess process;
        process.setProcessEnvironment(ModuleEnvironment());
        QStringList args;
        if (c.module) args << "--profile" << QString::fromStdString(c.profile) << "--screenshot" << shot;
        args << QString::fromStdString(c.line);
        if (!c.module) args << "get" << "1.3.6.1.2.1.1.1.0";
        process.start(QString::fromStdString(c.module ? ModulePath() : tool), args);
        const bool finished = process.waitForFinished(30000);
        if (!finished) process.kill(), process.waitForFinished();
        const std::string errors = process.readAllStandardError().toStdString();
        EXPECT_TRUE(finished) << c.what;
        EXPECT_EQ(process.exitStatus(), QProcess::NormalExit) << c.what << ": " << errors;
        EXPECT_EQ(process.exitCode(), c.exitCode) << c.what << ": " << errors;
        EXPECT_NE(errors.find(c.error), std::string::npos) << c.what << ": " << errors;
        EXPECT_EQ(errors.find("Sanitizer"), std::string::npos) << c.what << ": " << errors;
        EXPECT_FALSE(std::filesystem::exists(dir + "/shot.png")) << c.what;
    }
}

// --command without a picture option opens the command's dialog in the window, as the host's
// shortcut does: Port Configuration reads its port table, which the window alone never reads.
TEST_F(ModuleProcessTest, CommandWithoutPictureOpensTheDialog) {
    if (ModulePath().empty() || corvex::test::SimDevice::simulatorPath().empty()) GTEST_SKIP() << "not built";
    corvex::test::SimDevice sim;
    std::string error;
    ASSERT_TRUE(sim.start("10p", {}, &error)) << error;
    const std::string portTable = "1.3.6.1.4.1.171.10.76.12.1.13.1.2";
    const std::string ifType = "1.3.6.1.2.1.2.2.1.3";
    for (const bool withCommand : {false, true}) {
        sim.clearLog();
        QStringList args{"--profile", QString::fromStdString(corvex::test::SimDevice::panelsDirectory() + "/10p/User.ini")};
        if (withCommand) args << "--command" << "32774";
        args << QString::fromStdString(sim.hostLine());
        QProcess module;
        module.setProcessEnvironment(ModuleEnvironment());
        module.start(QString::fromStdString(ModulePath()), args);
        ASSERT_TRUE(module.waitForStarted());
        // Until the dialog reads its table, or the window has polled twice without it.
        for (int i = 0; i < 300 && sim.countRequests("getnext", portTable) == 0 && sim.countRequests("getnext", ifType) < 2; ++i)
            std::this_thread::sleep_for(50ms);
        module.kill();
        module.waitForFinished();
        EXPECT_EQ(sim.countRequests("getnext", portTable) > 0, withCommand);
    }
}

// The communities and pass phrases of the launch line leave the process's argument memory
// once parsed: /proc/PID/cmdline (what ps shows) no longer carries them.
TEST_F(ModuleProcessTest, LaunchLineSecretsAreGoneFromTheProcessArguments) {
    if (ModulePath().empty() || corvex::test::SimDevice::simulatorPath().empty()) GTEST_SKIP() << "not built";
    corvex::test::SimDevice sim;
    std::string error;
    ASSERT_TRUE(sim.start("10p", {"--user", "admin:SHA:authpass1:DES:privpass1"}, &error)) << error;
    const std::string line = "/Htest/I127.0.0.1/Cqorvin/Dtessmar/ETRUE/F3/G" + std::to_string(sim.port()) +
                             "/a/b/c/L3/Uadmin/Aauthpass1/Xprivpass1/M3/N2";
    QProcess process;
    process.setProcessEnvironment(ModuleEnvironment());
    process.start(QString::fromStdString(ModulePath()),
                  {"--profile", QString::fromStdString(corvex::test::SimDevice::panelsDirectory() + "/10p/User.ini"),
                   QString::fromStdString(line)});
    ASSERT_TRUE(process.waitForStarted());
    const std::string procFile = "/proc/" + std::to_string(process.processId()) + "/cmdline";
    std::string cmdline;
    // Until the module has parsed its line (a scrubbed field shows), or 10 s.
    for (int i = 0; i < 200 && cmdline.find("/C*") == std::string::npos; ++i) {
        std::ifstream in(procFile);
        cmdline.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
        std::this_thread::sleep_for(50ms);
    }
    process.kill();
    process.waitForFinished();
    std::replace(cmdline.begin(), cmdline.end(), '\0', ' ');
    EXPECT_NE(cmdline.find("/I127.0.0.1/C******/D*******/ETRUE/F3"), std::string::npos) << cmdline;
    EXPECT_NE(cmdline.find("/Uadmin/A*********/X*********/M3/N2"), std::string::npos) << cmdline;
    for (const char* secret : {"qorvin", "tessmar", "authpass1", "privpass1"})
        EXPECT_EQ(cmdline.find(secret), std::string::npos) << secret;
}

// The module's listing when it stops itself at its start (offscreen).
std::string ModuleListingAtStart(const std::vector<std::string>& args) {
    return corvex::test::ListingAtStart(ModulePath(), args, {"QT_QPA_PLATFORM=offscreen"});
}

// The secrets are overwritten before the module does anything else (before Qt, before parsing
// its options): stopped at its start, its listing no longer shows them, with Qt's options in
// front of the line too. (--step without --command makes the module end at once should it never
// stop.)
TEST_F(ModuleProcessTest, LaunchLineSecretsAreGoneBeforeAnythingElseRuns) {
    if (ModulePath().empty()) GTEST_SKIP() << "not built";
    const std::string line = "/Htest/I127.0.0.1/Cqorvin/Dtessmar/ETRUE/F3/G161/a/b/c/L3/Uadmin/Aauthpass1/Xprivpass1/M3/N2";
    const std::string shown = "/Htest/I127.0.0.1/C******/D*******/ETRUE/F3/G161/a/b/c/L3/Uadmin/A*********/X*********/M3/N2";
    for (const std::vector<std::string>& before :
         {std::vector<std::string>{"--step", "row:1"}, {"-platform", "offscreen", "--profile", "/tmp/User.ini", "--step", "row:1"},
          {"--report-first-paint", "--step", "/Cnot/Dsecret"}}) {
        std::vector<std::string> args = before;
        args.push_back(line);
        const std::string listing = ModuleListingAtStart(args);
        SCOPED_TRACE(before.front());
        ASSERT_FALSE(listing.empty()) << "the module did not stop at its start";
        EXPECT_NE(listing.find(shown), std::string::npos) << listing;
        for (const char* secret : {"qorvin", "tessmar", "authpass1", "privpass1"})
            EXPECT_EQ(listing.find(secret), std::string::npos) << secret;
        // Options and their values stay as they were.
        EXPECT_NE(listing.find(before.back()), std::string::npos) << listing;
    }
}

// While the switch does not answer, the window's title says so; the next good poll clears it.
TEST_F(WindowTest, TitleTellsWhenTheSwitchStopsAnswering) {
    std::string error;
    // Silent long enough for the next poll's reads to give up after all their tries.
    ASSERT_TRUE(sim.start("10p", {"--reboot-seconds", "14"}, &error)) << error;
    sim.installAsDevice();
    window = std::make_unique<gui::MainWindowView>(
        corvex::test::SimDevice::panelsDirectory() + "/10p/User.ini", dialogs, launcher);
    window->Initialise();
    window->show();
    const std::string title = "Corvex-10P: 127.0.0.1";
    auto titleIs = [&](const std::string& want, int ms) {
        return QTest::qWaitFor([&] { return window->windowTitle().toStdString() == want; }, ms);
    };
    // The panel itself says what goes on: connecting, then nothing once polled.
    EXPECT_EQ(window->panelNotice(), "Connecting to 127.0.0.1\u2026");
    ASSERT_TRUE(QTest::qWaitFor([&] { return window->polled(); }, 10000));
    EXPECT_EQ(window->panelNotice(), "");
    EXPECT_EQ(window->windowTitle().toStdString(), title);
    {
        CCommonSnmp reboot;
        ASSERT_TRUE(reboot.Open(SNMP_PDU_SET_T));
        reboot.AddValue("1.3.6.1.4.1.171.10.76.12.1.9.0", SNMP_T_INTEGER, "1");
        CSnmp* reply = nullptr;
        if (reboot.Send(&reply, 0) == 0) delete reply;
    }
    EXPECT_TRUE(titleIs(title + gui::MainWindowView::kNotAnsweringSuffix, 14000)) << window->windowTitle().toStdString();
    EXPECT_EQ(window->panelNotice(), "Not answering");
    EXPECT_TRUE(titleIs(title, 25000)) << window->windowTitle().toStdString();
    EXPECT_EQ(window->panelNotice(), "");
    window->logic().OnClose();
}

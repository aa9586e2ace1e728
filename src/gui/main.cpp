// corvex-module [--profile FILE] [--screenshot FILE.png] [--window-shot FILE.png] [--click-port N]
//               [--report-first-paint] '<host command line>'
// One module process per managed device: parses the host's command line, claims the device's
// single-instance lock, and runs the main window until it closes.
// --screenshot writes the panel after the first applied poll and ends the module; --window-shot
// does the same with the whole window (menu bar and panel); with --click-port the port is
// clicked first and the screenshot shows the dialog that opens. --report-first-paint prints the
// time from the start of the process to the first paint that shows the device's state.
#include <unistd.h>

#include <QApplication>
#include <QTimer>
#include <QWidget>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fstream>
#include <iostream>
#include <sstream>

#include "app/main_window.h"
#include "app/session_settings.h"
#include "gui/main_window_view.h"
#include "gui/qt_ui.h"
#include "platform/single_instance.h"
#include "platform/system.h"
#include "platform/ui.h"
#ifdef CORVEX_HAVE_PORTS
#include "features/ports/register.h"
#endif
#ifdef CORVEX_HAVE_VLAN
#include "features/vlan/register.h"
#endif
#ifdef CORVEX_HAVE_SECURITY
#include "features/security/register.h"
#endif
#ifdef CORVEX_HAVE_MIB
#include "features/mib/register.h"
#endif
#ifdef CORVEX_HAVE_AGENT
#include "features/agent/register.h"
#endif
#ifdef CORVEX_HAVE_POE
#include "features/poe/register.h"
#endif
#ifdef CORVEX_HAVE_LLDP
#include "features/lldp/register.h"
#endif
#ifdef CORVEX_HAVE_MAINTENANCE
#include "features/maintenance/register.h"
#endif

namespace {

// Milliseconds since this process started (10 ms resolution), or -1.
double MsSinceProcessStart() {
    std::ifstream in("/proc/self/stat");
    std::string stat((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const size_t paren = stat.rfind(')');
    if (paren == std::string::npos) return -1;
    std::istringstream fields(stat.substr(paren + 2));
    std::string field;
    // After the command name: state is field 3, starttime field 22.
    for (int i = 3; i < 22 && fields >> field;) ++i;
    unsigned long long startTicks = 0;
    if (!(fields >> startTicks)) return -1;
    timespec now {};
    clock_gettime(CLOCK_BOOTTIME, &now);
    const double ticks = static_cast<double>(sysconf(_SC_CLK_TCK));
    return (static_cast<double>(now.tv_sec) + now.tv_nsec / 1e9 - static_cast<double>(startTicks) / ticks) * 1000.0;
}

// Connects every dialog this build has to its menu command.
void RegisterDialogs(app::DialogRegistry& registry) {
#ifdef CORVEX_HAVE_PORTS
    features::RegisterPortDialogs(registry);
#endif
#ifdef CORVEX_HAVE_VLAN
    RegisterVlanDialogs(registry);
#endif
#ifdef CORVEX_HAVE_SECURITY
    RegisterSecurityDialogs(registry);
#endif
#ifdef CORVEX_HAVE_MIB
    RegisterMibDialogs(registry);
#endif
#ifdef CORVEX_HAVE_AGENT
    RegisterAgentDialogs(registry);
#endif
#ifdef CORVEX_HAVE_POE
    RegisterPoeDialogs(registry);
#endif
#ifdef CORVEX_HAVE_LLDP
    RegisterLldpDialogs(registry);
#endif
#ifdef CORVEX_HAVE_MAINTENANCE
    RegisterMaintenanceDialogs(registry);
#endif
    (void)registry;
}

constexpr const char* kUsage =
    "usage: corvex-module [--help] [--version] [--profile FILE] [--screenshot FILE.png] [--window-shot FILE.png]\n"
    "                     [--click-port N] [--report-first-paint] '<host command line>'\n"
    "  the host command line: /H<x>/I<address>/C<read community>/D<write community>/E<TRUE|FALSE>\n"
    "                         /F<1|3>/G<agent port>[/...SNMPv3 fields 8 to 16]\n";

// Before Qt starts: --help, and pictures without a display use the offscreen platform.
bool PrepareEnvironment(int argc, char** argv) {
    bool picture = false;
    for (int i = 1; i < argc; ++i) {
        if (!std::strcmp(argv[i], "--help") || !std::strcmp(argv[i], "-h")) {
            std::fputs(kUsage, stdout);
            return false;
        }
        if (!std::strcmp(argv[i], "--version")) {
            std::puts("corvex-module " CORVEX_VERSION);
            return false;
        }
        picture = picture || !std::strcmp(argv[i], "--screenshot") || !std::strcmp(argv[i], "--window-shot");
    }
    const bool display = std::getenv("DISPLAY") || std::getenv("WAYLAND_DISPLAY");
    if (picture && !display && !std::getenv("QT_QPA_PLATFORM")) setenv("QT_QPA_PLATFORM", "offscreen", 1);
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    if (!PrepareEnvironment(argc, argv)) return 0;
    QApplication application(argc, argv);
    gui::QtUi ui;
    platform::setUi(&ui);
    gui::QtFormHost formHost;
    platform::setFormHost(&formHost);

    std::string profilePath = DefaultProfilePath(platform::ExecutableDirectory());
    std::string screenshot;
    std::string windowShot;
    int clickPort = 0;
    bool reportFirstPaint = false;
    std::string line;
    const QStringList args = QApplication::arguments();
    for (int i = 1; i < args.size(); ++i) {
        const std::string a = args[i].toStdString();
        if (a == "--profile" && i + 1 < args.size())
            profilePath = args[++i].toStdString();
        else if (a == "--screenshot" && i + 1 < args.size())
            screenshot = args[++i].toStdString();
        else if (a == "--window-shot" && i + 1 < args.size())
            windowShot = args[++i].toStdString();
        else if (a == "--click-port" && i + 1 < args.size())
            clickPort = args[++i].toInt();
        else if (a == "--report-first-paint")
            reportFirstPaint = true;
        else
            line += (line.empty() ? "" : " ") + a;
    }
    if (line.empty()) {
        platform::ShowMessage("No parameter input !");
        return 1;
    }
    ParseCommandLine(line, MutableSettings());

    const std::string deviceName = LoadDeviceName(profilePath);
    const std::string instance = InstanceName(deviceName, Settings().DeviceAddress);
    platform::SingleInstance single;
    if (!single.claim(instance)) {
        single.notifyRunning(instance);
        return 0;
    }

    RegisterDialogs(app::Dialogs());
    app::SpawnLauncher launcher;
    gui::MainWindowView window(profilePath, app::Dialogs(), launcher);
    single.listen([&window] { window.logic().OnActivateMessage(); });
    window.Initialise();
    int result = 0;
    if (reportFirstPaint) {
        window.setFirstPaintHandler([](bool polled) {
            std::printf("%s after %.0f ms\n", polled ? "first painted poll" : "first paint", MsSinceProcessStart());
            std::fflush(stdout);
        });
    }
    // The picture handlers run later, inside exec(): what they use lives at this scope.
    bool saved = false;
    auto write = [&result](const QImage& image, const std::string& file) {
        if (file.empty()) return;
        if (image.isNull() || !image.save(QString::fromStdString(file))) {
            std::cerr << "corvex-module: cannot write " << file << "\n";
            result = 2;
        }
    };
    if (!screenshot.empty() || !windowShot.empty()) {
        // Render after the first applied poll, or after a while without one.
        auto save = [&] {
            if (saved) return;
            saved = true;
            if (clickPort > 0) {
                // The port's dialog runs modally inside the click: picture it once it is up.
                auto* poll = new QTimer(&window);
                bool shot = false;
                QObject::connect(poll, &QTimer::timeout, &window, [&] {
                    QWidget* dialog = QApplication::activeModalWidget();
                    if (!dialog || shot) return;
                    shot = true;
                    write(dialog->grab().toImage(), screenshot);
                    dialog->close();
                });
                poll->start(500);
                const bool clicked = window.clickPort(clickPort);
                poll->stop();
                if (!clicked || !shot) {
                    std::cerr << "corvex-module: no dialog opened for port " << clickPort << "\n";
                    result = 2;
                }
            } else {
                write(window.renderPanel(), screenshot);
            }
            write(window.renderWindow(), windowShot);
            window.logic().OnClose();
        };
        window.setFirstPollHandler(save);
        QTimer::singleShot(15000, &window, save);
    }
    window.show();
    const int rc = application.exec();
    single.stopListening();
    return result != 0 ? result : rc;
}

// corvex-module [--profile FILE] [--screenshot FILE.png] '<host command line>'
// One module process per managed device: parses the host's command line, claims the device's
// single-instance lock, and runs the main window until it closes.
#include <unistd.h>

#include <QApplication>
#include <QTimer>
#include <climits>
#include <cstring>
#include <iostream>

#include "app/main_window.h"
#include "app/session_settings.h"
#include "gui/main_window_view.h"
#include "gui/qt_ui.h"
#include "platform/single_instance.h"
#include "platform/ui.h"
#ifdef CORVEX_HAVE_PORTS
#include "features/ports/register.h"
#endif
#ifdef CORVEX_HAVE_VLAN
#include "features/vlan/register.h"
#endif
#ifdef CORVEX_HAVE_MIB
#include "features/mib/register.h"
#endif

namespace {

std::string ExecutableDirectory() {
    char buffer[PATH_MAX];
    const ssize_t n = readlink("/proc/self/exe", buffer, sizeof buffer - 1);
    if (n <= 0) return ".";
    std::string path(buffer, static_cast<size_t>(n));
    const size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? "." : path.substr(0, slash);
}

// Connects every dialog this build has to its menu command.
void RegisterDialogs(app::DialogRegistry& registry) {
#ifdef CORVEX_HAVE_PORTS
    features::RegisterPortDialogs(registry);
#endif
#ifdef CORVEX_HAVE_VLAN
    RegisterVlanDialogs(registry);
#endif
#ifdef CORVEX_HAVE_MIB
    RegisterMibDialogs(registry);
#endif
    (void)registry;
}

}  // namespace

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    gui::QtUi ui;
    platform::setUi(&ui);
    gui::QtFormHost formHost;
    platform::setFormHost(&formHost);

    std::string profilePath = ExecutableDirectory() + "/User.ini";
    std::string screenshot;
    std::string line;
    const QStringList args = QApplication::arguments();
    for (int i = 1; i < args.size(); ++i) {
        const std::string a = args[i].toStdString();
        if (a == "--profile" && i + 1 < args.size())
            profilePath = args[++i].toStdString();
        else if (a == "--screenshot" && i + 1 < args.size())
            screenshot = args[++i].toStdString();
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
    if (!screenshot.empty()) {
        // Render after the first applied poll, or after a while without one.
        bool saved = false;
        auto save = [&] {
            if (saved) return;
            saved = true;
            if (!window.renderPanel().save(QString::fromStdString(screenshot))) {
                std::cerr << "corvex-module: cannot write " << screenshot << "\n";
                result = 2;
            }
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

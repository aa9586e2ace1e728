// corvex-module [--profile FILE] [--screenshot FILE.png] [--window-shot FILE.png] [--picture-wait S]
//               [--click-port N | --command ID [--step STEP]...] [--report-first-paint]
//               '<host command line>'
// One module process per managed device: parses the host's command line, claims the device's
// single-instance lock, and runs the main window until it closes.
// --screenshot writes the panel after the first applied poll and ends the module; --window-shot
// does the same with the whole window (menu bar and panel); with --click-port the port is
// clicked first and the screenshot shows the dialog that opens; with --command ID the menu
// command runs after the first poll and the window shot shows the dialog it opens, after the
// steps (a row or a button clicked in the dialog on top, as the user would) have been played.
// Without a picture option --command ID opens its dialog in the window, as the host's shortcut
// does. A picture that cannot be made (switch never answered, another module of the device
// running, a command or step that opens nothing) ends the module with a message and a non-zero
// status. --report-first-paint prints the time from the start of the process to the first
// paint that shows the device's state.
#include <fcntl.h>
#include <unistd.h>

#include <QApplication>
#include <QLineEdit>
#include <QMessageBox>
#include <QTimer>
#include <QSocketNotifier>
#include <QWidget>
#include <chrono>
#include <climits>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fstream>
#include <functional>
#include <iostream>
#include <memory>
#include <sstream>
#include <algorithm>
#include <vector>

#include "app/main_window.h"
#include "app/session_settings.h"
#include "gui/form_dialog.h"
#include "gui/main_window_view.h"
#include "gui/qt_ui.h"
#include "platform/single_instance.h"
#include "platform/system.h"
#include "platform/ui.h"
#include "snmp/snmp_lib.h"
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

constexpr int kExitUnusableLaunch = 5;   // no line, no address, SNMPv3 without a user, no profile
constexpr int kExitUnusableReplies = 6;  // the switch answered, but not with its state

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

// A picture waits this long at most for the next reply of the switch (--picture-wait).
constexpr int kNoProgressLimitMs = 15000;
// Before the first poll the wait ends a second sooner: closing may wait that long for the
// poller's read in flight, and a silent switch has its answer within the limit.
int FirstPollSilenceMs(int limitMs) { return limitMs > 2000 ? limitMs - 1000 : limitMs; }

bool FormStillReading(const platform::Form& form) {
    for (const std::string& name : form.readNames())
        if (form.readState(name) == platform::Form::ReadState::Running) return true;
    return false;
}

// What a form's reads have brought so far: the state of each read and the rows of its lists.
// A change is progress, however slow, and so is any reply of the switch (a read may gather
// rows before it shows them).
std::string FormReadProgress(const platform::Form& form) {
    std::string seen;
    for (const std::string& name : form.readNames()) {
        const auto state = form.readState(name);
        seen += name + "=" + std::to_string(state ? static_cast<int>(*state) : -1) + ";";
    }
    for (const auto& control : form.allControls())
        if (const auto* list = dynamic_cast<const platform::ReportList*>(control.get()))
            seen += std::to_string(list->rowCount()) + ",";
    return seen;
}

// Plays one --step on a dialog as the user would: "row:N" clicks row N (from 1) of its first
// list, anything else clicks the button with that caption ('&' optional). Empty when the click
// was made, else why not. A button that opens a dialog returns once that dialog has closed.
std::string PlayStep(platform::Form& form, const std::string& step) {
    if (step.rfind("row:", 0) == 0) {
        const int row = std::atoi(step.c_str() + 4);
        for (const auto& control : form.allControls()) {
            auto* list = dynamic_cast<platform::ReportList*>(control.get());
            if (!list) continue;
            if (row < 1 || row > list->rowCount()) return "it has no row " + step.substr(4);
            if (!list->usable()) return "its list is disabled";
            list->userClickRow(row - 1);
            return {};
        }
        return "it has no list";
    }
    auto* button = dynamic_cast<platform::PushButton*>(form.find(step));
    if (!button) return "it has no button " + step;
    if (!button->usable()) return "its button " + step + " is disabled";
    button->userClick();
    return {};
}

// "find:TEXT": opens the find line of the dialog's first list and types TEXT there.
std::string PlayFind(gui::FormDialog& dialog, const std::string& text) {
    for (const auto& control : dialog.form().allControls()) {
        if (control->kind() != platform::ControlKind::List) continue;
        auto* view = qobject_cast<gui::ReportView*>(dialog.widgetFor(*control));
        if (!view || !view->findEdit()) return "its list has no find line";
        view->openFind();
        view->findEdit()->setText(QString::fromStdString(text));
        return {};
    }
    return "it has no list";
}

constexpr const char* kUsage =
    "usage: corvex-module [--help] [--version] [--profile FILE] [--screenshot FILE.png]\n"
    "                     [--window-shot FILE.png] [--picture-wait S]"
    " [--click-port N | --command ID [--step STEP]...] [--report-first-paint]\n"
    "                     '<host command line>'\n"
    "  --screenshot FILE     write the panel after the first poll, then exit\n"
    "  --window-shot FILE    write the whole window after the first poll, then exit\n"
    "  --click-port N        click port N first; --screenshot then shows the dialog it opens\n"
    "  --command ID          open the dialog of menu command ID (e.g. 32834, VLAN Configuration)\n"
    "                        in the window; with --window-shot: after the first poll, picture\n"
    "                        the dialog, then close it and exit\n"
    "  --step STEP           before that picture, click in the dialog on top: STEP is row:N\n"
    "                        (row N of its first list), find:TEXT (its first list's find line\n"
    "                        with TEXT) or a button's caption (e.g. '&Edit');\n"
    "                        repeatable, for dialogs that other dialogs open\n"
    "  --picture-wait S      give a picture up when the switch sends nothing for S seconds\n"
    "                        (default 15)\n"
    "  Exit status 2 when a requested picture cannot be made (no such command, nothing opened,\n"
    "  a step that fails), 3 when the switch sends nothing for that wait (before the first poll, or\n"
    "  while the dialog pictured is still reading), 4 when a module for the same device is\n"
    "  already running, 5 when the launch line or the profile cannot be used\n"
    "  (no line, no address, SNMPv3 without a user, \"Read User.ini Error !\"), 6 when the switch\n"
    "  answered but refused the credentials or its replies were not usable.\n"
    "  the host command line: /H<x>/I<address>/C<read community>/D<write community>/E<TRUE|FALSE>\n"
    "                         /F<1|3>/G<agent port>[/...SNMPv3 fields 8 to 16]\n";

// The options of this program that take a value.
bool TakesValue(const std::string& a) {
    return a == "--profile" || a == "--screenshot" || a == "--window-shot" || a == "--click-port" ||
           a == "--command" || a == "--step" || a == "--picture-wait";
}

// The launch arguments, kept by the program once their secrets have left the process listing.
struct LaunchArguments {
    std::vector<std::vector<char>> text;  // each argument, NUL-terminated
    std::vector<char*> pointers;          // argv-style, into `text`, ending with a null pointer
};

// Copies the arguments and overwrites the communities and pass phrases of the host's line in the
// process's own argument memory, which ps and /proc/PID/cmdline show. The host's line is what is
// not an option of this program, from the first argument that starts with '/' (Qt's options come
// before it). The copies keep every character for Qt and the parsing that follow.
LaunchArguments HideLaunchSecrets(int argc, char** argv) {
    LaunchArguments kept;
    std::vector<char*> line;
    for (int i = 0; i < argc; ++i) {
        const std::size_t length = std::strlen(argv[i]);
        kept.text.emplace_back(argv[i], argv[i] + length + 1);
        if (i == 0) continue;
        if (TakesValue(argv[i]) && i + 1 < argc) {
            kept.text.emplace_back(argv[i + 1], argv[i + 1] + std::strlen(argv[i + 1]) + 1);
            ++i;
        } else if (std::strcmp(argv[i], "--report-first-paint") != 0 && (!line.empty() || argv[i][0] == '/')) {
            line.push_back(argv[i]);
        }
    }
    for (auto& t : kept.text) kept.pointers.push_back(t.data());
    kept.pointers.push_back(nullptr);
    ScrubSecretArguments(line.data(), static_cast<int>(line.size()));
    return kept;
}

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
    // First of all: the launch line's secrets leave the process listing. Everything after this
    // works on the copies.
    LaunchArguments launch = HideLaunchSecrets(argc, argv);
    // CORVEX_STOP_AT_START stops the process here (SIGSTOP), so that a test or a debugger sees it
    // as it is before anything else has run.
    if (std::getenv("CORVEX_STOP_AT_START")) std::raise(SIGSTOP);
    char** const original = argv;
    argv = launch.pointers.data();
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
    int command = 0;
    std::vector<std::string> steps;
    int pictureWaitMs = kNoProgressLimitMs;
    bool reportFirstPaint = false;
    std::string line;
    std::vector<char*> lineArgs;  // the argument strings that make the host's line
    // The arguments Qt left (it takes out its own), in the process's own argument memory.
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        const bool hasValue = i + 1 < argc;
        if (a == "--profile" && hasValue)
            profilePath = argv[++i];
        else if (a == "--screenshot" && hasValue)
            screenshot = argv[++i];
        else if (a == "--window-shot" && hasValue)
            windowShot = argv[++i];
        else if (a == "--click-port" && hasValue)
            clickPort = std::atoi(argv[++i]);
        else if (a == "--command" && hasValue)
            command = std::atoi(argv[++i]);
        else if (a == "--step" && hasValue)
            steps.push_back(argv[++i]);
        else if (a == "--picture-wait" && hasValue)
            pictureWaitMs = std::clamp(std::atoi(argv[++i]), 1, 3600) * 1000;
        else if (a == "--report-first-paint")
            reportFirstPaint = true;
        else {
            line += (line.empty() ? "" : " ") + a;
            lineArgs.push_back(argv[i]);
        }
    }
    const bool picture = !screenshot.empty() || !windowShot.empty();
    // A launch that cannot go on: in a picture run nobody could close a message box, so the
    // message goes to standard error.
    auto refuse = [picture](const std::string& message) {
        if (picture) std::cerr << "corvex-module: " << message << "\n";
        else platform::ShowMessage(message);
        return kExitUnusableLaunch;
    };
    if (line.empty()) return refuse("No parameter input !");
    if (!steps.empty() && (command == 0 || windowShot.empty())) {
        std::cerr << "corvex-module: --step needs --command and --window-shot\n";
        return 1;
    }
    ParseCommandLine(line, MutableSettings());
    // The communities and pass phrases are in the settings now: the copies lose them, and so does
    // the process listing again, in case Qt's options made the first look miss where the line
    // starts.
    std::vector<char*> listed;
    for (char* arg : lineArgs)
        for (std::size_t k = 0; k < launch.text.size(); ++k)
            if (launch.text[k].data() == arg) listed.push_back(original[k]);
    ScrubSecretArguments(listed.data(), static_cast<int>(listed.size()));
    ScrubSecretArguments(lineArgs.data(), static_cast<int>(lineArgs.size()));
    std::fill(line.begin(), line.end(), '\0');
    if (const std::string problem = LaunchLineProblem(Settings()); !problem.empty()) return refuse(problem);
    if (picture) {
        DeviceProfile profile;
        if (LoadDeviceProfile(profilePath, profile) != ProfileLoad::Ok)
            return refuse("Read User.ini Error ! (" + profilePath + ")");
    }

    const std::string deviceName = LoadDeviceName(profilePath);
    const std::string instance = InstanceName(deviceName, Settings().DeviceAddress);
    platform::SingleInstance single;
    if (!single.claim(instance)) {
        if (picture) {
            // The running module owns the device's window; this one has nothing to picture.
            std::cerr << "corvex-module: a module for " << Settings().DeviceAddress
                      << " is already running; no picture written\n";
            return 4;
        }
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
    bool stillReading = false;  // the dialog's reads were given up
    auto write = [&result](const QImage& image, const std::string& file) {
        if (file.empty()) return;
        if (image.isNull() || !image.save(QString::fromStdString(file))) {
            std::cerr << "corvex-module: cannot write " << file << "\n";
            result = 2;
        }
    };
    // Runs `open`, which opens a modal dialog and returns once it is closed. Once the dialog has
    // been up for `settleMs` (its first reads done), each step is played on the dialog on top and
    // given `settleMs` again; then the dialog on top goes to `file` and it is closed, and so is
    // everything modal under it or brought up by closing it. Empty when the picture was taken,
    // else why not.
    auto shootDialog = [&](const std::function<void()>& open, const std::string& file, int settleMs,
                           const std::vector<std::string>& steps) {
        QTimer poll;
        std::string failure = "nothing opened";
        bool done = false;
        size_t played = 0;
        int upMs = 0;
        int quietMs = 0;         // how long the dialog's reads have made no progress
        std::string progress;    // what they had read at the last look
        constexpr int kTickMs = 100;
        QObject::connect(&poll, &QTimer::timeout, &window, [&] {
            QWidget* dialog = QApplication::activeModalWidget();
            if (!dialog) return;
            if (done) {
                dialog->close();
                return;
            }
            upMs += kTickMs;
            if (upMs < settleMs) return;
            auto* form = dynamic_cast<gui::FormDialog*>(dialog);
            // A read still under way (a switch slow to answer, or one that is asked again) is
            // waited for, so that the picture shows what the form ended with: its rows, or the
            // line that says what could not be read.
            // A read that gets nowhere for the limit is given up: the picture would show a form
            // half filled as if it were complete.
            if (form && FormStillReading(form->form())) {
                const std::string now = FormReadProgress(form->form()) + std::to_string(SnmpRepliesReceived());
                quietMs = now == progress ? quietMs + kTickMs : 0;
                progress = now;
                if (quietMs < pictureWaitMs) return;
                failure = "the dialog \"" + form->form().caption() + "\" was still reading after " +
                          std::to_string(pictureWaitMs / 1000) + " s without a reply";
                stillReading = true;
                done = true;
                dialog->close();
                return;
            }
            if (!steps.empty() && !form) {
                // A message box where a dialog was expected: say what it says.
                const auto* box = qobject_cast<QMessageBox*>(dialog);
                failure = "a message came up instead of a dialog" +
                          (box ? ": \"" + box->text().toStdString() + "\"" : std::string());
                done = true;
                dialog->close();
                return;
            }
            if (played < steps.size()) {
                const std::string step = steps[played++];
                upMs = 0;
                quietMs = 0;
                progress.clear();
                // Outside this tick: a click that opens a dialog runs it modally, and the ticks go
                // on inside that run.
                QTimer::singleShot(0, dialog, [&, form, step] {
                    const std::string why =
                        step.rfind("find:", 0) == 0 ? PlayFind(*form, step.substr(5)) : PlayStep(form->form(), step);
                    if (!why.empty() && !done) {
                        failure = "step " + step + " not played in \"" + form->form().caption() + "\": " + why;
                        done = true;
                    }
                });
                return;
            }
            failure.clear();
            done = true;
            write(dialog->grab().toImage(), file);
            dialog->close();
        });
        poll.start(kTickMs);
        open();
        poll.stop();
        return failure;
    };
    if (!picture && command != 0) {
        // As the host's shortcut: the command's dialog opens over the window once it runs.
        QTimer::singleShot(0, &window, [&window, command] {
            if (window.logic().IsCommandAvailable(command)) window.logic().OnCommand(command);
            else std::cerr << "corvex-module: command " << command << " is not available\n";
        });
    }
    if (picture) {
        // Render after the first applied poll, or after a while without one.
        auto save = [&] {
            if (saved) return;
            saved = true;
            if (!window.polled() && !window.refusal().empty()) {
                std::cerr << "corvex-module: the switch at " << Settings().DeviceAddress << " answered, but "
                          << window.refusal() << "; no picture written\n";
                result = kExitUnusableReplies;
            } else if (!window.polled()) {
                // A normal-looking panel of a switch that never answered would be a lie.
                std::cerr << "corvex-module: the switch at " << Settings().DeviceAddress
                          << " did not answer; no picture written\n";
                result = 3;
            } else if (command != 0) {
                if (!window.logic().IsCommandAvailable(command)) {
                    std::cerr << "corvex-module: command " << command << " is not available\n";
                    result = 2;
                } else {
                    write(window.renderPanel(), screenshot);
                    const std::string failure =
                        shootDialog([&] { window.logic().OnCommand(command); }, windowShot, 1500, steps);
                    if (!failure.empty() && !windowShot.empty()) {
                        std::cerr << "corvex-module: command " << command << ": " << failure << "; no picture written\n";
                        result = stillReading ? 3 : 2;
                    }
                }
            } else if (clickPort > 0) {
                // The port's dialog runs modally inside the click: picture it once it is up.
                bool clicked = false;
                const bool shot = shootDialog([&] { clicked = window.clickPort(clickPort); }, screenshot, 500, {}).empty();
                if (!clicked || !shot) {
                    std::cerr << "corvex-module: no dialog opened for port " << clickPort << "\n";
                    result = 2;
                }
                write(window.renderWindow(), windowShot);
            } else {
                write(window.renderPanel(), screenshot);
                write(window.renderWindow(), windowShot);
            }
            window.logic().OnClose();
        };
        window.setFirstPollHandler(save);
        // Without a poll, the picture is given up once the switch has sent nothing for the
        // limit: a far switch that keeps answering gets its picture, a silent one is told so.
        auto* watch = new QTimer(&window);
        QObject::connect(watch, &QTimer::timeout, &window, [&window, watch, save, &saved, pictureWaitMs] {
            if (saved) {
                watch->stop();
            } else if (std::chrono::steady_clock::now() - window.lastAnswer() >=
                       std::chrono::milliseconds(FirstPollSilenceMs(pictureWaitMs))) {
                watch->stop();
                save();
            }
        });
        watch->start(100);
    }
    // The host or the system ends the module with a signal: it closes as from its menu, and a
    // dialog that is writing finishes its write first (QtFormHost::runModal).
    static int closePipe[2] = {-1, -1};
    std::unique_ptr<QSocketNotifier> closeRequest;
    if (pipe2(closePipe, O_CLOEXEC | O_NONBLOCK) == 0) {
        closeRequest = std::make_unique<QSocketNotifier>(closePipe[0], QSocketNotifier::Read);
        QObject::connect(closeRequest.get(), &QSocketNotifier::activated, &window, [] {
            char byte = 0;
            while (::read(closePipe[0], &byte, 1) == 1) {
            }
            // Every event loop ends, the modal ones of dialogs too, without asking the windows
            // (a dialog that is writing refuses to close); each dialog then finishes its write.
            QCoreApplication::exit(0);
        });
        struct sigaction action {};
        action.sa_handler = [](int) {
            const char byte = 1;
            [[maybe_unused]] const ssize_t n = ::write(closePipe[1], &byte, 1);
        };
        sigemptyset(&action.sa_mask);
        for (int signal : {SIGTERM, SIGINT, SIGHUP}) sigaction(signal, &action, nullptr);
    }
    window.show();
    const int rc = application.exec();
    // Ended by a signal while Save or Reboot waits for the switch: the set is seen through
    // within its time-out before the sessions close, its outcome traced rather than shown.
    window.logic().OnModuleEnding();
    const auto giveUp = std::chrono::steady_clock::now() + std::chrono::seconds(gui::QtFormHost::kLongestWriteSeconds);
    while (window.logic().DeviceCommandRunning() && std::chrono::steady_clock::now() < giveUp)
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents | QEventLoop::WaitForMoreEvents, 100);
    single.stopListening();
    return result != 0 ? result : rc;
}

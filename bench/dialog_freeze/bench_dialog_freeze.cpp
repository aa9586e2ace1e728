// Window freezes against a slow switch: every dialog of the menu runs through the Qt renderer
// while a 5 ms timer ticks on the window thread, and for each dialog and phase (open, Refresh,
// Apply, close) the longest gap between two ticks is printed: the longest time the window
// thread could not have repainted. The switch answers every request 2 s late
// (corvex-sim --delay-ms 2000); each dialog gets a freshly started switch, so what one Apply
// wrote does not change the next dialog. Message boxes are answered at once (OK, Yes), as a
// user who agrees to everything; Refresh and Apply are pressed only when the dialog has them
// and they are enabled, Apply with the first row of the dialog's list selected. The main window's
// Save Configuration and Reboot are measured from the command to their outcome ("set"), with the
// time the command took to return.
//
//   QT_QPA_PLATFORM=offscreen bench_dialog_freeze --sim path/to/corvex-sim [--model 10p]
//       [--delay-ms 2000] [--timeout-ms N] [--phase-ms N] [--snmp-version 1|3] [--only TEXT]
#include <QApplication>
#include <QElapsedTimer>
#include <QTimer>
#include <QWidget>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/main_window.h"
#include "app/session_settings.h"
#include "gui/main_window_view.h"
#include "gui/qt_ui.h"
#include "platform/form.h"
#include "support/menu_dialogs.h"
#include "support/sim_fixture.h"

namespace {

enum Phase { kIdle = 0, kOpen, kRefresh, kApply, kClose, kSet, kPhases };
const char* const kPhaseNames[kPhases] = {"", "open", "Refresh", "Apply", "close", "set"};

// Longest gap between ticks of a fast timer, per phase.
class GapMeter {
public:
    GapMeter() {
        clock_.start();
        timer_.setInterval(5);
        QObject::connect(&timer_, &QTimer::timeout, [this] { tick(); });
        timer_.start();
    }
    void phase(int p) {
        tick();
        phase_ = p;
        seen_[p] = true;
    }
    qint64 longest(int p) const { return longest_[p]; }
    bool seen(int p) const { return seen_[p]; }

private:
    void tick() {
        const qint64 now = clock_.elapsed();
        longest_[phase_] = std::max(longest_[phase_], now - last_);
        last_ = now;
    }
    QElapsedTimer clock_;
    QTimer timer_;
    qint64 last_ = 0;
    int phase_ = 0;
    qint64 longest_[kPhases] = {};
    bool seen_[kPhases] = {};
};

// Message boxes answered at once with the button that goes ahead; the texts are counted.
class AgreeingUi : public gui::QtUi {
public:
    platform::MsgAnswer messageBox(const platform::MessageRequest& request) override {
        ++shown;
        switch (request.buttons) {
        case platform::MsgButtons::Ok:
        case platform::MsgButtons::OkCancel: return platform::MsgAnswer::Ok;
        default: return platform::MsgAnswer::Yes;
        }
    }
    int shown = 0;
};

bool Settled(const platform::Form& form) {
    if (form.writing()) return false;
    for (const std::string& n : form.readNames())
        if (form.readState(n) == platform::Form::ReadState::Running) return false;
    return true;
}

platform::PushButton* Button(platform::Form& form, std::initializer_list<const char*> captions) {
    for (const char* caption : captions)
        for (const auto& c : form.allControls())
            if (auto* b = dynamic_cast<platform::PushButton*>(c.get()); b && b->text() == caption) return b;
    return nullptr;
}

// Drives the first form opened through the phases; forms it opens (children) are closed again
// after a moment, as a user would.
class ScriptedHost : public platform::FormHost {
public:
    explicit ScriptedHost(int phaseMs) : phaseMs_(phaseMs) {}

    int runModal(platform::Form& form) override {
        if (top_) {
            platform::ui().singleShot(300, [&form] {
                if (QWidget* dialog = QApplication::activeModalWidget()) dialog->close();
                else form.requestClose();
            });
            return qt_.runModal(form);
        }
        top_ = &form;
        meter_->phase(kOpen);
        clock_.start();
        waitThen(phaseMs_, [this] { refresh(); });
        const int result = qt_.runModal(form);
        top_ = nullptr;
        ++gen_;
        return result;
    }
    // The next dialog, measured by meter.
    void reset(GapMeter& meter) {
        meter_ = &meter;
        notes.clear();
    }
    std::string notes;

private:
    // Polls until the form's reads and writes have settled (at least 300 ms, at most limitMs).
    void waitThen(int limitMs, std::function<void()> next) {
        phaseClock_.start();
        poll(limitMs, std::move(next));
    }
    void poll(int limitMs, std::function<void()> next) {
        platform::ui().singleShot(50, [this, gen = gen_, limitMs, next = std::move(next)]() mutable {
            if (gen != gen_ || !top_ || top_->ended()) return;
            // A dialog may begin its reads from a timer: one that has begun none is given 3 s.
            const qint64 waited = phaseClock_.elapsed();
            // A dialog keeps its Refresh disabled while it works.
            const platform::PushButton* refresh = Button(*top_, {"&Refresh", "Refresh"});
            const bool settled = waited >= 300 && (waited >= 3000 || !top_->readNames().empty()) &&
                                 (!refresh || refresh->usable()) && Settled(*top_);
            if (settled || phaseClock_.elapsed() >= limitMs) {
                if (!settled) notes += std::string(notes.empty() ? "" : ", ") + "unsettled";
                next();
            } else {
                poll(limitMs, std::move(next));
            }
        });
    }
    void press(Phase phase, platform::PushButton* button, std::function<void()> next) {
        if (!button || !button->usable()) {
            if (button) notes += std::string(notes.empty() ? "" : ", ") + kPhaseNames[phase] + " disabled";
            next();
            return;
        }
        meter_->phase(phase);
        button->userClick();
        waitThen(phaseMs_, std::move(next));
    }
    void refresh() {
        press(kRefresh, Button(*top_, {"&Refresh", "Refresh"}), [this] { apply(); });
    }
    void apply() {
        // A dialog that writes the selected entry (a port, a trunk) gets its first row selected,
        // so that Apply has something to write.
        for (const auto& c : top_->allControls())
            if (auto* list = dynamic_cast<platform::ReportList*>(c.get());
                list && list->usable() && list->rowCount() > 0 && list->selectedRow() < 0) {
                list->userClickRow(0);
                break;
            }
        press(kApply, Button(*top_, {"&Apply", "Apply"}), [this] { close(); });
    }
    void close() {
        meter_->phase(kClose);
        if (QWidget* dialog = QApplication::activeModalWidget()) dialog->close();
        else top_->requestClose();
        // A window that refused to close (a request in flight) is asked again.
        platform::ui().singleShot(500, [this, gen = gen_] {
            if (gen == gen_ && top_ && !top_->ended()) close();
        });
    }

    GapMeter* meter_ = nullptr;
    int phaseMs_;
    unsigned gen_ = 0;  // dialogs run so far: a poll of an earlier one does nothing
    gui::QtFormHost qt_;
    platform::Form* top_ = nullptr;
    QElapsedTimer clock_, phaseClock_;
};

struct NoLaunch : app::IProcessLauncher {
    bool Launch(const std::vector<std::string>&) override { return false; }
};

// Save Configuration or Reboot on the main window, from the command to its outcome; notes how
// long the command took to return.
void RunDeviceCommand(int command, const std::string& model, const app::DialogRegistry& registry, GapMeter& meter,
                      std::string& notes) {
    NoLaunch launcher;
    gui::MainWindowView window(corvex::test::SimDevice::panelsDirectory() + "/" + model + "/User.ini", registry,
                               launcher);
    window.Initialise();
    QElapsedTimer clock;
    clock.start();
    while (!window.polled() && clock.elapsed() < 30000) QApplication::processEvents(QEventLoop::AllEvents, 10);
    meter.phase(kSet);
    clock.start();
    window.logic().OnCommand(command);
    notes = "returned after " + std::to_string(clock.elapsed()) + " ms";
    while (window.logic().DeviceCommandRunning() && clock.elapsed() < 60000)
        QApplication::processEvents(QEventLoop::AllEvents, 10);
    notes += ", outcome after " + std::to_string(clock.elapsed()) + " ms";
    meter.phase(kClose);  // the window closes with its poller
}

std::string Plain(std::string text) {
    text.erase(std::remove(text.begin(), text.end(), '&'), text.end());
    while (!text.empty() && (text.back() == ' ' || text.back() == '.')) text.pop_back();
    return text;
}

}  // namespace

int main(int argc, char** argv) {
    std::string sim, model = "10p", only, version = "1";
    int delayMs = 2000, timeoutMs = 5000, phaseMs = 30000;
    for (int i = 1; i < argc; ++i) {
        auto next = [&] { return std::string(argv[++i]); };
        if (i + 1 >= argc) {
            std::fprintf(stderr, "missing value for %s\n", argv[i]);
            return 2;
        }
        if (!std::strcmp(argv[i], "--sim")) sim = next();
        else if (!std::strcmp(argv[i], "--model")) model = next();
        else if (!std::strcmp(argv[i], "--delay-ms")) delayMs = std::atoi(next().c_str());
        else if (!std::strcmp(argv[i], "--timeout-ms")) timeoutMs = std::atoi(next().c_str());
        else if (!std::strcmp(argv[i], "--phase-ms")) phaseMs = std::atoi(next().c_str());
        else if (!std::strcmp(argv[i], "--snmp-version")) version = next();
        else if (!std::strcmp(argv[i], "--only")) only = next();
        else {
            std::fprintf(stderr,
                         "usage: bench_dialog_freeze --sim CORVEX_SIM [--model M] [--delay-ms N] [--timeout-ms N] "
                         "[--phase-ms N] [--snmp-version 1|3] [--only TEXT]\n");
            return 2;
        }
    }
    if (!sim.empty()) setenv("CORVEX_SIM", sim.c_str(), 1);
    if (!std::getenv("CORVEX_SOURCE_DIR")) setenv("CORVEX_SOURCE_DIR", CORVEX_TEST_SOURCE_DIR, 0);
    QApplication app(argc, argv);
    AgreeingUi ui;
    platform::setUi(&ui);

    app::DialogRegistry registry;
    corvex::test::RegisterEveryDialog(registry);
    std::vector<std::pair<int, std::string>> commands;
    corvex::test::MenuCommands(app::BuildMainMenu(model == "10p" ? "Corvex-10P" : "Corvex-" + model), commands);

    std::printf("window thread's longest time without repainting (ms); switch %s answering %d ms late, "
                "SNMPv%s, time-out %d ms\n",
                model.c_str(), delayMs, version.c_str(), timeoutMs);
    std::printf("%-44s %-8s %8s  %s\n", "dialog", "phase", "longest", "");
    qint64 worst = 0;
    std::string worstAt;
    ScriptedHost host(phaseMs);  // polls still queued when a dialog ends find it alive
    platform::setFormHost(&host);
    for (const auto& [command, text] : commands) {
        const bool deviceCommand = command == app::kCmdSaveConfiguration || command == app::kCmdReboot;
        if (!registry.Has(command) && !deviceCommand) continue;
        const std::string name = Plain(text);
        if (!only.empty() && name.find(only) == std::string::npos) continue;
        corvex::test::SimDevice device;
        std::string error;
        if (!device.start(model, {"--delay-ms", std::to_string(delayMs), "--user", "admin:MD5:authpass1:DES:privpass1"},
                          &error)) {
            std::fprintf(stderr, "corvex-sim: %s\n", error.c_str());
            return 1;
        }
        device.installAsDevice();
        SessionSettings& s = MutableSettings();
        s.TimeoutMs = std::to_string(timeoutMs);
        if (version == "3") {
            s.SnmpVersion = "3";
            s.SecurityLevel = "3";
            s.UserName = "admin";
            s.AuthProtocol = "2";
            s.AuthPassword = "authpass1";
            s.PrivProtocol = "2";
            s.PrivPassword = "privpass1";
        }
        GapMeter meter;
        host.reset(meter);
        QElapsedTimer total;
        total.start();
        if (deviceCommand) {
            RunDeviceCommand(command, model, registry, meter, host.notes);
        } else {
            auto dialog = registry.Create(command);
            if (dialog) dialog->RunModal();
            meter.phase(kClose);
            // The window is gone; what follows until the loop runs again still counts as closing.
            QElapsedTimer settle;
            settle.start();
            while (settle.elapsed() < 100) QApplication::processEvents(QEventLoop::AllEvents, 10);
        }  // the sessions end with the form
        meter.phase(kIdle);
        for (int p = kOpen; p < kPhases; ++p) {
            if (!meter.seen(p)) continue;
            std::printf("%-44s %-8s %8lld\n", name.c_str(), kPhaseNames[p], static_cast<long long>(meter.longest(p)));
            if (meter.longest(p) > worst) {
                worst = meter.longest(p);
                worstAt = name + " / " + kPhaseNames[p];
            }
        }
        std::printf("%-44s (%lld ms in all%s%s)\n", "", static_cast<long long>(total.elapsed()),
                    host.notes.empty() ? "" : "; ", host.notes.c_str());
        std::fflush(stdout);
        device.stop();
    }
    std::printf("longest of all: %lld ms at %s (target: under 100 ms)\n", static_cast<long long>(worst), worstAt.c_str());
    platform::setFormHost(nullptr);
    platform::setUi(nullptr);
    return worst < 100 ? 0 : 1;
}

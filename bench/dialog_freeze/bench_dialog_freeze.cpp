// Window freezes against a silent switch: opens and closes the port configuration and the 802.1Q
// VLAN dialogs through the Qt renderer while a 5 ms timer runs on the window thread, and prints
// for each dialog, SNMP version and phase the longest gap between two timer ticks, that is the
// longest time the window thread could not have repainted. The switch answers nothing
// (corvex-sim --silent-after 0), as an unreachable or rebooting switch.
//
//   QT_QPA_PLATFORM=offscreen bench_dialog_freeze --sim path/to/corvex-sim [--open-ms N] [--timeout-ms N]
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

#include "app/session_settings.h"
#include "features/ports/port_set_info.h"
#include "features/vlan/vlan_config_dlg.h"
#include "gui/qt_ui.h"
#include "platform/form.h"
#include "support/sim_fixture.h"

namespace {

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
    }
    qint64 longest(int p) const { return longest_[p]; }

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
    qint64 longest_[3] = {0, 0, 0};
};

enum Phase { kIdle = 0, kOpen = 1, kClose = 2 };

// Runs the form modally; after openMs asks it to close as the window's close box would.
void OpenAndClose(platform::Form& form, GapMeter& meter, int openMs) {
    meter.phase(kOpen);
    // Through the UI services, as every timer of the logic: while a request of the window thread
    // waits, the close comes after it, as a click on the close box would.
    platform::ui().singleShot(openMs, [&] {
        meter.phase(kClose);
        if (QWidget* dialog = QApplication::activeModalWidget()) dialog->close();
        else form.requestClose();
    });
    gui::QtFormHost host;
    host.runModal(form);
    // The window is gone; what follows until the loop runs again still counts as closing.
    QElapsedTimer settle;
    settle.start();
    while (settle.elapsed() < 100) QApplication::processEvents(QEventLoop::AllEvents, 10);
    meter.phase(kIdle);
}

}  // namespace

int main(int argc, char** argv) {
    std::string sim;
    int openMs = 1000;
    int timeoutMs = 3000;
    for (int i = 1; i < argc; ++i) {
        if (!std::strcmp(argv[i], "--sim") && i + 1 < argc) sim = argv[++i];
        else if (!std::strcmp(argv[i], "--open-ms") && i + 1 < argc) openMs = std::atoi(argv[++i]);
        else if (!std::strcmp(argv[i], "--timeout-ms") && i + 1 < argc) timeoutMs = std::atoi(argv[++i]);
        else {
            std::fprintf(stderr, "usage: bench_dialog_freeze --sim CORVEX_SIM [--open-ms N] [--timeout-ms N]\n");
            return 2;
        }
    }
    if (!sim.empty()) setenv("CORVEX_SIM", sim.c_str(), 1);
    if (!std::getenv("CORVEX_SOURCE_DIR")) setenv("CORVEX_SOURCE_DIR", CORVEX_TEST_SOURCE_DIR, 0);
    QApplication app(argc, argv);
    gui::QtUi ui;
    platform::setUi(&ui);

    corvex::test::SimDevice device;
    std::string error;
    if (!device.start("28", {"--silent-after", "0", "--user", "admin:MD5:authpass1:DES:privpass1"}, &error)) {
        std::fprintf(stderr, "corvex-sim: %s\n", error.c_str());
        return 1;
    }
    std::printf("window thread's longest time without repainting (ms), silent switch, time-out %d ms, "
                "dialog open %d ms\n",
                timeoutMs, openMs);
    std::printf("%-22s %-8s %8s %8s\n", "dialog", "version", "open", "close");
    qint64 worst = 0;
    for (const char* version : {"1", "3"}) {
        device.installAsDevice();
        SessionSettings& s = MutableSettings();
        s.TimeoutMs = std::to_string(timeoutMs);
        if (std::string(version) == "3") {
            s.SnmpVersion = "3";
            s.SecurityLevel = "3";
            s.UserName = "admin";
            s.AuthProtocol = "2";
            s.AuthPassword = "authpass1";
            s.PrivProtocol = "2";
            s.PrivPassword = "privpass1";
        }
        const std::pair<const char*, std::function<std::unique_ptr<platform::Form>()>> dialogs[] = {
            {"Port Configuration", [] { return std::make_unique<features::CPortSetInfo>(); }},
            {"802.1Q VLAN", [] { return std::make_unique<CVlanConfigDlg>(); }},
        };
        for (const auto& [name, make] : dialogs) {
            GapMeter meter;
            QElapsedTimer total;
            total.start();
            {
                std::unique_ptr<platform::Form> form = make();
                OpenAndClose(*form, meter, openMs);
                meter.phase(kClose);
            }  // the sessions end with the form
            meter.phase(kIdle);
            std::printf("%-22s v%-7s %8lld %8lld   (%lld ms in all)\n", name, version,
                        static_cast<long long>(meter.longest(kOpen)), static_cast<long long>(meter.longest(kClose)),
                        static_cast<long long>(total.elapsed()));
            std::fflush(stdout);
            worst = std::max({worst, meter.longest(kOpen), meter.longest(kClose)});
        }
    }
    std::printf("longest of all: %lld ms (target: under 100 ms)\n", static_cast<long long>(worst));
    platform::setUi(nullptr);
    return 0;
}

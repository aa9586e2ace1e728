#include "gui/qt_ui.h"

#include <chrono>

#include <QApplication>
#include <QMessageBox>
#include <QMetaObject>
#include <QThread>
#include <QTimer>

#include <atomic>
#include <thread>

#include "gui/form_dialog.h"

namespace gui {

namespace {

QWidget* ActiveParent() {
    if (QWidget* w = QApplication::activeModalWidget()) return w;
    return QApplication::activeWindow();
}

}  // namespace

platform::MsgAnswer QtUi::messageBox(const platform::MessageRequest& request) {
    using platform::MsgAnswer;
    using platform::MsgButtons;
    std::vector<std::pair<QMessageBox::StandardButton, MsgAnswer>> buttons;
    switch (request.buttons) {
    case MsgButtons::Ok: buttons = {{QMessageBox::Ok, MsgAnswer::Ok}}; break;
    case MsgButtons::OkCancel: buttons = {{QMessageBox::Ok, MsgAnswer::Ok}, {QMessageBox::Cancel, MsgAnswer::Cancel}}; break;
    case MsgButtons::YesNo: buttons = {{QMessageBox::Yes, MsgAnswer::Yes}, {QMessageBox::No, MsgAnswer::No}}; break;
    case MsgButtons::YesNoCancel:
        buttons = {{QMessageBox::Yes, MsgAnswer::Yes}, {QMessageBox::No, MsgAnswer::No},
                   {QMessageBox::Cancel, MsgAnswer::Cancel}};
        break;
    }
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    switch (request.icon) {
    case platform::MsgIcon::None: icon = QMessageBox::NoIcon; break;
    case platform::MsgIcon::Information: icon = QMessageBox::Information; break;
    case platform::MsgIcon::Warning: icon = QMessageBox::Warning; break;
    case platform::MsgIcon::Error: icon = QMessageBox::Critical; break;
    case platform::MsgIcon::Question: icon = QMessageBox::Question; break;
    }
    QString caption = request.caption.empty() ? QGuiApplication::applicationDisplayName()
                                              : QString::fromStdString(request.caption);
    QMessageBox box(icon, caption, QString::fromStdString(request.text), QMessageBox::NoButton, ActiveParent());
    box.setTextFormat(Qt::PlainText);
    box.setWindowIcon(ModuleIcon());
    QMessageBox::StandardButtons set;
    for (auto& b : buttons) set |= b.first;
    box.setStandardButtons(set);
    size_t def = static_cast<size_t>(request.defaultButton) < buttons.size() ? static_cast<size_t>(request.defaultButton) : 0;
    box.setDefaultButton(buttons[def].first);
    box.setEscapeButton(buttons.size() == 1 ? buttons[0].first
                        : request.buttons == MsgButtons::YesNo ? QMessageBox::No : QMessageBox::Cancel);
    box.exec();
    QAbstractButton* clicked = box.clickedButton();
    for (auto& b : buttons)
        if (clicked && box.standardButton(clicked) == b.first) return b.second;
    return buttons.size() == 1 ? MsgAnswer::Ok : request.buttons == MsgButtons::YesNo ? MsgAnswer::No : MsgAnswer::Cancel;
}

namespace {
bool g_waiting = false;  // UI thread only
}  // namespace

bool QtUi::Waiting() { return g_waiting; }

void QtUi::run(std::function<void()> fn) {
    // Behind the deferred ones, so that tasks keep their order.
    if (g_waiting || !deferred_.empty()) {
        deferred_.push_back(std::move(fn));
        return;
    }
    fn();
}

void QtUi::flush() {
    while (!g_waiting && !deferred_.empty()) {
        std::function<void()> fn = std::move(deferred_.front());
        deferred_.pop_front();
        fn();
    }
}

void QtUi::post(std::function<void()> fn) {
    // Queued calls on the application object run on the UI thread in posting order.
    QMetaObject::invokeMethod(
        qApp,
        [this, alive = std::weak_ptr<bool>(alive_), fn = std::move(fn)]() mutable {
            if (!alive.expired()) run(std::move(fn));
        },
        Qt::QueuedConnection);
}

void QtUi::singleShot(int ms, std::function<void()> fn) {
    if (isUiThread()) {
        QTimer::singleShot(ms, qApp, [this, alive = std::weak_ptr<bool>(alive_), fn = std::move(fn)]() mutable {
            if (!alive.expired()) run(std::move(fn));
        });
        return;
    }
    post([this, ms, fn = std::move(fn)]() mutable { singleShot(ms, std::move(fn)); });
}

void QtUi::waitRepainting(const std::function<void()>& work) {
    if (!isUiThread() || g_waiting) {
        work();
        return;
    }
    g_waiting = true;
    setWaitCursor(true);
    std::atomic<bool> done{false};
    std::thread helper([&] {
        work();
        done = true;
        QMetaObject::invokeMethod(qApp, [] {}, Qt::QueuedConnection);  // wakes the loop below
    });
    while (!done) QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents | QEventLoop::WaitForMoreEvents);
    helper.join();
    g_waiting = false;
    setWaitCursor(false);
    // What was posted meanwhile runs from the loop, in order, after the caller has gone on.
    if (!deferred_.empty())
        QMetaObject::invokeMethod(
            qApp,
            [this, alive = std::weak_ptr<bool>(alive_)] {
                if (!alive.expired()) flush();
            },
            Qt::QueuedConnection);
}

void QtUi::setWaitCursor(bool on) {
    if (on) {
        ++waitDepth_;
        QApplication::setOverrideCursor(Qt::WaitCursor);
    } else if (waitDepth_ > 0) {
        --waitDepth_;
        QApplication::restoreOverrideCursor();
    }
}

bool QtUi::isUiThread() const { return qApp && QThread::currentThread() == qApp->thread(); }

int QtFormHost::runModal(platform::Form& form) {
    struct Destroyer {
        platform::Form& f;
        ~Destroyer() { f.destroy(); }
    } destroyer{form};
    form.build();
    FormDialog dialog(form, ActiveParent());
    form.open();
    if (!form.ended()) dialog.exec();
    // The dialog's run ended without the form (the module is closing): a write under way is
    // finished first, within its time-outs, so that the switch is never left half-written.
    const auto giveUp = std::chrono::steady_clock::now() + std::chrono::seconds(kLongestWriteSeconds);
    while (form.writing() && std::chrono::steady_clock::now() < giveUp)
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents | QEventLoop::WaitForMoreEvents, 100);
    if (!form.ended()) form.end(platform::kIdCancel);
    return form.result();
}

}  // namespace gui

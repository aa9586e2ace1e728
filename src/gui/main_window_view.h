#pragma once
// The module's main window on Qt: a menu bar built from the menu table, the painted front
// panel as its client area, the blink timer, and the hooks the main window's logic calls.
#include <QMainWindow>
#include <QTimer>
#include <chrono>
#include <functional>
#include <memory>
#include <utility>
#include <vector>

#include "app/main_window.h"
#include "gui/panel_canvas_qt.h"

class QDialog;

namespace gui {

class PanelWidget;

// The About box: the name line, then the fixed lines in a grid of captions and values so that
// the values line up whatever the font.
std::unique_ptr<QDialog> MakeAboutBox(const app::AboutInfo& info, QWidget* parent);

class MainWindowView : public QMainWindow, public app::IMainWindowView {
    Q_OBJECT
public:
    MainWindowView(const std::string& profilePath, const app::DialogRegistry& dialogs, app::IProcessLauncher& launcher);
    ~MainWindowView() override;

    // Loads profile and panel, builds the menu, starts the poller.
    void Initialise();
    app::CMainWindow& logic() { return *logic_; }
    // Called once, after the first applied poll.
    void setFirstPollHandler(std::function<void()> fn) { firstPoll_ = std::move(fn); }
    // Called at the panel's first paint (false) and at the first paint that shows an applied
    // poll (true).
    void setFirstPaintHandler(std::function<void(bool polled)> fn) { firstPaint_ = std::move(fn); }
    // The panel as a picture (for screenshots).
    QImage renderPanel();
    // The whole window: menu bar and panel.
    QImage renderWindow();
    // Clicks the middle of port n (1-based), as the mouse would; false when there is no such port.
    bool clickPort(int n);
    // True once a poll has been applied (the switch has answered).
    bool polled() const { return pollApplied_; }
    // When the switch last answered the panel (a reply or an applied poll); the window's
    // creation before the first answer.
    std::chrono::steady_clock::time_point lastAnswer() const { return lastAnswer_; }
    // The line the panel shows over itself: connecting before the first poll, not answering
    // (or what the switch said instead) while it does not answer; "" otherwise.
    std::string panelNotice() const;
    // What the switch said instead of its state (refused credentials, replies not usable); ""
    // while it answers or does not answer at all.
    const std::string& refusal() const { return refusal_; }
    // The title's suffix while the switch does not answer.
    static constexpr const char* kNotAnsweringSuffix = " - not answering";
    // The panel's own widget (the client area).
    QWidget* panelWidget() const;
    // Where port clicks are announced (default: the modules' per-user directory).
    void setBroadcastDirectory(std::string directory) { broadcastDir_ = std::move(directory); }

    // app::IMainWindowView
    void RepaintPanel() override;
    void SetBlinkTimer(int ms) override;
    void HideWindow() override { hide(); }
    void MinimizeWindow() override { setWindowState(windowState() | Qt::WindowMinimized); }
    void ShowNormal() override { showNormal(); }
    void SetTitle(const std::string& title) override;
    void SetDeviceAnswering(bool answering) override;
    void SetDeviceRefusing(const std::string& why) override;
    void DeviceAnswered() override { lastAnswer_ = std::chrono::steady_clock::now(); }
    void SetPanelGeometry(const panel::Rect& rect) override;
    void RunAboutBox(const app::AboutInfo& info) override;
    void SetPanelCursor(panel::PanelCursor cursor) override;
    void NotifyPortClicked(unsigned short identifier) override;
    void BringToFront() override;
    void EndDialog() override;
    void CommandsChanged() override;

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void buildMenu();
    void fitToMenu();

    QtPictureLoader loader_;
    std::unique_ptr<app::CMainWindow> logic_;
    PanelWidget* panel_ = nullptr;
    QTimer blink_;
    std::function<void()> firstPoll_;
    std::function<void(bool)> firstPaint_;
    bool panelPainted_ = false;
    std::string broadcastDir_;
    bool pollApplied_ = false;
    std::chrono::steady_clock::time_point lastAnswer_ = std::chrono::steady_clock::now();
    std::string title_;
    bool answering_ = true;
    std::string refusal_;  // what the device said of the credentials, when it refused them
    bool closing_ = false;
    std::vector<std::pair<QAction*, int>> commands_;  // each menu action and its command

    friend class PanelWidget;
};

}  // namespace gui

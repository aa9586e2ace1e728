#pragma once
// The module's main window on Qt: a menu bar built from the menu table, the painted front
// panel as its client area, the blink timer, and the hooks the main window's logic calls.
#include <QMainWindow>
#include <QTimer>
#include <functional>
#include <memory>

#include "app/main_window.h"
#include "gui/panel_canvas_qt.h"

namespace gui {

class PanelWidget;

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
    // The panel as a picture (for screenshots).
    QImage renderPanel();

    // app::IMainWindowView
    void RepaintPanel() override;
    void SetBlinkTimer(int ms) override;
    void HideWindow() override { hide(); }
    void MinimizeWindow() override { setWindowState(windowState() | Qt::WindowMinimized); }
    void ShowNormal() override { showNormal(); }
    void SetTitle(const std::string& title) override { setWindowTitle(QString::fromStdString(title)); }
    void SetPanelGeometry(const panel::Rect& rect) override;
    void RunAboutBox(const app::AboutInfo& info) override;
    void SetPanelCursor(panel::PanelCursor cursor) override;
    void NotifyPortClicked(unsigned short) override {}
    void BringToFront() override;
    void EndDialog() override;

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void buildMenu();

    QtPictureLoader loader_;
    std::unique_ptr<app::CMainWindow> logic_;
    PanelWidget* panel_ = nullptr;
    QTimer blink_;
    std::function<void()> firstPoll_;
    bool closing_ = false;
};

}  // namespace gui

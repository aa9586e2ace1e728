#include "gui/main_window_view.h"
#include "gui/qt_ui.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDialog>
#include <QDialogButtonBox>
#include <QLabel>
#include <QMenuBar>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QVBoxLayout>
#include <algorithm>
#include <cctype>

#include "app/session_settings.h"
#include "gui/form_dialog.h"
#include "platform/single_instance.h"
#include "platform/trace.h"

namespace gui {

class PanelWidget : public QWidget {
public:
    explicit PanelWidget(app::CMainWindow& logic, MainWindowView* parent) : QWidget(parent), logic_(logic), owner_(parent) {
        setMouseTracking(true);
        setAttribute(Qt::WA_OpaquePaintEvent);
    }

    void paintTo(QPainter& painter) {
        painter.fillRect(rect(), QColor(30, 32, 36));
        {
            QtPanelCanvas canvas(painter);
            logic_.Paint(canvas, panel::Rect{0, 0, width(), height()});
        }
        paintNotice(painter);
    }

private:
    // The panel's own word on the connection, centred on a dark band: without it a panel that
    // waits for a far switch, or one that lost it, looks like a switch with its cables pulled.
    void paintNotice(QPainter& painter) {
        const std::string notice = owner_->panelNotice();
        if (notice.empty() || !logic_.HasPanel()) return;
        painter.save();
        QFont font = painter.font();
        font.setBold(true);
        font.setPixelSize(std::clamp(height() / 6, 11, 16));
        painter.setFont(font);
        const QString text = QString::fromStdString(notice);
        const QFontMetrics metrics(font);
        const int w = std::min(width(), metrics.horizontalAdvance(text) + 3 * metrics.height());
        const int h = metrics.height() * 2;
        const QRect band((width() - w) / 2, (height() - h) / 2, w, h);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(Qt::NoPen);
        painter.setBrush(QColor(20, 22, 26, 215));
        painter.drawRoundedRect(band, h / 4.0, h / 4.0);
        painter.setPen(owner_->answering_ ? QColor(235, 235, 235) : QColor(255, 196, 120));
        painter.drawText(band, Qt::AlignCenter, metrics.elidedText(text, Qt::ElideRight, w - metrics.height()));
        painter.restore();
    }

public:

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        paintTo(painter);
        if (!owner_->firstPaint_) return;
        if (!owner_->panelPainted_) {
            owner_->panelPainted_ = true;
            owner_->firstPaint_(false);
        }
        if (owner_->pollApplied_) {
            auto fn = std::move(owner_->firstPaint_);
            owner_->firstPaint_ = nullptr;
            fn(true);
        }
    }
    void mousePressEvent(QMouseEvent* event) override {
        if (event->button() == Qt::LeftButton) {
            const QPoint p = event->position().toPoint();
            logic_.OnLButtonDown(p.x(), p.y());
        }
        QWidget::mousePressEvent(event);
    }
    void mouseMoveEvent(QMouseEvent* event) override {
        const QPoint p = event->position().toPoint();
        setCursor(Qt::ArrowCursor);
        logic_.OnMouseMove(p.x(), p.y());
        QWidget::mouseMoveEvent(event);
    }

private:
    app::CMainWindow& logic_;
    MainWindowView* owner_;
};

MainWindowView::MainWindowView(const std::string& profilePath, const app::DialogRegistry& dialogs,
                               app::IProcessLauncher& launcher)
    : logic_(std::make_unique<app::CMainWindow>(*this, profilePath, &loader_, dialogs, launcher)),
      broadcastDir_(platform::SingleInstance::defaultDirectory()) {
    setWindowIcon(ModuleIcon());
    // The panel keeps its picture's size; when the menu bar needs a wider window, the panel
    // stays centred on a dark band.
    auto* client = new QWidget(this);
    client->setAutoFillBackground(true);
    QPalette palette = client->palette();
    palette.setColor(QPalette::Window, QColor(30, 32, 36));
    client->setPalette(palette);
    auto* layout = new QHBoxLayout(client);
    layout->setContentsMargins(0, 0, 0, 0);
    panel_ = new PanelWidget(*logic_, this);
    panel_->setParent(client);
    layout->addWidget(panel_, 0, Qt::AlignCenter);
    setCentralWidget(client);
    blink_.setTimerType(Qt::PreciseTimer);
    connect(&blink_, &QTimer::timeout, this, [this] { logic_->OnTimer(panel::kBlinkTimerId); });
}

MainWindowView::~MainWindowView() {
    blink_.stop();
    logic_->OnDestroy();
}

void MainWindowView::Initialise() {
    logic_->OnInitDialog();
    buildMenu();
    fitToMenu();
}

void MainWindowView::fitToMenu() {
    // Every top-level menu stays visible: no window narrower than the menu bar's items.
    centralWidget()->setMinimumWidth(std::max(panel_->minimumWidth(), menuBar()->sizeHint().width()));
    adjustSize();
    // The description places the window; a place that would put part of it off the screen is
    // moved in so that the whole panel shows (as far as the screen is large enough).
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect area = screen->availableGeometry();
        QPoint at = pos();
        const QSize size = frameGeometry().size();
        at.setX(std::max(area.left(), std::min(at.x(), area.right() + 1 - size.width())));
        at.setY(std::max(area.top(), std::min(at.y(), area.bottom() + 1 - size.height())));
        if (at != pos()) move(at);
    }
}

namespace {
void AddItems(QMenu* menu, const std::vector<app::MenuItem>& items, app::CMainWindow& logic,
              std::vector<std::pair<QAction*, int>>& commands) {
    for (const app::MenuItem& item : items) {
        switch (item.kind) {
        case app::MenuItem::Kind::Separator: menu->addSeparator(); break;
        case app::MenuItem::Kind::SubMenu:
            AddItems(menu->addMenu(QString::fromStdString(item.text)), item.items, logic, commands);
            break;
        case app::MenuItem::Kind::Command: {
            QAction* action = menu->addAction(QString::fromStdString(item.text));
            const int command = item.command;
            action->setEnabled(logic.IsCommandAvailable(command));
            QObject::connect(action, &QAction::triggered, menu, [&logic, command] { logic.OnCommand(command); });
            commands.emplace_back(action, command);
            break;
        }
        }
    }
}
}  // namespace

void MainWindowView::buildMenu() {
    menuBar()->clear();
    commands_.clear();
    for (const app::MenuItem& top : logic_->Menu())
        AddItems(menuBar()->addMenu(QString::fromStdString(top.text)), top.items, *logic_, commands_);
}

void MainWindowView::CommandsChanged() {
    for (const auto& [action, command] : commands_) action->setEnabled(logic_->IsCommandAvailable(command));
}

void MainWindowView::RepaintPanel() {
    if (panel_) panel_->update();
}

void MainWindowView::SetBlinkTimer(int ms) {
    blink_.start(ms);
    pollApplied_ = true;
    if (firstPoll_) {
        auto fn = std::move(firstPoll_);
        firstPoll_ = nullptr;
        QTimer::singleShot(0, this, fn);
    }
}

void MainWindowView::SetTitle(const std::string& title) {
    title_ = title;
    const std::string suffix = answering_ ? std::string() : refusal_.empty() ? kNotAnsweringSuffix : " - " + refusal_;
    setWindowTitle(QString::fromStdString(title_ + suffix));
}

std::string MainWindowView::panelNotice() const {
    if (!answering_) {
        if (refusal_.empty()) return "Not answering";
        std::string said = refusal_;  // "authentication failed" -> "Authentication failed"
        said[0] = static_cast<char>(std::toupper(static_cast<unsigned char>(said[0])));
        return said;
    }
    if (!pollApplied_) return "Connecting to " + Settings().DeviceAddress + "\u2026";
    return {};
}

void MainWindowView::SetDeviceAnswering(bool answering) {
    if (answering == answering_ && refusal_.empty()) return;
    answering_ = answering;
    refusal_.clear();
    SetTitle(title_);
}

void MainWindowView::SetDeviceRefusing(const std::string& why) {
    if (!answering_ && refusal_ == why) return;
    answering_ = false;
    refusal_ = why;
    SetTitle(title_);
}

void MainWindowView::SetPanelGeometry(const panel::Rect& rect) {
    if (rect.Width() <= 0 || rect.Height() <= 0) return;
    panel_->setFixedSize(rect.Width(), rect.Height());
    move(rect.left, rect.top);
    adjustSize();
}

QImage MainWindowView::renderPanel() {
    QImage image(panel_->size(), QImage::Format_RGB32);
    QPainter painter(&image);
    panel_->paintTo(painter);
    return image;
}

QImage MainWindowView::renderWindow() { return grab().toImage(); }

QWidget* MainWindowView::panelWidget() const { return panel_; }

bool MainWindowView::clickPort(int n) {
    const panel::CPanelObject* port = n > 0 ? panel::FindElement(logic_->m_root, "CPort", n - 1) : nullptr;
    if (!port) return false;
    const panel::Rect r = port->GetRect();
    logic_->OnLButtonDown((r.left + r.right) / 2, (r.top + r.bottom) / 2);
    return true;
}

void MainWindowView::NotifyPortClicked(unsigned short identifier) {
    platform::SingleInstance::broadcast(broadcastDir_, app::kPortClickMessage, 0, identifier);
}

std::unique_ptr<QDialog> MakeAboutBox(const app::AboutInfo& info, QWidget* parent) {
    auto box = std::make_unique<QDialog>(parent);
    box->setWindowTitle(QString::fromStdString(info.title));
    box->setWindowIcon(ModuleIcon());
    box->setWindowFlag(Qt::WindowStaysOnTopHint);
    auto* layout = new QVBoxLayout(box.get());
    layout->addWidget(new QLabel(QString::fromStdString(info.nameLine)));
    auto* grid = new QGridLayout;
    grid->setColumnStretch(1, 1);
    int row = 0;
    for (const auto& [caption, value] : info.lines) {
        // The captions carry the blanks that lined the values up in a fixed layout.
        grid->addWidget(new QLabel(QString::fromStdString(caption).trimmed()), row, 0);
        grid->addWidget(new QLabel(QString::fromStdString(value)), row, 1);
        ++row;
    }
    layout->addLayout(grid);
    auto* hidden = new QLabel(QString::fromStdString(info.hiddenLine));
    hidden->hide();
    layout->addWidget(hidden);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok);
    QObject::connect(buttons, &QDialogButtonBox::accepted, box.get(), &QDialog::accept);
    layout->addWidget(buttons);
    return box;
}

void MainWindowView::RunAboutBox(const app::AboutInfo& info) { MakeAboutBox(info, this)->exec(); }

void MainWindowView::SetPanelCursor(panel::PanelCursor cursor) {
    panel_->setCursor(cursor == panel::PanelCursor::Port ? Qt::PointingHandCursor : Qt::ArrowCursor);
}

void MainWindowView::BringToFront() {
    showNormal();
    raise();
    activateWindow();
}

void MainWindowView::EndDialog() {
    closing_ = true;
    blink_.stop();
    QApplication::quit();
}

void MainWindowView::closeEvent(QCloseEvent* event) {
    if (QtUi::Waiting()) {  // a request of this thread waits for the switch
        event->ignore();
        return;
    }
    if (!closing_ && logic_->DeviceCommandRunning()) {
        // Save or Reboot is out: the window closes once its outcome has been shown.
        logic_->OnClose();
        event->ignore();
        return;
    }
    if (!closing_) logic_->OnClose();
    event->accept();
}

}  // namespace gui

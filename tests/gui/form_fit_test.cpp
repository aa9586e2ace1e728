// The renderer and the screen: the focus the model gives, read-only boxes, long texts from the
// switch, lists that take the spare height, dialogs larger than the screen, the About box.
#include <QDialog>
#include <QGroupBox>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QTest>
#include <functional>
#include <memory>

#include "gui/form_dialog.h"
#include "gui/form_widgets.h"
#include "gui/main_window_view.h"
#include "gui_test_main.h"

using namespace platform;

namespace {

// A form built by fn, shown as a dialog until the end of the scope.
struct Shown {
    explicit Shown(std::function<void(Form&)> fn, std::function<void(Form&)> init = {}) {
        form.setOnCreate(std::move(fn));
        if (init) form.setOnInit([this, init] { init(form); });
        dlg = std::make_unique<gui::FormDialog>(form);
        form.open();
        dlg->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(dlg.get()));
        QTest::qWait(50);
    }
    ~Shown() {
        form.end(kIdCancel);
        dlg.reset();
        form.destroy();
    }
    template <class W>
    W* widget(int id) const { return qobject_cast<W*>(dlg->widgetFor(id)); }
    QRect onScreen(const QWidget* w) const { return {w->mapToGlobal(QPoint(0, 0)), w->size()}; }
    QRect available() const { return dlg->screen()->availableGeometry(); }

    Form form;
    std::unique_ptr<gui::FormDialog> dlg;
};

struct FormFit : guitest::QtTest {};

TEST_F(FormFit, FocusGoesWhereTheModelSaysAndTheUsersMovesAreReported) {
    // Given while the form initialises: the field has it once the dialog shows.
    Shown s(
        [](Form& t) {
            t.addLabel(0, "Trunk ID:");
            t.addEdit(21);
            t.addLabel(0, "Server:");
            t.addIpAddress(22);
            t.addLabel(0, "Name:");
            t.addEdit(23);
            t.addButton(kIdCancel, "&Close");
        },
        [](Form& f) {
            f.get<EditBox>(23).setText("core");
            f.setFocus(f.get<EditBox>(23));
        });
    ASSERT_TRUE(QTest::qWaitForWindowActive(s.dlg.get()));
    auto* trunk = s.widget<QLineEdit>(21);
    auto* name = s.widget<QLineEdit>(23);
    EXPECT_EQ(s.dlg->focusWidget(), name);

    s.form.get<EditBox>(21).setText("12");
    ASSERT_TRUE(s.form.setFocus(s.form.get<EditBox>(21), true));
    EXPECT_EQ(QApplication::focusWidget(), trunk);
    EXPECT_EQ(trunk->selectedText(), "12");
    EXPECT_EQ(s.form.focused(), &s.form.get<EditBox>(21));
    EXPECT_TRUE(s.form.focusSelectsAll());

    // An incomplete address: its first blank field.
    s.form.get<IpAddressField>(22).setAddress("10.0..5");
    ASSERT_TRUE(s.form.setFocus(s.form.get<IpAddressField>(22)));
    const auto fields = s.dlg->widgetFor(22)->findChildren<QLineEdit*>();
    ASSERT_EQ(fields.size(), 4);
    EXPECT_EQ(QApplication::focusWidget(), fields[2]);

    // The user clicks into another box: the model follows, nothing is selected any more.
    name->setFocus(Qt::MouseFocusReason);
    QApplication::processEvents();
    EXPECT_EQ(s.form.focused(), &s.form.get<EditBox>(23));
    EXPECT_FALSE(s.form.focusSelectsAll());
}

TEST_F(FormFit, ReadOnlyBoxesTakeNoFocusAndLookReadOnly) {
    Shown s([](Form& t) {
        t.addLabel(0, "Total Entries:");
        t.addEdit(21, "3").setReadOnly();
        t.addLabel(0, "Description");
        t.addEdit(22).setReadOnly().setLines(3);
        t.addLabel(0, "Name:");
        t.addEdit(23);
        t.addButton(kIdCancel, "&Close");
    });
    auto* total = s.widget<QLineEdit>(21);
    auto* desc = s.widget<QPlainTextEdit>(22);
    auto* name = s.widget<QLineEdit>(23);
    ASSERT_TRUE(total && desc && name);
    auto base = [](QWidget* w) { return w->palette().color(QPalette::Base); };
    auto window = [](QWidget* w) { return w->palette().color(QPalette::Window); };
    for (QWidget* w : {static_cast<QWidget*>(total), static_cast<QWidget*>(desc)}) {
        EXPECT_EQ(w->focusPolicy(), Qt::NoFocus);
        EXPECT_EQ(base(w), window(w));
    }
    EXPECT_NE(name->focusPolicy(), Qt::NoFocus);
    EXPECT_NE(base(name), window(name));
    EXPECT_FALSE(s.form.setFocus(s.form.get<EditBox>(21)));

    // A box made editable takes the focus and looks like one.
    s.form.get<EditBox>(21).setReadOnly(false);
    EXPECT_EQ(total->focusPolicy(), Qt::StrongFocus);
    EXPECT_NE(base(total), window(total));
    EXPECT_FALSE(total->isReadOnly());
}

TEST_F(FormFit, LongTextsFromTheSwitchWrapOrElideWithTheWholeTextInATooltip) {
    // The most an octet string of the switch may hold, an absurd reply, and a short value.
    QString words;
    for (int i = 0; words.size() < 250; ++i) words += QString("word%1 ").arg(i);
    words = words.left(255);
    const QString huge = "Corvex " + QString(60000, QChar('x'));
    Shown s([&](Form& t) {
        t.setCaption("System Information");
        t.addLabel(0, "Description:");
        t.addLabel(10, huge.toStdString());
        t.addLabel(0, "Contact:");
        t.addLabel(11, words.toStdString());
        t.addLabel(0, "Name:");
        t.addLabel(12, "core-1");
        t.addLabel(0, "System Description");
        t.addEdit(13, words.toStdString()).setReadOnly().setLines(6).setWidth(340);
        t.addButton(kIdCancel, "&Close");
    });
    auto* longest = s.widget<QLabel>(10);
    auto* wrapped = s.widget<QLabel>(11);
    auto* plain = s.widget<QLabel>(12);
    const QFontMetrics fm = longest->fontMetrics();
    const int maxWidth = fm.averageCharWidth() * gui::TextLabel::kMaxChars + 4;
    const int maxHeight = fm.lineSpacing() * gui::TextLabel::kMaxLines + 4;

    EXPECT_TRUE(s.available().contains(s.dlg->frameGeometry()));
    EXPECT_LT(s.dlg->width(), 2 * maxWidth);
    for (QLabel* l : {longest, wrapped}) {
        EXPECT_LE(l->width(), maxWidth + 200);  // the value column may be wider than its text
        EXPECT_LE(l->height(), maxHeight);
        EXPECT_GE(l->height(), 2 * fm.lineSpacing());  // wrapped over several lines
    }
    // The whole text stays the label's; the tooltip shows it (the absurd one cut).
    EXPECT_EQ(longest->text().size(), huge.size());
    QString tip = wrapped->toolTip();
    tip.remove(QChar(0x200B));
    EXPECT_NE(tip.indexOf(words.trimmed()), -1);
    EXPECT_TRUE(longest->toolTip().contains("Corvex"));
    EXPECT_TRUE(longest->toolTip().contains(QChar(0x2026)));
    EXPECT_LT(longest->toolTip().size(), 2 * gui::TextLabel::kTipChars);
    EXPECT_TRUE(plain->toolTip().isEmpty());
    EXPECT_EQ(plain->width() >= plain->sizeHint().width(), true);

    // A multi-line box shows the whole description over its lines.
    auto* desc = s.widget<QPlainTextEdit>(13);
    ASSERT_NE(desc, nullptr);
    EXPECT_EQ(desc->toPlainText(), words);
    EXPECT_EQ(desc->width(), 340);
    EXPECT_GE(desc->height(), 6 * fm.lineSpacing());
    EXPECT_FALSE(desc->verticalScrollBar()->isVisible()) << desc->document()->lineCount() << " lines in " << desc->height();

    // A value that arrives later grows the dialog, within the screen.
    const int before = s.dlg->width();
    s.form.get<Label>(12).setText(std::string(50, 'n'));
    QApplication::processEvents();
    QApplication::processEvents();
    EXPECT_GE(plain->width(), plain->minimumSizeHint().width());
    EXPECT_GE(s.dlg->width(), before);
}

TEST_F(FormFit, AGroupHoldingAListTakesTheSpareHeight) {
    Shown s([](Form& t) {
        t.setSize(600, 600);
        auto& g = t.addGroup(21, "Port Information");
        g.addList(22, {}, {{"Index", 50}, {"State", 70}}).setVisibleRows(8);
        auto& cfg = t.addGroup(23, "PoE Configuration");
        cfg.addLabel(0, "Form Port");
        cfg.addCombo(24, {"1", "2"});
        t.addButton(kIdCancel, "&Close");
    });
    auto* list = s.dlg->widgetFor(21);
    auto* cfg = s.dlg->widgetFor(23);
    auto* close = s.dlg->widgetFor(kIdCancel);
    auto bottom = [&](QWidget* w) { return w->mapTo(s.dlg.get(), QPoint(0, w->height())).y(); };
    // No empty band: the configuration group sits right above the buttons.
    EXPECT_LT(close->mapTo(s.dlg.get(), QPoint()).y() - bottom(cfg), 30);
    const int listHeight = list->height();
    s.dlg->resize(600, 800);
    QApplication::processEvents();
    EXPECT_GE(list->height(), listHeight + 150);
    EXPECT_LT(close->mapTo(s.dlg.get(), QPoint()).y() - bottom(cfg), 30);
}

// A form of fields only is as tall as its fields, whatever size it asks for.
TEST_F(FormFit, AFormWithoutAListHasNoEmptyBand) {
    Shown s([](Form& t) {
        t.setSize(380, 500);
        auto& state = t.addGroup(21, "Syslog");
        state.addCheck(22, "SysLogEnable");
        auto& config = t.addGroup(23, "Configuration");
        config.addLabel(0, "Host IP:");
        config.addIpAddress(24);
        t.addButton(kIdCancel, "&Close");
    });
    QWidget* config = s.dlg->widgetFor(23);
    QWidget* close = s.dlg->widgetFor(kIdCancel);
    EXPECT_EQ(s.dlg->width(), 380);
    EXPECT_LT(s.dlg->height(), 300);
    EXPECT_LT(close->mapTo(s.dlg.get(), QPoint()).y() - config->mapTo(s.dlg.get(), QPoint(0, config->height())).y(), 30);
}

TEST_F(FormFit, ADialogLargerThanTheScreenScrollsWithItsButtonsInView) {
    Shown s([](Form& t) {
        t.setCaption("Wide and tall");
        t.addPortGrid(21, "Ports", PortGrid::CellKind::Check, 160, {"Member:"}, 0);          // wider than the screen
        t.addPortGrid(22, "Blocks", PortGrid::CellKind::Check, 80, {"Member:"}, 1);          // taller than it
        t.addButton(23, "&Refresh");
        t.addButton(kIdCancel, "&Close");
    });
    const QRect avail = s.available();
    EXPECT_TRUE(avail.contains(s.dlg->frameGeometry())) << s.dlg->frameGeometry().width() << "x"
                                                         << s.dlg->frameGeometry().height();
    for (int id : {23, kIdCancel}) {
        QWidget* b = s.dlg->widgetFor(id);
        EXPECT_TRUE(avail.contains(s.onScreen(b)));
        EXPECT_TRUE(s.dlg->rect().contains(QRect(b->mapTo(s.dlg.get(), QPoint()), b->size())));
    }
    gui::FitScrollArea* area = s.dlg->contentsArea();
    EXPECT_TRUE(area->horizontalScrollBar()->isVisible());
    EXPECT_TRUE(area->verticalScrollBar()->isVisible());
    // The contents keep their size: the last port is reached by scrolling, not squeezed.
    auto& grid = s.form.get<PortGrid>(21);
    QWidget* last = s.dlg->cellWidget(grid, 0, 160);
    EXPECT_GE(last->width(), last->minimumSizeHint().width());
    area->ensureWidgetVisible(last);
    QApplication::processEvents();
    EXPECT_TRUE(area->viewport()->rect().contains(QRect(last->mapTo(area->viewport(), QPoint()), last->size())));
}

TEST_F(FormFit, AboutBoxLinesUpItsValuesInAGrid) {
    const app::AboutInfo info = app::MakeAboutInfo("Corvex-10P");
    std::unique_ptr<QDialog> box = gui::MakeAboutBox(info, nullptr);
    box->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(box.get()));
    auto find = [&](const QString& text) -> QLabel* {
        for (QLabel* l : box->findChildren<QLabel*>())
            if (l->text() == text) return l;
        return nullptr;
    };
    QLabel* firmware = find("Firmware Version");
    QLabel* module = find("Orbisa Module Version");
    QLabel* firmwareValue = find(": 2.01.xxx");
    QLabel* moduleValue = find(": 2.0.1.0");
    ASSERT_TRUE(firmware && module && firmwareValue && moduleValue);
    EXPECT_TRUE(find("Corvex-10P Management Module"));
    EXPECT_EQ(box->windowTitle(), "Corvex-10P Module");
    EXPECT_EQ(firmwareValue->x(), moduleValue->x());
    EXPECT_GT(firmwareValue->x(), std::max(firmware->geometry().right(), module->geometry().right()));
    EXPECT_EQ(firmware->y(), firmwareValue->y());
    EXPECT_FALSE(find("Hardware: A1")->isVisible());
}

}  // namespace

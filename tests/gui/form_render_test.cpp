// The Qt renderer: every control kind shows and follows the model both ways, report lists sort
// as a view only, copy the selected rows, and take long walks in batches.
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QDeadlineTimer>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

#include "gui/form_dialog.h"
#include "gui/qt_ui.h"
#include "gui_test_main.h"

using namespace platform;

namespace {

class SampleForm : public Form {
public:
    std::vector<std::string> events;

protected:
    void createControls() override {
        setCaption("Sample Form");
        setSize(600, 500);
        auto& g = addGroup(100, "Settings");
        g.addLabel(101, "Name:");
        g.addEdit(102).setMaxLength(5).onChange([this] { events.push_back("name " + get<EditBox>(102).text()); });
        g.addLabel(103, "VID:");
        g.addEdit(104).setDigitsOnly();
        g.addCheck(105, "Enable RSTP").onToggle([this] { events.push_back("check"); });
        g.addRadio(106, "Upgrade", 1);
        g.addRadio(107, "Backup", 1).sameLine();
        g.addLabel(108, "Version:");
        g.addCombo(109, {"RSTP", "STP Compatible"}).onChange([this] { events.push_back("combo"); });
        g.addLabel(110, "Server:");
        g.addIpAddress(111);
        g.addProgress(112);
        g.addButton(113, "&Apply", [this] { events.push_back("apply"); });
        addList(200, "Entries", {{"Port", 60}, {"Name", 100, ReportList::Align::Center}})
            .onRowClick([this](int r) { events.push_back("row " + std::to_string(r)); })
            .setActivateButton(113);
        addPortGrid(300, "VLAN Port Member", PortGrid::CellKind::Radio, 10, {"Tag Ports:", "Untag Ports:", "Not Member:"}, 5)
            .onCellChange([this](int layer, int port) {
                // Port 2 may not be untagged: the previous choice comes back.
                if (layer == 1 && port == 2) get<PortGrid>(300).setChecked(2, 2, true);
                events.push_back("cell " + std::to_string(layer) + "/" + std::to_string(port));
            });
        addPortGrid(301, "PVID Configuration", PortGrid::CellKind::Edit, 6, {"Port VID:"}, 3).setCellDigitsOnly();
        addButton(kIdOk, "OK");
        addButton(kIdCancel, "Cancel");
    }
    void initDialog() override {
        for (int p = 1; p <= 10; ++p) get<PortGrid>(300).setChecked(2, p, true);
        get<ComboBox>(109).setCurrent(0);
    }
};

struct FormRender : guitest::QtTest {};

TEST_F(FormRender, ShowsEveryControlKindAndFollowsTheModel) {
    SampleForm form;
    {
        gui::FormDialog dlg(form);
        form.open();
        dlg.show();
        QApplication::processEvents();

        EXPECT_EQ(dlg.windowTitle(), "Sample Form");
        EXPECT_TRUE(dlg.windowFlags() & Qt::WindowStaysOnTopHint);
        EXPECT_FALSE(dlg.windowIcon().isNull());
        EXPECT_EQ(qobject_cast<QGroupBox*>(dlg.widgetFor(100))->title(), "Settings");
        EXPECT_EQ(qobject_cast<QLabel*>(dlg.widgetFor(101))->text(), "Name:");
        EXPECT_EQ(qobject_cast<QComboBox*>(dlg.widgetFor(109))->currentText(), "RSTP");
        auto& grid = form.get<PortGrid>(300);
        EXPECT_TRUE(qobject_cast<QRadioButton*>(dlg.cellWidget(grid, 2, 7))->isChecked());
        // Ports 1-5 in the first block, 6-10 in the second, each layer on its own row.
        QWidget* p1 = dlg.cellWidget(grid, 0, 1);
        QWidget* p6 = dlg.cellWidget(grid, 0, 6);
        EXPECT_GT(p6->mapTo(&dlg, QPoint()).y(), dlg.cellWidget(grid, 2, 1)->mapTo(&dlg, QPoint()).y());
        EXPECT_EQ(p6->mapTo(&dlg, QPoint()).x(), p1->mapTo(&dlg, QPoint()).x());
        // The form's own buttons are in one row at the bottom.
        QWidget* ok = dlg.widgetFor(kIdOk);
        EXPECT_EQ(ok->mapTo(&dlg, QPoint()).y(), dlg.widgetFor(kIdCancel)->mapTo(&dlg, QPoint()).y());
        EXPECT_GT(ok->mapTo(&dlg, QPoint()).y(), p6->mapTo(&dlg, QPoint()).y());

        // Model → widget.
        form.get<EditBox>(104).setText("42");
        form.get<PushButton>(113).setEnabled(false);
        form.get<IpAddressField>(111).setAddress("10.0.0.1");
        form.get<ProgressBar>(112).setPosition(40);
        form.get<Label>(103).setVisible(false);
        form.get<ComboBox>(109).setItems({"A", "B", "C"});
        form.get<ComboBox>(109).setCurrent(2);
        EXPECT_EQ(qobject_cast<QLineEdit*>(dlg.widgetFor(104))->text(), "42");
        EXPECT_FALSE(dlg.widgetFor(113)->isEnabled());
        EXPECT_EQ(dlg.widgetFor(111)->findChildren<QLineEdit*>().at(3)->text(), "1");
        EXPECT_EQ(qobject_cast<QProgressBar*>(dlg.widgetFor(112))->value(), 40);
        EXPECT_TRUE(dlg.widgetFor(103)->isHidden());
        EXPECT_EQ(qobject_cast<QComboBox*>(dlg.widgetFor(109))->count(), 3);
        EXPECT_EQ(qobject_cast<QComboBox*>(dlg.widgetFor(109))->currentText(), "C");

        form.end(kIdOk);
        EXPECT_FALSE(dlg.isVisible());
        EXPECT_EQ(dlg.result(), kIdOk);
    }
    form.destroy();
}

TEST_F(FormRender, UserInputReachesTheModelAndItsHandlers) {
    SampleForm form;
    gui::FormDialog dlg(form);
    form.open();
    dlg.show();

    auto* name = qobject_cast<QLineEdit*>(dlg.widgetFor(102));
    QTest::keyClicks(name, "abcdefg");
    EXPECT_EQ(form.get<EditBox>(102).text(), "abcde");
    auto* vid = qobject_cast<QLineEdit*>(dlg.widgetFor(104));
    QTest::keyClicks(vid, "1x2");
    EXPECT_EQ(form.get<EditBox>(104).text(), "12");

    QTest::mouseClick(dlg.widgetFor(105), Qt::LeftButton);
    EXPECT_TRUE(form.get<CheckBox>(105).checked());
    QTest::mouseClick(dlg.widgetFor(106), Qt::LeftButton);
    QTest::mouseClick(dlg.widgetFor(107), Qt::LeftButton);
    EXPECT_FALSE(form.get<RadioButton>(106).checked());
    EXPECT_FALSE(qobject_cast<QRadioButton*>(dlg.widgetFor(106))->isChecked());
    QTest::mouseClick(dlg.widgetFor(107), Qt::LeftButton);  // a checked radio stays checked
    EXPECT_TRUE(qobject_cast<QRadioButton*>(dlg.widgetFor(107))->isChecked());

    emit qobject_cast<QComboBox*>(dlg.widgetFor(109))->activated(1);
    EXPECT_EQ(form.get<ComboBox>(109).text(), "STP Compatible");

    auto octets = dlg.widgetFor(111)->findChildren<QLineEdit*>();
    ASSERT_EQ(octets.size(), 4);
    QTest::keyClicks(octets[0], "192");
    QTest::keyClicks(octets[3], "7");
    EXPECT_EQ(form.get<IpAddressField>(111).filledCount(), 2);
    EXPECT_EQ(form.get<IpAddressField>(111).address(), "192.0.0.7");

    auto& grid = form.get<PortGrid>(300);
    QTest::mouseClick(dlg.cellWidget(grid, 0, 1), Qt::LeftButton);
    EXPECT_EQ(grid.selectedLayer(1), 0);
    EXPECT_FALSE(qobject_cast<QRadioButton*>(dlg.cellWidget(grid, 2, 1))->isChecked());
    QTest::mouseClick(dlg.cellWidget(grid, 1, 2), Qt::LeftButton);  // refused by the handler
    EXPECT_EQ(grid.selectedLayer(2), 2);
    EXPECT_FALSE(qobject_cast<QRadioButton*>(dlg.cellWidget(grid, 1, 2))->isChecked());
    EXPECT_TRUE(qobject_cast<QRadioButton*>(dlg.cellWidget(grid, 2, 2))->isChecked());

    auto& pvid = form.get<PortGrid>(301);
    QTest::keyClicks(qobject_cast<QLineEdit*>(dlg.cellWidget(pvid, 0, 4)), "1a0");
    EXPECT_EQ(pvid.cellText(0, 4), "10");

    QTest::mouseClick(dlg.widgetFor(113), Qt::LeftButton);
    form.get<PushButton>(113).setEnabled(false);
    QTest::mouseClick(dlg.widgetFor(113), Qt::LeftButton);  // disabled: no handler
    EXPECT_EQ(form.events, (std::vector<std::string>{"name a", "name ab", "name abc", "name abcd", "name abcde",
                                                     "check", "combo", "cell 0/1", "cell 1/2", "apply"}));

    // While a write is under way, neither Esc nor the close box ends the form, and its buttons
    // are held; the status line says why.
    form.beginWrite();
    QTest::keyClick(&dlg, Qt::Key_Escape);
    dlg.close();
    EXPECT_FALSE(form.ended());
    EXPECT_FALSE(dlg.widgetFor(kIdCancel)->isEnabled());
    EXPECT_EQ(static_cast<QLabel*>(dlg.widgetFor(Form::kIdReadStatus))->text().toStdString(), Form::kWritingText);
    form.endWrite();
    EXPECT_TRUE(dlg.widgetFor(kIdCancel)->isEnabled());

    // Esc goes through the form: Cancel has no handler, so the form ends with kIdCancel.
    QTest::keyClick(&dlg, Qt::Key_Escape);
    EXPECT_TRUE(form.ended());
    EXPECT_EQ(form.result(), kIdCancel);
    form.destroy();
}

// Enter presses the focused push button; the default button only when the focus is elsewhere.
TEST_F(FormRender, EnterPressesTheFocusedButton) {
    SampleForm form;
    gui::FormDialog dlg(form);
    form.open();
    form.get<PushButton>(113).setDefault();
    dlg.show();
    QApplication::setActiveWindow(&dlg);
    dlg.widgetFor(102)->setFocus();
    QTest::keyClick(dlg.widgetFor(102), Qt::Key_Return);
    EXPECT_EQ(form.events, std::vector<std::string>{"apply"});
    EXPECT_FALSE(form.ended());
    dlg.widgetFor(kIdCancel)->setFocus();
    QTest::keyClick(dlg.widgetFor(kIdCancel), Qt::Key_Return);
    EXPECT_EQ(form.events, std::vector<std::string>{"apply"});
    EXPECT_TRUE(form.ended());
    EXPECT_EQ(form.result(), kIdCancel);
    form.destroy();
}

// The module closing (every event loop told to end) while a dialog writes: the dialog's run
// returns only once the write is over.
TEST_F(FormRender, AClosingModuleWaitsForTheWriteOfItsDialog) {
    SampleForm form;
    gui::QtFormHost host;
    bool writeEnded = false;
    QTimer::singleShot(50, [&] {
        form.beginWrite();
        QTimer::singleShot(300, [&] {
            writeEnded = true;
            form.endWrite();
        });
        QCoreApplication::exit(0);
    });
    host.runModal(form);
    EXPECT_TRUE(writeEnded);
    EXPECT_TRUE(form.destroyed());
}

struct ReportListRender : guitest::QtTest {
    SampleForm form;
    std::unique_ptr<gui::FormDialog> dlg;
    gui::ReportView* view = nullptr;
    ReportList* list = nullptr;
    void SetUp() override {
        guitest::QtTest::SetUp();
        dlg = std::make_unique<gui::FormDialog>(form);
        form.open();
        dlg->show();
        list = &form.get<ReportList>(200);
        view = qobject_cast<gui::ReportView*>(dlg->widgetFor(200));
        ASSERT_NE(view, nullptr);
    }
    void TearDown() override {
        dlg.reset();
        form.destroy();
        guitest::QtTest::TearDown();
    }
    void fill() {
        for (auto& r : std::vector<std::vector<std::string>>{{"10", "ten"}, {"9", "nine"}, {"100", "hundred"}, {"2", "two"}})
            list->appendRow(r);
        view->sourceModel()->flush();
    }
    std::vector<std::string> viewColumn0() const {
        std::vector<std::string> out;
        for (int r = 0; r < view->model()->rowCount(); ++r)
            out.push_back(view->model()->index(r, 0).data().toString().toStdString());
        return out;
    }
};

TEST_F(ReportListRender, SortingIsOnlyAView) {
    fill();
    EXPECT_EQ(viewColumn0(), (std::vector<std::string>{"10", "9", "100", "2"}));
    EXPECT_EQ(view->model()->headerData(1, Qt::Horizontal).toString(), "Name");
    EXPECT_EQ(view->header()->sectionSize(0), 60);

    view->sortByColumn(0, Qt::AscendingOrder);  // numbers sort as numbers
    EXPECT_EQ(viewColumn0(), (std::vector<std::string>{"2", "9", "10", "100"}));
    EXPECT_EQ(list->cell(0, 0), "10");  // the model keeps the device's order

    // A click on the first shown row reports its model row.
    QRect first = view->visualRect(view->model()->index(0, 0));
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, first.center());
    EXPECT_EQ(list->selectedRow(), 3);
    EXPECT_EQ(form.events.back(), "row 3");

    // Selecting in the model shows at the right place of the sorted view.
    list->setSelectedRow(2);
    EXPECT_EQ(view->selectionModel()->currentIndex().row(), 3);
    list->setCell(1, 0, "1");  // changing a cell re-sorts the view, not the model
    EXPECT_EQ(viewColumn0(), (std::vector<std::string>{"1", "2", "10", "100"}));
    EXPECT_EQ(list->cell(1, 0), "1");

    list->appendRow({"5", "five"});
    view->sourceModel()->flush();
    EXPECT_EQ(viewColumn0(), (std::vector<std::string>{"1", "2", "5", "10", "100"}));
    list->removeRow(0);
    EXPECT_EQ(viewColumn0(), (std::vector<std::string>{"1", "2", "5", "100"}));
    list->clear();
    EXPECT_EQ(view->model()->rowCount(), 0);
}

TEST_F(ReportListRender, CtrlCCopiesTheSelectedRowsAsShown) {
    fill();
    view->sortByColumn(1, Qt::AscendingOrder);  // hundred, nine, ten, two
    view->selectionModel()->select(view->model()->index(1, 0), QItemSelectionModel::Select | QItemSelectionModel::Rows);
    view->selectionModel()->select(view->model()->index(3, 0), QItemSelectionModel::Select | QItemSelectionModel::Rows);
    view->setFocus();
    QGuiApplication::clipboard()->clear();
    QTest::keyClick(view, Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(QGuiApplication::clipboard()->text().toStdString(), "9\tnine\n2\ttwo\n");
}

// A double click or Enter on a row presses the list's activation button ("&Apply" here) only
// while it is enabled; Enter never reaches the dialog's OK button.
TEST_F(ReportListRender, DoubleClickAndEnterPressTheBoundButtonOnlyWhenEnabled) {
    fill();
    auto& apply = form.get<PushButton>(113);
    const QRect second = view->visualRect(view->model()->index(1, 0));
    for (bool enabled : {true, false}) {
        apply.setEnabled(enabled);
        form.events.clear();
        // A double click as the window system delivers it: press, release, then the double click.
        QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, second.center());
        QTest::mouseDClick(view->viewport(), Qt::LeftButton, {}, second.center());
        view->setFocus();
        QTest::keyClick(view, Qt::Key_Return);
        QTest::keyClick(view, Qt::Key_Enter, Qt::KeypadModifier);
        const long applies = std::count(form.events.begin(), form.events.end(), "apply");
        EXPECT_EQ(applies, enabled ? 3 : 0) << enabled;
        EXPECT_EQ(list->selectedRow(), 1);
        EXPECT_FALSE(form.ended());
    }
}

TEST_F(ReportListRender, AHundredThousandRowsArriveInBatches) {
    QSignalSpy inserted(view->model(), &QAbstractItemModel::rowsInserted);
    // Rows arrive one by one, as walk callbacks deliver them, with the event loop running
    // between some of them.
    for (int i = 0; i < 100000; ++i) {
        list->appendRow({std::to_string(i), "row"});
        if (i % 20000 == 0) QApplication::processEvents();
    }
    QDeadlineTimer limit(60000);
    while (view->model()->rowCount() < 100000 && !limit.hasExpired()) QApplication::processEvents(QEventLoop::AllEvents, 50);
    ASSERT_EQ(view->model()->rowCount(), 100000);
    EXPECT_LT(inserted.count(), 50);  // announced in batches, not row by row
    EXPECT_EQ(view->model()->index(99999, 0).data().toString(), "99999");
    list->setSelectedRow(99999);
    EXPECT_EQ(view->selectionModel()->currentIndex().row(), 99999);
}

// Whatever the view's order, each view row shows the list row it maps to, model row numbers stay
// the order rows were added, and removals and selection follow the right rows.
TEST_F(ReportListRender, ViewRowsMapToListRowsThroughSortingAndRemoval) {
    const std::vector<std::vector<std::string>> rows = {
        {"10", "ten"}, {"", "blank"}, {"9", "Nine"}, {"x", ""}, {"100", "hundred"}, {"-3", "minus"}, {"9", "nine again"}};
    for (const auto& r : rows) list->appendRow(r);
    view->sourceModel()->flush();
    auto viewMatchesList = [&] {
        for (int v = 0; v < view->model()->rowCount(); ++v) {
            const int r = view->modelRow(view->model()->index(v, 0));
            if (r < 0 || view->viewIndex(r).row() != v) return false;
            for (int c = 0; c < 2; ++c)
                if (view->model()->index(v, c).data().toString().toStdString() != list->cell(r, c)) return false;
        }
        return view->model()->rowCount() == list->rowCount();
    };
    struct Step {
        const char* name;
        int column;
        Qt::SortOrder order;
        std::vector<std::string> column0;  // as shown
    };
    const std::vector<Step> steps = {
        {"numbers first, by value; equal ones keep their order", 0, Qt::AscendingOrder, {"-3", "9", "9", "10", "100", "", "x"}},
        {"descending", 0, Qt::DescendingOrder, {"x", "", "100", "10", "9", "9", "-3"}},
        {"texts without regard to case", 1, Qt::AscendingOrder, {"x", "", "100", "-3", "9", "9", "10"}},
        {"the list's own order", -1, Qt::AscendingOrder, {"10", "", "9", "x", "100", "-3", "9"}},
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(step.name);
        view->sourceModel()->sort(step.column, step.order);
        EXPECT_EQ(viewColumn0(), step.column0);
        EXPECT_TRUE(viewMatchesList());
    }
    EXPECT_EQ(list->cell(0, 0), "10");  // the list itself never moves

    view->sortByColumn(1, Qt::DescendingOrder);
    list->setSelectedRow(4);  // "100"
    const int shownAt = view->selectionModel()->currentIndex().row();
    EXPECT_EQ(view->model()->index(shownAt, 0).data().toString(), "100");
    list->removeRow(0);  // rows after it move up one place in the list, not in the view
    EXPECT_EQ(list->selectedRow(), 3);
    EXPECT_TRUE(viewMatchesList());
    EXPECT_EQ(view->modelRow(view->selectionModel()->currentIndex()), 3);
    list->removeRow(list->rowCount() - 1);
    EXPECT_TRUE(viewMatchesList());
    EXPECT_EQ(view->selectedText(), "100\thundred\n");
}

// Once a list holds more rows than are cheap to keep in order, rows that arrive after a heading
// click go to the end, in arrival order, and the heading no longer claims an order; the next
// click sorts all of them.
TEST_F(ReportListRender, ALargeSortedListTakesLaterRowsAtTheEnd) {
    const int many = gui::ReportListModel::kSortedInsertRows + 10;
    for (int i = 0; i < many; ++i) list->appendRow({std::to_string(many - i), "row"});
    view->sourceModel()->flush();
    view->sortByColumn(0, Qt::AscendingOrder);
    EXPECT_EQ(view->model()->index(0, 0).data().toString(), "1");
    EXPECT_EQ(view->header()->sortIndicatorSection(), 0);

    list->appendRow({"0", "late"});
    list->appendRow({"99999", "later"});
    view->sourceModel()->flush();
    ASSERT_EQ(view->model()->rowCount(), many + 2);
    EXPECT_EQ(view->model()->index(0, 0).data().toString(), "1");  // the sorted rows stay put
    EXPECT_EQ(view->model()->index(many, 0).data().toString(), "0");
    EXPECT_EQ(view->model()->index(many + 1, 0).data().toString(), "99999");
    EXPECT_EQ(view->modelRow(view->model()->index(many, 0)), many);
    EXPECT_EQ(view->header()->sortIndicatorSection(), -1);

    QTest::mouseClick(view->header()->viewport(), Qt::LeftButton, {},
                      QPoint(view->header()->sectionViewportPosition(0) + 5, view->header()->height() / 2));
    EXPECT_EQ(view->header()->sortIndicatorSection(), 0);
    EXPECT_EQ(view->model()->index(0, 0).data().toString(), "0");
    EXPECT_EQ(view->model()->index(many + 1, 0).data().toString(), "99999");
}

// Headings sit as their cells do; a list asks for at most 600 px of width and scrolls sideways
// when its columns are wider than the window gives it.
TEST_F(ReportListRender, HeadingsAlignAsCellsAndWideListsScroll) {
    fill();
    for (int c = 0; c < 2; ++c)
        EXPECT_EQ(view->model()->headerData(c, Qt::Horizontal, Qt::TextAlignmentRole),
                  view->model()->index(0, c).data(Qt::TextAlignmentRole))
            << c;
    EXPECT_EQ(view->model()->headerData(1, Qt::Horizontal, Qt::TextAlignmentRole).toInt(), int(Qt::AlignCenter));
    const int narrow = view->minimumSizeHint().width();
    EXPECT_LT(narrow, gui::ReportView::kMinWidth);  // two narrow columns: their own width

    list->setColumns({{"A", 400}, {"B", 400}, {"C", 400}});
    const QSize min = view->minimumSizeHint(), preferred = view->sizeHint();
    EXPECT_LE(min.width(), gui::ReportView::kMinWidth + 60);
    EXPECT_GE(preferred.width(), 1200);
    view->resize(min.width(), 300);
    QApplication::processEvents();
    EXPECT_GT(view->header()->length(), view->viewport()->width());
    EXPECT_TRUE(view->horizontalScrollBar()->maximum() > 0);
}

}  // namespace

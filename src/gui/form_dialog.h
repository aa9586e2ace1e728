#pragma once
// Renders a platform::Form as a Qt dialog and keeps the two in step: model changes update the
// widgets; user input goes to the model's user* calls, whose handlers then run.
#include <QAbstractTableModel>
#include <QDialog>
#include <QIcon>
#include <QTimer>
#include <QTableView>
#include <map>
#include <vector>

#include "platform/form.h"

class QBoxLayout;
class QHeaderView;
class QVBoxLayout;

namespace gui {

class FitScrollArea;

// The module icon (drawn at run time).
QIcon ModuleIcon();

// A report list as a Qt table model, rows in the order the view shows them. Appended rows are
// announced in batches on a short timer, at the end of the view, so that long walks cost the
// view no more than the rows they add. A heading click sorts once (sort): numbers compare as
// numbers and before other texts, which compare by locale; equal rows keep the list's order.
// While sorted, later rows go into place as long as the list is small; a large list shows them
// at the end and drops its sort (sortDropped) until the next click.
class ReportListModel : public QAbstractTableModel, private platform::ReportList::RowObserver {
    Q_OBJECT
public:
    explicit ReportListModel(platform::ReportList& list, QObject* parent = nullptr);
    ~ReportListModel() override;
    platform::ReportList& list() const { return *list_; }
    // Announces rows that are waiting for the batch timer.
    void flush();
    // The list row a view row shows, and back; -1 for rows not shown.
    int listRow(int viewRow) const;
    int viewRow(int listRow) const;
    int sortColumn() const { return sortColumn_; }
    // Up to this many rows, rows that arrive or change while sorted move into place.
    static constexpr int kSortedInsertRows = 5000;

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    // Column -1: the list's own order.
    void sort(int column, Qt::SortOrder order = Qt::AscendingOrder) override;

signals:
    // Rows arrived at the end of a large sorted view: it is no longer sorted.
    void sortDropped();

private:
    void rowsAppended(platform::ReportList&, int first, int count) override;
    void rowChanged(platform::ReportList&, int row) override;
    void rowRemoved(platform::ReportList&, int row) override;
    void rowsCleared(platform::ReportList&) override;
    void columnsChanged(platform::ReportList&) override;
    // Where list row r goes among the sorted rows of `rows` (after its equals).
    std::size_t sortedPlace(const std::vector<int>& rows, int r) const;
    bool before(int a, int b) const;  // list rows, by the sort column and order

    platform::ReportList* list_;
    int shown_ = 0;          // rows announced to views: list rows 0 .. shown_-1
    std::vector<int> order_;  // view row -> list row once sorted; empty: the list's order
    int sortColumn_ = -1;
    Qt::SortOrder sortOrder_ = Qt::AscendingOrder;
    bool sortAscii_ = true;  // the sorted column held only ASCII texts: byte-wise, case-blind
    QTimer batch_;
};

// The list view: one line per row (uniform heights), sortable headings, Ctrl+C copies the
// selected rows tab-separated.
class ReportView : public QTableView {
    Q_OBJECT
public:
    ReportView(platform::ReportList& list, QWidget* parent = nullptr);
    ~ReportView() override;
    ReportListModel* sourceModel() const { return model_; }
    QHeaderView* header() const { return horizontalHeader(); }
    using QTableView::sizeHintForRow;
    // Model row of a view index and back.
    int modelRow(const QModelIndex& viewIndex) const;
    QModelIndex viewIndex(int modelRow) const;
    // The selected rows as text, in the order the view shows them.
    QString selectedText() const;
    void copySelection() const;
    // Shows the model's selected row.
    void syncSelection();

    // At least as wide as its columns up to kMinWidth (wider tables scroll sideways), and
    // preferably as wide as all of them; tall enough for a few rows (the list's visible rows
    // when it gives them).
    QSize minimumSizeHint() const override;
    QSize sizeHint() const override;
    static constexpr int kMinWidth = 600;

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    void applyColumnWidths();
    int columnsWidth() const;
    int rowsHeight(int rows) const;

    platform::ReportList* list_;
    ReportListModel* model_;
    bool syncing_ = false;
};

class FormDialog : public QDialog, private platform::FormObserver {
    Q_OBJECT
public:
    // Builds the form's controls if needed and creates the widgets.
    explicit FormDialog(platform::Form& form, QWidget* parent = nullptr);
    ~FormDialog() override;

    platform::Form& form() const { return *form_; }
    QWidget* widgetFor(const platform::Control& control) const;
    QWidget* widgetFor(int id) const;
    // Cell widget of a per-port grid.
    QWidget* cellWidget(const platform::PortGrid& grid, int layer, int port) const;

    // Esc and the close box go to the form, which decides.
    void reject() override;
    // Enter presses the focused push button, as on every desktop; the default button only when
    // the focus is on a control that is not a button.
    void keyPressEvent(QKeyEvent* event) override;
    // Showing fits the dialog into the available area of its screen: contents that do not fit
    // scroll, the button row stays in view.
    void setVisible(bool visible) override;
    // The contents, which scroll when the screen is too small for them.
    FitScrollArea* contentsArea() const { return scroll_; }

private:
    void controlChanged(platform::Control& control, platform::Change what) override;
    void formChanged(platform::Form& form) override;
    void formEnded(platform::Form& form, int result) override;

    // The form's own buttons go to buttonsInto (topLevel only).
    void buildContainer(const std::vector<platform::Control*>& controls, QVBoxLayout* into, bool topLevel,
                        QBoxLayout* buttonsInto = nullptr);
    QWidget* createWidget(platform::Control& c);
    QWidget* createPortGrid(platform::PortGrid& grid);
    void sync(platform::Control& c);
    void syncGrid(platform::PortGrid& grid);
    void applyFormAttributes();
    void applyFocus(platform::Control& c);
    void userFocusChanged(QWidget* now);
    void fitToScreen();

    platform::Form* form_;
    FitScrollArea* scroll_ = nullptr;
    QBoxLayout* buttonRow_ = nullptr;
    bool fitted_ = false;
    bool listTakesHeight_ = false;
    bool applyingFocus_ = false;
    QMetaObject::Connection focusWatch_;
    std::map<const platform::Control*, QWidget*> widgets_;
    std::map<const platform::PortGrid*, std::vector<QWidget*>> cells_;  // layer-major
    bool ending_ = false;
};

}  // namespace gui

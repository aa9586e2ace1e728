#pragma once
// Renders a platform::Form as a Qt dialog and keeps the two in step: model changes update the
// widgets; user input goes to the model's user* calls, whose handlers then run.
#include <QAbstractTableModel>
#include <QDialog>
#include <QIcon>
#include <QSortFilterProxyModel>
#include <QTimer>
#include <QTreeView>
#include <map>
#include <vector>

#include "platform/form.h"

class QBoxLayout;
class QVBoxLayout;

namespace gui {

class FitScrollArea;

// The module icon (drawn at run time).
QIcon ModuleIcon();

// A report list as a Qt table model. Appended rows are announced in batches on a short timer,
// so that long walks do not relayout the view once per row.
class ReportListModel : public QAbstractTableModel, private platform::ReportList::RowObserver {
    Q_OBJECT
public:
    explicit ReportListModel(platform::ReportList& list, QObject* parent = nullptr);
    ~ReportListModel() override;
    platform::ReportList& list() const { return *list_; }
    // Announces rows that are waiting for the batch timer.
    void flush();

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

private:
    void rowsAppended(platform::ReportList&, int first, int count) override;
    void rowChanged(platform::ReportList&, int row) override;
    void rowRemoved(platform::ReportList&, int row) override;
    void rowsCleared(platform::ReportList&) override;
    void columnsChanged(platform::ReportList&) override;

    platform::ReportList* list_;
    int shown_ = 0;  // rows announced to views
    QTimer batch_;
};

// Sorting by a column: numbers compare as numbers, other texts by locale.
class ReportSortProxy : public QSortFilterProxyModel {
    Q_OBJECT
public:
    using QSortFilterProxyModel::QSortFilterProxyModel;

protected:
    bool lessThan(const QModelIndex& left, const QModelIndex& right) const override;
};

// The list view: sortable headers, Ctrl+C copies the selected rows tab-separated.
class ReportView : public QTreeView {
    Q_OBJECT
public:
    ReportView(platform::ReportList& list, QWidget* parent = nullptr);
    ReportListModel* sourceModel() const { return model_; }
    ReportSortProxy* proxy() const { return proxy_; }
    // Model row of a view index and back.
    int modelRow(const QModelIndex& viewIndex) const;
    QModelIndex viewIndex(int modelRow) const;
    // The selected rows as text, in the order the view shows them.
    QString selectedText() const;
    void copySelection() const;
    // Shows the model's selected row.
    void syncSelection();

    // Wide enough for every column (each at least as wide as its heading), tall enough for a
    // few rows (the list's visible rows when it gives them).
    QSize minimumSizeHint() const override;
    QSize sizeHint() const override;

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    void applyColumnWidths();
    int columnsWidth() const;
    int rowsHeight(int rows) const;

    platform::ReportList* list_;
    ReportListModel* model_;
    ReportSortProxy* proxy_;
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

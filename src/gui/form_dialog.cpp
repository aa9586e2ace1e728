#include "gui/form_dialog.h"
#include "gui/form_widgets.h"
#include "gui/qt_ui.h"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>
#include <QPixmap>
#include <QProgressBar>
#include <QPushButton>
#include <QScrollBar>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QRegularExpressionValidator>
#include <QScreen>
#include <QStyle>
#include <QVBoxLayout>
#include <algorithm>
#include <cctype>

#include "platform/system.h"

namespace gui {

using platform::Change;
using platform::Control;
using platform::ControlKind;

namespace {

QString Q(const std::string& s) { return QString::fromStdString(s); }

// Rows reach the view in batches: every 40 ms while the list is short, so that it fills
// smoothly, and every 200 ms once it is long, where each batch costs the window a repaint of
// the list and its scroll bar and nobody reads the rows as they arrive.
constexpr int kBatchMs = 40;
constexpr int kLongListBatchMs = 200;
constexpr int kLongListRows = 10000;

// The IPv4 address field: four octet boxes separated by dots.
class IpEdit : public QWidget {
public:
    explicit IpEdit(QWidget* parent) : QWidget(parent) {
        auto* row = new QHBoxLayout(this);
        row->setContentsMargins(0, 0, 0, 0);
        row->setSpacing(2);
        auto* validator = new QRegularExpressionValidator(QRegularExpression("[0-9]{0,3}"), this);
        for (int i = 0; i < 4; ++i) {
            if (i) row->addWidget(new QLabel(".", this));
            fields[i] = new QLineEdit(this);
            fields[i]->setValidator(validator);
            fields[i]->setMaxLength(3);
            fields[i]->setFixedWidth(fields[i]->fontMetrics().horizontalAdvance("0000") + 12);
            fields[i]->setAlignment(Qt::AlignCenter);
            row->addWidget(fields[i]);
        }
        row->addStretch(1);
    }
    QLineEdit* fields[4];
};

bool IsField(ControlKind k) {
    return k == ControlKind::Edit || k == ControlKind::Combo || k == ControlKind::IpAddress ||
           k == ControlKind::Check || k == ControlKind::Radio || k == ControlKind::Progress ||
           k == ControlKind::Button || k == ControlKind::Label;
}

// Edit boxes for a few characters (a VID, a port, a time) get a box of that size; longer texts
// and progress bars take the width of their line.
constexpr int kShortEdit = 12;

bool Expands(const Control& c) {
    if (c.width() > 0) return false;  // sized by the dialog
    switch (c.kind()) {
    case ControlKind::Edit: {
        const auto& e = static_cast<const platform::EditBox&>(c);
        return e.lines() > 1 || e.maxLength() <= 0 || e.maxLength() > kShortEdit;
    }
    case ControlKind::Progress:
    case ControlKind::List:
    case ControlKind::Group:
    case ControlKind::PortGrid: return true;
    default: return false;
    }
}

// A list, or a group that holds one, takes the spare height of its dialog.
bool TakesSpareHeight(const Control& c) {
    if (c.kind() == ControlKind::List) return true;
    if (c.kind() != ControlKind::Group) return false;
    const auto& children = static_cast<const platform::GroupBox&>(c).children();
    return std::any_of(children.begin(), children.end(), [](const Control* child) { return TakesSpareHeight(*child); });
}

// Whole rows a list shows at least, and by default.
constexpr int kListMinRows = 6;
constexpr int kListRows = 12;

}  // namespace

QIcon ModuleIcon() {
    static QIcon icon = [] {
        QIcon result;
        for (int size : {16, 32, 48}) {
            QPixmap pm(size, size);
            pm.fill(Qt::transparent);
            QPainter p(&pm);
            p.setRenderHint(QPainter::Antialiasing);
            const qreal s = size;
            p.setBrush(QColor(32, 70, 120));
            p.setPen(Qt::NoPen);
            p.drawRoundedRect(QRectF(0, s * 0.2, s, s * 0.6), s * 0.1, s * 0.1);
            p.setBrush(QColor(120, 220, 120));
            for (int i = 0; i < 4; ++i)
                p.drawRect(QRectF(s * (0.1 + i * 0.22), s * 0.4, s * 0.14, s * 0.2));
            p.setBrush(QColor(250, 200, 40));
            p.drawEllipse(QRectF(s * 0.78, s * 0.24, s * 0.12, s * 0.12));
            p.end();
            result.addPixmap(pm);
        }
        return result;
    }();
    return icon;
}

// ---------------------------------------------------------------- ReportListModel

namespace {

// A cell as a number when it is one (blanks around it allowed).
bool AsNumber(std::string_view text, qlonglong& n) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
    if (text.empty() || text.size() > 20) return false;
    bool ok = false;
    n = QByteArrayView(text.data(), static_cast<qsizetype>(text.size())).toLongLong(&ok);
    return ok;
}

bool IsAscii(std::string_view text) {
    for (unsigned char ch : text)
        if (ch >= 0x80) return false;
    return true;
}

int CompareAsciiNoCase(std::string_view a, std::string_view b) {
    const std::size_t n = std::min(a.size(), b.size());
    for (std::size_t i = 0; i < n; ++i) {
        const int ca = std::tolower(static_cast<unsigned char>(a[i]));
        const int cb = std::tolower(static_cast<unsigned char>(b[i]));
        if (ca != cb) return ca < cb ? -1 : 1;
    }
    return a.size() == b.size() ? 0 : a.size() < b.size() ? -1 : 1;
}

QString Trimmed(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())).trimmed();
}

// Numbers first, by value; then texts (byte-wise without case when `ascii`, else by locale).
int CompareCells(std::string_view a, std::string_view b, bool ascii) {
    qlonglong na = 0, nb = 0;
    const bool numA = AsNumber(a, na), numB = AsNumber(b, nb);
    if (numA && numB) return na < nb ? -1 : na > nb ? 1 : 0;
    if (numA != numB) return numA ? -1 : 1;
    if (ascii && IsAscii(a) && IsAscii(b)) return CompareAsciiNoCase(a, b);
    return QString::localeAwareCompare(Trimmed(a).toCaseFolded(), Trimmed(b).toCaseFolded());
}

}  // namespace

ReportListModel::ReportListModel(platform::ReportList& list, QObject* parent)
    : QAbstractTableModel(parent), list_(&list), shown_(list.rowCount()) {
    batch_.setSingleShot(true);
    connect(&batch_, &QTimer::timeout, this, &ReportListModel::flush);
    list_->addRowObserver(this);
}

ReportListModel::~ReportListModel() { list_->removeRowObserver(this); }

int ReportListModel::listRow(int viewRow) const {
    if (viewRow < 0 || viewRow >= shown_) return -1;
    return order_.empty() ? viewRow : order_[static_cast<std::size_t>(viewRow)];
}

int ReportListModel::viewRow(int listRow) const {
    if (listRow < 0 || listRow >= shown_) return -1;
    if (order_.empty()) return listRow;
    auto it = std::find(order_.begin(), order_.end(), listRow);
    return it == order_.end() ? -1 : static_cast<int>(it - order_.begin());
}

bool ReportListModel::before(int a, int b) const {
    const int c = CompareCells(list_->cellView(a, sortColumn_), list_->cellView(b, sortColumn_), sortAscii_);
    return sortOrder_ == Qt::AscendingOrder ? c < 0 : c > 0;
}

std::size_t ReportListModel::sortedPlace(const std::vector<int>& rows, int r) const {
    auto it = std::upper_bound(rows.begin(), rows.end(), r, [this](int x, int y) { return before(x, y); });
    return static_cast<std::size_t>(it - rows.begin());
}

void ReportListModel::flush() {
    batch_.stop();
    const int total = list_->rowCount();
    if (total <= shown_) return;
    if (sortColumn_ >= 0 && total <= kSortedInsertRows) {
        for (int r = shown_; r < total; ++r) {
            const int at = static_cast<int>(sortedPlace(order_, r));
            beginInsertRows({}, at, at);
            order_.insert(order_.begin() + at, r);
            ++shown_;
            endInsertRows();
        }
        return;
    }
    const bool dropSort = sortColumn_ >= 0;
    sortColumn_ = -1;
    beginInsertRows({}, shown_, total - 1);
    if (!order_.empty())
        for (int r = shown_; r < total; ++r) order_.push_back(r);
    shown_ = total;
    endInsertRows();
    if (dropSort) emit sortDropped();
}

void ReportListModel::sort(int column, Qt::SortOrder order) {
    flush();
    emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    const QModelIndexList kept = persistentIndexList();
    std::vector<int> listRows;
    listRows.reserve(static_cast<std::size_t>(kept.size()));
    for (const QModelIndex& i : kept) listRows.push_back(listRow(i.row()));

    sortColumn_ = column >= 0 && column < list_->columnCount() ? column : -1;
    sortOrder_ = order;
    std::vector<int>().swap(order_);
    if (sortColumn_ >= 0) {
        // Keys once per row, not once per comparison: numbers parsed, texts checked for ASCII.
        struct Key {
            qlonglong num;
            bool isNum;
        };
        std::vector<Key> keys(static_cast<std::size_t>(shown_));
        sortAscii_ = true;
        for (int r = 0; r < shown_; ++r) {
            const std::string_view t = list_->cellView(r, sortColumn_);
            Key& k = keys[static_cast<std::size_t>(r)];
            k.isNum = AsNumber(t, k.num);
            if (!k.isNum && sortAscii_ && !IsAscii(t)) sortAscii_ = false;
        }
        order_.resize(static_cast<std::size_t>(shown_));
        for (int r = 0; r < shown_; ++r) order_[static_cast<std::size_t>(r)] = r;
        auto less = [&](int a, int b) {
            const Key& ka = keys[static_cast<std::size_t>(a)];
            const Key& kb = keys[static_cast<std::size_t>(b)];
            if (ka.isNum && kb.isNum) return ka.num < kb.num;
            if (ka.isNum != kb.isNum) return ka.isNum;
            const std::string_view ta = list_->cellView(a, sortColumn_), tb = list_->cellView(b, sortColumn_);
            if (sortAscii_) return CompareAsciiNoCase(ta, tb) < 0;
            return QString::localeAwareCompare(Trimmed(ta).toCaseFolded(), Trimmed(tb).toCaseFolded()) < 0;
        };
        if (order == Qt::AscendingOrder)
            std::stable_sort(order_.begin(), order_.end(), less);
        else
            std::stable_sort(order_.begin(), order_.end(), [&](int a, int b) { return less(b, a); });
    } else {
        sortAscii_ = true;
    }

    if (!kept.isEmpty()) {
        std::vector<int> place(static_cast<std::size_t>(shown_));
        for (int v = 0; v < shown_; ++v) place[static_cast<std::size_t>(listRow(v))] = v;
        QModelIndexList after;
        after.reserve(kept.size());
        for (qsizetype i = 0; i < kept.size(); ++i) {
            const int r = listRows[static_cast<std::size_t>(i)];
            after.push_back(r < 0 ? QModelIndex() : index(place[static_cast<std::size_t>(r)], kept[i].column()));
        }
        changePersistentIndexList(kept, after);
    }
    emit layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}

int ReportListModel::rowCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : shown_; }

int ReportListModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : std::max(1, list_->columnCount());
}

namespace {

QVariant AlignmentOf(platform::ReportList::Align align) {
    switch (align) {
    case platform::ReportList::Align::Left: return QVariant(Qt::AlignLeft | Qt::AlignVCenter);
    case platform::ReportList::Align::Center: return QVariant(Qt::AlignCenter);
    case platform::ReportList::Align::Right: return QVariant(Qt::AlignRight | Qt::AlignVCenter);
    }
    return {};
}

}  // namespace

QVariant ReportListModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid()) return {};
    const int r = listRow(index.row());
    if (r < 0 || r >= list_->rowCount()) return {};
    if (role == Qt::DisplayRole || role == Qt::ToolTipRole) {
        const std::string_view t = list_->cellView(r, index.column());
        return QString::fromUtf8(t.data(), static_cast<qsizetype>(t.size()));
    }
    if (role == Qt::TextAlignmentRole && index.column() < list_->columnCount())
        return AlignmentOf(list_->columns()[static_cast<size_t>(index.column())].align);
    return {};
}

QVariant ReportListModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal) return {};
    if (section < 0 || section >= list_->columnCount()) return {};
    const auto& column = list_->columns()[static_cast<size_t>(section)];
    if (role == Qt::DisplayRole) return Q(column.heading);
    if (role == Qt::TextAlignmentRole) return AlignmentOf(column.align);  // headings sit as their cells
    return {};
}

void ReportListModel::rowsAppended(platform::ReportList&, int, int) {
    if (!batch_.isActive()) batch_.start(shown_ < kLongListRows ? kBatchMs : kLongListBatchMs);
}

void ReportListModel::rowChanged(platform::ReportList&, int row) {
    const int v = viewRow(row);
    if (v < 0) return;
    if (sortColumn_ >= 0 && shown_ <= kSortedInsertRows) {
        std::vector<int> rest = order_;
        rest.erase(rest.begin() + v);
        const int at = static_cast<int>(sortedPlace(rest, row));
        if (at != v) {
            beginMoveRows({}, v, v, {}, at > v ? at + 1 : at);
            order_ = std::move(rest);
            order_.insert(order_.begin() + at, row);
            endMoveRows();
            emit dataChanged(index(at, 0), index(at, columnCount() - 1));
            return;
        }
    }
    emit dataChanged(index(v, 0), index(v, columnCount() - 1));
}

void ReportListModel::rowRemoved(platform::ReportList&, int row) {
    if (row >= shown_) return;  // never announced
    const int v = viewRow(row);
    beginRemoveRows({}, v, v);
    if (!order_.empty()) {
        order_.erase(order_.begin() + v);
        for (int& r : order_)
            if (r > row) --r;
    }
    --shown_;
    endRemoveRows();
}

void ReportListModel::rowsCleared(platform::ReportList&) {
    batch_.stop();
    beginResetModel();
    shown_ = 0;
    std::vector<int>().swap(order_);
    endResetModel();
}

void ReportListModel::columnsChanged(platform::ReportList&) {
    beginResetModel();
    if (sortColumn_ >= list_->columnCount()) {
        sortColumn_ = -1;
        std::vector<int>().swap(order_);
    }
    endResetModel();
}

// ---------------------------------------------------------------- ReportView

ReportView::ReportView(platform::ReportList& list, QWidget* parent)
    : QTableView(parent), list_(&list), model_(new ReportListModel(list, this)) {
    setModel(model_);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setTabKeyNavigation(false);
    setWordWrap(false);
    setCornerButtonEnabled(false);
    setShowGrid(list.gridLines());
    setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
    // One line per row, all alike: the view never measures rows.
    verticalHeader()->hide();
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    verticalHeader()->setMinimumSectionSize(1);
    verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 6);
    QHeaderView* h = horizontalHeader();
    h->setStretchLastSection(true);
    h->setSectionsMovable(false);
    h->setHighlightSections(false);
    h->setMinimumSectionSize(fontMetrics().horizontalAdvance("000"));
    // Rows start in the order the device returned them; a header click sorts the view only.
    h->setSortIndicator(-1, Qt::AscendingOrder);
    setSortingEnabled(true);
    applyColumnWidths();

    connect(this, &QAbstractItemView::clicked, this, [this](const QModelIndex& i) { list_->userClickRow(modelRow(i)); });
    connect(this, &QAbstractItemView::doubleClicked, this,
            [this](const QModelIndex& i) { list_->userDoubleClickRow(modelRow(i)); });
    connect(selectionModel(), &QItemSelectionModel::currentRowChanged, this, [this](const QModelIndex& current) {
        if (!syncing_ && current.isValid()) list_->userSelectRow(modelRow(current));
    });
    connect(model_, &QAbstractItemModel::modelReset, this, [this] { applyColumnWidths(); });
    connect(model_, &ReportListModel::sortDropped, this, [this] {
        const QSignalBlocker quiet(horizontalHeader());  // the indicator only; the rows stay
        horizontalHeader()->setSortIndicator(-1, Qt::AscendingOrder);
        horizontalHeader()->viewport()->update();
    });
}

ReportView::~ReportView() {
    // The view's own per-row state goes with it; hand what a large list freed back once the
    // window is gone.
    if (model_->rowCount() >= 10000 && QCoreApplication::instance())
        QTimer::singleShot(0, QCoreApplication::instance(), [] { platform::ReleaseFreeMemory(); });
}

void ReportView::applyColumnWidths() {
    // The list's width, but never narrower than the heading (the sort arrow included).
    for (int c = 0; c < list_->columnCount(); ++c)
        header()->resizeSection(c, std::max(list_->columns()[static_cast<size_t>(c)].width, header()->sectionSizeHint(c)));
    updateGeometry();
}

int ReportView::columnsWidth() const {
    int total = 0;
    for (int c = 0; c < header()->count(); ++c) total += header()->sectionSize(c);
    return total;
}

int ReportView::rowsHeight(int rows) const {
    const int row = verticalHeader()->defaultSectionSize();
    return header()->sizeHint().height() + rows * row + 2 * frameWidth() + horizontalScrollBar()->sizeHint().height();
}

QSize ReportView::minimumSizeHint() const {
    // Every column up to kMinWidth; a wider table scrolls sideways when the dialog is narrow.
    const int chrome = 2 * frameWidth() + verticalScrollBar()->sizeHint().width() + 2;
    const int w = std::min(columnsWidth(), kMinWidth) + chrome;
    const int rows = list_->visibleRows() > 0 ? std::min(list_->visibleRows(), kListMinRows) : kListMinRows;
    return {w, rowsHeight(rows)};
}

QSize ReportView::sizeHint() const {
    const int rows = list_->visibleRows() > 0 ? list_->visibleRows() : kListRows;
    const int chrome = 2 * frameWidth() + verticalScrollBar()->sizeHint().width() + 2;
    return {columnsWidth() + chrome, rowsHeight(rows)};
}

int ReportView::modelRow(const QModelIndex& viewIndex) const {
    if (!viewIndex.isValid()) return -1;
    return model_->listRow(viewIndex.row());
}

QModelIndex ReportView::viewIndex(int modelRow) const {
    const int v = model_->viewRow(modelRow);
    return v < 0 ? QModelIndex() : model_->index(v, 0);
}

QString ReportView::selectedText() const {
    std::vector<int> viewRows;
    for (const QModelIndex& i : selectionModel()->selectedRows()) viewRows.push_back(i.row());
    std::sort(viewRows.begin(), viewRows.end());
    std::vector<int> rows;
    rows.reserve(viewRows.size());
    for (int v : viewRows) rows.push_back(model_->listRow(v));
    return Q(list_->rowsAsText(rows));
}

void ReportView::copySelection() const {
    QString text = selectedText();
    if (!text.isEmpty()) QGuiApplication::clipboard()->setText(text);
}

void ReportView::syncSelection() {
    int row = list_->selectedRow();
    if (row >= model_->rowCount()) model_->flush();
    QModelIndex target = viewIndex(row);
    QModelIndex current = selectionModel()->currentIndex();
    if (target.isValid() && current.isValid() && current.row() == target.row() &&
        selectionModel()->isRowSelected(target.row(), {}))
        return;
    syncing_ = true;
    if (target.isValid()) {
        selectionModel()->setCurrentIndex(target, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
        scrollTo(target);
    } else {
        selectionModel()->clearSelection();
    }
    syncing_ = false;
}

void ReportView::keyPressEvent(QKeyEvent* event) {
    if (event->matches(QKeySequence::Copy)) {
        copySelection();
        event->accept();
        return;
    }
    // Enter on a row stands for the list's activation button, as a double click does; it does
    // not fall through to the dialog's default button.
    if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) &&
        (event->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier && list_->userActivate()) {
        event->accept();
        return;
    }
    QTableView::keyPressEvent(event);
}

void ReportView::mouseReleaseEvent(QMouseEvent* event) {
    bool outside = !indexAt(event->position().toPoint()).isValid();
    QTableView::mouseReleaseEvent(event);
    if (outside && event->button() == Qt::LeftButton) list_->userClickRow(-1);
}

// ---------------------------------------------------------------- FormDialog

FormDialog::FormDialog(platform::Form& form, QWidget* parent) : QDialog(parent), form_(&form) {
    form.build();
    auto* root = new QVBoxLayout(this);
    auto* contents = new QWidget;
    auto* inner = new QVBoxLayout(contents);
    inner->setContentsMargins(0, 0, 0, 0);
    buttonRow_ = new QHBoxLayout;
    buildContainer(form.children(), inner, true, buttonRow_);
    scroll_ = new FitScrollArea(this);
    scroll_->setWidget(contents);
    root->addWidget(scroll_, 1);
    root->addLayout(buttonRow_);
    for (auto& c : form.allControls()) sync(*c);
    applyFormAttributes();
    form.addObserver(this);
    focusWatch_ = connect(qApp, &QApplication::focusChanged, this, [this](QWidget*, QWidget* now) { userFocusChanged(now); });
    if (Control* f = form.focused()) applyFocus(*f);
}

FormDialog::~FormDialog() {
    // The widgets go after this body, moving the focus as they go.
    disconnect(focusWatch_);
    form_->removeObserver(this);
}

QWidget* FormDialog::widgetFor(const Control& control) const {
    auto it = widgets_.find(&control);
    return it == widgets_.end() ? nullptr : it->second;
}

QWidget* FormDialog::widgetFor(int id) const {
    Control* c = form_->find(id);
    return c ? widgetFor(*c) : nullptr;
}

QWidget* FormDialog::cellWidget(const platform::PortGrid& grid, int layer, int port) const {
    auto it = cells_.find(&grid);
    if (it == cells_.end() || layer < 0 || layer >= grid.layerCount() || port < 1 || port > grid.portCount())
        return nullptr;
    return it->second[static_cast<size_t>(layer * grid.portCount() + port - 1)];
}

void FormDialog::setVisible(bool visible) {
    if (visible && !fitted_) {
        fitted_ = true;
        fitToScreen();
    }
    QDialog::setVisible(visible);
    // The contents were laid out while hidden, at the size they had then: lay them out at the
    // size they have now.
    if (QLayout* contents = visible ? scroll_->widget()->layout() : nullptr) {
        contents->invalidate();
        contents->activate();
    }
}

void FormDialog::fitToScreen() {
    QScreen* screen = parentWidget() ? parentWidget()->screen() : this->screen();
    if (!screen) screen = QGuiApplication::primaryScreen();
    if (!screen) return;
    const QRect avail = screen->availableGeometry();
    // The window frame: known once the window has been shown; before, room for a title bar and
    // borders.
    QSize frame = frameGeometry().size() - size();
    if (frame.isEmpty() && !testAttribute(Qt::WA_WState_Visible)) {
        const int border = style()->pixelMetric(QStyle::PM_DefaultFrameWidth, nullptr, this) * 2 + 4;
        frame = QSize(2 * border, style()->pixelMetric(QStyle::PM_TitleBarHeight, nullptr, this) + 2 * border);
    }
    const QSize room = (avail.size() - frame).expandedTo(QSize(200, 150));
    const QMargins m = layout()->contentsMargins();
    const int buttons = buttonRow_->count() > 0 ? buttonRow_->sizeHint().height() + layout()->spacing() : 0;
    scroll_->setLimit(QSize(room.width() - m.left() - m.right(), room.height() - m.top() - m.bottom() - buttons));
    layout()->activate();
    if (!testAttribute(Qt::WA_Resized)) adjustSize();
    QSize size = this->size();
    // Without a list nothing could use more height than the contents ask for: no empty band.
    if (!listTakesHeight_) size.setHeight(std::min(size.height(), sizeHint().height()));
    resize(size.boundedTo(room).expandedTo(minimumSize()));
}

void FormDialog::reject() {
    if (QtUi::Waiting()) return;  // a request of this thread waits for the switch: closing comes later
    form_->requestClose();
}

void FormDialog::keyPressEvent(QKeyEvent* event) {
    const bool enter = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
    if (enter && (event->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier) {
        if (auto* button = qobject_cast<QPushButton*>(focusWidget()); button && button->isEnabled()) {
            button->click();
            event->accept();
            return;
        }
    }
    QDialog::keyPressEvent(event);
}

void FormDialog::applyFormAttributes() {
    setWindowTitle(Q(form_->caption()));
    setWindowIcon(ModuleIcon());
    Qt::WindowFlags flags = windowFlags() | Qt::WindowCloseButtonHint;
    flags &= ~Qt::WindowContextHelpButtonHint;
    if (form_->topmost()) flags |= Qt::WindowStaysOnTopHint;
    else flags &= ~Qt::WindowStaysOnTopHint;
    if (flags != windowFlags()) setWindowFlags(flags);
    if (form_->width() > 0 && form_->height() > 0) resize(form_->width(), form_->height());
}

void FormDialog::buildContainer(const std::vector<Control*>& controls, QVBoxLayout* into, bool topLevel,
                                QBoxLayout* buttonsInto) {
    // Controls go into lines: a control starts a new line unless it is kept on the line before,
    // or follows a caption label (a field, or a label showing the caption's value). A line that
    // starts with a caption is a form row: captions in the first column, so that the fields of
    // consecutive rows line up. The form's own buttons make the bottom row unless kept on a line.
    struct Line {
        std::vector<std::pair<Control*, QWidget*>> items;
        bool expands = false;
    };
    std::vector<Line> lines;
    std::vector<QPushButton*> bottom;
    for (Control* c : controls) {
        QWidget* w = createWidget(*c);
        if (topLevel && c->kind() == ControlKind::Button && !c->onSameLine()) {
            bottom.push_back(static_cast<QPushButton*>(w));
            continue;
        }
        if (c->width() > 0) w->setFixedWidth(c->width());
        else if (auto* le = qobject_cast<QLineEdit*>(w); le && c->kind() == ControlKind::Edit && !Expands(*c)) {
            int chars = static_cast<platform::EditBox&>(*c).maxLength() + 1;
            le->setFixedWidth(le->fontMetrics().horizontalAdvance(QString(chars, QChar('0'))) + 16);
        }
        bool joins = false;
        if (!lines.empty()) {
            const Line& line = lines.back();
            const Control* prev = line.items.back().first;
            const bool afterCaption = prev->kind() == ControlKind::Label && IsField(c->kind()) &&
                                      (c->kind() != ControlKind::Label || line.items.size() == 1);
            joins = c->onSameLine() || afterCaption;
        }
        if (!joins) lines.emplace_back();
        lines.back().items.emplace_back(c, w);
        lines.back().expands = lines.back().expands || Expands(*c);
    }

    auto* grid = new QGridLayout;
    grid->setColumnStretch(1, 1);
    int row = 0;
    bool anyTall = false;
    for (const Line& line : lines) {
        const Control* first = line.items.front().first;
        const bool captioned = first->kind() == ControlKind::Label && line.items.size() > 1;
        auto* fields = new QHBoxLayout;
        for (size_t i = captioned ? 1 : 0; i < line.items.size(); ++i)
            fields->addWidget(line.items[i].second, Expands(*line.items[i].first) ? 1 : 0);
        if (!line.expands) fields->addStretch(1);
        // A caption stands level with the first line of a box of several lines.
        const bool multiLine = std::any_of(line.items.begin(), line.items.end(), [](const auto& item) {
            return item.first->kind() == ControlKind::Edit && static_cast<platform::EditBox*>(item.first)->lines() > 1;
        });
        if (captioned) {
            grid->addWidget(line.items.front().second, row, 0, Qt::AlignLeft | (multiLine ? Qt::AlignTop : Qt::AlignVCenter));
            grid->addLayout(fields, row, 1);
        } else {
            grid->addLayout(fields, row, 0, 1, 2);
        }
        const bool tall = std::any_of(line.items.begin(), line.items.end(),
                                      [](const auto& item) { return TakesSpareHeight(*item.first); });
        if (tall) grid->setRowStretch(row, 1);
        anyTall = anyTall || tall;
        ++row;
    }
    // Spare height goes to the lists; without one it stays below the rows.
    if (topLevel) listTakesHeight_ = anyTall;
    into->addLayout(grid, anyTall ? 1 : 0);
    if (!anyTall && topLevel) into->addStretch(1);
    if (!bottom.empty()) {
        QBoxLayout* buttons = buttonsInto;
        if (!buttons) {
            buttons = new QHBoxLayout;
            into->addLayout(buttons);
        }
        buttons->addStretch(1);
        for (auto* b : bottom) buttons->addWidget(b);
    }
}

QWidget* FormDialog::createWidget(Control& c) {
    QWidget* w = nullptr;
    switch (c.kind()) {
    case ControlKind::Label: w = new TextLabel(this); break;
    case ControlKind::Edit: {
        auto& e = static_cast<platform::EditBox&>(c);
        if (e.lines() > 1) {
            auto* box = new MultiLineEdit(e.lines(), this);
            box->setReadOnly(e.readOnly());
            ApplyReadOnlyLook(box, e.readOnly());
            connect(box, &QPlainTextEdit::textChanged, this, [this, &e, box] {
                const std::string typed = box->toPlainText().toStdString();
                if (typed == e.text()) return;  // the model's own text arriving
                e.userSetText(typed);
                sync(e);
            });
            w = box;
            break;
        }
        auto* le = new QLineEdit(this);
        if (e.digitsOnly()) le->setValidator(new QRegularExpressionValidator(QRegularExpression("[0-9]*"), le));
        if (e.maxLength() > 0) le->setMaxLength(e.maxLength());
        le->setReadOnly(e.readOnly());
        ApplyReadOnlyLook(le, e.readOnly());
        if (e.password()) le->setEchoMode(QLineEdit::Password);
        connect(le, &QLineEdit::textEdited, this, [this, &e](const QString& s) {
            e.userSetText(s.toStdString());
            sync(e);
        });
        w = le;
        break;
    }
    case ControlKind::Check: {
        auto& box = static_cast<platform::CheckBox&>(c);
        auto* cb = new QCheckBox(this);
        connect(cb, &QCheckBox::clicked, this, [this, &box](bool on) {
            box.userSetChecked(on);
            sync(box);
        });
        w = cb;
        break;
    }
    case ControlKind::Radio: {
        auto& radio = static_cast<platform::RadioButton&>(c);
        auto* rb = new QRadioButton(this);
        rb->setAutoExclusive(false);  // the model keeps the groups
        connect(rb, &QRadioButton::clicked, this, [this, &radio](bool) {
            radio.userSelect();
            sync(radio);
        });
        w = rb;
        break;
    }
    case ControlKind::Combo: {
        auto& combo = static_cast<platform::ComboBox&>(c);
        auto* cb = new QComboBox(this);
        cb->setEditable(combo.editable());
        cb->setInsertPolicy(QComboBox::NoInsert);
        cb->setSizeAdjustPolicy(QComboBox::AdjustToContents);
        connect(cb, &QComboBox::activated, this, [this, &combo](int index) {
            combo.userSelect(index);
            sync(combo);
        });
        if (combo.editable())
            connect(cb->lineEdit(), &QLineEdit::textEdited, this, [this, &combo](const QString& s) {
                combo.userSetText(s.toStdString());
                sync(combo);
            });
        w = cb;
        break;
    }
    case ControlKind::IpAddress: {
        auto& ip = static_cast<platform::IpAddressField&>(c);
        auto* edit = new IpEdit(this);
        for (int i = 0; i < 4; ++i) {
            connect(edit->fields[i], &QLineEdit::textEdited, this, [this, &ip, edit, i](const QString& s) {
                ip.userSetOctet(i, s.toStdString());
                sync(ip);
                if (s.size() == 3 && i < 3) edit->fields[i + 1]->setFocus();
            });
        }
        w = edit;
        break;
    }
    case ControlKind::List: {
        auto& list = static_cast<platform::ReportList&>(c);
        auto* view = new ReportView(list, this);
        if (list.text().empty()) {
            w = view;
        } else {
            auto* box = new QGroupBox(Q(list.text()), this);
            auto* lay = new QVBoxLayout(box);
            lay->addWidget(view);
            widgets_[&c] = view;
            box->setObjectName("listFrame");
            return box;
        }
        break;
    }
    case ControlKind::Button: {
        auto& button = static_cast<platform::PushButton&>(c);
        auto* pb = new QPushButton(this);
        pb->setAutoDefault(false);
        pb->setDefault(button.isDefault());
        connect(pb, &QPushButton::clicked, this, [&button] { button.userClick(); });
        w = pb;
        break;
    }
    case ControlKind::Progress: {
        auto* bar = new QProgressBar(this);
        w = bar;
        break;
    }
    case ControlKind::Group: {
        auto& group = static_cast<platform::GroupBox&>(c);
        auto* box = new QGroupBox(this);
        auto* lay = new QVBoxLayout(box);
        buildContainer(group.children(), lay, false);
        w = box;
        break;
    }
    case ControlKind::PortGrid: w = createPortGrid(static_cast<platform::PortGrid&>(c)); break;
    }
    widgets_[&c] = w;
    return w;
}

QWidget* FormDialog::createPortGrid(platform::PortGrid& grid) {
    // Without a caption the grid sits directly in its group, without a frame of its own.
    QWidget* box = grid.text().empty() ? new QWidget(this) : new QGroupBox(Q(grid.text()), this);
    auto* lay = new QGridLayout(box);
    if (grid.text().empty()) lay->setContentsMargins(0, 0, 0, 0);
    lay->setHorizontalSpacing(4);
    lay->setVerticalSpacing(2);
    const int ports = grid.portCount();
    const int perRow = grid.portsPerRow() > 0 ? grid.portsPerRow() : std::max(1, ports);
    const int layers = grid.layerCount();
    std::vector<QWidget*>& cells = cells_[&grid];
    cells.assign(static_cast<size_t>(layers * ports), nullptr);
    for (int p = 1; p <= ports; ++p) {
        int block = (p - 1) / perRow;
        int column = 1 + (p - 1) % perRow;
        int base = block * (layers + 2);  // numbers, one row per layer, a gap
        auto* number = new QLabel(QString::number(p), box);
        number->setAlignment(Qt::AlignCenter);
        lay->addWidget(number, base, column);
        for (int l = 0; l < layers; ++l) {
            QWidget* cell = nullptr;
            switch (grid.cellKind()) {
            case platform::PortGrid::CellKind::Check: {
                auto* cb = new QCheckBox(box);
                connect(cb, &QCheckBox::clicked, this, [this, &grid, l, p](bool on) {
                    grid.userSetChecked(l, p, on);
                    syncGrid(grid);
                });
                cell = cb;
                break;
            }
            case platform::PortGrid::CellKind::Radio: {
                auto* rb = new QRadioButton(box);
                rb->setAutoExclusive(false);
                connect(rb, &QRadioButton::clicked, this, [this, &grid, l, p](bool) {
                    grid.userSetChecked(l, p, true);
                    syncGrid(grid);
                });
                cell = rb;
                break;
            }
            case platform::PortGrid::CellKind::Edit: {
                auto* le = new QLineEdit(box);
                if (grid.cellDigitsOnly())
                    le->setValidator(new QRegularExpressionValidator(QRegularExpression("[0-9]*"), le));
                if (grid.cellMaxLength() > 0) le->setMaxLength(grid.cellMaxLength());
                le->setFixedWidth(le->fontMetrics().horizontalAdvance("00000") + 10);
                connect(le, &QLineEdit::textEdited, this, [this, &grid, l, p](const QString& s) {
                    grid.userSetCellText(l, p, s.toStdString());
                    syncGrid(grid);
                });
                cell = le;
                break;
            }
            }
            lay->addWidget(cell, base + 1 + l, column, Qt::AlignCenter);
            cells[static_cast<size_t>(l * ports + p - 1)] = cell;
        }
    }
    int blocks = (ports + perRow - 1) / perRow;
    for (int b = 0; b < blocks; ++b) {
        for (int l = 0; l < layers; ++l)
            if (!grid.layerCaption(l).empty())
                lay->addWidget(new QLabel(Q(grid.layerCaption(l)), box), b * (layers + 2) + 1 + l, 0);
        if (b + 1 < blocks) lay->setRowMinimumHeight(b * (layers + 2) + layers + 1, 8);
    }
    lay->setColumnStretch(perRow + 1, 1);
    return box;
}

void FormDialog::syncGrid(platform::PortGrid& grid) {
    auto it = cells_.find(&grid);
    if (it == cells_.end()) return;
    for (int l = 0; l < grid.layerCount(); ++l) {
        for (int p = 1; p <= grid.portCount(); ++p) {
            QWidget* w = it->second[static_cast<size_t>(l * grid.portCount() + p - 1)];
            w->setEnabled(grid.cellEnabled(l, p));
            if (auto* b = qobject_cast<QAbstractButton*>(w)) {
                if (b->isChecked() != grid.checked(l, p)) b->setChecked(grid.checked(l, p));
            } else if (auto* le = qobject_cast<QLineEdit*>(w)) {
                QString text = Q(grid.cellText(l, p));
                if (le->text() != text) le->setText(text);
            }
        }
    }
}

void FormDialog::sync(Control& c) {
    QWidget* w = widgetFor(c);
    if (!w) return;
    QWidget* outer = w;
    if (c.kind() == ControlKind::List && w->parentWidget() && w->parentWidget()->objectName() == "listFrame")
        outer = w->parentWidget();
    outer->setEnabled(c.enabled());
    outer->setHidden(!c.visible());
    QString text = Q(c.text());
    switch (c.kind()) {
    case ControlKind::Label: static_cast<TextLabel*>(w)->setWholeText(text); break;
    case ControlKind::Edit: {
        if (auto* box = qobject_cast<QPlainTextEdit*>(w)) {
            if (box->toPlainText() != text) box->setPlainText(text);
            break;
        }
        auto* le = static_cast<QLineEdit*>(w);
        if (le->text() != text) {
            int cursor = std::min(le->cursorPosition(), static_cast<int>(text.size()));
            le->setText(text);
            le->setCursorPosition(cursor);
        }
        break;
    }
    case ControlKind::Check: {
        auto* cb = static_cast<QCheckBox*>(w);
        cb->setText(text);
        cb->setChecked(static_cast<platform::CheckBox&>(c).checked());
        break;
    }
    case ControlKind::Radio: {
        auto* rb = static_cast<QRadioButton*>(w);
        rb->setText(text);
        rb->setChecked(static_cast<platform::RadioButton&>(c).checked());
        break;
    }
    case ControlKind::Combo: {
        auto& combo = static_cast<platform::ComboBox&>(c);
        auto* cb = static_cast<QComboBox*>(w);
        bool same = cb->count() == combo.count();
        for (int i = 0; same && i < combo.count(); ++i) same = cb->itemText(i) == Q(combo.items()[static_cast<size_t>(i)]);
        if (!same) {
            QSignalBlocker block(cb);
            cb->clear();
            for (const auto& item : combo.items()) cb->addItem(Q(item));
        }
        if (cb->currentIndex() != combo.current()) {
            QSignalBlocker block(cb);
            cb->setCurrentIndex(combo.current());
        }
        if (combo.editable() && cb->currentText() != text) cb->setEditText(text);
        break;
    }
    case ControlKind::IpAddress: {
        auto& ip = static_cast<platform::IpAddressField&>(c);
        auto* edit = static_cast<IpEdit*>(w);
        for (int i = 0; i < 4; ++i) {
            QString octet = ip.octet(i) ? QString::number(*ip.octet(i)) : QString();
            if (edit->fields[i]->text() != octet) edit->fields[i]->setText(octet);
        }
        break;
    }
    case ControlKind::List: static_cast<ReportView*>(w)->syncSelection(); break;
    case ControlKind::Button: static_cast<QPushButton*>(w)->setText(text); break;
    case ControlKind::Progress: {
        auto& p = static_cast<platform::ProgressBar&>(c);
        auto* bar = static_cast<QProgressBar*>(w);
        bar->setRange(p.minimum(), p.maximum());
        bar->setValue(p.position());
        break;
    }
    case ControlKind::Group: static_cast<QGroupBox*>(w)->setTitle(text); break;
    case ControlKind::PortGrid:
        if (auto* box = qobject_cast<QGroupBox*>(w)) box->setTitle(text);
        syncGrid(static_cast<platform::PortGrid&>(c));
        break;
    }
}

void FormDialog::controlChanged(Control& c, Change what) {
    if (what == Change::Focus) {
        applyFocus(c);
        return;
    }
    if (what == Change::Layout) {
        // Edit box attributes.
        if (auto* box = qobject_cast<QPlainTextEdit*>(widgetFor(c))) {
            const bool readOnly = static_cast<platform::EditBox&>(c).readOnly();
            box->setReadOnly(readOnly);
            ApplyReadOnlyLook(box, readOnly);
        } else if (auto* le = qobject_cast<QLineEdit*>(widgetFor(c))) {
            auto& e = static_cast<platform::EditBox&>(c);
            le->setMaxLength(e.maxLength() > 0 ? e.maxLength() : 32767);
            le->setReadOnly(e.readOnly());
            ApplyReadOnlyLook(le, e.readOnly());
            le->setEchoMode(e.password() ? QLineEdit::Password : QLineEdit::Normal);
        } else if (auto* pb = qobject_cast<QPushButton*>(widgetFor(c))) {
            pb->setDefault(static_cast<platform::PushButton&>(c).isDefault());
        }
        return;
    }
    sync(c);
}

void FormDialog::applyFocus(Control& c) {
    QWidget* w = widgetFor(c);
    if (!w) return;
    QWidget* target = w;
    switch (c.kind()) {
    case ControlKind::IpAddress: {
        // The first blank field, where the address is incomplete.
        auto& ip = static_cast<platform::IpAddressField&>(c);
        int field = 0;
        while (field < 4 && ip.octet(field)) ++field;
        target = static_cast<IpEdit*>(w)->fields[field < 4 ? field : 0];
        break;
    }
    case ControlKind::Combo:
        if (auto* edit = static_cast<QComboBox*>(w)->lineEdit()) target = edit;
        break;
    case ControlKind::PortGrid: {
        auto it = cells_.find(static_cast<platform::PortGrid*>(&c));
        if (it == cells_.end()) break;
        for (QWidget* cell : it->second)
            if (cell->isEnabled()) {
                target = cell;
                break;
            }
        break;
    }
    default: break;
    }
    const bool outer = applyingFocus_;
    applyingFocus_ = true;
    target->setFocus(Qt::OtherFocusReason);
    applyingFocus_ = outer;
    if (form_->focusSelectsAll()) {
        if (auto* le = qobject_cast<QLineEdit*>(target)) le->selectAll();
        else if (auto* box = qobject_cast<QPlainTextEdit*>(target)) box->selectAll();
    }
    scroll_->ensureWidgetVisible(target);
}

void FormDialog::userFocusChanged(QWidget* now) {
    if (applyingFocus_ || !now || now->window() != this) return;
    // The innermost control whose widget holds the focused one.
    Control* found = nullptr;
    for (const auto& c : form_->allControls()) {
        if (c->kind() == ControlKind::Group) continue;
        QWidget* w = widgetFor(*c);
        if (w && (w == now || w->isAncestorOf(now))) {
            found = c.get();
            break;
        }
    }
    if (found != form_->focused()) form_->userFocus(found);
}

void FormDialog::formChanged(platform::Form&) { applyFormAttributes(); }

void FormDialog::formEnded(platform::Form&, int result) { QDialog::done(result); }

}  // namespace gui

#include "platform/form.h"

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <stdexcept>

#include "platform/system.h"
#include "platform/ui.h"

namespace platform {

namespace {

std::atomic<FormHost*> g_host{nullptr};

// Keeps the first `limit` characters of UTF-8 text.
std::string CutChars(std::string_view text, int limit) {
    if (limit <= 0) return std::string(text);
    size_t i = 0;
    int chars = 0;
    while (i < text.size()) {
        unsigned char b = static_cast<unsigned char>(text[i]);
        size_t len = b < 0x80 ? 1 : (b >> 5) == 0x6 ? 2 : (b >> 4) == 0xE ? 3 : (b >> 3) == 0x1E ? 4 : 1;
        if (chars == limit) break;
        i = std::min(text.size(), i + len);
        ++chars;
    }
    return std::string(text.substr(0, i));
}

std::string DigitsOf(std::string_view text) {
    std::string out;
    for (char ch : text)
        if (ch >= '0' && ch <= '9') out += ch;
    return out;
}

std::string StripMnemonic(std::string_view text) {
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '&') {
            if (i + 1 < text.size() && text[i + 1] == '&') out += '&', ++i;
            continue;
        }
        out += text[i];
    }
    return out;
}

// Controls whose text is what the user entered, not a caption to look them up by.
bool HoldsInput(ControlKind kind) {
    return kind == ControlKind::Edit || kind == ControlKind::Combo || kind == ControlKind::IpAddress;
}

}  // namespace

const char* KindName(ControlKind kind) {
    switch (kind) {
    case ControlKind::Label: return "label";
    case ControlKind::Edit: return "edit box";
    case ControlKind::Check: return "check box";
    case ControlKind::Radio: return "radio button";
    case ControlKind::Combo: return "drop-down list";
    case ControlKind::IpAddress: return "IP address field";
    case ControlKind::List: return "report list";
    case ControlKind::Button: return "button";
    case ControlKind::Progress: return "progress bar";
    case ControlKind::Group: return "group box";
    case ControlKind::PortGrid: return "port grid";
    }
    return "control";
}

FormHost& formHost() {
    FormHost* host = g_host.load();
    if (!host) {
        std::fputs("corvex: no form host installed\n", stderr);
        std::abort();
    }
    return *host;
}

void setFormHost(FormHost* host) { g_host.store(host); }

WaitCursor::WaitCursor() { ui().setWaitCursor(true); }
WaitCursor::~WaitCursor() { ui().setWaitCursor(false); }

// ---------------------------------------------------------------- Control

Control::Control(Form& form, GroupBox* group, ControlKind kind, int id, std::string text)
    : text_(std::move(text)), form_(&form), group_(group), kind_(kind), id_(id) {}

void Control::notify(Change what) { form_->notifyControl(*this, what); }

void Control::setText(std::string text) {
    if (text == text_) return;
    text_ = std::move(text);
    notify(Change::Text);
}

bool Control::enabled() const { return enabled_ && !heldByReads() && !form_->heldByWrite(*this); }

Control& Control::needsRead(std::vector<std::string> reads) {
    needsRead_ = true;
    reads_ = std::move(reads);
    notify(Change::Enabled);
    return *this;
}

bool Control::heldByReads() const {
    if (!needsRead_) return false;
    if (reads_.empty()) return !form_->readsOk();
    for (const std::string& r : reads_)
        if (!form_->readOk(r)) return true;
    return false;
}

void Control::setEnabled(bool on) {
    if (on == enabled_) return;
    enabled_ = on;
    notify(Change::Enabled);
}

void Control::setVisible(bool on) {
    if (on == visible_) return;
    visible_ = on;
    notify(Change::Visible);
}

bool Control::usable() const {
    for (const Control* c = this; c; c = c->group_)
        if (!c->enabled() || !c->visible_) return false;
    return true;
}

bool Control::takesFocus() const {
    switch (kind_) {
    case ControlKind::Label:
    case ControlKind::Group:
    case ControlKind::Progress: return false;
    case ControlKind::Edit:
        if (static_cast<const EditBox*>(this)->readOnly()) return false;
        break;
    default: break;
    }
    return usable();
}

Label::Label(Form& form, GroupBox* group, int id, std::string text)
    : Control(form, group, ControlKind::Label, id, std::move(text)) {}

// ---------------------------------------------------------------- EditBox

EditBox::EditBox(Form& form, GroupBox* group, int id, std::string text)
    : Control(form, group, ControlKind::Edit, id, std::move(text)) {}

void EditBox::userSetText(std::string_view typed) {
    if (readOnly_ || !usable()) {
        notify(Change::Text);  // puts the widget back to the model's text
        return;
    }
    std::string value = digitsOnly_ ? DigitsOf(typed) : std::string(typed);
    value = CutChars(value, maxLength_);
    bool same = value == text_;
    text_ = std::move(value);
    form().userFocus(this);  // typing replaces a selection made by setFocus
    notify(Change::Text);
    if (!same && onChange_) onChange_();
}

// ---------------------------------------------------------------- CheckBox / RadioButton

CheckBox::CheckBox(Form& form, GroupBox* group, int id, std::string text)
    : Control(form, group, ControlKind::Check, id, std::move(text)) {}

void CheckBox::setChecked(bool on) {
    if (on == checked_) return;
    checked_ = on;
    notify(Change::State);
}

void CheckBox::userSetChecked(bool on) {
    if (!usable()) {
        notify(Change::State);
        return;
    }
    setChecked(on);
    if (onToggle_) onToggle_();
}

RadioButton::RadioButton(Form& form, GroupBox* group, int id, std::string text, int radioGroup)
    : Control(form, group, ControlKind::Radio, id, std::move(text)), radioGroup_(radioGroup) {}

void RadioButton::setChecked(bool on) {
    if (on) {
        for (auto& c : form().allControls()) {
            auto* r = dynamic_cast<RadioButton*>(c.get());
            if (r && r != this && r->radioGroup_ == radioGroup_ && r->checked_) {
                r->checked_ = false;
                r->notify(Change::State);
            }
        }
    }
    if (on == checked_) return;
    checked_ = on;
    notify(Change::State);
}

void RadioButton::userSelect() {
    if (!usable()) {
        notify(Change::State);
        return;
    }
    setChecked(true);
    if (onSelect_) onSelect_();
}

// ---------------------------------------------------------------- ComboBox

ComboBox::ComboBox(Form& form, GroupBox* group, int id, std::vector<std::string> items, bool editable)
    : Control(form, group, ControlKind::Combo, id, {}), items_(std::move(items)), editable_(editable) {}

void ComboBox::setItems(std::vector<std::string> items) {
    items_ = std::move(items);
    current_ = -1;
    if (!editable_) text_.clear();
    notify(Change::Items);
}

void ComboBox::addItem(std::string item) {
    items_.push_back(std::move(item));
    notify(Change::Items);
}

void ComboBox::setCurrent(int index) {
    if (index < 0 || index >= count()) index = -1;
    current_ = index;
    if (index >= 0) text_ = items_[static_cast<size_t>(index)];
    else if (!editable_) text_.clear();
    notify(Change::State);
}

int ComboBox::findItem(std::string_view text) const {
    for (size_t i = 0; i < items_.size(); ++i)
        if (items_[i] == text) return static_cast<int>(i);
    return -1;
}

void ComboBox::setText(std::string text) {
    if (!editable_) {
        setCurrent(findItem(text));
        return;
    }
    current_ = findItem(text);
    text_ = std::move(text);
    notify(Change::State);
}

void ComboBox::userSelect(int index) {
    if (!usable() || index < 0 || index >= count()) {
        notify(Change::State);
        return;
    }
    setCurrent(index);
    if (onChange_) onChange_();
}

void ComboBox::userSetText(std::string_view typed) {
    if (!editable_ || !usable()) {
        notify(Change::State);
        return;
    }
    form().userFocus(this);
    setText(std::string(typed));
    if (onChange_) onChange_();
}

// ---------------------------------------------------------------- IpAddressField

IpAddressField::IpAddressField(Form& form, GroupBox* group, int id)
    : Control(form, group, ControlKind::IpAddress, id, {}) {}

int IpAddressField::filledCount() const {
    int n = 0;
    for (const auto& o : octets_) n += o.has_value() ? 1 : 0;
    return n;
}

std::string IpAddressField::address() const {
    std::string out;
    for (int i = 0; i < 4; ++i) {
        if (i) out += '.';
        out += std::to_string(octets_[static_cast<size_t>(i)].value_or(0));
    }
    return out;
}

void IpAddressField::syncText() {
    std::string out;
    for (int i = 0; i < 4; ++i) {
        if (i) out += '.';
        if (octets_[static_cast<size_t>(i)]) out += std::to_string(*octets_[static_cast<size_t>(i)]);
    }
    text_ = blank() ? std::string() : out;
}

static std::optional<int> ParseOctet(std::string_view field) {
    if (field.empty() || field.size() > 3) return std::nullopt;
    int v = 0;
    for (char ch : field) {
        if (ch < '0' || ch > '9') return std::nullopt;
        v = v * 10 + (ch - '0');
    }
    if (v > 255) return std::nullopt;
    return v;
}

void IpAddressField::setAddress(std::string_view text) {
    std::optional<int> parts[4];
    size_t start = 0;
    for (int i = 0; i < 4; ++i) {
        size_t dot = i < 3 ? text.find('.', start) : std::string_view::npos;
        std::string_view field = text.substr(start, dot == std::string_view::npos ? text.npos : dot - start);
        parts[i] = ParseOctet(field);
        if (dot == std::string_view::npos) break;
        start = dot + 1;
    }
    setOctets(parts[0], parts[1], parts[2], parts[3]);
}

void IpAddressField::setOctets(std::optional<int> a, std::optional<int> b, std::optional<int> c, std::optional<int> d) {
    octets_[0] = a, octets_[1] = b, octets_[2] = c, octets_[3] = d;
    for (auto& o : octets_)
        if (o && (*o < 0 || *o > 255)) o.reset();
    syncText();
    notify(Change::State);
}

void IpAddressField::clear() { setOctets({}, {}, {}, {}); }

void IpAddressField::userSetOctet(int i, std::string_view typed) {
    if (i < 0 || i > 3) throw std::out_of_range("IP address field index");
    if (!usable()) {
        notify(Change::State);
        return;
    }
    std::string digits = DigitsOf(typed).substr(0, 3);
    std::optional<int> value;
    if (!digits.empty()) value = std::min(255, std::stoi(digits));
    bool same = value == octets_[static_cast<size_t>(i)];
    form().userFocus(this);
    octets_[static_cast<size_t>(i)] = value;
    syncText();
    notify(Change::State);
    if (!same && onChange_) onChange_();
}

void IpAddressField::userSetAddress(std::string_view text) {
    if (!usable()) {
        notify(Change::State);
        return;
    }
    std::string before = text_;
    form().userFocus(this);
    setAddress(text);
    if (text_ != before && onChange_) onChange_();
}

// ---------------------------------------------------------------- ReportList

ReportList::ReportList(Form& form, GroupBox* group, int id, std::string caption)
    : Control(form, group, ControlKind::List, id, std::move(caption)) {}

void ReportList::setColumns(std::vector<Column> columns) {
    columns_ = std::move(columns);
    for (auto* o : rowObservers_) o->columnsChanged(*this);
}

void ReportList::addColumn(std::string heading, int width, Align align) {
    columns_.push_back({std::move(heading), width, align});
    for (auto* o : rowObservers_) o->columnsChanged(*this);
}

ReportList::~ReportList() { releaseIfLarge(rows_.bytesHeld()); }

void ReportList::releaseIfLarge(std::size_t held) {
    // Only after lists of many thousand rows: the allocator keeps what a small list freed anyway.
    if (held >= kReleaseBytes) ReleaseFreeMemory();
}

int ReportList::appendRow(std::vector<std::string> cells) {
    rows_.append(cells);
    int r = rowCount() - 1;
    for (auto* o : rowObservers_) o->rowsAppended(*this, r, 1);
    return r;
}

void ReportList::setCell(int r, int c, std::string text) {
    if (r < 0 || r >= rowCount()) throw std::out_of_range("list row");
    if (c < 0) throw std::out_of_range("list column");
    std::vector<std::string> cells = rows_.cells(r);
    if (static_cast<size_t>(c) >= cells.size()) cells.resize(static_cast<size_t>(c) + 1);
    cells[static_cast<size_t>(c)] = std::move(text);
    rows_.assign(r, cells);
    for (auto* o : rowObservers_) o->rowChanged(*this, r);
}

void ReportList::setRow(int r, std::vector<std::string> cells) {
    if (r < 0 || r >= rowCount()) throw std::out_of_range("list row");
    rows_.assign(r, cells);
    for (auto* o : rowObservers_) o->rowChanged(*this, r);
}

void ReportList::removeRow(int r) {
    if (r < 0 || r >= rowCount()) throw std::out_of_range("list row");
    rows_.erase(r);
    for (auto* o : rowObservers_) o->rowRemoved(*this, r);
    if (selected_ == r) {
        selected_ = -1;
        notify(Change::State);
    } else if (selected_ > r) {
        --selected_;
        notify(Change::State);
    }
}

void ReportList::clear() {
    const std::size_t held = rows_.bytesHeld();
    rows_.clear();
    for (auto* o : rowObservers_) o->rowsCleared(*this);
    if (selected_ != -1) {
        selected_ = -1;
        notify(Change::State);
    }
    releaseIfLarge(held);
}

int ReportList::findRow(int c, std::string_view text) const {
    for (int r = 0; r < rowCount(); ++r)
        if (cellView(r, c) == text) return r;
    return -1;
}

void ReportList::setSelectedRow(int r) {
    if (r < -1 || r >= rowCount()) r = -1;
    if (r == selected_) return;
    selected_ = r;
    notify(Change::State);
}

void ReportList::userSelectRow(int r) {
    if (!usable()) return;
    if (r < -1 || r >= rowCount()) r = -1;
    bool changed = r != selected_;
    setSelectedRow(r);
    if (changed && onSelChange_) onSelChange_(r);
}

void ReportList::userClickRow(int r) {
    if (!usable()) return;
    userSelectRow(r);
    if (onRowClick_) onRowClick_(selected_);
}

void ReportList::userDoubleClickRow(int r) {
    if (!usable()) return;
    userSelectRow(r);
    if (onRowDoubleClick_) onRowDoubleClick_(selected_);
    if (selected_ >= 0) clickActivateButton();
}

bool ReportList::userActivate() {
    if (activateButton_ == 0) return false;
    if (usable() && selected_ >= 0) clickActivateButton();
    return true;
}

void ReportList::clickActivateButton() {
    if (activateButton_ == 0) return;
    // PushButton::userClick does nothing for a button the user cannot reach.
    for (const auto& c : form().allControls())
        if (c->id() == activateButton_ && c->kind() == ControlKind::Button) {
            static_cast<PushButton&>(*c).userClick();
            return;
        }
}

std::string ReportList::rowsAsText(const std::vector<int>& rows) const {
    std::string out;
    for (int r : rows) {
        int n = std::max(columnCount(), 1);
        for (int c = 0; c < n; ++c) {
            if (c) out += '\t';
            out += cellView(r, c);
        }
        out += '\n';
    }
    return out;
}

void ReportList::removeRowObserver(RowObserver* o) {
    rowObservers_.erase(std::remove(rowObservers_.begin(), rowObservers_.end(), o), rowObservers_.end());
}

// ---------------------------------------------------------------- PushButton / ProgressBar

PushButton::PushButton(Form& form, GroupBox* group, int id, std::string text)
    : Control(form, group, ControlKind::Button, id, std::move(text)) {}

void PushButton::userClick() {
    if (!usable()) return;
    if (onClick_) {
        onClick_();
    } else if (id() == kIdOk || id() == kIdCancel) {
        form().end(id());
    }
}

ProgressBar::ProgressBar(Form& form, GroupBox* group, int id)
    : Control(form, group, ControlKind::Progress, id, {}) {}

void ProgressBar::setRange(int lo, int hi) {
    min_ = lo;
    max_ = std::max(lo, hi);
    pos_ = std::clamp(pos_, min_, max_);
    notify(Change::State);
}

void ProgressBar::setPosition(int pos) {
    pos = std::clamp(pos, min_, max_);
    if (pos == pos_) return;
    pos_ = pos;
    notify(Change::State);
}

// ---------------------------------------------------------------- PortGrid

PortGrid::PortGrid(Form& form, GroupBox* group, int id, std::string caption, CellKind cells, int ports,
                   std::vector<std::string> layerCaptions, int portsPerRow)
    : Control(form, group, ControlKind::PortGrid, id, std::move(caption)),
      cellKind_(cells), ports_(std::max(0, ports)), layers_(std::move(layerCaptions)), perRow_(std::max(0, portsPerRow)) {
    if (layers_.empty()) layers_.emplace_back();
    cells_.resize(layers_.size() * static_cast<size_t>(ports_));
}

PortGrid::Cell& PortGrid::cell(int layer, int port) {
    if (layer < 0 || layer >= layerCount() || port < 1 || port > ports_)
        throw std::out_of_range("port grid cell " + std::to_string(layer) + "/" + std::to_string(port));
    return cells_[static_cast<size_t>(layer) * static_cast<size_t>(ports_) + static_cast<size_t>(port - 1)];
}

const PortGrid::Cell& PortGrid::cell(int layer, int port) const {
    return const_cast<PortGrid*>(this)->cell(layer, port);
}

void PortGrid::cellChanged(int layer, int port) {
    lastLayer_ = layer;
    lastPort_ = port;
    notify(Change::State);
}

void PortGrid::setChecked(int layer, int port, bool on) {
    Cell& target = cell(layer, port);
    if (on && cellKind_ == CellKind::Radio) {
        for (int l = 0; l < layerCount(); ++l) {
            Cell& other = cell(l, port);
            if (l != layer && other.checked) {
                other.checked = false;
                cellChanged(l, port);
            }
        }
    }
    if (target.checked == on) return;
    target.checked = on;
    cellChanged(layer, port);
}

int PortGrid::selectedLayer(int port) const {
    for (int l = 0; l < layerCount(); ++l)
        if (cell(l, port).checked) return l;
    return -1;
}

void PortGrid::setCellText(int layer, int port, std::string text) {
    Cell& c = cell(layer, port);
    if (c.text == text) return;
    c.text = std::move(text);
    cellChanged(layer, port);
}

void PortGrid::setCellEnabled(int layer, int port, bool on) {
    Cell& c = cell(layer, port);
    if (c.enabled == on) return;
    c.enabled = on;
    cellChanged(layer, port);
}

void PortGrid::setPortEnabled(int port, bool on) {
    for (int l = 0; l < layerCount(); ++l) setCellEnabled(l, port, on);
}

void PortGrid::userSetChecked(int layer, int port, bool on) {
    Cell& c = cell(layer, port);
    if (!usable() || !c.enabled || cellKind_ == CellKind::Edit) {
        cellChanged(layer, port);
        return;
    }
    if (cellKind_ == CellKind::Radio) {
        if (!on || c.checked) {  // a radio cell cannot be cleared by the user
            cellChanged(layer, port);
            return;
        }
    }
    setChecked(layer, port, on);
    if (onCell_) onCell_(layer, port);
}

void PortGrid::userSetCellText(int layer, int port, std::string_view typed) {
    Cell& c = cell(layer, port);
    if (!usable() || !c.enabled || cellKind_ != CellKind::Edit) {
        cellChanged(layer, port);
        return;
    }
    std::string value = digitsOnly_ ? DigitsOf(typed) : std::string(typed);
    value = CutChars(value, maxLength_);
    bool same = value == c.text;
    c.text = std::move(value);
    cellChanged(layer, port);
    if (!same && onCell_) onCell_(layer, port);
}

// ---------------------------------------------------------------- Container / GroupBox

template <class T, class... Args>
T& Container::make(Args&&... args) {
    auto control = std::make_unique<T>(*owner_, group_, std::forward<Args>(args)...);
    T& ref = *control;
    owner_->controls_.push_back(std::move(control));
    children_.push_back(&ref);
    return ref;
}

Label& Container::addLabel(int id, std::string text) { return make<Label>(id, std::move(text)); }
EditBox& Container::addEdit(int id, std::string text) { return make<EditBox>(id, std::move(text)); }
CheckBox& Container::addCheck(int id, std::string text) { return make<CheckBox>(id, std::move(text)); }
RadioButton& Container::addRadio(int id, std::string text, int radioGroup) {
    return make<RadioButton>(id, std::move(text), radioGroup);
}
ComboBox& Container::addCombo(int id, std::vector<std::string> items, bool editable) {
    return make<ComboBox>(id, std::move(items), editable);
}
IpAddressField& Container::addIpAddress(int id) { return make<IpAddressField>(id); }
ReportList& Container::addList(int id, std::string caption, std::vector<ReportList::Column> columns) {
    ReportList& list = make<ReportList>(id, std::move(caption));
    if (!columns.empty()) list.setColumns(std::move(columns));
    return list;
}
PushButton& Container::addButton(int id, std::string text, std::function<void()> onClick) {
    PushButton& b = make<PushButton>(id, std::move(text));
    if (onClick) b.onClick(std::move(onClick));
    return b;
}
ProgressBar& Container::addProgress(int id) { return make<ProgressBar>(id); }
GroupBox& Container::addGroup(int id, std::string caption) { return make<GroupBox>(id, std::move(caption)); }
PortGrid& Container::addPortGrid(int id, std::string caption, PortGrid::CellKind cells, int ports,
                                 std::vector<std::string> layerCaptions, int portsPerRow) {
    return make<PortGrid>(id, std::move(caption), cells, ports, std::move(layerCaptions), portsPerRow);
}

GroupBox::GroupBox(Form& form, GroupBox* group, int id, std::string caption)
    : Control(form, group, ControlKind::Group, id, std::move(caption)), Container(form, this) {}

// ---------------------------------------------------------------- Form

struct Form::TimerState {
    bool alive = true;
    unsigned long long nextGeneration = 0;
    std::map<int, unsigned long long> pending;  // timer id → generation of the armed shot
};

Form::Form() : Container(*this, nullptr), timers_(std::make_shared<TimerState>()) {}

Form::~Form() { timers_->alive = false; }

void Form::setCaption(std::string caption) {
    caption_ = std::move(caption);
    notifyForm();
}

void Form::setSize(int w, int h) {
    width_ = w;
    height_ = h;
    notifyForm();
}

Control* Form::find(int id) const {
    for (auto& c : controls_)
        if (c->id() == id) return c.get();
    return nullptr;
}

Control* Form::find(std::string_view key) const {
    for (auto& c : controls_)
        if (!c->name().empty() && c->name() == key) return c.get();
    for (auto& c : controls_)
        if (c->text() == key && !HoldsInput(c->kind())) return c.get();
    std::string bare = StripMnemonic(key);
    for (auto& c : controls_)
        if (!HoldsInput(c->kind()) && StripMnemonic(c->text()) == bare)
            return c.get();
    return nullptr;
}

Control* Form::next(const Control& c) const {
    const std::vector<Control*>& list = c.group() ? c.group()->children() : children();
    auto it = std::find(list.begin(), list.end(), &c);
    if (it == list.end() || ++it == list.end()) return nullptr;
    return *it;
}

void Form::enable(std::initializer_list<int> ids, bool on) {
    for (int id : ids)
        if (Control* c = find(id)) c->setEnabled(on);
}

bool Form::setFocus(Control& control, bool selectAll) {
    if (&control.form() != this || !control.takesFocus()) return false;
    focused_ = &control;
    const bool hasText = control.kind() == ControlKind::Edit || control.kind() == ControlKind::IpAddress ||
                         (control.kind() == ControlKind::Combo && static_cast<ComboBox&>(control).editable());
    focusSelectsAll_ = selectAll && hasText;
    // Told every time: the same control may be asked again after the user moved on.
    notifyControl(control, Change::Focus);
    return true;
}

Control* Form::focused() const { return focused_ && focused_->takesFocus() ? focused_ : nullptr; }

void Form::userFocus(Control* control) {
    if (control && &control->form() != this) return;
    focused_ = control;
    focusSelectsAll_ = false;
}

void Form::missing(const std::string& key, const char* want, const Control* got) {
    std::string what = got ? std::string("a ") + KindName(got->kind()) : std::string("nothing");
    throw std::logic_error("form control '" + key + "' is " + what + ", not " + want);
}

void Form::build() {
    if (built_) return;
    built_ = true;
    createControls();
    // Above the button row: says when the form could not read everything it shows.
    addLabel(kIdReadStatus, "").setName("read status").setVisible(false);
}

// ---------------------------------------------------------------- reads

void Form::beginRead(const std::string& read) {
    for (auto& [name, r] : reads_) {
        if (name == read) {
            r = Read{};
            readsChanged();
            return;
        }
    }
    reads_.emplace_back(read, Read{});
    readsChanged();
}

void Form::readComplete(const std::string& read) {
    for (auto& [name, r] : reads_) {
        if (name == read) {
            r = Read{ReadState::Complete, {}};
            readsChanged();
            return;
        }
    }
    reads_.emplace_back(read, Read{ReadState::Complete, {}});
    readsChanged();
}

void Form::readFailed(const std::string& read, const std::string& reason) {
    for (auto& [name, r] : reads_) {
        if (name == read) {
            r = Read{ReadState::Failed, reason};
            readsChanged();
            return;
        }
    }
    reads_.emplace_back(read, Read{ReadState::Failed, reason});
    readsChanged();
}

std::optional<Form::ReadState> Form::readState(const std::string& read) const {
    for (const auto& [name, r] : reads_)
        if (name == read) return r.state;
    return std::nullopt;
}

bool Form::readOk(const std::string& read) const { return readState(read) == ReadState::Complete; }

bool Form::readsOk() const {
    for (const auto& [name, r] : reads_)
        if (r.state != ReadState::Complete) return false;
    return true;
}

std::vector<std::string> Form::readNames() const {
    std::vector<std::string> names;
    for (const auto& [name, r] : reads_) names.push_back(name);
    return names;
}

std::string Form::readStatusText() const {
    for (const auto& [name, r] : reads_) {
        if (r.state != ReadState::Failed) continue;
        const bool refresh = find("&Refresh") != nullptr;
        return "Not all settings could be read from the switch (" + (r.reason.empty() ? "no answer" : r.reason) +
               "). " + (refresh ? "Press Refresh." : "Close the dialog and open it again.");
    }
    return {};
}

std::string Form::statusText() const { return writing() ? kWritingText : readStatusText(); }

void Form::beginWrite(std::vector<int> holdIds) {
    const bool was = writing();
    sequenceWriting_ = true;
    writeHolds_.insert(writeHolds_.end(), holdIds.begin(), holdIds.end());
    writeStateChanged(was);
}

void Form::endWrite() {
    const bool was = writing();
    sequenceWriting_ = false;
    writeStateChanged(was);
}

void Form::holdForRequest() {
    const bool was = writing();
    ++requestHolds_;
    writeStateChanged(was);
}

void Form::releaseRequest() {
    const bool was = writing();
    if (requestHolds_ > 0) --requestHolds_;
    writeStateChanged(was);
}

void Form::writeStateChanged(bool wasWriting) {
    if (wasWriting == writing()) return;
    writeHoldChanged();
    if (writing()) return;
    writeHolds_.clear();
    if (endAfterWrite_ && !destroyed_) {
        const int result = *endAfterWrite_;
        endAfterWrite_.reset();
        end(result);
    }
}

bool Form::heldByWrite(const Control& control) const {
    if (!writing()) return false;
    if (control.kind() == ControlKind::Button) return true;
    return control.id() != 0 && std::find(writeHolds_.begin(), writeHolds_.end(), control.id()) != writeHolds_.end();
}

void Form::writeHoldChanged() {
    if (!built_) return;
    for (auto& c : controls_)
        if (c->kind() == ControlKind::Button ||
            std::find(writeHolds_.begin(), writeHolds_.end(), c->id()) != writeHolds_.end())
            c->notify(Change::Enabled);
    statusChanged();
}

void Form::statusChanged() {
    if (!built_) return;
    const std::string status = statusText();
    if (Control* line = find(kIdReadStatus)) {
        line->setText(status);
        line->setVisible(!status.empty());
    }
}

void Form::readsChanged() {
    if (!built_) return;
    statusChanged();
    for (auto& c : controls_)
        if (c->needsRead_) c->notify(Change::Enabled);
}

void Form::open() {
    if (opened_) return;
    build();
    opened_ = true;
    initDialog();
}

void Form::end(int result) {
    if (ended_) return;
    if (writing()) {
        endAfterWrite_ = result;
        return;
    }
    ended_ = true;
    result_ = result;
    auto observers = observers_;
    for (auto* o : observers) o->formEnded(*this, result);
}

void Form::requestClose() {
    if (writing()) return;  // a write is never left half-way; the status line says why
    if (auto* cancel = dynamic_cast<PushButton*>(find(kIdCancel)); cancel && cancel->hasHandler()) {
        // A form that holds its own close button back (a transfer under way) is not closed by
        // Esc or the close box either.
        if (!cancel->usable()) return;
        cancel->userClick();
        if (!cancel->usable()) end(kIdCancel);
        return;
    }
    end(kIdCancel);
}

void Form::destroy() {
    if (destroyed_ || !built_) return;
    destroyed_ = true;
    timers_->alive = false;
    timers_->pending.clear();
    destroyWindow();
}

void Form::createControls() {
    if (onCreate_) onCreate_(*this);
}

void Form::initDialog() {
    if (onInit_) onInit_();
}

void Form::destroyWindow() {
    if (onDestroy_) onDestroy_();
}

void Form::setTimer(int id, int ms, std::function<void()> fn) {
    if (!timers_->alive) return;
    unsigned long long generation = ++timers_->nextGeneration;
    timers_->pending[id] = generation;
    ui().singleShot(ms, [state = timers_, id, generation, fn = std::move(fn)] {
        if (!state->alive) return;
        auto it = state->pending.find(id);
        if (it == state->pending.end() || it->second != generation) return;
        state->pending.erase(it);
        fn();
    });
}

void Form::killTimer(int id) { timers_->pending.erase(id); }

bool Form::timerPending(int id) const { return timers_->pending.count(id) != 0; }

void Form::post(std::function<void()> fn) {
    ui().post([state = timers_, fn = std::move(fn)] {
        if (state->alive) fn();
    });
}

void Form::removeObserver(FormObserver* o) {
    observers_.erase(std::remove(observers_.begin(), observers_.end(), o), observers_.end());
}

void Form::notifyControl(Control& c, Change what) {
    for (auto* o : observers_) o->controlChanged(c, what);
}

void Form::notifyForm() {
    for (auto* o : observers_) o->formChanged(*this);
}

}  // namespace platform

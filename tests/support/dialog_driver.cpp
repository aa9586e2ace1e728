#include "support/dialog_driver.h"

#include <gtest/gtest.h>

#include <stdexcept>

namespace dialogtest {

using platform::Control;
using platform::ControlKind;

std::string Ref::describe() const {
    if (const int* id = std::get_if<int>(&key)) return "#" + std::to_string(*id);
    return "\"" + std::get<std::string>(key) + "\"";
}

// ---------------------------------------------------------------- DialogEnvironment

DialogEnvironment::DialogEnvironment() : host_(&ui_) {
    platform::setUi(&ui_);
    platform::setFormHost(&host_);
    host_.onUnexpected([](platform::Form& f) {
        ADD_FAILURE() << "unexpected modal form \"" << f.caption() << "\" opened";
    });
    host_.onHung([](platform::Form& f) {
        ADD_FAILURE() << "modal form \"" << f.caption() << "\" did not end after its handler";
    });
}

DialogEnvironment::~DialogEnvironment() {
    for (const auto& d : host_.pendingDescriptions()) ADD_FAILURE() << "expected modal form " << d << " never opened";
    platform::setFormHost(nullptr);
    platform::setUi(nullptr);
}

void DialogEnvironment::answer(std::initializer_list<platform::MsgAnswer> answers) {
    for (auto a : answers) ui_.queueAnswer(a);
}

std::vector<std::string> DialogEnvironment::messageTexts() const {
    std::vector<std::string> out;
    for (const auto& m : ui_.messages()) out.push_back(m.text);
    return out;
}

std::vector<std::string> DialogEnvironment::takeMessages() {
    auto out = messageTexts();
    ui_.clearMessages();
    return out;
}

void DialogEnvironment::onChild(std::string caption, std::function<void(DialogDriver&)> fn) {
    std::string description = "\"" + caption + "\"";
    expectChild([caption = std::move(caption)](const platform::Form& f) { return f.caption() == caption; },
                std::move(fn), std::move(description));
}

void DialogEnvironment::expectChild(platform::HeadlessFormHost::Match match, std::function<void(DialogDriver&)> fn,
                                    std::string description) {
    host_.expectIf(std::move(match),
                   [this, fn = std::move(fn)](platform::Form& form) {
                       DialogDriver child(*this, form);
                       fn(child);
                   },
                   std::move(description));
}

bool DialogEnvironment::waitUntil(const std::function<bool()>& pred, std::chrono::milliseconds limit) {
    return ui_.runUntil(pred, limit);
}

// ---------------------------------------------------------------- DialogDriver

DialogDriver::DialogDriver(DialogEnvironment& env, platform::Form& form)
    : env_(&env), form_(&form), owns_(!form.opened()) {
    form.open();
}

DialogDriver::~DialogDriver() {
    if (owns_) form_->destroy();
}

Control& DialogDriver::control(Ref ref) const {
    Control* c = nullptr;
    if (const int* id = std::get_if<int>(&ref.key)) c = form_->find(*id);
    else c = form_->find(std::get<std::string>(ref.key));
    if (!c) throw std::logic_error("form \"" + form_->caption() + "\" has no control " + ref.describe());
    return *c;
}

Control& DialogDriver::field(Ref ref) const {
    Control& c = control(ref);
    if (c.kind() != ControlKind::Label) return c;
    Control* next = form_->next(c);
    if (!next) throw std::logic_error("label " + ref.describe() + " has no field after it");
    return *next;
}

Control& DialogDriver::reachable(Control& c, Ref ref) const {
    if (!c.usable())
        throw std::logic_error("the user cannot reach " + std::string(platform::KindName(c.kind())) + " " +
                               ref.describe() + (c.enabled() ? " (hidden)" : " (disabled)"));
    return c;
}

void DialogDriver::type(Ref ref, std::string_view text) {
    Control& c = reachable(field(ref), ref);
    if (auto* e = dynamic_cast<platform::EditBox*>(&c)) {
        if (e->readOnly()) throw std::logic_error("edit box " + ref.describe() + " is read-only");
        e->userSetText(text);
    } else if (auto* cb = dynamic_cast<platform::ComboBox*>(&c); cb && cb->editable()) {
        cb->userSetText(text);
    } else if (auto* ip = dynamic_cast<platform::IpAddressField*>(&c)) {
        ip->userSetAddress(text);
    } else {
        throw std::logic_error("cannot type into " + std::string(platform::KindName(c.kind())) + " " + ref.describe());
    }
}

void DialogDriver::typeOctet(Ref ref, int index, std::string_view text) {
    auto& ip = dynamic_cast<platform::IpAddressField&>(reachable(field(ref), ref));
    ip.userSetOctet(index, text);
}

void DialogDriver::tick(Ref ref, bool on) {
    Control& c = reachable(field(ref), ref);
    if (auto* box = dynamic_cast<platform::CheckBox*>(&c)) {
        form_->userFocus(box);
        box->userSetChecked(on);
    } else if (auto* radio = dynamic_cast<platform::RadioButton*>(&c)) {
        if (!on) throw std::logic_error("a radio button cannot be cleared by the user: " + ref.describe());
        form_->userFocus(radio);
        radio->userSelect();
    } else {
        throw std::logic_error("cannot tick " + std::string(platform::KindName(c.kind())) + " " + ref.describe());
    }
}

void DialogDriver::choose(Ref ref, std::string_view item) {
    auto* cb = dynamic_cast<platform::ComboBox*>(&reachable(field(ref), ref));
    if (!cb) throw std::logic_error("control " + ref.describe() + " is not a drop-down list");
    int index = cb->findItem(item);
    if (index < 0) throw std::logic_error("drop-down list " + ref.describe() + " has no item \"" + std::string(item) + "\"");
    form_->userFocus(cb);
    cb->userSelect(index);
}

void DialogDriver::chooseIndex(Ref ref, int index) {
    auto* cb = dynamic_cast<platform::ComboBox*>(&reachable(field(ref), ref));
    if (!cb) throw std::logic_error("control " + ref.describe() + " is not a drop-down list");
    if (index < 0 || index >= cb->count())
        throw std::logic_error("drop-down list " + ref.describe() + " has no item " + std::to_string(index));
    form_->userFocus(cb);
    cb->userSelect(index);
}

void DialogDriver::click(Ref ref) {
    auto* b = dynamic_cast<platform::PushButton*>(&reachable(control(ref), ref));
    if (!b) throw std::logic_error("control " + ref.describe() + " is not a button");
    form_->userFocus(b);  // a clicked button takes the focus before its handler runs
    b->userClick();
}

void DialogDriver::clickRow(Ref ref, int row) {
    auto& l = list(ref);
    reachable(l, ref);
    if (row >= l.rowCount()) throw std::logic_error("list " + ref.describe() + " has no row " + std::to_string(row));
    form_->userFocus(&l);
    l.userClickRow(row);
}

void DialogDriver::doubleClickRow(Ref ref, int row) {
    auto& l = list(ref);
    reachable(l, ref);
    if (row < 0 || row >= l.rowCount())
        throw std::logic_error("list " + ref.describe() + " has no row " + std::to_string(row));
    form_->userFocus(&l);
    l.userDoubleClickRow(row);
}

void DialogDriver::pressEnter(Ref ref) {
    auto& l = list(ref);
    reachable(l, ref);
    l.userActivate();
}

void DialogDriver::tickPort(Ref ref, int layer, int port, bool on) {
    auto& g = as<platform::PortGrid>(ref);
    reachable(g, ref);
    if (!g.cellEnabled(layer, port))
        throw std::logic_error("port " + std::to_string(port) + " of grid " + ref.describe() + " is disabled");
    form_->userFocus(&g);
    g.userSetChecked(layer, port, on);
}

void DialogDriver::typePort(Ref ref, int port, std::string_view text, int layer) {
    auto& g = as<platform::PortGrid>(ref);
    reachable(g, ref);
    if (!g.cellEnabled(layer, port))
        throw std::logic_error("port " + std::to_string(port) + " of grid " + ref.describe() + " is disabled");
    form_->userFocus(&g);
    g.userSetCellText(layer, port, text);
}

bool DialogDriver::hasFocus(Ref ref) const {
    platform::Control* f = form_->focused();
    return f != nullptr && f == &field(ref);
}

std::string DialogDriver::text(Ref ref) const { return field(ref).text(); }

bool DialogDriver::enabled(Ref ref) const { return control(ref).usable(); }

bool DialogDriver::visible(Ref ref) const { return control(ref).visible(); }

bool DialogDriver::checked(Ref ref) const {
    Control& c = field(ref);
    if (auto* box = dynamic_cast<platform::CheckBox*>(&c)) return box->checked();
    if (auto* radio = dynamic_cast<platform::RadioButton*>(&c)) return radio->checked();
    throw std::logic_error("control " + ref.describe() + " has no checked state");
}

int DialogDriver::rowCount(Ref ref) const { return list(ref).rowCount(); }

std::vector<std::vector<std::string>> DialogDriver::rows(Ref ref) const {
    auto& l = list(ref);
    std::vector<std::vector<std::string>> out;
    for (int r = 0; r < l.rowCount(); ++r) {
        std::vector<std::string> cells;
        for (int c = 0; c < l.columnCount(); ++c) cells.push_back(l.cell(r, c));
        out.push_back(std::move(cells));
    }
    return out;
}

std::string DialogDriver::cell(Ref ref, int row, int column) const { return list(ref).cell(row, column); }

std::vector<std::string> CloseTraceLines(const std::string& trace) {
    std::vector<std::string> closes;
    for (size_t pos = 0; (pos = trace.find("==================", pos)) != std::string::npos;) {
        const size_t end = trace.find('\n', pos);
        closes.push_back(trace.substr(pos, end - pos));
        pos = end;
    }
    return closes;
}

bool DialogDriver::waitRows(Ref ref, int count, std::chrono::milliseconds limit) {
    auto& l = list(ref);
    return env_->waitUntil([&] { return l.rowCount() >= count; }, limit) && l.rowCount() == count;
}

bool DialogDriver::waitEnabled(Ref ref, std::chrono::milliseconds limit) {
    Control& c = control(ref);
    return env_->waitUntil([&] { return c.usable(); }, limit);
}

bool DialogDriver::waitEnded(std::chrono::milliseconds limit) {
    return env_->waitUntil([&] { return form_->ended(); }, limit);
}

}  // namespace dialogtest

#pragma once
// Drives forms in tests without a display: plays the user on a form (typing, ticking,
// choosing, clicking, row clicks), answers message boxes from a queue and records their texts,
// drives modal child forms when they open, and pumps posted work (walk replies, timers) until
// a condition holds.
//
//   DialogEnvironment env;              // installs headless UI services and form host
//   ExampleDlg dlg;
//   DialogDriver d(env, dlg);           // builds and initialises the form
//   env.waitUntil([&] { return d.rowCount("Entries") == 3; });
//   env.answer(platform::MsgAnswer::Ok);
//   d.click("&Apply");
//   EXPECT_EQ(env.takeMessages(), (std::vector<std::string>{"Done."}));
#include <chrono>
#include <functional>
#include <string>
#include <stdexcept>
#include <typeinfo>
#include <variant>
#include <vector>

#include "platform/form.h"
#include "platform/form_headless.h"
#include "platform/headless_ui.h"

namespace dialogtest {

using namespace std::chrono_literals;

// A control reference: its id, or its name / caption ("&Apply"; mnemonics may be left out).
// Typing into, ticking or choosing on a label acts on the control that follows the label.
struct Ref {
    Ref(int id) : key(id) {}
    Ref(const char* text) : key(std::string(text)) {}
    Ref(std::string text) : key(std::move(text)) {}
    std::string describe() const;
    std::variant<int, std::string> key;
};

class DialogDriver;

class DialogEnvironment {
public:
    DialogEnvironment();
    // Uninstalls the services; reports child forms that were expected but never opened.
    ~DialogEnvironment();
    DialogEnvironment(const DialogEnvironment&) = delete;
    DialogEnvironment& operator=(const DialogEnvironment&) = delete;

    platform::HeadlessUi& ui() { return ui_; }
    platform::HeadlessFormHost& host() { return host_; }

    // Message boxes: answers for the next ones, in order (unqueued ones take the default button).
    void answer(platform::MsgAnswer a) { ui_.queueAnswer(a); }
    void answer(std::initializer_list<platform::MsgAnswer> answers);
    const std::vector<platform::MessageRequest>& messages() const { return ui_.messages(); }
    std::vector<std::string> messageTexts() const;
    // The texts shown since the last take, in order; clears the record.
    std::vector<std::string> takeMessages();

    // Modal children: the next form with this caption (or of type T) opening is handed to fn.
    // fn plays the user and should end the form; the form's result goes to the opener.
    void onChild(std::string caption, std::function<void(DialogDriver&)> fn);
    template <class T>
    void onChild(std::function<void(T&, DialogDriver&)> fn);
    std::vector<std::string> childHistory() const { return host_.history(); }

    // Runs posted work (walk replies, due timers) until pred() holds or the limit passes.
    bool waitUntil(const std::function<bool()>& pred, std::chrono::milliseconds limit = 5000ms);
    // Runs what is due now.
    int pump() { return ui_.processPending(); }
    // Runs posted work for a while (to let timers fire).
    void runFor(std::chrono::milliseconds span) { ui_.runFor(span); }
    // Moves the timers' clock forward and runs what has become due.
    int advance(std::chrono::milliseconds span) {
        ui_.advanceClock(span);
        return ui_.processPending();
    }

private:
    void expectChild(platform::HeadlessFormHost::Match match, std::function<void(DialogDriver&)> fn,
                     std::string description);
    platform::HeadlessUi ui_;
    platform::HeadlessFormHost host_;
};

class DialogDriver {
public:
    // Builds and initialises the form (open) unless it is open already; destroys it at the end
    // (window destruction) when this driver opened it.
    DialogDriver(DialogEnvironment& env, platform::Form& form);
    ~DialogDriver();
    DialogDriver(const DialogDriver&) = delete;
    DialogDriver& operator=(const DialogDriver&) = delete;

    platform::Form& form() { return *form_; }
    DialogEnvironment& env() { return *env_; }

    // ---- User actions; each fails (throws) on a missing control or one the user cannot reach.
    void type(Ref ref, std::string_view text);          // edit box, editable drop-down, IP field
    void tick(Ref ref, bool on = true);                  // check box; radio button (on only)
    void choose(Ref ref, std::string_view item);         // drop-down item by text
    void chooseIndex(Ref ref, int index);
    void click(Ref ref);                                 // button
    void clickRow(Ref list, int row);                    // -1 clicks below the rows
    void doubleClickRow(Ref list, int row);
    // Enter in the list (on its selected row).
    void pressEnter(Ref list);
    void tickPort(Ref grid, int layer, int port, bool on = true);
    void typePort(Ref grid, int port, std::string_view text, int layer = 0);
    void typeOctet(Ref ip, int field, std::string_view text);
    void closeWindow() { form_->requestClose(); }        // Esc or the close box

    // ---- Reading
    platform::Control& control(Ref ref) const;
    template <class T>
    T& as(Ref ref) const;
    platform::ReportList& list(Ref ref) const { return as<platform::ReportList>(ref); }
    std::string text(Ref ref) const;          // field text (a label ref reads its field)
    bool enabled(Ref ref) const;              // reachable: enabled and visible, group included
    bool visible(Ref ref) const;
    bool checked(Ref ref) const;
    int rowCount(Ref list) const;
    std::vector<std::vector<std::string>> rows(Ref list) const;
    std::string cell(Ref list, int row, int column) const;
    // The control with the keyboard focus (null: none), whether it is the one given, and whether
    // its text is selected. A click, tick or choice moves the focus to that control, as it does
    // in the window, before its handler runs.
    platform::Control* focused() const { return form_->focused(); }
    bool hasFocus(Ref ref) const;
    bool focusSelectsAll() const { return form_->focusSelectsAll(); }
    bool ended() const { return form_->ended(); }
    int result() const { return form_->result(); }

    // ---- Waiting for posted work
    bool waitRows(Ref list, int rows, std::chrono::milliseconds limit = 5000ms);
    bool waitEnabled(Ref ref, std::chrono::milliseconds limit = 5000ms);
    bool waitEnded(std::chrono::milliseconds limit = 5000ms);

private:
    platform::Control& field(Ref ref) const;  // a label resolves to the control after it
    platform::Control& reachable(platform::Control& c, Ref ref) const;
    DialogEnvironment* env_;
    platform::Form* form_;
    bool owns_;
};

// The dialog close lines of a trace ("==================DestroyWindow===============", then one
// "==================<session>.Close===============" per session), in the order written.
std::vector<std::string> CloseTraceLines(const std::string& trace);

template <class T>
T& DialogDriver::as(Ref ref) const {
    platform::Control& c = control(ref);
    if (auto* t = dynamic_cast<T*>(&c)) return *t;
    if (auto* f = form_->next(c); f && c.kind() == platform::ControlKind::Label)
        if (auto* t = dynamic_cast<T*>(f)) return *t;
    throw std::logic_error("control " + ref.describe() + " is a " + platform::KindName(c.kind()) +
                           " of the wrong kind");
}

template <class T>
void DialogEnvironment::onChild(std::function<void(T&, DialogDriver&)> fn) {
    expectChild([](const platform::Form& f) { return dynamic_cast<const T*>(&f) != nullptr; },
                [fn = std::move(fn)](DialogDriver& d) { fn(dynamic_cast<T&>(d.form()), d); },
                std::string("a form of type ") + typeid(T).name());
}

}  // namespace dialogtest

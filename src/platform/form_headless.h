#pragma once
// Runs forms without a display. A modal child opened by a form is handed to the handler
// registered for it (by caption or by a predicate), which plays the user; the child's result
// goes back to the form that opened it.
#include <chrono>
#include <functional>
#include <string>
#include <vector>

#include "platform/form.h"

namespace platform {

class HeadlessUi;

class HeadlessFormHost : public FormHost {
public:
    using Handler = std::function<void(Form&)>;
    using Match = std::function<bool(const Form&)>;

    // ui: pumped after a handler returns while the child has not ended yet (may be null).
    explicit HeadlessFormHost(HeadlessUi* ui = nullptr) : ui_(ui) {}

    // Handles the next modal form whose caption equals caption. Each registration is used once,
    // the earliest matching one first.
    void expect(std::string caption, Handler handler);
    void expectIf(Match match, Handler handler, std::string description = "a form");
    int pendingExpectations() const { return static_cast<int>(expected_.size()); }
    std::vector<std::string> pendingDescriptions() const;

    // Called for a form that nobody expected (default: it ends with kIdCancel), and for a form
    // still open after its handler and the pumping time (default: it ends with kIdCancel).
    void onUnexpected(Handler fn) { unexpected_ = std::move(fn); }
    void onHung(Handler fn) { hung_ = std::move(fn); }
    void setPumpLimit(std::chrono::milliseconds limit) { limit_ = limit; }

    int runModal(Form& form) override;

    // Captions of the forms run so far, in order.
    const std::vector<std::string>& history() const { return history_; }

private:
    struct Expectation {
        Match match;
        Handler handler;
        std::string description;
    };
    HeadlessUi* ui_;
    std::vector<Expectation> expected_;
    Handler unexpected_, hung_;
    std::chrono::milliseconds limit_{5000};
    std::vector<std::string> history_;
};

}  // namespace platform

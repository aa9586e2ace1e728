#include "platform/form_headless.h"

#include "platform/headless_ui.h"

namespace platform {

void HeadlessFormHost::expect(std::string caption, Handler handler) {
    std::string description = "\"" + caption + "\"";
    expectIf([caption = std::move(caption)](const Form& f) { return f.caption() == caption; }, std::move(handler),
             std::move(description));
}

void HeadlessFormHost::expectIf(Match match, Handler handler, std::string description) {
    expected_.push_back({std::move(match), std::move(handler), std::move(description)});
}

std::vector<std::string> HeadlessFormHost::pendingDescriptions() const {
    std::vector<std::string> out;
    for (const auto& e : expected_) out.push_back(e.description);
    return out;
}

int HeadlessFormHost::runModal(Form& form) {
    struct Destroyer {
        Form& f;
        ~Destroyer() { f.destroy(); }
    } destroyer{form};

    form.open();
    history_.push_back(form.caption());
    if (form.ended()) return form.result();

    Handler handler;
    for (auto it = expected_.begin(); it != expected_.end(); ++it) {
        if (it->match(form)) {
            handler = std::move(it->handler);
            expected_.erase(it);
            break;
        }
    }
    if (!handler) {
        if (unexpected_) unexpected_(form);
        if (!form.ended()) form.end(kIdCancel);
        return form.result();
    }
    handler(form);
    if (!form.ended() && ui_) ui_->runUntil([&] { return form.ended(); }, limit_);
    if (!form.ended()) {
        if (hung_) hung_(form);
        if (!form.ended()) form.end(kIdCancel);
    }
    return form.result();
}

}  // namespace platform

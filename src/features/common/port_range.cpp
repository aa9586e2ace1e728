#include "features/common/port_range.h"

#include <algorithm>

#include "app/session_settings.h"
#include "platform/form.h"
#include "platform/ui.h"

namespace features {

int DevicePorts() { return std::clamp(Profile().DevicePortNum, 0, kMaxPortCount); }

std::vector<std::string> PortItems(int ports) {
    std::vector<std::string> items;
    for (int p = 1; p <= ports; ++p) items.push_back(std::to_string(p));
    return items;
}

void BindFromToPorts(platform::ComboBox& from, platform::ComboBox& to) {
    platform::ComboBox* f = &from;
    platform::ComboBox* t = &to;
    from.onChange([f, t] { t->setCurrent(f->current()); });
    to.onChange([f, t] {
        if (t->current() < f->current()) {
            platform::ShowMessage(kMsgToBelowFrom);
            t->setCurrent(f->current());
        }
    });
}

int ChosenPort(const platform::ComboBox& ports) { return ports.current() < 0 ? 0 : ports.current() + 1; }

}  // namespace features

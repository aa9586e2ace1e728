#include "features/security/security_common.h"

#include <algorithm>

#include "app/session_settings.h"
#include "platform/form.h"
#include "platform/ui.h"

namespace security {

int SendSet(CCommonSnmp& session, const std::vector<SetValue>& values, bool viaGetNext) {
    if (values.empty() || !session.Open(SNMP_PDU_SET_T)) return -1;
    for (const SetValue& v : values) {
        const int rc = v.raw ? session.AddValue(v.oid.c_str(), v.type, v.octets.data(), static_cast<int>(v.octets.size()))
                             : session.AddValue(v.oid.c_str(), v.type, v.text.c_str());
        if (rc != 0) return -1;
    }
    CSnmp* reply = nullptr;
    const int rc = viaGetNext ? session.GetNext(&reply, 0) : session.Send(&reply, 0);
    delete reply;
    return rc;
}

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

}  // namespace security

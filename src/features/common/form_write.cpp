#include "features/common/form_write.h"

#include "features/common/form_reads.h"
#include "platform/ui.h"

namespace features {

namespace {

const char* StatusName(int status) {
    static const char* const kNames[] = {"noError", "tooBig", "noSuchName", "badValue", "readOnly", "genErr",
                                         "noAccess", "wrongType", "wrongLength", "wrongEncoding", "wrongValue",
                                         "noCreation", "inconsistentValue", "resourceUnavailable", "commitFailed",
                                         "undoFailed", "authorizationError", "notWritable", "inconsistentName"};
    return status > 0 && status <= 18 ? kNames[status] : nullptr;
}

}  // namespace

std::string WriteFailureMessage(const std::string& what, int status, SnmpFailure failure) {
    std::string why;
    if (status > 0) {
        const char* name = StatusName(status);
        why = std::string("the switch refused the value") + (name ? std::string(" (") + name + ")" : std::string());
    } else if (failure == SnmpFailure::NoAnswer) {
        why = "the switch did not answer, so it may or may not have taken the change; the settings are read again";
    } else if (std::string credentials = SnmpCredentialProblem(failure); !credentials.empty()) {
        why = credentials;
    } else {
        why = ReadFailureReason(failure);
    }
    return what + " could not be changed: " + why + ".";
}

bool CFormWrite::Send(std::string what, const std::vector<SetValue>& values, std::function<void(bool ok)> onDone,
                      int timeoutMs) {
    if (m_sender.Busy()) return false;
    bool built = !values.empty() && m_session.Open(SNMP_PDU_SET_T);
    for (size_t i = 0; built && i < values.size(); ++i) {
        const SetValue& v = values[i];
        built = (v.raw ? m_session.AddValue(v.oid.c_str(), v.type, v.octets.data(), static_cast<int>(v.octets.size()))
                       : m_session.AddValue(v.oid.c_str(), v.type, v.text.c_str())) == 0;
    }
    if (!built) {
        platform::ShowMessage(WriteFailureMessage(what, -1, SnmpFailure::NotSent));
        if (onDone) onDone(false);
        return false;
    }
    CCommonSnmp* session = &m_session;
    return m_sender.Send(timeoutMs, [session, what = std::move(what), onDone = std::move(onDone)](int status) {
        if (status != 0) platform::ShowMessage(WriteFailureMessage(what, status, session->LastFailure()));
        if (onDone) onDone(status == 0);
    });
}

}  // namespace features

#include "features/security/security_common.h"

namespace security {

StepResult WriteStep(CCommonSnmp& session, const std::vector<SetValue>& values, bool viaGetNext) {
    const int status = features::SendSet(session, values, viaGetNext);
    if (status == 0) {
        features::NoteWriteTaken();
        return {};
    }
    SnmpFailure failure = session.LastFailure();
    if (status < 0 && failure == SnmpFailure::None) failure = SnmpFailure::NotSent;
    // The framework's wording, without its subject: the dialog puts its own in front.
    static const std::string kLead = " could not be changed: ";
    std::string why = features::WriteFailureMessage("", status, failure);
    if (why.compare(0, kLead.size(), kLead) == 0) why.erase(0, kLead.size());
    return {false, status < 0 && failure == SnmpFailure::NoAnswer, why};
}

}  // namespace security

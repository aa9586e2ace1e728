#include "features/common/sync_request.h"

namespace features {

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

bool GetNow(CCommonSnmp& session, const std::vector<std::string>& oids, bool viaGetNext, ReplyRow& row) {
    if (!session.Open(SNMP_PDU_GET_T)) return false;
    for (const std::string& oid : oids)
        if (session.AddValue(oid.c_str(), SNMP_T_NULL, nullptr) != 0) return false;
    CSnmp* reply = nullptr;
    const int rc = viaGetNext ? session.GetNext(&reply, 0) : session.Send(&reply, 0);
    const bool answered = rc == 0 && reply;
    if (answered) row = ReadReplyRow(*reply);
    delete reply;
    return answered;
}

}  // namespace features

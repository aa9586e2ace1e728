#pragma once
// Requests sent and answered before the call returns, for the dialogs that read or write a few
// objects at a time:
//
//   if (features::SendSet(m_cCommonSNMP, {features::SetValue::Text(oid, SNMP_T_INTEGER, "1")}, false) == 0) ...
//   ReplyRow row;
//   if (features::GetNow(m_cCommonSNMP, {oidA, oidB}, true, row) && row.size() == 2) ...
#include <string>
#include <vector>

#include "snmp/common_snmp.h"
#include "snmp/encodings.h"
#include "snmp/table_walk.h"

namespace features {

// One binding of a set request: text values, or raw octets for octet strings.
struct SetValue {
    std::string oid;
    int type = SNMP_T_INTEGER;
    std::string text;
    Octets octets;
    bool raw = false;  // send `octets` rather than `text`

    static SetValue Text(std::string oid, int type, std::string text) {
        return SetValue{std::move(oid), type, std::move(text), {}, false};
    }
    static SetValue Bytes(std::string oid, Octets octets) {
        return SetValue{std::move(oid), SNMP_T_OCTETS, {}, std::move(octets), true};
    }
};

// Sends one set request with the values in order, through the table path (GetNext) or as a
// plain request (Send). 0 on success, the session's result otherwise (-1 when nothing could
// be built).
int SendSet(CCommonSnmp& session, const std::vector<SetValue>& values, bool viaGetNext);

// Reads the objects with one get request, through the table path (GetNext) or as a plain
// request (Send). True when the switch answered; `row` then holds the reply's values.
bool GetNow(CCommonSnmp& session, const std::vector<std::string>& oids, bool viaGetNext, ReplyRow& row);

}  // namespace features

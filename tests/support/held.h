#pragma once
// What the switch holds after a write, read with a get of its own through the device's settings
// (the switch the test installed as the managed device).
#include <cctype>
#include <string>
#include <vector>

#include "features/common/sync_request.h"

namespace corvex::test {

// The object's text (octet strings in lower-case hex when `hex`), "-" when the switch has no
// such object (SNMPv1 answers noSuchName for it), "no answer" when it did not answer.
inline std::string Held(const std::string& oid, bool hex = false) {
    CCommonSnmp session;
    ReplyRow row;
    std::string out;
    if (!features::GetNow(session, {oid}, false, row)) {
        out = session.LastFailure() == SnmpFailure::AgentError ? "-" : "no answer";
    } else if (row.size() < 1 || !row.present(0)) {
        out = "-";
    } else if (hex && row.value(0).type == SNMP_T_OCTETS) {
        out = OctetsToHex(row.bytes(0));
        for (char& c : out) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    } else {
        out = row.text(0);
    }
    session.Close();
    return out;
}

// The objects, each read with a get of its own, octet strings (port lists, names) in hex.
inline std::vector<std::string> HeldHex(const std::vector<std::string>& oids) {
    std::vector<std::string> out;
    for (const std::string& oid : oids) out.push_back(Held(oid, true));
    return out;
}

}  // namespace corvex::test

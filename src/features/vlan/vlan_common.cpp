#include "features/vlan/vlan_common.h"

#include <string>

#include "features/common/form_write.h"
#include "features/common/sync_request.h"
#include "snmp/validation.h"

namespace vlan {

const VlanRecord* FindVlan(const VlanRecordList& records, int vid) {
    for (const auto& r : records)
        if (r.vid == vid) return &r;
    return nullptr;
}

std::vector<int> ParsePortNumbers(const std::string& text) {
    std::vector<int> ports;
    std::size_t start = 0;
    while (start <= text.size()) {
        std::size_t comma = text.find(',', start);
        std::string item = text.substr(start, comma == std::string::npos ? std::string::npos : comma - start);
        if (!item.empty() && item.find_first_not_of(" 0123456789") == std::string::npos) {
            int n = TextToInt(item);
            if (n > 0) ports.push_back(n);
        }
        if (comma == std::string::npos) break;
        start = comma + 1;
    }
    return ports;
}

bool ReadRowNow(CCommonSnmp& session, const std::vector<std::string>& oids, ReplyRow& row) {
    row = ReplyRow{};
    if (features::GetNow(session, oids, false, row)) return true;
    if (session.LastFailure() != SnmpFailure::AgentError) return false;
    row = ReplyRow{};
    return true;
}

}  // namespace vlan

#include "features/vlan/vlan_common.h"

#include <memory>
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

void ReadRowLater(CTableWalk& walk, const std::vector<std::string>& oids, RowReadDone done) {
    auto row = std::make_shared<ReplyRow>();
    const bool sent = walk.Read(
        oids,
        [row](const ReplyRow& reply, CSnmp&) {
            *row = reply;
            return false;
        },
        [&walk, row, done](int status) {
            if (status == 0) return done(true, *row);
            // An error status: the row is not there.
            done(walk.Session().LastFailure() == SnmpFailure::AgentError, ReplyRow{});
        });
    if (!sent) done(false, ReplyRow{});
}

}  // namespace vlan

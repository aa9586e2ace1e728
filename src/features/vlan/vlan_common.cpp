#include "features/vlan/vlan_common.h"

#include <string>

#include "snmp/validation.h"

namespace vlan {

const VlanRecord* FindVlan(const VlanRecordList& records, int vid) {
    for (const auto& r : records)
        if (r.vid == vid) return &r;
    return nullptr;
}

std::string Instance(const char* oid, int n) { return std::string(oid) + "." + std::to_string(n); }

ReplyRow ReadRow(const CSnmp& reply) {
    ReplyRow row;
    for (int i = 0; i < reply.getValuesCount(); ++i) {
        std::string oid;
        reply.getOid(i, oid);
        if (IsProxyMarker(oid)) continue;
        int type = 0;
        std::string text;
        std::vector<std::uint8_t> bytes;
        reply.getValue(i, type, text);
        reply.getValue(i, type, bytes);
        row.texts.push_back(std::move(text));
        row.raw.emplace_back(bytes.begin(), bytes.end());
        row.index.push_back(i);
    }
    return row;
}

std::string SuffixOf(CCommonSnmp& session, int index, CSnmp* reply) {
    std::string suffix;
    if (session.GetSuffix(index, reply, suffix) != 0) return {};
    if (!suffix.empty() && suffix[0] == '.') suffix.erase(0, 1);
    return suffix;
}

std::string CutUtf8(const std::string& text, std::size_t maxBytes) {
    std::size_t i = 0;
    while (i < text.size()) {
        unsigned char b = static_cast<unsigned char>(text[i]);
        std::size_t len = b < 0x80 ? 1 : (b >> 5) == 0x6 ? 2 : (b >> 4) == 0xE ? 3 : (b >> 3) == 0x1E ? 4 : 1;
        if (i + len > maxBytes || i + len > text.size()) break;
        i += len;
    }
    return text.substr(0, i);
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

int SetInteger(CCommonSnmp& session, const std::string& oid, const std::string& value) {
    if (!session.Open(SNMP_PDU_SET_T)) return -1;
    if (session.AddValue(oid.c_str(), SNMP_T_INTEGER, value.c_str()) != 0) return -1;
    CSnmp* reply = nullptr;
    int rc = session.GetNext(&reply, 0);
    delete reply;
    return rc;
}

}  // namespace vlan

#include "snmp/table_walk.h"

#include <unordered_set>

#include "platform/trace.h"

namespace {

// Walkers that exist. A reply whose walker is gone is dropped without touching it; all of
// this happens on the UI thread.
std::unordered_set<const CTableWalk*>& LiveWalkers() {
    static std::unordered_set<const CTableWalk*> live;
    return live;
}

const std::string kEmpty;
const std::vector<std::uint8_t> kNoBytes;

}  // namespace

const std::string& ReplyRow::text(size_t i) const { return i < values.size() ? values[i].text : kEmpty; }

const std::vector<std::uint8_t>& ReplyRow::bytes(size_t i) const {
    return i < values.size() ? values[i].bytes : kNoBytes;
}

std::string ReplyRow::instance(size_t i, const std::string& column) const {
    if (i >= values.size()) return {};
    const std::string& oid = values[i].oid;
    std::string prefix = column;
    if (!prefix.empty() && prefix[0] == '.') prefix.erase(0, 1);
    std::string full = oid;
    if (!full.empty() && full[0] == '.') full.erase(0, 1);
    if (full.size() <= prefix.size() + 1 || full.compare(0, prefix.size(), prefix) != 0 || full[prefix.size()] != '.')
        return {};
    return full.substr(prefix.size() + 1);
}

ReplyRow ReadReplyRow(const CSnmp& reply) {
    ReplyRow row;
    for (int i = 0; i < reply.getValuesCount(); ++i) {
        ReplyRow::Value v;
        if (reply.getOid(i, v.oid) != 0 || IsProxyMarker(v.oid)) continue;
        reply.getValue(i, v.type, v.text);
        reply.getValue(i, v.type, v.bytes);
        v.binding = i;
        row.values.push_back(std::move(v));
    }
    return row;
}

CTableWalk::CTableWalk(CCommonSnmp& session) : m_session(session) { LiveWalkers().insert(this); }

CTableWalk::~CTableWalk() { LiveWalkers().erase(this); }

bool CTableWalk::Start(const std::vector<std::string>& columns, RowHandler onRow, EndHandler onEnd,
                       int firstTimeoutMs, int stepTimeoutMs) {
    m_running = false;
    if (columns.empty() || !m_session.Open(SNMP_PDU_GETNEXT_T)) return false;
    for (const std::string& column : columns)
        if (m_session.AddValue(column.c_str(), SNMP_T_NULL, nullptr) != 0) return false;
    m_columns = columns;
    m_onRow = std::move(onRow);
    m_onEnd = std::move(onEnd);
    m_stepTimeoutMs = stepTimeoutMs;
    m_running = true;
    if (m_session.GetNextAsync(&CTableWalk::Callback, this, firstTimeoutMs) != 0) {
        m_running = false;
        m_session.SignalDone();
        return false;
    }
    return true;
}

unsigned CTableWalk::Callback(CSnmp* reply, int requestId, void* param, int status) {
    auto* self = static_cast<CTableWalk*>(param);
    if (!self || LiveWalkers().count(self) == 0 || !self->m_session.FindRequestID(requestId)) {
        platform::Trace("FindRequestID");
        delete reply;
        return 0;
    }
    if (status != CSnmp4w::EC_NO_ERROR || !reply) {
        platform::Trace("call back iStatus = %d", status);
        delete reply;
        self->Finish(status != CSnmp4w::EC_NO_ERROR ? status : CSnmp4w::EC_FAILED);
        return 0;
    }
    bool more = true;
    if (self->m_onRow) more = self->m_onRow(ReadReplyRow(*reply), *reply);
    delete reply;
    // The row handler may have closed the session or destroyed the walker.
    if (LiveWalkers().count(self) == 0 || !self->m_running) return 0;
    if (self->m_session.IsCancelled()) {  // closed from the handler: end quietly
        self->m_running = false;
        return 0;
    }
    if (!more) {
        self->Finish(0);
    } else if (self->m_session.GetNextAsync(&CTableWalk::Callback, self, self->m_stepTimeoutMs) != 0) {
        self->Finish(CSnmp4w::EC_FAILED);
    }
    return 0;
}

void CTableWalk::Finish(int status) {
    m_running = false;
    m_session.SignalDone();
    EndHandler onEnd = m_onEnd;  // the handler may start the next walk on this walker
    if (onEnd) onEnd(status);
}

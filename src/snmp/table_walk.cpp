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
const ReplyRow::Value kNoValue{{}, SNMP_T_NONE, {}, {}, 0, false};

}  // namespace

const std::string& ReplyRow::text(size_t i) const { return i < values.size() ? values[i].text : kEmpty; }

const std::vector<std::uint8_t>& ReplyRow::bytes(size_t i) const {
    return i < values.size() ? values[i].bytes : kNoBytes;
}

const ReplyRow::Value& ReplyRow::value(size_t i) const { return i < values.size() ? values[i] : kNoValue; }

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
        v.present = reply.getValue(i, v.type, v.text) == 0 && v.type != SNMP_T_NONE;
        if (v.present) reply.getValue(i, v.type, v.bytes);
        else v.text.clear();
        v.binding = i;
        row.values.push_back(std::move(v));
    }
    return row;
}

CTableWalk::CTableWalk(CCommonSnmp& session) : m_session(session) { LiveWalkers().insert(this); }

CTableWalk::~CTableWalk() { LiveWalkers().erase(this); }

bool CTableWalk::Start(const std::vector<std::string>& columns, RowHandler onRow, EndHandler onEnd,
                       int firstTimeoutMs, int stepTimeoutMs) {
    Options options;
    options.firstTimeoutMs = firstTimeoutMs;
    options.stepTimeoutMs = stepTimeoutMs;
    return Start(columns, std::move(onRow), std::move(onEnd), options);
}

bool CTableWalk::Start(const std::vector<std::string>& columns, RowHandler onRow, EndHandler onEnd,
                       const Options& options) {
    m_oneStep = false;
    return Send(SNMP_PDU_GETNEXT_T, Reads(columns), std::move(onRow), std::move(onEnd), options);
}

bool CTableWalk::Read(const std::vector<std::string>& objects, RowHandler onReply, EndHandler onEnd) {
    return Read(objects, std::move(onReply), std::move(onEnd), Options());
}

bool CTableWalk::Read(const std::vector<std::string>& objects, RowHandler onReply, EndHandler onEnd,
                      const Options& options) {
    m_oneStep = true;
    return Send(SNMP_PDU_GET_T, Reads(objects), std::move(onReply), std::move(onEnd), options);
}

std::vector<CTableWalk::Binding> CTableWalk::Reads(const std::vector<std::string>& oids) {
    std::vector<Binding> out;
    for (const std::string& oid : oids) out.push_back({oid, SNMP_T_NULL, {}});
    return out;
}

bool CTableWalk::Send(int pduType, const std::vector<Binding>& bindings, RowHandler onRow, EndHandler onEnd,
                      const Options& options) {
    m_running = false;
    m_rows = 0;
    m_reachedBound = false;
    m_endedShort = false;
    if (bindings.empty() || !m_session.Open(pduType)) return false;
    m_columns.clear();
    for (const Binding& b : bindings) {
        const char* value = b.type == SNMP_T_NULL ? nullptr : b.value.c_str();
        if (m_session.AddValue(b.oid.c_str(), b.type, value) != 0) return false;
        m_columns.push_back(b.oid);
    }
    // A walk that asks for each row before handling the last one loses nothing by having the
    // worker ask at once.
    if (pduType == SNMP_PDU_GETNEXT_T && options.nextFirst) m_session.SetReadAhead();
    m_onRow = std::move(onRow);
    m_onEnd = std::move(onEnd);
    m_options = options;
    m_running = true;
    if (m_session.GetNextAsync(&CTableWalk::Callback, this, m_options.firstTimeoutMs) != 0) {
        m_running = false;
        m_session.SignalDone();
        return false;
    }
    return true;
}

unsigned CTableWalk::Callback(CSnmp* reply, int requestId, void* param, int status) {
    auto* self = static_cast<CTableWalk*>(param);
    const bool live = self && LiveWalkers().count(self) != 0;
    if (!live || !self->m_session.FindRequestID(requestId)) {
        if (!live || self->m_options.traceDropped) platform::Trace("FindRequestID");
        delete reply;
        return 0;
    }
    if (status != CSnmp4w::EC_NO_ERROR || !reply) {
        if (self->m_options.traceFailed) platform::Trace("call back iStatus = %d", status);
        delete reply;
        self->Finish(status != CSnmp4w::EC_NO_ERROR ? status : CSnmp4w::EC_FAILED);
        return 0;
    }
    ReplyRow row = ReadReplyRow(*reply);
    if (!self->m_oneStep) {
        // A column that has ended answers with the next object beyond it: not a value of this row.
        for (size_t i = 0; i < row.values.size() && i < self->m_columns.size(); ++i) {
            ReplyRow::Value& v = row.values[i];
            if (v.present && row.instance(i, self->m_columns[i]).empty()) {
                v.present = false;
                v.text.clear();
                v.bytes.clear();
            }
        }
    }
    if (row.size() < self->m_options.minValues) {
        delete reply;
        self->m_endedShort = true;
        self->Finish(0);
        return 0;
    }
    const size_t bound = self->m_options.maxRows ? self->m_options.maxRows : kDefaultMaxRows;
    if (!self->m_oneStep && self->m_rows >= bound) {
        // The table cannot hold this row: the agent keeps answering beyond the table's end.
        platform::Trace("walk of %s ended at its bound of %zu rows", self->m_columns.empty() ? "" : self->m_columns[0].c_str(), bound);
        delete reply;
        self->m_reachedBound = true;
        self->Finish(CSnmp4w::EC_FAILED);
        return 0;
    }
    ++self->m_rows;
    // Asked before the row is handled, or after it (the handler decides whether to go on).
    const bool askedFirst = self->m_options.nextFirst && !self->m_oneStep;
    const int sent = askedFirst ? self->m_session.GetNextAsync(&CTableWalk::Callback, self, self->m_options.stepTimeoutMs) : 0;
    bool more = !self->m_oneStep;
    if (self->m_onRow) {
        const bool wanted = self->m_onRow(row, *reply);
        if (!askedFirst) more = more && wanted;
    }
    delete reply;
    // The row handler may have closed the session or destroyed the walker.
    if (LiveWalkers().count(self) == 0 || !self->m_running) return 0;
    if (self->m_session.IsCancelled()) {  // closed from the handler: end quietly
        self->m_running = false;
        return 0;
    }
    if (askedFirst) {
        if (sent != 0) self->Finish(CSnmp4w::EC_FAILED);
    } else if (!more) {
        self->Finish(0);
    } else if (self->m_session.GetNextAsync(&CTableWalk::Callback, self, self->m_options.stepTimeoutMs) != 0) {
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

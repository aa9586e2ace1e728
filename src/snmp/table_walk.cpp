#include "snmp/table_walk.h"

#include <algorithm>
#include <chrono>
#include <deque>
#include <unordered_set>

#include "platform/trace.h"
#include "platform/ui.h"

namespace {

// Walkers that exist. A reply whose walker is gone is dropped without touching it; all of
// this happens on the UI thread.
std::unordered_set<const CTableWalk*>& LiveWalkers() {
    static std::unordered_set<const CTableWalk*> live;
    return live;
}

// Sessions of walks in parts that exist: a reply for a slot that is gone is dropped.
std::unordered_set<const void*>& LiveSlots() {
    static std::unordered_set<const void*> live;
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

CTableWalk::~CTableWalk() {
    LiveWalkers().erase(this);
    StopParts();
}

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
    StopParts();
    m_partsWalked = 0;
    if (options.parts > 1 && !columns.empty()) {
        m_columns = columns;
        m_onRow = std::move(onRow);
        m_onEnd = std::move(onEnd);
        m_options = options;
        return StartParts();
    }
    return Send(SNMP_PDU_GETNEXT_T, Reads(columns), std::move(onRow), std::move(onEnd), options);
}

bool CTableWalk::Read(const std::vector<std::string>& objects, RowHandler onReply, EndHandler onEnd) {
    return Read(objects, std::move(onReply), std::move(onEnd), Options());
}

bool CTableWalk::Read(const std::vector<std::string>& objects, RowHandler onReply, EndHandler onEnd,
                      const Options& options) {
    m_oneStep = true;
    StopParts();
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

// ---- Walks in parts -----------------------------------------------------------------------------
//
// Each part covers the rows whose index lies after `from` and at or before `upTo` (no upTo: to
// the end of the table), and walks with get-next from its column OIDs followed by `from`. The
// first part is the whole table; a session with room for a part splits the busiest part's
// remaining range in two and walks the upper half. Under SNMPv1 one get-next carries the next
// row of several parts (lanes), so that each request in flight brings several rows; under SNMPv3
// each session walks one part with GETBULK. The parts' rows are held until every part before
// them is done, so the row handler sees them in OID order, each once, even if the table changes.

struct CTableWalk::Slot {
    CTableWalk* owner = nullptr;
    CCommonSnmp* session = nullptr;
    std::unique_ptr<CCommonSnmp> own;  // null for the walk's own session
    std::vector<Part*> lanes;          // the parts it walks
    std::vector<Part*> asked;          // the parts of the request out, in binding order
    bool asking = false;               // a request is out
    bool open = false;                 // the session's walk is open with `asked`
    bool rebuild = false;              // the next request carries other lanes
    std::vector<Index> probes;         // the points of the probe out (probing)
    unsigned probed = 0;               // the part they lie in (its id)
    bool probing = false;
};

struct CTableWalk::Part {
    Index from, upTo;
    bool bounded = false;  // upTo holds
    Index at;              // the last row's index
    bool started = false;  // a row came
    size_t got = 0;
    std::vector<std::string> next;  // where each column goes on (the last row's OIDs)
    Slot* slot = nullptr;
    bool done = false;
    int status = CSnmp4w::EC_END_OF_TABLE;
    bool endedShort = false;
    bool alone = false;    // asked in a request of its own (it made one of several fail)
    bool probedOut = false;  // a probe found no row to split it at
    unsigned id = 0;         // never used again by another part of the walk
    SnmpFailure why = SnmpFailure::None;  // a failed part's failure, as its session said it
    std::string whyText;
    std::deque<std::unique_ptr<CSnmp>> held;  // replies of one row each
};

namespace {

bool ParseIndex(const std::string& text, CTableWalk::Index& index) {
    index.clear();
    if (text.empty()) return false;
    std::uint64_t value = 0;
    bool digits = false;
    for (char c : text) {
        if (c == '.') {
            if (!digits) return false;
            index.push_back(static_cast<std::uint32_t>(value));
            value = 0;
            digits = false;
        } else if (c >= '0' && c <= '9') {
            value = value * 10 + static_cast<unsigned>(c - '0');
            if (value > 0xffffffffULL) return false;
            digits = true;
        } else {
            return false;
        }
    }
    if (!digits) return false;
    index.push_back(static_cast<std::uint32_t>(value));
    return true;
}

std::string IndexText(const CTableWalk::Index& index) {
    std::string out;
    for (std::uint32_t v : index) {
        if (!out.empty()) out += '.';
        out += std::to_string(v);
    }
    return out;
}

}  // namespace

bool CTableWalk::Between(const Index& lo, const Index* hi, Index& mid) {
    mid.clear();
    bool equal = hi != nullptr;  // mid has followed hi so far
    for (size_t d = 0; d < 16; ++d) {
        const std::uint64_t a = d < lo.size() ? lo[d] : 0;
        // Past the first sub-identifier, a range without an upper end is taken as an octet's.
        const std::uint64_t span = a < 256 ? 256 : 2 * a + 2;
        std::uint64_t b = 0;
        if (equal) b = d < hi->size() ? (*hi)[d] : 0;
        else b = hi == nullptr && d == 0 ? 2 * a + 2 : span;  // no end: the next as far again
        if (equal && b < a) return false;
        if (b >= a + 2) {
            mid.push_back(static_cast<std::uint32_t>((a + b) / 2));
            break;
        }
        mid.push_back(static_cast<std::uint32_t>(a));
        equal = equal && b == a;
        if (equal && hi && d + 1 >= hi->size() && d + 1 >= lo.size()) return false;
    }
    return mid > lo && (hi == nullptr || mid < *hi);
}

std::vector<CTableWalk::Index> CTableWalk::ProbePoints(const Index& lo, const Index* hi) {
    constexpr size_t kLevels = 6, kPerLevel = 3;
    std::vector<Index> points;
    size_t d = 0;  // the level where lo and hi part
    if (hi) {
        while (d < lo.size() && d < hi->size() && lo[d] == (*hi)[d]) ++d;
        if (d >= hi->size() || (d < lo.size() && (*hi)[d] < lo[d])) return points;  // hi is not above lo
    }
    for (size_t level = d; level < d + kLevels && level < lo.size(); ++level) {
        const std::uint64_t a = lo[level];
        std::uint64_t b = 0;
        if (level == d && hi) b = (*hi)[level];
        else if (level == 0 || a >= 256) b = 2 * a + 2;  // no end known: as far again
        else b = 256;                                   // past the first sub-identifier, an octet
        for (size_t k = 1; k <= kPerLevel; ++k) {
            const std::uint64_t v = a + (b - a) * k / (kPerLevel + 1);
            if (v <= a || v >= b || v > 0xffffffffULL) continue;
            Index p(lo.begin(), lo.begin() + static_cast<std::ptrdiff_t>(std::min(level, lo.size())));
            p.resize(level, 0);
            p.push_back(static_cast<std::uint32_t>(v));
            if (p > lo && (!hi || p < *hi) && (points.empty() || points.back() != p)) points.push_back(std::move(p));
        }
    }
    std::sort(points.begin(), points.end());
    points.erase(std::unique(points.begin(), points.end()), points.end());
    return points;
}

int CTableWalk::LanesPerRequest() const { return m_session.Version() == 1 ? kLanes : 1; }

bool CTableWalk::StartParts() {
    m_running = false;
    m_rows = 0;
    m_reachedBound = false;
    m_endedShort = false;
    m_held = 0;
    m_rowOctets = 0;
    m_cuts.clear();
    const int count = std::min(m_options.parts, kMaxParts);
    for (int i = 0; i < count; ++i) {
        auto slot = std::make_unique<Slot>();
        slot->owner = this;
        if (i == 0) {
            slot->session = &m_session;
        } else {
            slot->own = m_session.Twin();
            slot->session = slot->own.get();
        }
        LiveSlots().insert(slot.get());
        m_slots.push_back(std::move(slot));
    }
    auto whole = std::make_unique<Part>();
    Part& first = *whole;
    m_parts.push_back(std::move(whole));
    m_partsWalked = 1;
    m_running = true;
    Slot& slot = *m_slots[0];
    slot.lanes.push_back(&first);
    first.slot = &slot;
    if (!Ask(slot, m_options.firstTimeoutMs)) {  // nothing could be sent
        m_running = false;
        m_session.SignalDone();
        StopParts();
        return false;
    }
    return true;
}

bool CTableWalk::Ask(Slot& slot, int timeoutMs) {
    CCommonSnmp& session = *slot.session;
    if (slot.rebuild || !slot.open) {
        slot.rebuild = false;
        slot.open = false;
        if (!session.Open(SNMP_PDU_GETNEXT_T)) return false;
        std::vector<std::string> columns;
        for (const Part* part : slot.lanes) {
            const std::string from = part->from.empty() ? std::string() : "." + IndexText(part->from);
            for (size_t c = 0; c < m_columns.size(); ++c) {
                const std::string oid = part->next.size() == m_columns.size() ? part->next[c] : m_columns[c] + from;
                if (session.AddValue(oid.c_str(), SNMP_T_NULL, nullptr) != 0) return false;
                columns.push_back(m_columns[c]);
            }
        }
        if (!session.SetWalkColumns(columns, false, m_rowOctets * slot.lanes.size())) return false;
        slot.asked = slot.lanes;
        slot.open = true;
    }
    slot.asking = true;
    if (session.GetNextAsync(&CTableWalk::PartCallback, &slot, timeoutMs) != 0) {
        slot.asking = false;
        return false;
    }
    return true;
}

unsigned CTableWalk::PartCallback(CSnmp* reply, int requestId, void* param, int status) {
    auto* slot = static_cast<Slot*>(param);
    std::unique_ptr<CSnmp> owned(reply);
    if (!slot || LiveSlots().count(slot) == 0 || !slot->session->FindRequestID(requestId)) {
        if (slot && LiveSlots().count(slot) != 0 && slot->owner->m_options.traceDropped) platform::Trace("FindRequestID");
        return 0;
    }
    CTableWalk* self = slot->owner;
    if (!self->m_running || slot->asked.empty()) return 0;
    if (self->m_session.IsCancelled()) {  // the walk's session was closed: end quietly
        self->m_running = false;
        self->StopParts();
        return 0;
    }
    // The row handler may end this walk, start another or destroy the walker.
    const unsigned generation = self->m_partsGeneration;
    auto going = [&] { return LiveWalkers().count(self) != 0 && self->m_partsGeneration == generation && self->m_running; };
    const std::vector<Part*> lanes = slot->asked;  // the parts this reply answers, in binding order
    const size_t width = self->m_columns.size();
    auto endAll = [&](int why) {
        for (Part* part : lanes) {
            if (!going()) return;
            if (part->slot == slot) self->EndPart(*part, why);
        }
    };
    if (status != CSnmp4w::EC_NO_ERROR && lanes.size() > 1 && slot->session->LastFailure() != SnmpFailure::NoAnswer &&
        slot->session->LastFailure() != SnmpFailure::Cancelled) {
        // One of the parts ended the request or made it fail, which one the switch does not
        // say: each asks again from where it is, in a request of its own. (A switch that did
        // not answer at all is not asked again: the walk fails as a walk of one part would.)
        for (Part* part : lanes) {
            if (part->slot != slot) continue;
            part->alone = true;
            part->slot = nullptr;
            auto& mine = slot->lanes;
            mine.erase(std::remove(mine.begin(), mine.end(), part), mine.end());
        }
        slot->rebuild = true;
    } else if (status != CSnmp4w::EC_NO_ERROR || !owned) {
        if (status != CSnmp4w::EC_END_OF_TABLE && self->m_options.traceFailed)
            platform::Trace("call back iStatus = %d", status);
        endAll(status != CSnmp4w::EC_NO_ERROR ? status : CSnmp4w::EC_FAILED);
    } else {
        const std::vector<int> data = SnmpDataBindings(*owned);
        if (data.size() != lanes.size() * width) {
            endAll(CSnmp4w::EC_FAILED);
        } else {
            for (size_t i = 0; i < lanes.size(); ++i) {
                if (!going()) return 0;
                Part& part = *lanes[i];
                if (part.slot != slot) continue;
                std::unique_ptr<CSnmp> row;
                std::vector<std::string> next;
                if (lanes.size() == 1) {
                    for (size_t c = 0; c < width; ++c) next.push_back(owned->bindings()[static_cast<size_t>(data[c])].oid);
                    row = std::move(owned);
                } else {  // this lane's bindings as a reply of their own
                    row = std::make_unique<CSnmpV1>(0);
                    for (size_t c = 0; c < width; ++c) {
                        const CSnmp::Binding& b = owned->bindings()[static_cast<size_t>(data[i * width + c])];
                        row->mutableBindings().push_back(b);
                        next.push_back(b.oid);
                    }
                }
                self->OnPartRow(part, std::move(row), std::move(next));
            }
        }
    }
    if (!going() || LiveSlots().count(slot) == 0) return 0;
    slot->asking = false;
    if (slot->lanes != slot->asked) slot->rebuild = true;
    self->Steal();
    if (!going() || LiveSlots().count(slot) == 0) return 0;
    if (!slot->lanes.empty() && !slot->asking && !self->Ask(*slot, self->m_options.stepTimeoutMs)) {
        const std::vector<Part*> left = slot->lanes;
        for (Part* part : left) {
            if (!going()) return 0;
            if (part->slot == slot) self->EndPart(*part, CSnmp4w::EC_FAILED);
        }
    }
    return 0;
}

ReplyRow CTableWalk::PartRow(const CSnmp& reply) const {
    ReplyRow row = ReadReplyRow(reply);
    // A column that has ended answers with the next object beyond it: not a value of this row.
    for (size_t i = 0; i < row.values.size() && i < m_columns.size(); ++i) {
        ReplyRow::Value& v = row.values[i];
        if (v.present && row.instance(i, m_columns[i]).empty()) {
            v.present = false;
            v.text.clear();
            v.bytes.clear();
        }
    }
    return row;
}

void CTableWalk::OnPartRow(Part& part, std::unique_ptr<CSnmp> reply, std::vector<std::string> next) {
    m_rowOctets = std::max(m_rowOctets, SnmpRowOctets(*reply));
    ReplyRow row = PartRow(*reply);
    if (row.size() < m_options.minValues) {
        part.endedShort = true;
        EndPart(part, 0);
        return;
    }
    Index index;
    if (!ParseIndex(row.instance(0, m_columns[0]), index) ||  // the first column has left the table
        (part.bounded && index > part.upTo)) {                // or this is the next part's first row
        EndPart(part, CSnmp4w::EC_END_OF_TABLE);
        return;
    }
    part.at = std::move(index);
    part.next = std::move(next);
    part.started = true;
    ++part.got;
    if (&part == m_parts.front().get() && part.held.empty()) {
        bool ended = false;
        HandRow(row, *reply, ended);
        return;
    }
    const size_t bound = m_options.maxRows ? m_options.maxRows : kDefaultMaxRows;
    if (m_rows + m_held >= bound) {  // more rows than the table can hold: fail as the walk would
        platform::Trace("walk of %s ended at its bound of %zu rows", m_columns[0].c_str(), bound);
        m_reachedBound = true;
        EndPart(part, CSnmp4w::EC_FAILED);
        return;
    }
    part.held.push_back(std::move(reply));  // the row is read again when its turn comes
    ++m_held;
}

bool CTableWalk::HandRow(ReplyRow& row, CSnmp& reply, bool& ended) {
    ended = false;
    const size_t bound = m_options.maxRows ? m_options.maxRows : kDefaultMaxRows;
    if (m_rows >= bound) {
        platform::Trace("walk of %s ended at its bound of %zu rows", m_columns.empty() ? "" : m_columns[0].c_str(), bound);
        m_reachedBound = true;
        ended = true;
        m_running = false;
        StopParts();
        Finish(CSnmp4w::EC_FAILED);
        return LiveWalkers().count(this) != 0;
    }
    ++m_rows;
    bool wanted = true;
    if (m_onRow) wanted = m_onRow(row, reply);
    // The row handler may have closed the session or destroyed the walker.
    if (LiveWalkers().count(this) == 0) return false;
    if (!m_running) {
        ended = true;
        return true;
    }
    if (m_session.IsCancelled()) {
        m_running = false;
        StopParts();
        ended = true;
        return true;
    }
    if (!wanted && !m_options.nextFirst) {
        ended = true;
        m_running = false;
        StopParts();
        Finish(0);
        return LiveWalkers().count(this) != 0;
    }
    return true;
}

void CTableWalk::EndPart(Part& part, int status) {
    Slot* slot = part.slot;
    if (!slot) return;
    part.done = true;
    part.status = status;
    if (status != 0 && status != CSnmp4w::EC_END_OF_TABLE) {
        part.why = slot->session->LastFailure();
        part.whyText = slot->session->LastFailureText();
    }
    part.slot = nullptr;
    auto& lanes = slot->lanes;
    lanes.erase(std::remove(lanes.begin(), lanes.end(), &part), lanes.end());
    slot->rebuild = true;
    Flush();
}

void CTableWalk::Flush() {
    // Held rows go over in slices, so that a part of thousands of rows never holds up the window.
    const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(5);
    while (m_running && !m_parts.empty()) {
        Part& head = *m_parts.front();
        while (!head.held.empty()) {
            if (std::chrono::steady_clock::now() >= until) {
                if (!m_flushPosted) {
                    m_flushPosted = true;
                    const unsigned generation = m_partsGeneration;
                    platform::ui().post([this, generation] {
                        if (LiveWalkers().count(this) == 0 || m_partsGeneration != generation) return;
                        m_flushPosted = false;
                        Flush();
                    });
                }
                return;
            }
            std::unique_ptr<CSnmp> reply = std::move(head.held.front());
            head.held.pop_front();
            --m_held;
            ReplyRow row = PartRow(*reply);
            bool ended = false;
            if (!HandRow(row, *reply, ended) || ended) return;
        }
        if (!head.done) return;
        const int status = head.status;
        const bool endedShort = head.endedShort;
        if (status == CSnmp4w::EC_END_OF_TABLE && m_parts.size() > 1) {
            m_parts.erase(m_parts.begin());
            continue;
        }
        // The last part reached the end of the table, or a part failed or ended short: the
        // rows before stand, nothing after it is handed over.
        m_endedShort = endedShort;
        m_running = false;
        // A step of the walk's own session still out for a later part would, when it ends,
        // overwrite the session's failure with its own outcome: it is abandoned first.
        if (head.why != SnmpFailure::None && !m_slots.empty() && m_slots[0]->asking) m_session.Open(SNMP_PDU_GETNEXT_T);
        if (head.why != SnmpFailure::None) m_session.NoteFailure(head.why, head.whyText);
        StopParts();
        Finish(endedShort ? 0 : status);
        return;
    }
}

void CTableWalk::Steal() {
    const size_t room = static_cast<size_t>(LanesPerRequest());
    for (auto& slotPtr : m_slots) {
        Slot& slot = *slotPtr;
        if (slot.session == &m_session && m_session.IsCancelled()) return;
        // Parts that wait for a request of their own come first, in order (a session whose
        // probe is out takes one when the answer is in).
        if (slot.lanes.empty() && !slot.probing && TakeWaitingPart(slot) < 0) return;
        if (room == 1) {
            // GETBULK walks split only where a probe found rows: at once where an earlier probe
            // found one, otherwise after a probe; one probe at a time, as its answer splits for
            // every idle session.
            if (!slot.lanes.empty() || slot.asking) continue;
            if (SplitAt(m_cuts, 1)) {
                const int taken = TakeWaitingPart(slot);
                if (taken < 0) return;
                if (taken > 0) continue;
            }
            if (std::any_of(m_slots.begin(), m_slots.end(), [](const auto& s) { return s->probing; })) return;
            Probe(slot);
            continue;
        }
        const bool crowded = std::any_of(slot.lanes.begin(), slot.lanes.end(), [](const Part* p) { return p->alone; });
        while (m_running && !crowded && slot.lanes.size() < room) {
            // The busiest part that has shown where it is: its rows so far say it is in a dense range.
            Part* victim = nullptr;
            size_t victimAt = 0;
            Index mid;
            for (size_t i = 0; i < m_parts.size(); ++i) {
                Part& p = *m_parts[i];
                if (p.done || !p.slot || !p.started) continue;
                Index m;
                if (!Between(p.at, p.bounded ? &p.upTo : nullptr, m)) continue;
                if (!victim || p.got > victim->got) {
                    victim = &p;
                    victimAt = i;
                    mid = std::move(m);
                }
            }
            if (!victim) return;
            auto upper = std::make_unique<Part>();
            upper->from = mid;
            upper->upTo = victim->upTo;
            upper->bounded = victim->bounded;
            victim->upTo = mid;
            victim->bounded = true;
            victim->got = 0;  // it has given half its range away
            Part& added = *upper;
            m_parts.insert(m_parts.begin() + static_cast<std::ptrdiff_t>(victimAt + 1), std::move(upper));
            ++m_partsWalked;
            slot.lanes.push_back(&added);
            added.slot = &slot;
            slot.rebuild = true;
            if (!slot.asking && !Ask(slot, m_options.stepTimeoutMs)) {
                // Could not be sent: the part before takes the range back.
                slot.lanes.pop_back();
                added.slot = nullptr;
                victim->upTo = added.upTo;
                victim->bounded = added.bounded;
                m_parts.erase(m_parts.begin() + static_cast<std::ptrdiff_t>(victimAt + 1));
                if (!slot.lanes.empty()) Ask(slot, m_options.stepTimeoutMs);
                break;
            }
        }
    }
}

int CTableWalk::TakeWaitingPart(Slot& slot) {
    for (auto& p : m_parts) {
        if (p->done || p->slot) continue;
        slot.lanes.push_back(p.get());
        p->slot = &slot;
        slot.rebuild = true;
        if (!slot.asking && !Ask(slot, m_options.stepTimeoutMs)) {
            slot.lanes.clear();
            p->slot = nullptr;
            return -1;
        }
        return 1;
    }
    return 0;
}

bool CTableWalk::Probe(Slot& slot) {
    // The busiest part that has shown where it is.
    Part* victim = nullptr;
    for (auto& p : m_parts) {
        if (p->done || !p->slot || !p->started || p->probedOut || (victim && p->got <= victim->got)) continue;
        if (std::none_of(m_slots.begin(), m_slots.end(), [&](const auto& s) { return s->probing && s->probed == p->id; }))
            victim = p.get();
    }
    if (!victim) return false;
    std::vector<Index> points = ProbePoints(victim->at, victim->bounded ? &victim->upTo : nullptr);
    if (points.empty()) return false;
    CCommonSnmp& session = *slot.session;
    slot.open = false;  // the next walk request is built anew
    if (!session.Open(SNMP_PDU_GETNEXT_T)) return false;
    for (const Index& point : points) {
        const std::string oid = m_columns[0] + "." + IndexText(point);
        if (session.AddValue(oid.c_str(), SNMP_T_NULL, nullptr) != 0) return false;
    }
    // Each point is a row of its own; only the first needs a row of the table after it.
    if (!session.SetWalkColumns(std::vector<std::string>(points.size(), m_columns[0]), true)) return false;
    slot.probes = std::move(points);
    if (!victim->id) victim->id = ++m_lastPartId;
    slot.probed = victim->id;
    slot.probing = slot.asking = true;
    if (session.GetNextAsync(&CTableWalk::ProbeCallback, &slot, m_options.stepTimeoutMs) != 0) {
        slot.probing = slot.asking = false;
        return false;
    }
    return true;
}

unsigned CTableWalk::ProbeCallback(CSnmp* reply, int requestId, void* param, int status) {
    auto* slot = static_cast<Slot*>(param);
    std::unique_ptr<CSnmp> owned(reply);
    if (!slot || LiveSlots().count(slot) == 0 || !slot->session->FindRequestID(requestId)) return 0;
    CTableWalk* self = slot->owner;
    slot->probing = slot->asking = false;
    if (!self->m_running) return 0;
    if (self->m_session.IsCancelled()) {
        self->m_running = false;
        self->StopParts();
        return 0;
    }
    std::vector<std::pair<Index, Index>> found;  // (point, the first row after it)
    if (status == CSnmp4w::EC_NO_ERROR && owned) {
        const std::vector<int> data = SnmpDataBindings(*owned);
        if (data.size() == slot->probes.size()) {
            for (size_t i = 0; i < data.size(); ++i) {
                const std::string& oid = owned->bindings()[static_cast<size_t>(data[i])].oid;
                ReplyRow one;
                one.values.push_back({oid, SNMP_T_NULL, {}, {}, 0, true});
                Index row;
                if (ParseIndex(one.instance(0, self->m_columns[0]), row) && row > slot->probes[i])
                    found.emplace_back(slot->probes[i], std::move(row));
            }
        }
    }
    // Parts for the idle sessions, those whose probes are still out aside, and one to spare.
    size_t idle = 0;
    for (const auto& s : self->m_slots) idle += s->lanes.empty() && !s->asking;
    if (!self->SplitAt(found, idle + 1) && status == CSnmp4w::EC_NO_ERROR && !found.empty()) {
        // No row after its first point: what is left of it is too little to be worth a request.
        for (auto& p : self->m_parts)
            if (p->id == slot->probed && !p->done && p->slot && p->at < found.front().first) p->probedOut = true;
    }
    slot->probed = 0;
    // The rest serve later splits; those already cut at lie on a part's edge and are passed over.
    self->m_cuts.insert(self->m_cuts.end(), found.begin(), found.end());
    std::stable_sort(self->m_cuts.begin(), self->m_cuts.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    self->Steal();
    return 0;
}

bool CTableWalk::SplitAt(const std::vector<std::pair<Index, Index>>& found, size_t count) {
    // Of points that lead to the same row, the last: nothing lies between them.
    struct Cut {
        const Index* point;
        size_t level;
    };
    std::vector<Cut> cuts;
    for (size_t i = 0; i < found.size(); ++i) {
        if (i + 1 < found.size() && found[i + 1].second == found[i].second) continue;
        const Index& point = found[i].first;
        const Index& row = found[i].second;
        // Inside a part still walking, beyond where it is, and its row within that part.
        bool inside = false;
        for (const auto& p : m_parts) {
            if (p->done || !p->slot || !p->started || !(p->at < point)) continue;
            if (p->bounded && !(point < p->upTo && row <= p->upTo)) continue;
            inside = true;
            break;
        }
        if (inside) cuts.push_back({&point, point.size()});
    }
    if (cuts.empty()) return false;
    // The coarsest first: they part the table where its rows gather.
    std::stable_sort(cuts.begin(), cuts.end(), [](const Cut& a, const Cut& b) { return a.level < b.level; });
    if (cuts.size() > count) cuts.resize(count);
    std::sort(cuts.begin(), cuts.end(), [](const Cut& a, const Cut& b) { return *b.point < *a.point; });
    for (const Cut& cut : cuts) {  // from the highest, so each lands in the part that holds it now
        for (size_t i = 0; i < m_parts.size(); ++i) {
            Part& p = *m_parts[i];
            if (p.done || !p.slot || !p.started || !(p.at < *cut.point)) continue;
            if (p.bounded && !(*cut.point < p.upTo)) continue;
            auto upper = std::make_unique<Part>();
            upper->from = *cut.point;
            upper->upTo = p.upTo;
            upper->bounded = p.bounded;
            p.upTo = *cut.point;
            p.bounded = true;
            m_parts.insert(m_parts.begin() + static_cast<std::ptrdiff_t>(i + 1), std::move(upper));
            ++m_partsWalked;
            break;
        }
    }
    return true;
}

void CTableWalk::StopParts() {
    ++m_partsGeneration;
    m_flushPosted = false;
    for (auto& slot : m_slots) {
        LiveSlots().erase(slot.get());
        slot->lanes.clear();
        slot->asked.clear();
        // A twin's walk is abandoned at once; the walk's own session ends as a walk does.
        if (slot->own) slot->own.reset();
    }
    m_slots.clear();
    m_parts.clear();
    m_cuts.clear();
    m_held = 0;
}

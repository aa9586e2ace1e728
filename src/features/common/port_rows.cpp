#include "features/common/port_rows.h"

#include <algorithm>
#include <optional>

#include "features/common/form_reads.h"

namespace features {

namespace {
constexpr int kTooBig = 1;
constexpr int kNoSuchName = 2;
}  // namespace

struct CPortRows::Lane {
    explicit Lane(CCommonSnmp& session) : walk(session) {}
    CTableWalk walk;
    int first = 0;               // the batch it carries
    std::vector<size_t> asked;   // the batch's objects, in request order
    std::optional<ReplyRow> row;
    bool busy = false;
    bool next = false;  // sent as a get-next after a first-column marker (SNMPv1)
};

CPortRows::CPortRows(CCommonSnmp& session, int inFlight)
    : m_session(session), m_inFlight(std::clamp(inFlight, 1, kMaxInFlight)) {}

CPortRows::~CPortRows() = default;

bool CPortRows::Start(platform::Form& form, const std::string& name, const std::vector<std::string>& columns, int ports,
                      RowHandler onRow, EndHandler onEnd, int timeoutMs) {
    ++m_generation;  // replies to an earlier read are dropped
    for (auto& lane : m_lanes) lane->busy = false;
    m_form = &form;
    m_name = name;
    m_timeoutMs = timeoutMs;
    m_columns = columns;
    m_onRow = std::move(onRow);
    m_onEnd = std::move(onEnd);
    m_batches.clear();
    m_nextPort = 1;
    m_rowsHanded = 0;
    form.beginRead(name);
    if (m_lanes.empty()) m_lanes.push_back(std::make_unique<Lane>(m_session));
    const size_t rows = static_cast<size_t>(std::max(ports, 0));
    // The twins are made when a read needs them; a twin that cannot be made leaves fewer lanes.
    while (m_lanes.size() < std::min(static_cast<size_t>(m_inFlight), rows)) {
        std::unique_ptr<CCommonSnmp> twin = m_session.Twin();
        if (!twin) break;
        m_lanes.push_back(std::make_unique<Lane>(*twin));
        m_twins.push_back(std::move(twin));
    }
    if (columns.empty()) {
        m_running = false;
        form.readFailed(name, ReadFailureReason(SnmpFailure::NotSent));
        return false;
    }
    const int perGet = std::max(1, kObjectsPerGet / static_cast<int>(columns.size()));
    m_rowsPerGet = m_rowsPerGet > 0 ? std::min(m_rowsPerGet, perGet) : perGet;
    for (int first = 1; first <= ports; first += m_rowsPerGet) {
        Batch& b = m_batches[first];
        b.last = std::min(ports, first + m_rowsPerGet - 1);
        const size_t objects = static_cast<size_t>(b.last - first + 1) * columns.size();
        b.values.resize(objects);
        for (size_t i = 0; i < objects; ++i) {
            b.values[i].oid = ObjectOid(columns[i % columns.size()], first + static_cast<int>(i / columns.size()));
            b.values[i].type = SNMP_T_NONE;
            b.values[i].present = false;
        }
        b.asked.assign(objects, true);
    }
    m_running = true;
    if (m_batches.empty()) {
        // No ports: nothing to ask, the read is complete as it is.
        form.post([this, generation = m_generation] {
            if (generation == m_generation) Finish(0, {});
        });
        return true;
    }
    if (!Launch()) {
        ++m_generation;
        m_running = false;
        form.readFailed(name, ReadFailureReason(m_lanes.front()->walk.Session().LastFailure()));
        return false;
    }
    return true;
}

std::string CPortRows::ObjectOid(const std::string& column, int port) const {
    return column + "." + m_indexPrefix + std::to_string(port);
}

bool CPortRows::Launch() {
    auto next = m_batches.begin();
    for (auto& lane : m_lanes) {
        if (lane->busy) continue;
        while (next != m_batches.end() && (next->second.sent || next->second.done)) ++next;
        if (next == m_batches.end()) break;
        if (!Send(*lane, next->first, next->second)) return false;
    }
    return true;
}

bool CPortRows::Send(Lane& lane, int first, Batch& batch) {
    std::vector<std::string> objects;
    lane.asked.clear();
    for (size_t i = 0; i < batch.asked.size(); ++i)
        if (batch.asked[i]) {
            lane.asked.push_back(i);
            objects.push_back(batch.values[i].oid);
        }
    lane.first = first;
    lane.row.reset();
    const unsigned generation = m_generation;
    CTableWalk::Options options;
    options.firstTimeoutMs = m_timeoutMs;
    auto onEnd = [this, &lane, generation](int status) { OnReply(lane, generation, status); };
    // SNMPv1 answers a get that names an object the switch lacks with noSuchName for that one
    // object alone, so a switch without the table would cost a round trip per object. A get-next
    // of each object's predecessor answers every binding at once: with the object itself, or
    // with something after it when the switch lacks it. The first column comes first, so that
    // the step counts as a walk's first step (an empty first column ends it: no rows at all).
    lane.next = m_session.Version() == 1;
    bool sent = false;
    if (lane.next) {
        const size_t columns = m_columns.size();
        std::vector<std::string> asked = {m_columns.front()};
        for (size_t i : lane.asked)
            asked.push_back(ObjectOid(m_columns[i % columns], first + static_cast<int>(i / columns) - 1));
        sent = lane.walk.Start(
            asked,
            [this, &lane, generation](const ReplyRow&, CSnmp& reply) {
                // The bindings as they came: the walk's row leaves out those beyond their column.
                if (generation == m_generation) lane.row = ReadReplyRow(reply);
                return false;
            },
            onEnd, options);
    } else {
        sent = lane.walk.Read(
            objects,
            [this, &lane, generation](const ReplyRow& row, CSnmp&) {
                if (generation == m_generation) lane.row = row;
                return true;
            },
            onEnd, options);
    }
    lane.busy = sent;
    batch.sent = sent;
    return sent;
}

void CPortRows::OnReply(Lane& lane, unsigned generation, int status) {
    if (generation != m_generation || !lane.busy) return;
    lane.busy = false;
    auto it = m_batches.find(lane.first);
    if (it == m_batches.end()) return;
    const int first = it->first;
    Batch& b = it->second;
    b.sent = false;
    const int errorIndex = status > 0 ? lane.walk.Session().LastErrorIndex() : 0;
    const size_t marker = lane.next ? 1 : 0;
    if (status == CSnmp4w::EC_NO_ERROR && lane.row) {
        // The reply answers the request binding by binding (the session checked the OIDs); an
        // exception value, or a get-next's answer other than the object, is an object the
        // switch lacks for that port.
        for (size_t k = 0; k < lane.asked.size() && k + marker < lane.row->size(); ++k) {
            const size_t i = lane.asked[k];
            const ReplyRow::Value& v = lane.row->values[k + marker];
            if (!lane.next || (v.present && SnmpOidCompare(v.oid, b.values[i].oid) == 0)) b.values[i] = v;
            b.asked[i] = false;
        }
    } else if (status == CSnmp4w::EC_END_OF_TABLE && lane.next) {
        // The first column is empty: the switch has none of these rows.
        std::fill(b.asked.begin(), b.asked.end(), false);
    } else if (status == kNoSuchName && errorIndex > static_cast<int>(marker) &&
               errorIndex - static_cast<int>(marker) <= static_cast<int>(lane.asked.size())) {
        // SNMPv1 names one object the switch lacks and answers nothing else: the rest is asked again.
        b.asked[lane.asked[static_cast<size_t>(errorIndex - static_cast<int>(marker) - 1)]] = false;
    } else if (status == kTooBig && b.last > first) {
        // Half the rows in each of two requests, and in every request after them.
        const int rows = b.last - first + 1;
        const int mid = first + rows / 2 - 1;
        m_rowsPerGet = std::max(1, rows / 2);
        const size_t cut = static_cast<size_t>(mid - first + 1) * m_columns.size();
        Batch rest;
        rest.last = b.last;
        rest.values.assign(b.values.begin() + static_cast<long>(cut), b.values.end());
        rest.asked.assign(b.asked.begin() + static_cast<long>(cut), b.asked.end());
        b.values.resize(cut);
        b.asked.resize(cut);
        b.last = mid;
        m_batches.emplace(mid + 1, std::move(rest));
    } else {
        Finish(status == CSnmp4w::EC_NO_ERROR ? CSnmp4w::EC_FAILED : status,
               ReadFailureReason(lane.walk.Session().LastFailure()));
        return;
    }
    b.done = std::none_of(b.asked.begin(), b.asked.end(), [](bool a) { return a; });
    const unsigned live = m_generation;
    HandOver();
    if (live != m_generation) return;  // the row handler started another read
    if (std::all_of(m_batches.begin(), m_batches.end(), [](const auto& e) { return e.second.done; })) {
        Finish(0, {});
    } else if (!Launch()) {
        Finish(CSnmp4w::EC_FAILED, ReadFailureReason(SnmpFailure::NotSent));
    }
}

void CPortRows::HandOver() {
    const unsigned generation = m_generation;
    const size_t columns = m_columns.size();
    for (auto it = m_batches.find(m_nextPort); it != m_batches.end() && it->second.done;
         it = m_batches.find(m_nextPort)) {
        const Batch& b = it->second;
        m_nextPort = b.last + 1;
        for (int port = it->first; port <= b.last; ++port) {
            ReplyRow row;
            const size_t at = static_cast<size_t>(port - it->first) * columns;
            row.values.assign(b.values.begin() + static_cast<long>(at),
                              b.values.begin() + static_cast<long>(at + columns));
            // A port of which the switch has nothing has no row.
            if (std::none_of(row.values.begin(), row.values.end(), [](const ReplyRow::Value& v) { return v.present; }))
                continue;
            ++m_rowsHanded;
            if (m_onRow) m_onRow(port, row);
            if (generation != m_generation) return;
        }
    }
}

void CPortRows::Finish(int status, const std::string& why) {
    ++m_generation;  // the requests still out are abandoned
    m_running = false;
    for (auto& lane : m_lanes) lane->busy = false;
    if (m_form) {
        if (status == 0) m_form->readComplete(m_name);
        else m_form->readFailed(m_name, why.empty() ? ReadFailureReason(SnmpFailure::NoAnswer) : why);
    }
    EndHandler onEnd = m_onEnd;
    if (onEnd) onEnd(status);
}

}  // namespace features

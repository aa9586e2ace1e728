#include "panel/status_gets.h"

#include <algorithm>
#include <memory>

#include "platform/ui.h"
#include "snmp/common_snmp.h"

namespace panel {

namespace {
constexpr int kNoSuchName = 2;
constexpr int kTooBig = 1;
}  // namespace

CStatusGets::~CStatusGets() {
    std::lock_guard<std::mutex> lock(m_lock);
    for (Slot& slot : m_slots)
        if (!slot.oids.empty()) slot.session->Open(SNMP_PDU_GET_T);  // its reply is dropped
}

void CStatusGets::Start(CCommonSnmp& own, std::vector<std::string> oids, int perGet, int timeoutMs, Done done,
                        std::function<void()> onAnswer) {
    std::lock_guard<std::mutex> lock(m_lock);
    ++m_job;
    if (m_slots.empty()) {
        m_slots.resize(m_helpers.size() + 1);
        for (size_t i = 0; i < m_slots.size(); ++i) {
            m_slots[i].owner = this;
            if (i > 0) m_slots[i].session = m_helpers[i - 1];
        }
    }
    for (Slot& slot : m_slots) {
        // A request of an abandoned read still out: its reply is dropped.
        if (!slot.oids.empty()) slot.session->Open(SNMP_PDU_GET_T);
        slot.oids.clear();
    }
    m_slots[0].session = &own;
    if (++m_reads % kForgetMissingAfter == 0) m_missing.clear();  // a module may have been fitted
    m_values.clear();
    m_queue.clear();
    m_timeoutMs = timeoutMs;
    m_done = std::move(done);
    m_onAnswer = std::move(onAnswer);
    m_active = true;
    const size_t size = static_cast<size_t>(std::clamp(std::min(perGet, m_perGet), 1, kLargestPerGet));
    std::vector<std::string> request;
    for (std::string& oid : oids) {
        if (m_missing.count(oid)) continue;
        request.push_back(std::move(oid));
        if (request.size() == size) m_queue.push_back(std::move(request)), request.clear();
    }
    if (!request.empty()) m_queue.push_back(std::move(request));
    if (LaunchLocked()) {
        // Nothing to ask (every object known missing): the read is complete as it is.
        m_active = false;
        Done finish = std::move(m_done);
        platform::ui().post([life = std::weak_ptr<int>(m_life), finish, values = m_values] {
            if (life.lock()) finish(values, 0, SnmpFailure::None);
        });
    }
}

bool CStatusGets::Send(Slot& slot, std::vector<std::string> oids) {
    if (!slot.session->Open(SNMP_PDU_GET_T)) return false;
    for (const std::string& oid : oids) slot.session->AddValue(oid.c_str(), SNMP_T_NULL, nullptr);
    slot.oids = std::move(oids);
    slot.job = m_job;
    if (slot.session->GetNextAsync(&OnReply, &slot, m_timeoutMs) != 0) {
        slot.oids.clear();
        return false;
    }
    return true;
}

bool CStatusGets::LaunchLocked() {
    for (Slot& slot : m_slots) {
        if (m_queue.empty()) break;
        if (!slot.oids.empty()) continue;
        std::vector<std::string> next = std::move(m_queue.front());
        m_queue.pop_front();
        if (!Send(slot, std::move(next))) {
            FailLocked(CSnmp4w::EC_FAILED, SnmpFailure::NotSent);
            return false;
        }
    }
    return m_queue.empty() && std::all_of(m_slots.begin(), m_slots.end(), [](const Slot& s) { return s.oids.empty(); });
}

void CStatusGets::FailLocked(int status, SnmpFailure why) {
    for (Slot& slot : m_slots) {
        if (!slot.oids.empty()) slot.session->Open(SNMP_PDU_GET_T);
        slot.oids.clear();
    }
    m_queue.clear();
    m_active = false;
    Done finish = std::move(m_done);
    platform::ui().post([life = std::weak_ptr<int>(m_life), finish, status, why] {
        if (life.lock()) finish({}, status, why);
    });
}

unsigned CStatusGets::OnReply(CSnmp* reply, int requestId, void* param, int status) {
    std::unique_ptr<CSnmp> owned(reply);
    auto* slot = static_cast<Slot*>(param);
    CStatusGets* self = slot->owner;
    CCommonSnmp& session = *slot->session;
    if (!session.FindRequestID(requestId)) return 0;
    std::function<void()> onAnswer;
    Done finish;
    std::map<std::string, std::string> values;
    {
        std::lock_guard<std::mutex> lock(self->m_lock);
        if (!self->m_active || slot->job != self->m_job || slot->oids.empty()) return 0;
        std::vector<std::string> asked = std::move(slot->oids);
        slot->oids.clear();
        const bool answered = status == CSnmp4w::EC_NO_ERROR || status > 0;
        if (answered) onAnswer = self->m_onAnswer;
        const int errorIndex = status > 0 ? session.LastErrorIndex() : 0;
        if (status == CSnmp4w::EC_NO_ERROR && reply) {
            // The reply answers the request binding by binding (the session checked the OIDs).
            size_t i = 0;
            for (int b = 0; b < reply->getValuesCount() && i < asked.size(); ++b) {
                std::string oid, text;
                int type = SNMP_T_NONE;
                if (reply->getOid(b, oid) != 0 || IsProxyMarker(oid)) continue;
                if (reply->getValue(b, type, text) == 0 && type != SNMP_T_NONE) self->m_values[asked[i]] = text;
                else self->m_missing.insert(asked[i]);  // noSuchInstance / noSuchObject
                ++i;
            }
        } else if (status == kNoSuchName && errorIndex >= 1 && errorIndex <= static_cast<int>(asked.size())) {
            // SNMPv1 names one object the switch lacks and answers nothing else: ask the rest again.
            self->m_missing.insert(asked[static_cast<size_t>(errorIndex - 1)]);
            asked.erase(asked.begin() + (errorIndex - 1));
            if (!asked.empty()) self->m_queue.push_front(std::move(asked));
        } else if (status == kTooBig && asked.size() > 1) {
            const size_t half = asked.size() / 2;
            self->m_perGet = std::max(1, static_cast<int>(half));
            self->m_queue.emplace_front(asked.begin() + static_cast<long>(half), asked.end());
            self->m_queue.emplace_front(asked.begin(), asked.begin() + static_cast<long>(half));
        } else {
            // A reply that ends the read is no sign of a working switch.
            self->FailLocked(status == CSnmp4w::EC_NO_ERROR ? CSnmp4w::EC_FAILED : status, session.LastFailure());
            return 0;
        }
        if (self->LaunchLocked()) {
            self->m_active = false;
            finish = std::move(self->m_done);
            values = self->m_values;
        }
    }
    if (onAnswer) onAnswer();
    if (finish) finish(values, 0, SnmpFailure::None);
    return 0;
}

}  // namespace panel

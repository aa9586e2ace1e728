#include "panel/panel_status.h"

#include "platform/trace.h"
#include "snmp/common_snmp.h"

namespace panel {

// ---- walk state ---------------------------------------------------------------------------

void CPanelWalkState::BeginLinkWalk() {
    std::lock_guard<std::mutex> lock(m_lock);
    m_linkRows.clear();
}

void CPanelWalkState::BeginPoeWalk() {
    std::lock_guard<std::mutex> lock(m_lock);
    m_poeRows.clear();
}

size_t CPanelWalkState::LinkRowCount() {
    std::lock_guard<std::mutex> lock(m_lock);
    return m_linkRows.size();
}

size_t CPanelWalkState::PoeRowCount() {
    std::lock_guard<std::mutex> lock(m_lock);
    return m_poeRows.size();
}

// A walk yields at most one row per port; a device that keeps answering rows inside the port
// range (repeated or sub-indexed instances) is cut off here instead of being walked forever.
size_t CPanelWalkState::RowLimit() const { return 4 * (static_cast<size_t>(m_record.PortCount) + 1); }

bool CPanelWalkState::OnLinkRow(const ReplyBindings& bindings) {
    std::optional<LinkRow> row = ParseLinkRow(bindings);
    bool more = false;
    if (row && ToInt(row->index) < m_record.PortCount + 1) {
        std::lock_guard<std::mutex> lock(m_lock);
        m_linkRows.push_back(*row);
        more = m_linkRows.size() < RowLimit();
    }
    if (!more) FinishLink();
    return more;
}

void CPanelWalkState::FinishLink() {
    std::vector<LinkRow> rows;
    {
        std::lock_guard<std::mutex> lock(m_lock);
        rows = m_linkRows;
    }
    ApplyLinkRows(rows, m_record, m_root, m_bAllGiga);
    m_view.SetDeviceAnswering(true);
    m_view.SetBlinkTimer(kBlinkTimerMs);
    m_view.RepaintPanel();
}

void CPanelWalkState::ReportFailure(SnmpFailure failure) {
    if (std::string why = SnmpCredentialProblem(failure); !why.empty()) m_view.SetDeviceRefusing(why);
    else if (SnmpFailureAnswered(failure)) m_view.SetDeviceRefusing("replies not usable: " + SnmpFailureReason(failure));
    else m_view.SetDeviceAnswering(false);
}

void CPanelWalkState::OnLinkWalkFailed(int status, SnmpFailure failure) {
    m_record.SetAllIndicators(kPortEnabled);
    if (status == CSnmp4w::EC_FAILED) {
        ResetAllPorts(m_root, m_modules);
        ReportFailure(failure);
        m_view.RepaintPanel();
    } else if (status == CSnmp4w::EC_END_OF_TABLE) {
        FinishLink();
    }
}

bool CPanelWalkState::OnPoeRow(const ReplyBindings& bindings) {
    std::optional<PoeRow> row = ParsePoeRow(bindings);
    if (row) platform::Trace("PoE port %s: %s", row->port.c_str(), row->state.c_str());
    bool more = false;
    if (row && ToInt(row->port) < m_record.PortCount + 1) {
        std::lock_guard<std::mutex> lock(m_lock);
        m_poeRows.push_back(*row);
        more = m_poeRows.size() < RowLimit();
    }
    if (!more) FinishPoe();
    return more;
}

void CPanelWalkState::FinishPoe() {
    std::vector<PoeRow> rows;
    {
        std::lock_guard<std::mutex> lock(m_lock);
        rows = m_poeRows;
    }
    ApplyPoeRows(rows, m_record, m_root);
    m_view.SetDeviceAnswering(true);
    m_view.SetBlinkTimer(kBlinkTimerMs);
    m_view.RepaintPanel();
}

void CPanelWalkState::OnPoeWalkFailed(int status, SnmpFailure failure) {
    m_record.SetAllIndicators(kPortEnabled);
    if (status == CSnmp4w::EC_END_OF_TABLE) {
        FinishPoe();
    } else if (status == CSnmp4w::EC_FAILED) {
        ReportFailure(failure);
    }
}

// ---- SNMP side ----------------------------------------------------------------------------

ReplyBindings ReadBindings(const CSnmp& reply) {
    ReplyBindings out;
    const int count = reply.getValuesCount();
    for (int i = 0; i < count; ++i) {
        std::string oid, value;
        int type = 0;
        if (reply.getOid(i, oid) != 0) oid.clear();
        if (reply.getValue(i, type, value) != 0) value.clear();
        out.emplace_back(std::move(oid), std::move(value));
    }
    return out;
}

bool CPanelSnmpSource::ReadFan(std::string& value) {
    if (!m_fan.Open(SNMP_PDU_GET_T)) return false;
    m_fan.AddValue((std::string(kFanStatusOid) + ".0").c_str(), SNMP_T_NULL, nullptr);
    CSnmp* reply = nullptr;
    if (m_fan.GetNext(&reply, 500) != 0 || !reply) return false;
    std::unique_ptr<CSnmp> owned(reply);
    ReplyBindings values = ReadBindings(*reply);
    for (auto& b : values) {
        if (IsProxyMarker(b.first)) continue;
        value = b.second;
        return true;
    }
    return false;
}

bool CPanelSnmpSource::ReadMode(std::string& mode, std::string& power) {
    if (!m_poe.Open(SNMP_PDU_GET_T)) return false;
    m_poe.AddValue((std::string(kLedModeOid) + ".0").c_str(), SNMP_T_NULL, nullptr);
    m_poe.AddValue((std::string(kPoePowerOid) + ".0").c_str(), SNMP_T_NULL, nullptr);
    CSnmp* reply = nullptr;
    if (m_poe.GetNext(&reply, 500) != 0 || !reply) return false;
    std::unique_ptr<CSnmp> owned(reply);
    std::vector<std::string> values;
    for (auto& b : ReadBindings(*reply))
        if (!IsProxyMarker(b.first)) values.push_back(b.second);
    if (values.size() < 2) return false;
    mode = values[0];
    power = values[1];
    return true;
}

void CPanelSnmpSource::StartLinkWalk() {
    m_walks.BeginLinkWalk();
    if (!m_devStat.Open(SNMP_PDU_GETNEXT_T)) return;
    for (const char* column : {kIfTypeOid, kIfSpeedOid, kIfAdminStatusOid, kIfOperStatusOid, kPortMediumOid})
        m_devStat.AddValue(column, SNMP_T_NULL, nullptr);
    m_devStat.GetNextAsync(&LinkWalkCallback, this, 500);
}

void CPanelSnmpSource::StartPoeWalk() {
    platform::Trace("--1----GetPOEPortStatus---------");
    m_walks.BeginPoeWalk();
    if (!m_poeStat.Open(SNMP_PDU_GETNEXT_T)) return;
    m_poeStat.AddValue(kPoePortStateOid, SNMP_T_NULL, nullptr);
    m_poeStat.GetNextAsync(&PoeWalkCallback, this, 1000);
}

unsigned CPanelSnmpSource::LinkWalkCallback(CSnmp* reply, int requestId, void* param, int status) {
    std::unique_ptr<CSnmp> owned(reply);
    auto* self = static_cast<CPanelSnmpSource*>(param);
    CCommonSnmp& session = self->m_devStat;
    if (!session.FindRequestID(requestId)) {
        platform::Trace("FindRequestID");
        return 0;
    }
    PortStateRecord& record = self->m_walks.Record();
    if (status != CSnmp4w::EC_NO_ERROR || !reply) {
        platform::Trace("call back iStatus = %d", status);
        self->m_walks.OnLinkWalkFailed(status, session.LastFailure());
        session.SignalDone();
        record.PollPending = false;
        return 0;
    }
    if (self->m_walks.OnLinkRow(ReadBindings(*reply))) {
        session.GetNextAsync(&LinkWalkCallback, param, 500);
    } else {
        session.SignalDone();
        record.PollPending = false;
    }
    return 0;
}

unsigned CPanelSnmpSource::PoeWalkCallback(CSnmp* reply, int requestId, void* param, int status) {
    std::unique_ptr<CSnmp> owned(reply);
    auto* self = static_cast<CPanelSnmpSource*>(param);
    CCommonSnmp& session = self->m_poeStat;
    if (!session.FindRequestID(requestId)) {
        platform::Trace("FindRequestID");
        return 0;
    }
    PortStateRecord& record = self->m_walks.Record();
    if (status != CSnmp4w::EC_NO_ERROR || !reply) {
        platform::Trace("iStatus != CSnmp4w::EC_NO_ERROR");
        self->m_walks.OnPoeWalkFailed(status, session.LastFailure());
        session.SignalDone();
        record.PollPending = false;
        return 0;
    }
    if (self->m_walks.OnPoeRow(ReadBindings(*reply))) {
        session.GetNextAsync(&PoeWalkCallback, param, 1000);
    } else {
        session.SignalDone();
        record.PollPending = false;
    }
    return 0;
}

}  // namespace panel

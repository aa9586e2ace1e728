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

void CPanelWalkState::OnLinkRead(std::vector<LinkRow> rows) {
    {
        std::lock_guard<std::mutex> lock(m_lock);
        m_linkRows = std::move(rows);
    }
    FinishLink();
}

void CPanelWalkState::OnPoeRead(std::vector<PoeRow> rows) {
    {
        std::lock_guard<std::mutex> lock(m_lock);
        m_poeRows = std::move(rows);
    }
    FinishPoe();
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

CPanelSnmpSource::CPanelSnmpSource(CCommonSnmp& fan, CCommonSnmp& poe, CCommonSnmp& devStat, CCommonSnmp& poeStat,
                                   CPanelWalkState& walks)
    : m_fan(fan), m_poe(poe), m_devStat(devStat), m_poeStat(poeStat), m_walks(walks) {
    std::vector<CCommonSnmp*> helpers;
    for (int i = 1; i < kStatusRequestsInFlight; ++i) {
        m_helpers.push_back(std::make_unique<CCommonSnmp>());
        helpers.push_back(m_helpers.back().get());
    }
    m_reader = std::make_unique<CStatusGets>(std::move(helpers));
}

CPanelSnmpSource::~CPanelSnmpSource() {
    m_reader.reset();
    Close();
}

void CPanelSnmpSource::Close() {
    for (auto& helper : m_helpers) helper->Close();
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

// The link columns of a port, in the order a row lists them (ifType is not needed: the port
// numbers are known).
static const char* const kLinkColumns[] = {kIfSpeedOid, kIfAdminStatusOid, kIfOperStatusOid, kPortMediumOid};

void CPanelSnmpSource::StartLinkWalk() {
    m_walks.BeginLinkWalk();
    const int ports = m_walks.Record().PortCount;
    std::vector<std::string> oids;
    for (int p = 1; p <= ports; ++p)
        for (const char* column : kLinkColumns) oids.push_back(std::string(column) + "." + std::to_string(p));
    m_reader->Start(
        m_devStat, std::move(oids), kLinkObjectsPerGet, kStatusReadMs,
        [this, ports](const std::map<std::string, std::string>& values, int status, SnmpFailure why) {
            if (status == 0) {
                std::vector<LinkRow> rows;
                for (int p = 1; p <= ports; ++p) {
                    const std::string suffix = "." + std::to_string(p);
                    auto at = [&](const char* column) { return values.find(column + suffix); };
                    // A port shows only the state the switch gave: no admin, oper or speed, no row.
                    auto speed = at(kIfSpeedOid), admin = at(kIfAdminStatusOid), oper = at(kIfOperStatusOid);
                    if (speed == values.end() || admin == values.end() || oper == values.end()) continue;
                    auto medium = at(kPortMediumOid);
                    rows.push_back(LinkRow{std::to_string(p), admin->second, oper->second, speed->second,
                                           medium == values.end() ? std::string() : medium->second});
                }
                m_walks.OnLinkRead(std::move(rows));
            }
            FinishRead(m_devStat, status, why, true);
        },
        [this] { m_walks.NoteAnswer(); });
}

void CPanelSnmpSource::StartPoeWalk() {
    platform::Trace("--1----GetPOEPortStatus---------");
    m_walks.BeginPoeWalk();
    const int ports = m_walks.Record().PortCount;
    std::vector<std::string> oids;
    for (int p = 1; p <= ports; ++p) oids.push_back(std::string(kPoePortStateOid) + ".1." + std::to_string(p));
    m_reader->Start(
        m_poeStat, std::move(oids), kPoeObjectsPerGet, kPoeReadMs,
        [this, ports](const std::map<std::string, std::string>& values, int status, SnmpFailure why) {
            if (status == 0) {
                std::vector<PoeRow> rows;
                for (int p = 1; p <= ports; ++p) {
                    auto it = values.find(std::string(kPoePortStateOid) + ".1." + std::to_string(p));
                    if (it == values.end()) continue;
                    platform::Trace("PoE port %d: %s", p, it->second.c_str());
                    rows.push_back(PoeRow{std::to_string(p), it->second});
                }
                m_walks.OnPoeRead(std::move(rows));
            }
            FinishRead(m_poeStat, status, why, false);
        },
        [this] { m_walks.NoteAnswer(); });
}

void CPanelSnmpSource::FinishRead(CCommonSnmp& session, int status, SnmpFailure why, bool link) {
    if (status != 0) {
        platform::Trace("status read failed: %d", status);
        // No usable state came (no answer, or an error the read cannot work round): the panel
        // says so rather than show ports the switch did not report.
        if (link) m_walks.OnLinkWalkFailed(CSnmp4w::EC_FAILED, why);
        else m_walks.OnPoeWalkFailed(CSnmp4w::EC_FAILED, why);
    }
    session.SignalDone();
    m_walks.Record().PollPending = false;
}

}  // namespace panel

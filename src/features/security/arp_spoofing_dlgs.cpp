#include "features/security/arp_spoofing_dlgs.h"

#include <algorithm>
#include <array>
#include <memory>

#include "features/common/form_reads.h"
#include "features/security/security_common.h"
#include "platform/ui.h"
#include "snmp/encodings.h"
#include "snmp/session_close.h"
#include "snmp/validation.h"

using platform::ReportList;

namespace security {

namespace {

constexpr const char* kMsgMaximum = "The Maximum of Entry is 64, can not add any more";
constexpr const char* kMsgSelectDelete = "Please select the entry you would be delete!";
constexpr const char* kMsgMulticastMac = "Multicast MAC address is not allowed.";
constexpr const char* kMsgTrunk = "ARP Spoofing Prevention enabled port must match to the aggregated link port.";
constexpr const char* kMsgConfirm = "Make sure the host IP and MAC exists or you will lose the connection.";
constexpr const char* kNotAdded = "The ARP Spoofing Prevention entry could not be added: ";

// The row status as the list shows it: rows that are not active take a place too and can be
// deleted, so they are listed with what they are.
std::string RowStatusText(const std::string& v) {
    if (v == "1") return "Active";
    if (v == "2") return "Not in service";
    if (v == "3") return "Not ready";
    return v.empty() ? "Unknown" : "Unknown (" + v + ")";
}

constexpr int kTimerWrite = 1;  // the pauses between writes

}  // namespace

// ---------------------------------------------------------------- CArpSpoofingDlg

CArpSpoofingDlg::CArpSpoofingDlg() : m_iPortNum(DevicePorts()) {}

void CArpSpoofingDlg::createControls() {
    setCaption("ARP Spoofing Prevention Setting");
    setSize(780, 0);  // every column in view, the status last
    addLabel(0, "Total Entries:");
    addEdit(IDC_TOTAL, "0").setReadOnly().setWidth(60);
    addLabel(0, "( Note:64 Entries Maximum ) ").sameLine();
    addList(IDC_LIST, "",
            {{"Index", 50, ReportList::Align::Center},
             {"Router/Gateway IP Address", 190, ReportList::Align::Center},
             {"Router/Gateway MAC Address", 195, ReportList::Align::Center},
             {"Ports", 150, ReportList::Align::Center},
             {"Status", 110, ReportList::Align::Center}})
        .setGridLines(true)
        .setFullRowSelect(true);
    // The entry limit is counted on the whole list.
    addButton(IDC_ADD, "&Add", [this] { OnAdd(); }).needsRead();
    addButton(IDC_DELETE, "&Delete", [this] { OnDelete(); });
    addButton(IDC_REFRESH, "&Refresh", [this] { ReadList(); });
    addButton(platform::kIdCancel, "&Close");
}

void CArpSpoofingDlg::initDialog() { ReadList(); }

void CArpSpoofingDlg::destroyWindow() {
    m_write.Abandon();
    CloseDialogSessions({{m_cCommonSNMP, "m_cCommonSNMP"}, {m_cCommonSNMPTable, "m_cCommonSNMPTable"}});
}

void CArpSpoofingDlg::ReadList() {
    enable({IDC_ADD, IDC_DELETE, IDC_REFRESH}, false);
    get<ReportList>(IDC_LIST).clear();
    get<platform::EditBox>(IDC_TOTAL).setText("0");
    CTableWalk::Options options;
    options.maxRows = kMaxArpEntries;
    m_bWalking = features::WalkRead(
        *this, "entries", m_walk, {kOidArpGatewayIp, kOidArpGatewayMac, kOidArpPorts, kOidArpRowStatus},
        [this](const ReplyRow& row, CSnmp&) {
            OnRow(row);
            return true;
        },
        [this](int) {
            m_bWalking = false;
            enable({IDC_ADD, IDC_DELETE, IDC_REFRESH}, true);
        },
        options);
    if (!m_bWalking) enable({IDC_ADD, IDC_DELETE, IDC_REFRESH}, true);
}

void CArpSpoofingDlg::OnRow(const ReplyRow& row) {
    auto& list = get<ReportList>(IDC_LIST);
    // The gateway address is the row's index; its column says the same in dotted form.
    std::string ip = row.text(0);
    if (ip.empty()) ip = row.instance(0, kOidArpGatewayIp);
    const std::string mac = FormatMac(row.bytes(1), '-');
    const std::string ports = PortListToRanges(row.bytes(2), 1, m_iPortNum).text;
    const std::string index = std::to_string(list.rowCount() + 1);
    list.appendRow({index, ip, mac, ports, RowStatusText(row.text(3))});
    get<platform::EditBox>(IDC_TOTAL).setText(index);
}

void CArpSpoofingDlg::OnAdd() {
    if (get<ReportList>(IDC_LIST).rowCount() >= kMaxArpEntries) {
        platform::ShowMessage(kMsgMaximum);
        return;
    }
    CArpSpoofingEntryDlg dlg(m_iPortNum);
    runChild(dlg);
    ReadList();
}

void CArpSpoofingDlg::OnDelete() {
    auto& list = get<ReportList>(IDC_LIST);
    const int row = list.selectedRow();
    if (row < 0 || row >= list.rowCount()) {
        platform::ShowMessage(kMsgSelectDelete);
        return;
    }
    const std::string ip = list.cell(row, 1);
    const std::string oid = std::string(kOidArpRowStatus) + "." + ip;
    beginWrite({IDC_ADD, IDC_DELETE, IDC_REFRESH});
    // Taken or not, the list is read again: it shows what the switch holds.
    const bool sent = m_write.SendSteps({{SetValue::Text(oid, SNMP_T_INTEGER, "6")}}, [this, ip](int failed) {
        if (failed >= 0)
            platform::ShowMessage("The ARP Spoofing Prevention entry for " + ip +
                                  " could not be deleted: " + m_write.LastStep().why());
        AfterDelete();
    });
    if (!sent) AfterDelete();
}

void CArpSpoofingDlg::AfterDelete() {
    setTimer(kTimerWrite, kDeleteDelayMs, [this] {
        endWrite();
        ReadList();
    });
}

// ---------------------------------------------------------------- CArpSpoofingEntryDlg

CArpSpoofingEntryDlg::CArpSpoofingEntryDlg(int portNum)
    : m_iPortNum(std::clamp(portNum, 0, kMaxPortCount)),
      m_iSelect(static_cast<std::size_t>(m_iPortNum), 0),
      m_trunkMap(m_cCommonSNMPTable, m_iPortNum) {}

void CArpSpoofingEntryDlg::createControls() {
    setCaption("Add ARP Spoofing Prevention Entry");
    addLabel(0, "Router / Gateway IP Address");
    addIpAddress(IDC_IP);
    addLabel(0, "Router / Gateway MAC Address");
    addEdit(IDC_MAC).setMaxLength(17);
    auto& ports = addGroup(0, "Ports");
    ports.addCheck(IDC_ALL_PORTS, "All Ports").onToggle([this] { OnAllPorts(); });
    const int perRow = m_iPortNum == 48 ? 24 : m_iPortNum == 52 ? 26 : 0;
    ports.addPortGrid(IDC_PORTS, "", platform::PortGrid::CellKind::Check, m_iPortNum, {""}, perRow)
        .onCellChange([this](int, int port) { OnPortCell(port); });
    // The trunk rule needs the whole trunk map.
    addButton(IDC_APPLY, "&Apply", [this] { OnApply(); }).setDefault().needsRead({features::CTrunkMap::kReadName});
    addButton(platform::kIdCancel, "&Cancel");
}

void CArpSpoofingEntryDlg::initDialog() {
    m_trunkMap.Clear();
    m_trunkMap.Start(*this);
}

void CArpSpoofingEntryDlg::destroyWindow() {
    m_write.Abandon();
    CloseDialogSessions({{m_cCommonSNMP, "m_cCommonSNMP"}, {m_cCommonSNMPTable, "m_cCommonSNMPTable"}});
}

void CArpSpoofingEntryDlg::OnAllPorts() {
    const bool on = get<platform::CheckBox>(IDC_ALL_PORTS).checked();
    auto& grid = get<platform::PortGrid>(IDC_PORTS);
    for (int p = 1; p <= m_iPortNum; ++p) {
        grid.setChecked(0, p, on);
        m_iSelect[static_cast<std::size_t>(p - 1)] = on ? 1 : 0;
    }
}

void CArpSpoofingEntryDlg::OnPortCell(int port) {
    if (port < 1 || port > m_iPortNum) return;
    m_iSelect[static_cast<std::size_t>(port - 1)] = get<platform::PortGrid>(IDC_PORTS).checked(0, port) ? 1 : 0;
}

bool CArpSpoofingEntryDlg::TrunkRuleHolds() const {
    for (int p = 1; p <= m_iPortNum; ++p) {
        if (!m_iSelect[static_cast<std::size_t>(p - 1)]) continue;
        for (int q : m_trunkMap.TrunkPeers(p))
            if (!m_iSelect[static_cast<std::size_t>(q - 1)]) return false;
    }
    return true;
}

void CArpSpoofingEntryDlg::OnApply() {
    const auto& ipField = get<platform::IpAddressField>(IDC_IP);
    IpFields ip{};
    for (int i = 0; i < 4; ++i) ip[static_cast<std::size_t>(i)] = ipField.octet(i).value_or(-1);
    if (!CheckIpInput(ip)) {
        if (!ipField.complete()) setFocus(get<platform::IpAddressField>(IDC_IP));
        return;
    }
    std::array<std::uint8_t, 6> mac{};
    if (!CheckMacInput(get<platform::EditBox>(IDC_MAC).text(), false, &mac, kMsgMulticastMac)) return;
    if (!readOk(features::CTrunkMap::kReadName)) {
        platform::ShowMessage(features::kMsgNotRead);
        return;
    }
    if (!TrunkRuleHolds()) {
        platform::ShowMessage(kMsgTrunk);
        return;
    }
    if (!platform::Confirm(kMsgConfirm)) return;
    WriteEntry(FormatIp(ip), std::vector<std::uint8_t>(mac.begin(), mac.end()));
}

// Read the entry's row, create it, fill it, make it active, with a pause on a form timer before
// each of the last two requests. The ports are those chosen when Apply was pressed. Only a row the
// read showed free is created, so an entry of another manager is never taken over nor removed;
// a write that fails takes away the row it may have made: such a row is never used by the
// switch but takes one of its 64 places.
void CArpSpoofingEntryDlg::WriteEntry(const std::string& ip, const std::vector<std::uint8_t>& mac) {
    const std::string suffix = "." + ip;
    m_ip = ip;
    m_rowStatus = kOidArpRowStatus + suffix;
    m_fill = {SetValue::Bytes(kOidArpGatewayMac + suffix, Octets(mac.begin(), mac.end())),
              SetValue::Bytes(kOidArpPorts + suffix, PortFlagsToPortList(m_iSelect, m_iPortNum))};
    beginWrite({IDC_APPLY});
    ReadRowStatus([this](int status) { OnRowStatus(status); });
}

void CArpSpoofingEntryDlg::ReadRowStatus(std::function<void(int status)> onDone) {
    auto status = std::make_shared<int>(-1);
    const bool sent = m_rowRead.Read(
        {m_rowStatus},
        [status](const ReplyRow& row, CSnmp&) {
            const std::string& v = row.text(0);
            if (!row.present(0)) *status = 0;  // noSuchInstance: no such row
            else *status = v.size() == 1 && v[0] >= '1' && v[0] <= '6' ? v[0] - '0' : 7;
            return false;
        },
        [status, onDone](int end) {
            constexpr int kNoSuchName = 2;  // SNMPv1's answer for a row that is not there
            onDone(end == kNoSuchName ? 0 : end == 0 ? *status : -1);
        });
    if (!sent) onDone(-1);
}

void CArpSpoofingEntryDlg::OnRowStatus(int status) {
    if (status == 0) return CreateEntry();
    if (status == 1) return Finish(kNotAdded + std::string("the switch already holds an entry for ") + m_ip + ".");
    if (status > 1)
        return Finish(kNotAdded + std::string("the switch already holds an entry for ") + m_ip +
                      " that is not active (made by another manager, or left by an earlier try); it was left as it "
                      "is. The list shows it with its status, and Delete removes it.");
    Finish(kNotAdded + std::string("whether the switch already holds an entry for ") + m_ip + " could not be read (" +
           features::ReadFailureReason(m_cCommonSNMPTable.LastFailure()) + "). Nothing was changed.");
}

// The write is the form's from WriteEntry to Finish; each step goes out once the writer has let go
// of the one before (after its handler).
void CArpSpoofingEntryDlg::Step(std::vector<SetValue> values, std::function<void(bool ok)> onDone) {
    post([this, values = std::move(values), onDone] {
        if (!m_write.SendSteps({values}, [onDone](int failed) { onDone(failed < 0); }))
            Finish(kNotAdded + std::string("another write is on its way."));
    });
}

void CArpSpoofingEntryDlg::CreateEntry() {
    Step({SetValue::Text(m_rowStatus, SNMP_T_INTEGER, "5")}, [this](bool ok) {
        if (ok) return setTimer(kTimerWrite, kWriteDelayMs, [this] { FillEntry(); });
        const StepResult created = m_write.LastStep();
        if (!created.unanswered()) return Finish(kNotAdded + created.why() + " Nothing was changed.");
        // Not answered: the row was free before, so a row there now is this write's and is
        // finished; one that cannot be read is taken away.
        ReadRowStatus([this, created](int status) {
            if (status == kNotInService || status == kNotReady) return FillEntry();
            if (status == 0) return Finish(kNotAdded + created.why() + " The switch holds no entry for " + m_ip + ".");
            RemoveUnfinished(created, false);
        });
    });
}

void CArpSpoofingEntryDlg::FillEntry() {
    Step(m_fill, [this](bool ok) {
        if (!ok) return RemoveUnfinished(m_write.LastStep(), true);
        setTimer(kTimerWrite, kWriteDelayMs, [this] { ActivateEntry(); });
    });
}

void CArpSpoofingEntryDlg::ActivateEntry() {
    auto added = [this] {
        get<platform::EditBox>(IDC_MAC).setText("");
        endWrite();
        end(platform::kIdOk);
    };
    Step({SetValue::Text(m_rowStatus, SNMP_T_INTEGER, "1")}, [this, added](bool ok) {
        if (ok) return added();
        const StepResult activated = m_write.LastStep();
        if (!activated.unanswered()) return RemoveUnfinished(activated, true);
        // An activation whose answer was lost may have been taken: the entry then stays.
        ReadRowStatus([this, added, activated](int status) {
            if (status == kActive) return added();
            RemoveUnfinished(activated, true);
        });
    });
}

void CArpSpoofingEntryDlg::RemoveUnfinished(const StepResult& failed, bool created) {
    const std::string text = kNotAdded + failed.why();
    Step({SetValue::Text(m_rowStatus, SNMP_T_INTEGER, "6")}, [this, text, created](bool removed) {
        if (removed)
            return Finish(text + (created ? " The unfinished entry was removed."
                                          : " Whatever the switch may have made of it was removed."));
        Finish(text + " An unfinished entry may be left on the switch: it is listed with its status, and Delete "
                      "removes it.");
    });
}

void CArpSpoofingEntryDlg::Finish(const std::string& message) {
    platform::ShowMessage(message);
    endWrite();
}

}  // namespace security

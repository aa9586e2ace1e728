#include "features/maintenance/multicast_filter_dlg.h"

#include <algorithm>

#include "features/common/form_reads.h"
#include "features/common/form_write.h"
#include "features/maintenance/maint_oids.h"
#include "platform/ui.h"
#include "snmp/encodings.h"
#include "snmp/session_close.h"
#include "snmp/validation.h"

namespace maint {

namespace {

std::size_t LengthOfLength(std::size_t n) {
    if (n < 0x80) return 1;
    std::size_t bytes = 1;
    while (n) {
        ++bytes;
        n >>= 8;
    }
    return bytes;
}

std::size_t Tlv(std::size_t content) { return 1 + LengthOfLength(content) + content; }

std::size_t ArcBytes(unsigned long arc) {
    std::size_t n = 1;
    while (arc >= 0x80) {
        arc >>= 7;
        ++n;
    }
    return n;
}

}  // namespace

std::size_t EncodedIntegerBindingSize(const std::string& oid, long value) {
    std::vector<unsigned long> arcs;
    std::size_t start = oid.empty() || oid[0] != '.' ? 0 : 1;
    while (start <= oid.size()) {
        std::size_t dot = oid.find('.', start);
        if (dot == std::string::npos) dot = oid.size();
        arcs.push_back(std::stoul("0" + oid.substr(start, dot - start)));
        start = dot + 1;
    }
    std::size_t oidBytes = 1;  // the first two arcs share one
    for (std::size_t i = 2; i < arcs.size(); ++i) oidBytes += ArcBytes(arcs[i]);
    std::size_t intBytes = 1;
    for (long v = value; v > 127 || v < -128; v /= 256) ++intBytes;
    return Tlv(Tlv(oidBytes) + Tlv(intBytes));
}

std::vector<std::size_t> SplitIntoMessages(const std::vector<std::size_t>& sizes, std::size_t budget) {
    std::vector<std::size_t> runs;
    std::size_t count = 0, used = 0;
    for (std::size_t size : sizes) {
        if (count > 0 && used + size > budget) {
            runs.push_back(count);
            count = 0;
            used = 0;
        }
        ++count;
        used += size;
    }
    if (count > 0) runs.push_back(count);
    return runs;
}

std::string VlanListText(const std::vector<int>& vlans) {
    if (vlans.size() == 1) return "VLAN " + std::to_string(vlans[0]);
    std::vector<std::string> runs;
    for (std::size_t i = 0; i < vlans.size();) {
        std::size_t j = i;
        while (j + 1 < vlans.size() && vlans[j + 1] == vlans[j] + 1) ++j;
        runs.push_back(std::to_string(vlans[i]) + (j > i ? "-" + std::to_string(vlans[j]) : std::string()));
        i = j + 1;
    }
    // A message box holds a few runs; beyond them the count and the bounds say enough.
    constexpr std::size_t kMostRuns = 8;
    if (runs.size() > kMostRuns)
        return std::to_string(vlans.size()) + " VLANs from " + std::to_string(vlans.front()) + " to " +
               std::to_string(vlans.back());
    std::string text = "VLANs ";
    for (std::size_t i = 0; i < runs.size(); ++i) text += (i ? ", " : "") + runs[i];
    return text;
}

}  // namespace maint

namespace {
constexpr const char* kModeForward = "Forward Unregistered Groups";
constexpr const char* kModeFilter = "Filtering Unregistered Groups";
constexpr int kMaxVlanId = 4094;
}  // namespace

void CMulticastFilterDlg::createControls() {
    setCaption("Multicast Filtering Mode Configuration");
    setSize(520, 400);
    addLabel(0, "VLAN ID");
    addCombo(IDC_VLAN_ID).setWidth(90);
    addCheck(IDC_ALL, "All")
        .onToggle([this] { enable({IDC_VLAN_ID}, !get<platform::CheckBox>(IDC_ALL).checked()); })
        .sameLine();
    addLabel(0, "Multicast Filtering Mode");
    addCombo(IDC_MODE, {kModeForward, kModeFilter}).setWidth(230);
    addList(IDC_LIST, "", {{"VLAN ID", 80}, {"VLAN Name", 160}, {"Multicast Filtering Mode", 220}})
        .setGridLines()
        .setVisibleRows(10);
    addButton(IDC_APPLY, "&Apply", [this] { OnApply(); }).setDefault();
    addButton(IDC_REFRESH, "&Refresh", [this] { OnRefresh(); });
    addButton(IDC_CLOSE, "&Close");
}

void CMulticastFilterDlg::initDialog() {
    get<platform::ComboBox>(IDC_MODE).setCurrent(0);
    OnRefresh();
}

void CMulticastFilterDlg::destroyWindow() {
    // A request still on its way ends first; its outcome goes nowhere.
    m_write.Abandon();
    CloseDialogSessions({{m_cCommonSNMP, "m_cCommonSNMP"}, {m_cCommonSNMPTable, "m_cCommonSNMPTable"}});
}

void CMulticastFilterDlg::OnRefresh() {
    get<platform::ReportList>(IDC_LIST).clear();
    get<platform::ComboBox>(IDC_VLAN_ID).clearItems();
    enable({IDC_APPLY, IDC_REFRESH}, false);
    CTableWalk::Options options;
    options.maxRows = kMaxVlanId;
    if (!features::WalkRead(*this, "vlans", m_walk, {maint::kOidMcastVlan, maint::kOidVlanName, maint::kOidMcastMode},
                            [this](const ReplyRow& row, CSnmp&) {
                                OnRow(row);
                                return true;
                            },
                            [this](int) { enable({IDC_APPLY, IDC_REFRESH}, true); }, options))
        enable({IDC_APPLY, IDC_REFRESH}, true);
}

void CMulticastFilterDlg::OnRow(const ReplyRow& row) {
    // The VLAN ID is the row's index; a row without a valid one is not listed.
    const int vid = InstanceNumber(row.instance(0, maint::kOidMcastVlan), kMaxVlanId);
    if (vid == 0) return;
    const std::string id = std::to_string(vid);
    auto& selector = get<platform::ComboBox>(IDC_VLAN_ID);
    selector.addItem(id);
    if (selector.current() < 0) selector.setCurrent(0);
    get<platform::ReportList>(IDC_LIST).appendRow(
        {id, Utf8Prefix(row.text(1), 32), row.text(2) == "0" ? kModeForward : kModeFilter});
}

void CMulticastFilterDlg::OnApply() {
    const char* mode = get<platform::ComboBox>(IDC_MODE).current() == 1 ? "1" : "0";
    std::vector<int> vlans;
    if (get<platform::CheckBox>(IDC_ALL).checked()) {
        // "All" means every VLAN of the switch: a list not read to its end would leave some out.
        // One VLAN from the selector was read and can still be written.
        if (!readOk("vlans")) {
            platform::ShowMessage(features::kMsgNotRead);
            return;
        }
        const auto& list = get<platform::ReportList>(IDC_LIST);
        for (int r = 0; r < list.rowCount(); ++r) {
            const int vid = InstanceNumber(list.cell(r, 0), kMaxVlanId);
            if (vid != 0) vlans.push_back(vid);
        }
        std::sort(vlans.begin(), vlans.end());
        vlans.erase(std::unique(vlans.begin(), vlans.end()), vlans.end());
    } else {
        const int vid = InstanceNumber(get<platform::ComboBox>(IDC_VLAN_ID).text(), kMaxVlanId);
        if (vid != 0) vlans.push_back(vid);
    }
    if (vlans.empty()) return;
    WriteModes(vlans, mode);
}

void CMulticastFilterDlg::WriteModes(const std::vector<int>& vlans, const char* mode) {
    std::vector<std::string> oids;
    std::vector<std::size_t> sizes;
    for (int vid : vlans) {
        oids.push_back(InstanceOid(maint::kOidMcastMode, vid));
        sizes.push_back(maint::EncodedIntegerBindingSize(oids.back(), mode[0] - '0'));
    }
    std::vector<std::vector<features::SetValue>> steps;
    std::vector<std::size_t> firstOfStep;  // the index of each request's first VLAN
    std::size_t next = 0;
    for (std::size_t run : maint::SplitIntoMessages(sizes, maint::kMaxMessageSize - maint::kMessageOverhead)) {
        firstOfStep.push_back(next);
        std::vector<features::SetValue> values;
        for (std::size_t i = next; i < next + run; ++i)
            values.push_back(features::SetValue::Text(oids[i], SNMP_T_INTEGER, mode));
        steps.push_back(std::move(values));
        next += run;
    }
    m_write.SendSteps(std::move(steps), [this, vlans, firstOfStep](int failed) {
        if (failed >= 0) {
            // A set is taken whole or not at all: this request's VLANs and those after it keep their mode.
            const auto from = static_cast<std::ptrdiff_t>(firstOfStep[static_cast<std::size_t>(failed)]);
            const std::vector<int> left(vlans.begin() + from, vlans.end());
            platform::ShowMessage(
                features::NotChanged("The multicast filtering mode of " + maint::VlanListText(left), m_write.LastStep()));
        }
        OnRefresh();
    });
}

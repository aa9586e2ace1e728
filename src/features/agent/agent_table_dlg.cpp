#include "features/agent/agent_table_dlg.h"

#include "platform/trace.h"
#include "platform/ui.h"

platform::ReportList& CAgentTableDlg::AddTableList(const std::string& group,
                                                    std::vector<platform::ReportList::Column> columns) {
    auto& box = addGroup(0, group);
    return box.addList(IDC_LIST, "", std::move(columns)).setFullRowSelect(true).setGridLines(true).setVisibleRows(8);
}

void CAgentTableDlg::AddTableButtons() {
    // Adding checks the new row against the whole table: only after a complete read.
    addButton(IDC_ADD, "&Add", [this] { OnAdd(); }).needsRead();
    addButton(IDC_APPLY, "&Apply", [this] { OnApply(); }).setDefault().needsRead();
    addButton(IDC_CANCEL, "&Cancel", [this] { OnCancelEdit(); });
    addButton(IDC_DELETE, "&Delete", [this] { OnDelete(); });
    addButton(IDC_REFRESH, "&Refresh", [this] { Reload(); });
    addButton(platform::kIdCancel, "&Close");
}

void CAgentTableDlg::destroyWindow() {
    platform::Trace("==================DestroyWindow===============");
    m_access.Close();
    m_listed.clear();
}

void CAgentTableDlg::Reload() {
    enable({IDC_APPLY, IDC_CANCEL, IDC_DELETE, IDC_REFRESH}, false);
    get<platform::ReportList>(IDC_LIST).clear();
    m_listed.clear();
    m_reloading = true;
    StartWalk();
}

void CAgentTableDlg::List(const agent::Record& record, std::vector<std::string> cells) {
    get<platform::ReportList>(IDC_LIST).appendRow(std::move(cells));
    m_listed.push_back(record);
}

const agent::Record* CAgentTableDlg::Selected() const {
    const int row = get<platform::ReportList>(IDC_LIST).selectedRow();
    if (row < 0 || row >= static_cast<int>(m_listed.size())) return nullptr;
    return &m_listed[static_cast<size_t>(row)];
}

void CAgentTableDlg::OnAgentNotice(int kind, const agent::Record& record) {
    if (kind == agent::kNoticeEnd) {
        m_reloading = false;
        enable({IDC_APPLY, IDC_CANCEL, IDC_DELETE, IDC_REFRESH}, true);
        return;
    }
    OnRecord(kind, record);
}

bool CAgentTableDlg::AddRow(const std::string& noun, const std::string& rowStatusOid, const std::vector<Step>& steps) {
    const std::string failed = "The " + noun + " could not be added: ";
    std::string why;
    if (!m_access.SetRowStatus(rowStatusOid, "5", &why)) {
        std::string text = failed + why + ".";
        if (!m_access.LastWriteUnanswered()) {
            // Refused (an existing row among others): the switch holds what it held.
            platform::ShowMessage(text + " Nothing was changed.");
            return false;
        }
        // The row may have been made although the answer was lost.
        text += m_access.SetRowStatus(rowStatusOid, "6")
                    ? " Whatever the switch may have made of it was removed."
                    : " An unfinished " + noun + " may be left on the switch; it is not listed.";
        platform::ShowMessage(text);
        return false;
    }
    bool taken = true;
    for (const Step& step : steps) {
        if (step.empty()) continue;
        if (!(taken = m_access.Write(step, &why))) break;
    }
    if (taken && m_access.SetRowStatus(rowStatusOid, "1", &why)) return true;
    // A row half made would hold its index (and a place in the table) without being listed.
    std::string text = failed + why + ".";
    std::string undoWhy;
    text += m_access.SetRowStatus(rowStatusOid, "6", &undoWhy)
                ? " The new " + noun + " was removed."
                : " The unfinished " + noun + " could not be removed (" + undoWhy +
                      "); it is left on the switch, not listed.";
    platform::ShowMessage(text);
    return false;
}

bool CAgentTableDlg::DeleteRow(const std::string& noun, const std::string& rowStatusOid) {
    std::string why;
    if (m_access.SetRowStatus(rowStatusOid, "6", &why)) return true;
    platform::ShowMessage("The " + noun + " could not be deleted: " + why + ".");
    return false;
}

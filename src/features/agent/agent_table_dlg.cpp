#include "features/agent/agent_table_dlg.h"

#include "platform/trace.h"

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

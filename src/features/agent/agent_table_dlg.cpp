#include "features/agent/agent_table_dlg.h"

#include "platform/trace.h"
#include "platform/ui.h"

platform::ReportList& CAgentTableDlg::AddTableList(const std::string& group,
                                                    std::vector<platform::ReportList::Column> columns) {
    auto& box = addGroup(0, group);
    columns.push_back({"Status", 90});
    // Wide enough for every column, the row status last among them, where the list alone would
    // not show them all.
    int width = 0;
    for (const auto& c : columns) width += c.width;
    if (width > 500) setSize(width + 160, 0);  // the frames, and headings wider than their columns
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

void CAgentTableDlg::List(const agent::Record& record, std::vector<std::string> cells, const std::string& rowStatus) {
    cells.push_back(CSnmpAgentAccess::RowStatusText(rowStatus));
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

std::string CAgentTableDlg::ExistsMessage(const std::string& exists, const std::string& rowStatus) {
    if (rowStatus == "1") return exists;
    const bool stop = !exists.empty() && (exists.back() == '.' || exists.back() == '!');
    return exists + (stop ? " " : ". ") + "The switch holds it, not active (" +
           CSnmpAgentAccess::RowStatusText(rowStatus) + "); Delete removes it.";
}

void CAgentTableDlg::AddRow(const std::string& noun, const std::string& rowStatusOid, const std::vector<Step>& steps,
                            std::function<void(bool added)> onDone) {
    std::vector<Step> all(1);
    if (!CSnmpAgentAccess::RowStatus(rowStatusOid, "5", all[0])) return onDone(false);
    for (const Step& step : steps)
        if (!step.empty()) all.push_back(step);
    all.emplace_back();
    CSnmpAgentAccess::RowStatus(rowStatusOid, "1", all.back());
    std::vector<std::vector<features::SetValue>> requests;
    for (const Step& step : all) requests.push_back(CSnmpAgentAccess::Values(step));

    beginWrite({IDC_ADD, IDC_APPLY, IDC_CANCEL, IDC_DELETE, IDC_REFRESH});
    auto finish = [this, onDone](const std::string& message, bool added) {
        if (!message.empty()) platform::ShowMessage(message);
        endWrite();
        onDone(added);
    };
    const bool sent = m_write.SendSteps(std::move(requests), [this, noun, rowStatusOid, finish](int failed) {
        if (failed < 0) return finish({}, true);
        const features::StepResult r = m_write.LastStep();
        std::string text = "The " + noun + " could not be added: " + r.why();
        // A create the switch refused made nothing, and the row was free: nothing to undo.
        if (failed == 0 && !r.unanswered()) return finish(text + " Nothing was changed.", false);
        // The row was free before this write, so whatever holds it now is this write's: it goes
        // again, as a row half made holds its index and a place in the table.
        const bool created = failed > 0;
        std::vector<features::SetValue> destroy = {features::SetValue::Text(rowStatusOid, SNMP_T_INTEGER, "6")};
        // The writer lets go of the form after this handler: the undo follows at once after it.
        post([this, noun, created, text, finish, destroy] {
            const bool undoing = m_write.SendSteps({destroy}, [this, noun, created, text, finish](int undoFailed) {
                std::string out = text;
                if (undoFailed < 0)
                    out += created ? " The new " + noun + " was removed." : " Whatever the switch may have made of it was removed.";
                else
                    out += (created ? " The unfinished " + noun + " could not be removed (" + m_write.LastStep().reason() + ")"
                                    : " An unfinished " + noun + " may be left on the switch") +
                           "; it is listed with its status, and Delete removes it.";
                finish(out, false);
            });
            if (!undoing) finish(text, false);
        });
    });
    if (!sent) finish({}, false);
}

void CAgentTableDlg::DeleteRow(const std::string& noun, const std::string& rowStatusOid, std::function<void()> onDone) {
    Step step;
    if (!CSnmpAgentAccess::RowStatus(rowStatusOid, "6", step)) return onDone();
    beginWrite({IDC_ADD, IDC_APPLY, IDC_CANCEL, IDC_DELETE, IDC_REFRESH});
    auto finish = [this, onDone](const std::string& message) {
        if (!message.empty()) platform::ShowMessage(message);
        endWrite();
        onDone();
    };
    const bool sent = m_write.SendSteps({CSnmpAgentAccess::Values(step)}, [this, noun, finish](int failed) {
        finish(failed < 0 ? std::string() : features::NotDone("The " + noun, "deleted", m_write.LastStep()));
    });
    if (!sent) finish({});
}

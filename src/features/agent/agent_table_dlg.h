#pragma once
// What the table dialogs of the switch's agent share: the access object, the list in its group,
// the six buttons, and the reload that keeps "&Apply", "&Cancel", "&Delete" and "&Refresh"
// disabled from its start until the end notification.
#include <string>
#include <vector>

#include <functional>

#include "features/agent/agent_access.h"
#include "features/common/form_write.h"
#include "platform/form.h"

class CAgentTableDlg : public platform::Form, public IAgentNotify {
public:
    enum : int {
        IDC_LIST = 1001,
        IDC_ADD = 1002,
        IDC_APPLY = 1003,
        IDC_CANCEL = 1004,
        IDC_DELETE = 1005,
        IDC_REFRESH = 1006,
    };

    CAgentTableDlg() : m_access(*this, this) {}

    // The records listed by the last reload, every row the switch holds whatever its RowStatus
    // (a row not active still holds its index and a place in the table), in list order.
    const std::vector<agent::Record>& Listed() const { return m_listed; }
    // True from the start of a reload until its end notification.
    bool Reloading() const { return m_reloading; }
    CSnmpAgentAccess& Access() { return m_access; }

protected:
    // The list in a group box with the given caption and columns, and a last column "Status".
    platform::ReportList& AddTableList(const std::string& group, std::vector<platform::ReportList::Column> columns);
    // "&Add", "&Apply", "&Cancel", "&Delete", "&Refresh", "&Close" along the bottom.
    void AddTableButtons();
    void destroyWindow() override;

    // Empties the list, disables the four buttons and starts the walk (StartWalk).
    void Reload();
    virtual void StartWalk() = 0;
    // A record of the walk; append it with List() when it is to be shown.
    virtual void OnRecord(int kind, const agent::Record& record) = 0;
    virtual void OnApply() = 0;
    virtual void OnCancelEdit() = 0;
    virtual void OnDelete() = 0;
    virtual void OnAdd() {}
    using Step = std::vector<CSnmpAgentAccess::Binding>;
    // Adds a row of the table, a row the last reload showed free: createAndWait on its RowStatus
    // instance, each step of column values as one set request (empty steps are skipped), then
    // active; the form is held meanwhile. When the switch does not take a step, one message says
    // so ("The <noun> could not be added: ...") and what became of the row, which is destroyed
    // again once the create may have been taken. onDone(added) runs after the message.
    void AddRow(const std::string& noun, const std::string& rowStatusOid, const std::vector<Step>& steps,
                std::function<void(bool added)> onDone);
    // Destroys a row; says so when the switch does not take it. onDone runs after it.
    void DeleteRow(const std::string& noun, const std::string& rowStatusOid, std::function<void()> onDone);
    // The refusal of an add whose key a listed row holds: `exists` (the dialog's own message),
    // and for a row not active its state, so that the user knows Delete removes it.
    static std::string ExistsMessage(const std::string& exists, const std::string& rowStatus);
    // Shows the record's cells and its row status in a new row and keeps the record beside it.
    void List(const agent::Record& record, std::vector<std::string> cells, const std::string& rowStatus);
    // The record of the selected row, or null when none is selected.
    const agent::Record* Selected() const;

    void OnAgentNotice(int kind, const agent::Record& record) override;

    CSnmpAgentAccess m_access;
    // After the access object: a write in flight ends before its sessions go.
    features::CFormWrite m_write{*this, m_access.m_cCommonSNMPSet};

private:
    std::vector<agent::Record> m_listed;
    bool m_reloading = false;
};

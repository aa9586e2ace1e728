#pragma once
// A small dialog written the way every dialog of the module is written: constructor with the
// initial values and the "sessions", createControls with the control list, initDialog reading
// the device, one handler per button, destroyWindow closing the sessions. The "device" is a
// FakeTable that answers walks from a worker thread, delivering rows through ui().post as the
// session object does.
#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "platform/form.h"
#include "platform/ui.h"

namespace example {

// Answers a walk on a worker thread: each row, then the end of the walk, posted to the UI thread.
class FakeTable {
public:
    std::vector<std::vector<std::string>> rows;
    ~FakeTable() { Close(); }
    template <class RowFn, class EndFn>
    void Walk(RowFn onRow, EndFn onEnd) {
        Close();
        cancelled_ = false;
        worker_ = std::thread([this, onRow, onEnd, copy = rows] {
            for (const auto& r : copy)
                platform::ui().post([this, onRow, r] { if (!cancelled_) onRow(r); });
            platform::ui().post([this, onEnd] { if (!cancelled_) onEnd(); });
        });
    }
    void Close() {
        cancelled_ = true;
        if (worker_.joinable()) worker_.join();
    }

private:
    std::atomic<bool> cancelled_{false};
    std::thread worker_;
};

enum : int {
    IDC_LIST = 1001, IDC_ADDRESS = 1002, IDC_NAME = 1003, IDC_KIND = 1004, IDC_ENABLE = 1005,
    IDC_ADD = 1010, IDC_DELETE = 1011, IDC_REFRESH = 1012, IDC_EDIT = 1013, IDC_PORTS = 1020,
    TIMER_REREAD = 7,
};

// The child form: edits the name of one host.
class CHostEditDlg : public platform::Form {
public:
    explicit CHostEditDlg(std::string name) : m_strName(std::move(name)) {}
    std::string m_strName;

protected:
    void createControls() override {
        setCaption("Edit Host");
        addLabel(0, "Name:");
        addEdit(IDC_NAME).setMaxLength(20);
        addButton(platform::kIdOk, "OK", [this] { OnOK(); });
        addButton(platform::kIdCancel, "Cancel");
    }
    void initDialog() override { get<platform::EditBox>(IDC_NAME).setText(m_strName); }
    void OnOK() {
        std::string name = get<platform::EditBox>(IDC_NAME).text();
        if (name.empty()) {
            platform::ShowMessage("The name can not be empty.");
            return;
        }
        m_strName = name;
        end(platform::kIdOk);
    }
};

class CHostTableDlg : public platform::Form {
public:
    CHostTableDlg(FakeTable& table, std::vector<std::string>& trace) : m_cTable(table), m_trace(trace) {}
    int m_iPortCount = 10;
    std::vector<std::vector<std::string>> m_written;  // what Apply sent to the "device"

protected:
    void createControls() override {
        setCaption("Host Table");
        setSize(520, 420);
        auto& g = addGroup(0, "Host");
        g.addLabel(0, "Address:");
        g.addIpAddress(IDC_ADDRESS);
        g.addLabel(0, "Name:");
        g.addEdit(IDC_NAME).setMaxLength(20);
        g.addLabel(0, "Kind:");
        g.addCombo(IDC_KIND, {"Server", "Client"});
        g.addCheck(IDC_ENABLE, "Enable");
        g.addButton(IDC_ADD, "&Add", [this] { OnAdd(); });
        addList(IDC_LIST, "Hosts", {{"Address", 120}, {"Name", 120}, {"Kind", 80}})
            .onRowClick([this](int row) { OnRowClick(row); })
            .onRowDoubleClick([this](int) { OnEdit(); });
        addPortGrid(IDC_PORTS, "Ports", platform::PortGrid::CellKind::Radio, m_iPortCount,
                    {"Tag Ports:", "Untag Ports:", "Not Member:"}, 5);
        addButton(IDC_EDIT, "&Edit", [this] { OnEdit(); });
        addButton(IDC_DELETE, "&Delete", [this] { OnDelete(); });
        addButton(IDC_REFRESH, "&Refresh", [this] { OnRefresh(); });
        addButton(platform::kIdCancel, "&Close");
    }

    void initDialog() override {
        get<platform::ComboBox>(IDC_KIND).setCurrent(0);
        auto& ports = get<platform::PortGrid>(IDC_PORTS);
        for (int p = 1; p <= m_iPortCount; ++p) ports.setChecked(2, p, true);
        OnRefresh();
    }

    void destroyWindow() override {
        m_trace.push_back("==================DestroyWindow===============");
        m_cTable.Close();
        m_trace.push_back("==================m_cTable.Close===============");
    }

private:
    void OnRefresh() {
        auto& list = get<platform::ReportList>(IDC_LIST);
        list.clear();
        enable({IDC_ADD, IDC_DELETE, IDC_REFRESH}, false);
        m_cTable.Walk([&list](const std::vector<std::string>& row) { list.appendRow(row); },
                      [this] { enable({IDC_ADD, IDC_DELETE, IDC_REFRESH}, true); });
    }

    void OnRowClick(int row) {
        if (row < 0) return;
        auto& list = get<platform::ReportList>(IDC_LIST);
        get<platform::IpAddressField>(IDC_ADDRESS).setAddress(list.cell(row, 0));
        get<platform::EditBox>(IDC_NAME).setText(list.cell(row, 1));
    }

    void OnAdd() {
        auto& ip = get<platform::IpAddressField>(IDC_ADDRESS);
        if (!ip.complete()) {
            platform::ShowMessage("Please input the IP address.");
            return;
        }
        const std::string name = get<platform::EditBox>(IDC_NAME).text();
        if (name.find_first_of(".,/") != std::string::npos) {
            platform::ShowMessage("Invalid Host Name.");
            return;
        }
        if (!platform::Confirm("Add the host?")) return;
        m_written.push_back({ip.address(), name, get<platform::ComboBox>(IDC_KIND).text()});
        m_cTable.rows.push_back(m_written.back());
        // The device needs a moment before the new row can be read back.
        setTimer(TIMER_REREAD, 30, [this] { OnRefresh(); });
    }

    void OnDelete() {
        auto& list = get<platform::ReportList>(IDC_LIST);
        if (list.selectedRow() < 0) {
            platform::ShowMessage("Please select one host !");
            return;
        }
        if (!platform::Confirm("Delete the host?")) return;
        m_cTable.rows.erase(m_cTable.rows.begin() + list.selectedRow());
        OnRefresh();
    }

    void OnEdit() {
        auto& list = get<platform::ReportList>(IDC_LIST);
        int row = list.selectedRow();
        if (row < 0) return;
        CHostEditDlg dlg(list.cell(row, 1));
        if (runChild(dlg) == platform::kIdOk) {
            list.setCell(row, 1, dlg.m_strName);
            m_cTable.rows[static_cast<size_t>(row)][1] = dlg.m_strName;
        }
    }

    FakeTable& m_cTable;
    std::vector<std::string>& m_trace;
};

}  // namespace example

#pragma once
// A spanning tree table of chosen ports, the list the port form edits, for the port form on its
// own.
#include <string>
#include <utility>
#include <vector>

#include "features/mib/stp_dlgs.h"

class StpTableOf : public platform::Form {
public:
    explicit StpTableOf(std::vector<std::string> ports) : ports_(std::move(ports)) {}
    platform::ReportList& list() { return get<platform::ReportList>(CStpTableDlg::kIdList); }

protected:
    void createControls() override {
        auto& l = addList(CStpTableDlg::kIdList, {}, {{"Port", 45}});
        for (const auto& port : ports_) {
            std::vector<std::string> row(CStpTableDlg::kColumnCount);
            row[CStpTableDlg::kColPort] = port;
            l.appendRow(std::move(row));
        }
    }

private:
    std::vector<std::string> ports_;
};

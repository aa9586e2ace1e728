// The PoE dialogs after a read that did not arrive: the status line says so, the controls that
// would write what was read stay disabled and nothing reaches the switch.
#include <functional>
#include <memory>

#include "features/poe/poe_config_dlg.h"
#include "features/poe/time_range_dlg.h"
#include "poe/poe_sim.h"
#include "support/failed_read.h"

namespace poetest {
namespace {

using platform::Form;
using poe::CPoeConfigDlg;
using poe::CTimeRangeEditDlg;
using poe::CTimeRangeListDlg;

using dialogtest::kPressRefresh;
using dialogtest::kReopen;

std::unique_ptr<Form> EditForm(const std::string& index) {
    return std::make_unique<CTimeRangeEditDlg>(CTimeRangeEditDlg::Mode::Edit, index, Strings{"eve"}, std::vector<int>{5});
}

TEST_F(PoeSimTest, FailedReadsShowTheStatusLineAndHoldBackEveryWrite) {
    struct Case {
        const char* what;
        Strings state;
        std::string dropped;  // no answer for requests touching it ("": none)
        std::function<std::unique_ptr<Form>()> make;
        Strings reads;  // the dialog's reads, all ended before the checks
        std::vector<dialogtest::Ref> held;
        std::string status;
        int rows;  // rows listed after the failure (-1: no list)
        int list;
    };
    const Case cases[] = {
        {"PoE ports without the time ranges", RangeState(1, "night"), kRange + ".2",
         [] { return std::make_unique<CPoeConfigDlg>(); }, {"time ranges"}, {"&Apply"}, kPressRefresh, 0,
         CPoeConfigDlg::IDC_LIST_PORT},
        // One lost reply in the middle of the port walk.
        {"PoE ports cut after port 4", {}, PortObj(3, 5), [] { return std::make_unique<CPoeConfigDlg>(); },
         {"time ranges", "ports"}, {"&Apply"}, kPressRefresh, 4, CPoeConfigDlg::IDC_LIST_PORT},
        {"time range list not read", RangeState(5, "eve", 17, 22), kRange + ".21",
         [] { return std::make_unique<CTimeRangeListDlg>(); }, {"time ranges"}, {"&Add", "&Edit"}, kPressRefresh, 0,
         CTimeRangeListDlg::IDC_LIST},
        {"edited time range not read", RangeState(5, "eve", 17, 22), RangeObj(2, 5), [] { return EditForm("5"); },
         {"row"}, {"Apply"}, kReopen, -1, 0},
        {"edited time range gone from the switch", {}, "", [] { return EditForm("5"); }, {"row"}, {"Apply"}, kReopen,
         -1, 0},
    };
    for (const Case& c : cases)
        dialogtest::RunFailedReadCase(sim, env,
                                      {c.what, c.state, c.dropped, c.make, c.reads, c.held, c.status, c.rows, c.list});
}

}  // namespace
}  // namespace poetest

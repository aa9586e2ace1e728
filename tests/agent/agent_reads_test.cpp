// Every agent dialog after a read the switch did not answer: the status line says so, nothing
// that would write unread values can be used, and nothing reaches the switch. The reads that
// need no write access use the read community.
#include <functional>
#include <memory>

#include "agent/agent_sim.h"
#include "features/agent/community_dlg.h"
#include "features/agent/group_dlg.h"
#include "features/agent/host_dlg.h"
#include "features/agent/scalar_dlgs.h"
#include "features/agent/user_dlg.h"
#include "features/agent/view_dlg.h"

namespace agenttest {
namespace {

struct AgentDialog {
    const char* name;
    std::function<std::unique_ptr<platform::Form>()> make;
    std::string object;  // what the dialog reads first
    Strings writes;      // its buttons that write what was read
};

std::vector<AgentDialog> AgentDialogs() {
    const Strings table = {"&Add", "&Apply"};
    return {
        {"traps", [] { return std::make_unique<CSnmpTrapDlg>(); }, kAgent + ".8", {"&Apply"}},
        {"global state", [] { return std::make_unique<CSnmpGlobalStateDlg>(); }, kAgent + ".1.0", {"&Apply"}},
        {"engine ID", [] { return std::make_unique<CSnmpEngineIdDlg>(); }, kAgent + ".7.0", {"&Apply"}},
        {"communities", [] { return std::make_unique<CSnmpCommunityDlg>(); }, kCommunity, table},
        {"communities, then users", [] { return std::make_unique<CSnmpCommunityDlg>(); }, kUser, table},
        {"hosts", [] { return std::make_unique<CSnmpHostDlg>(); }, kHost, table},
        {"users", [] { return std::make_unique<CSnmpUserDlg>(); }, kUser, table},
        {"groups", [] { return std::make_unique<CSnmpGroupDlg>(); }, kGroup, table},
        {"views", [] { return std::make_unique<CSnmpViewDlg>(); }, kView, table},
    };
}

bool StatusShown(const platform::Form& f) {
    const platform::Control* line = f.find(platform::Form::kIdReadStatus);
    return line && line->visible();
}

TEST_F(AgentSimTest, AReadTheSwitchDidNotAnswerHoldsBackEveryWrite) {
    for (const AgentDialog& dialog : AgentDialogs()) {
        SCOPED_TRACE(dialog.name);
        Start("10p", {}, {"--drop-prefix", dialog.object});
        MutableSettings().TimeoutMs = "300";
        auto form = dialog.make();
        DialogDriver d(env, *form);
        ASSERT_TRUE(env.waitUntil([&] { return StatusShown(*form); }, std::chrono::milliseconds(20000)));
        EXPECT_EQ(form->find(platform::Form::kIdReadStatus)->text(),
                  std::string("Not all settings could be read from the switch (no answer). ") +
                      (form->find("&Refresh") ? "Press Refresh." : "Close the dialog and open it again."));
        for (const std::string& button : dialog.writes) EXPECT_FALSE(d.enabled(button)) << button;
        EXPECT_TRUE(sim.sets().empty());
        sim.stop();
    }
}

// With a write community the switch does not know, everything but the community and trap host
// tables (which only write access may read) is still read in full.
TEST_F(AgentSimTest, ReadsOtherThanTheCommunityTableUseTheReadCommunity) {
    for (const AgentDialog& dialog : AgentDialogs()) {
        SCOPED_TRACE(dialog.name);
        const bool communities =
            std::string(dialog.name).rfind("communities", 0) == 0 || std::string(dialog.name) == "hosts";
        if (std::string(dialog.name) == "communities, then users") continue;
        Start("10p");
        MutableSettings().TimeoutMs = "300";
        MutableSettings().WriteCommunity = "not-known";
        auto form = dialog.make();
        DialogDriver d(env, *form);
        ASSERT_TRUE(env.waitUntil([&] { return form->readsOk() || StatusShown(*form); }, std::chrono::milliseconds(20000)));
        EXPECT_EQ(form->readsOk(), !communities);
        for (const auto& r : sim.requests()) {
            if (r.pdu != "set" && !communities) {
                EXPECT_EQ(r.community, "qorvin");
            }
        }
        sim.stop();
    }
}

}  // namespace
}  // namespace agenttest

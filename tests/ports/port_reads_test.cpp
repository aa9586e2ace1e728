// What the port and trunk dialogs do when their reads fail: the switch reboots (and answers
// nothing) just as a dialog opens. The dialog then says so in its status line and holds back
// every control that would write or check what it did not read; nothing reaches the switch.
// Once the switch is back, Refresh reads everything and the controls come back.
#include <functional>
#include <memory>

#include "app/session_settings.h"
#include "features/ports/port_set_info.h"
#include "features/ports/trunk_dlg.h"
#include "port_sim_support.h"

using namespace features;
using namespace portstest;
using dialogtest::DialogDriver;
using namespace std::chrono_literals;

namespace {

constexpr int kSilentSeconds = 3;

bool StatusSaysNotRead(DialogDriver& d) {
    const platform::Control& line = d.control(platform::Form::kIdReadStatus);
    return line.visible() && line.text().rfind("Not all settings could be read from the switch (", 0) == 0 &&
           line.text().find("Press Refresh.") != std::string::npos;
}

}  // namespace

TEST_F(SimTest, ADialogOpenedOnASilentSwitchWritesNothingUntilRefreshReadsIt) {
    struct Case {
        const char* name;
        std::vector<std::string> state;
        std::function<std::unique_ptr<platform::Form>()> make;
        std::vector<dialogtest::Ref> writes;  // held back while not read
    } cases[] = {
        // The port table's first step waits 8 s a try and outlasts the silence; the trunk map
        // does not.
        {"port configuration", {TrunkLine(1, "30000000")}, [] { return std::make_unique<CPortSetInfo>(); },
         {CPortSetInfo::IDC_BUTTON_APPLY}},
        {"trunk configuration", {TrunkLine(1, "30000000"), "1.3.6.1.4.1.171.10.76.12.8.1.2.0 i 1"},
         [] { return std::make_unique<CTrunkConfigDlg>(); },
         {CTrunkConfigDlg::IDC_ENABLE, CTrunkConfigDlg::IDC_STATE_APPLY, CTrunkConfigDlg::IDC_APPLY,
          CTrunkConfigDlg::IDC_PORT_MEMBER}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_NO_FATAL_FAILURE(StartSim("10p", {"--reboot-seconds", std::to_string(kSilentSeconds)}, c.state));
        MutableSettings().TimeoutMs = "200";
        const auto silent = Reboot(sim);
        sim.clearLog();
        auto form = c.make();
        DialogDriver d(m_env, *form);
        ASSERT_TRUE(m_env.waitUntil([&] { return StatusSaysNotRead(d) && d.enabled("&Refresh"); }, 30000ms));
        for (const auto& w : c.writes) EXPECT_FALSE(d.enabled(w)) << w.describe();
        EXPECT_TRUE(sim.sets().empty());

        // The switch is back: Refresh reads it all and the controls come back.
        ASSERT_TRUE(m_env.waitUntil(
            [&] { return std::chrono::steady_clock::now() > silent + std::chrono::seconds(kSilentSeconds) + 300ms; },
            std::chrono::seconds(kSilentSeconds + 2)));
        d.click("&Refresh");
        ASSERT_TRUE(m_env.waitUntil(
            [&] {
                for (const auto& w : c.writes)
                    if (!d.enabled(w)) return false;
                return form->readsOk() && !d.control(platform::Form::kIdReadStatus).visible();
            },
            20000ms));
        EXPECT_TRUE(sim.sets().empty());
        EXPECT_TRUE(m_env.takeMessages().empty());
        sim.stop();
    }
}

// One request in twenty lost on the way: every dialog ends with complete data (the reads are
// sent again) or with the not-read line, and none writes anything.
TEST_F(SimTest, ALossyNetworkEndsInCompleteDataOrTheNotReadLine) {
    for (const char* seed : {"1", "2", "3"}) {
        SCOPED_TRACE(seed);
        ASSERT_NO_FATAL_FAILURE(StartSim("10p", {"--drop-percent", "5", "--drop-seed", seed},
                                         {TrunkLine(2, "30000000"), "1.3.6.1.4.1.171.10.76.12.8.1.2.0 i 1"}));
        MutableSettings().TimeoutMs = "300";
        {
            CPortSetInfo dlg;
            DialogDriver d(m_env, dlg);
            ASSERT_TRUE(m_env.waitUntil([&] { return d.enabled("&Refresh") && !dlg.Trunks().Walking(); }, 40000ms));
            if (dlg.readsOk()) {
                EXPECT_EQ(d.rowCount(CPortSetInfo::IDC_LIST_PORT), 10);
                EXPECT_EQ(dlg.Trunks().PortsOfTrunk(2), (std::vector<int>{3, 4}));
                EXPECT_TRUE(d.enabled("&Apply"));
            } else {
                EXPECT_TRUE(d.control(platform::Form::kIdReadStatus).visible());
                EXPECT_FALSE(d.enabled("&Apply"));
            }
        }
        {
            CTrunkConfigDlg dlg;
            DialogDriver d(m_env, dlg);
            ASSERT_TRUE(m_env.waitUntil(
                [&] { return d.enabled("&Refresh") && (dlg.readsOk() || d.control(platform::Form::kIdReadStatus).visible()); },
                40000ms));
            if (dlg.readsOk()) {
                ASSERT_EQ(d.rowCount(CTrunkConfigDlg::IDC_LIST), 8);  // the switch lists all eight trunks
                EXPECT_EQ(d.rows(CTrunkConfigDlg::IDC_LIST)[1], (std::vector<std::string>{"2", "Disable", "3,4"}));
                EXPECT_TRUE(d.checked(CTrunkConfigDlg::IDC_ENABLE));
            } else {
                EXPECT_TRUE(d.control(platform::Form::kIdReadStatus).visible());
                EXPECT_EQ(d.enabled(CTrunkConfigDlg::IDC_APPLY), dlg.readOk("trunk table"));
                EXPECT_EQ(d.enabled(CTrunkConfigDlg::IDC_STATE_APPLY), dlg.readOk("link aggregation state"));
            }
        }
        {
            CTrunkMemberDlg dlg("1", "Static", "");
            DialogDriver d(m_env, dlg);
            ASSERT_TRUE(m_env.waitUntil([&] { return !dlg.Checker().Reading(); }, 60000ms));
            EXPECT_EQ(dlg.readsOk(), dlg.Checker().Data().arrived.all());
            EXPECT_EQ(d.enabled("OK"), dlg.readsOk());
            EXPECT_NE(d.control(platform::Form::kIdReadStatus).visible(), dlg.readsOk());
            if (dlg.readsOk()) {
                EXPECT_EQ(dlg.Checker().Data().trunkOf, (std::vector<int>{0, 0, 2, 2, 0, 0, 0, 0, 0, 0}));
            }
        }
        EXPECT_TRUE(sim.sets().empty());
        int lost = 0;
        for (const auto& r : sim.requests()) lost += !r.lost.empty();
        EXPECT_GT(lost, 0);  // the network did lose requests
        sim.stop();
    }
}

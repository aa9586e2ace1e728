// A dialog written on the form model, driven as the feature tests drive theirs: walk replies
// arriving from another thread, validation messages, confirmations, a modal child, a timer,
// and the window-destruction step.
#include <gtest/gtest-spi.h>
#include <gtest/gtest.h>

#include "example_dialog.h"
#include "support/dialog_driver.h"

using namespace example;
using platform::MsgAnswer;

namespace {

using Rows = std::vector<std::vector<std::string>>;

struct ExampleDialogTest : ::testing::Test {
    dialogtest::DialogEnvironment env;
    FakeTable table;
    std::vector<std::string> trace;
    void SetUp() override {
        table.rows = {{"10.0.0.3", "c", "Client"}, {"10.0.0.1", "a", "Server"}, {"10.0.0.2", "b", "Server"}};
    }
};

TEST_F(ExampleDialogTest, OpeningWalksTheTableWithTheButtonsDisabledUntilTheEnd) {
    CHostTableDlg dlg(table, trace);
    dialogtest::DialogDriver d(env, dlg);
    EXPECT_EQ(dlg.caption(), "Host Table");
    EXPECT_FALSE(d.enabled("&Refresh"));
    EXPECT_FALSE(d.enabled("&Add"));
    EXPECT_THROW(d.click("&Refresh"), std::logic_error);
    ASSERT_TRUE(d.waitEnabled("&Refresh"));
    EXPECT_EQ(d.rows("Hosts"), table.rows);  // in the order the device returned them
    EXPECT_EQ(dlg.get<platform::PortGrid>(IDC_PORTS).selectedLayer(10), 2);
}

TEST_F(ExampleDialogTest, AddChecksItsInputInOrderAndAsksBeforeWriting) {
    CHostTableDlg dlg(table, trace);
    dialogtest::DialogDriver d(env, dlg);
    ASSERT_TRUE(d.waitEnabled("&Add"));

    d.typeOctet("Address:", 0, "192");
    d.click("&Add");
    d.type("Address:", "192.168.1.9");
    d.type("Name:", "bad.name");
    d.click("&Add");
    EXPECT_EQ(env.takeMessages(), (std::vector<std::string>{"Please input the IP address.", "Invalid Host Name."}));
    EXPECT_TRUE(dlg.m_written.empty());

    d.type("Name:", "printer");
    d.choose("Kind:", "Client");
    env.answer(MsgAnswer::Cancel);
    d.click("&Add");
    EXPECT_TRUE(dlg.m_written.empty());
    ASSERT_EQ(env.messages().size(), 1u);
    EXPECT_EQ(env.messages()[0].buttons, platform::MsgButtons::OkCancel);
    EXPECT_EQ(env.messages()[0].defaultButton, 1);  // Cancel is the default
    env.takeMessages();

    env.answer(MsgAnswer::Ok);
    d.click("&Add");
    EXPECT_EQ(dlg.m_written, (Rows{{"192.168.1.9", "printer", "Client"}}));
    EXPECT_TRUE(dlg.timerPending(TIMER_REREAD));
    // The re-read comes from the timer, not at once.
    EXPECT_EQ(d.rowCount("Hosts"), 3);
    ASSERT_TRUE(env.waitUntil([&] { return d.rowCount("Hosts") == 4 && d.enabled("&Add"); }));
    EXPECT_EQ(d.cell("Hosts", 3, 1), "printer");
}

TEST_F(ExampleDialogTest, DeleteNeedsASelectedRowAndAnOk) {
    CHostTableDlg dlg(table, trace);
    dialogtest::DialogDriver d(env, dlg);
    ASSERT_TRUE(d.waitEnabled("&Delete"));
    d.click("&Delete");
    EXPECT_EQ(env.takeMessages(), (std::vector<std::string>{"Please select one host !"}));

    d.clickRow("Hosts", 1);
    EXPECT_EQ(dlg.get<platform::IpAddressField>(IDC_ADDRESS).address(), "10.0.0.1");
    EXPECT_EQ(d.text("Name:"), "a");
    d.click("&Delete");  // no answer queued: the default button, Cancel
    EXPECT_EQ(table.rows.size(), 3u);
    env.answer(MsgAnswer::Ok);
    d.click("&Delete");
    ASSERT_TRUE(d.waitEnabled("&Refresh"));
    EXPECT_EQ(d.rows("Hosts"), (Rows{{"10.0.0.3", "c", "Client"}, {"10.0.0.2", "b", "Server"}}));
}

TEST_F(ExampleDialogTest, EditRunsTheChildModallyAndUsesItsResult) {
    CHostTableDlg dlg(table, trace);
    dialogtest::DialogDriver d(env, dlg);
    ASSERT_TRUE(d.waitEnabled("&Refresh"));
    d.clickRow("Hosts", 2);

    env.onChild("Edit Host", [](dialogtest::DialogDriver& child) {
        EXPECT_EQ(child.text("Name:"), "b");
        child.type("Name:", "");
        child.click("OK");  // refused: the child stays open
        EXPECT_FALSE(child.ended());
        child.type("Name:", "backup-server-number-one");  // cut to 20 characters
        child.click("OK");
    });
    d.click("&Edit");
    EXPECT_EQ(env.takeMessages(), (std::vector<std::string>{"The name can not be empty."}));
    EXPECT_EQ(d.cell("Hosts", 2, 1), "backup-server-number");

    // Cancelled by type-based match; a double click opens it as well.
    env.onChild<CHostEditDlg>([](CHostEditDlg&, dialogtest::DialogDriver& child) {
        child.type("Name:", "ignored");
        child.click("Cancel");
    });
    d.doubleClickRow("Hosts", 0);
    EXPECT_EQ(d.cell("Hosts", 0, 1), "c");
    EXPECT_EQ(env.childHistory(), (std::vector<std::string>{"Edit Host", "Edit Host"}));
}

TEST_F(ExampleDialogTest, AChildNobodyExpectedIsAFailureAndEndsCancelled) {
    CHostTableDlg dlg(table, trace);
    dialogtest::DialogDriver d(env, dlg);
    ASSERT_TRUE(d.waitEnabled("&Refresh"));
    d.clickRow("Hosts", 0);
    EXPECT_NONFATAL_FAILURE(d.click("&Edit"), "unexpected modal form \"Edit Host\"");
    EXPECT_EQ(d.cell("Hosts", 0, 1), "c");
}

TEST_F(ExampleDialogTest, DestructionClosesTheSessionsOnceAndDropsTimers) {
    {
        CHostTableDlg dlg(table, trace);
        dialogtest::DialogDriver d(env, dlg);
        ASSERT_TRUE(d.waitEnabled("&Add"));
        d.type("Address:", "1.2.3.4");
        env.answer(MsgAnswer::Ok);
        d.click("&Add");
        ASSERT_TRUE(dlg.timerPending(TIMER_REREAD));
        d.click("&Close");
        EXPECT_EQ(d.result(), platform::kIdCancel);
    }  // the driver destroys the window
    EXPECT_EQ(trace, (std::vector<std::string>{"==================DestroyWindow===============",
                                               "==================m_cTable.Close==============="}));
    env.runFor(std::chrono::milliseconds(60));  // the re-read timer would have fired by now
    EXPECT_EQ(trace.size(), 2u);
}

TEST(FormTimers, ReplacingAndKillingATimer) {
    dialogtest::DialogEnvironment env;
    platform::Form f;
    std::vector<int> fired;
    f.open();
    f.setTimer(1, 5, [&] { fired.push_back(1); });
    f.setTimer(1, 10, [&] { fired.push_back(2); });  // replaces the first
    f.setTimer(3, 5, [&] { fired.push_back(3); });
    f.killTimer(3);
    f.post([&] { fired.push_back(4); });
    ASSERT_TRUE(env.waitUntil([&] { return !f.timerPending(1); }));
    env.runFor(std::chrono::milliseconds(20));
    EXPECT_EQ(fired, (std::vector<int>{4, 2}));
    f.destroy();
    f.post([&] { fired.push_back(5); });
    env.runFor(std::chrono::milliseconds(5));
    EXPECT_EQ(fired.size(), 2u);
}

}  // namespace

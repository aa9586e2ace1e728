// ARP spoofing prevention against the virtual switch: every row is listed with its status,
// the 64-entry limit, deletion, the entry form's refusals in their order, the three writes of a
// new entry, and a failed write that leaves no half-made row behind.
#include "features/common/sync_request.h"
#include "features/security/arp_spoofing_dlgs.h"
#include "security/security_sim.h"

namespace securitytest {
namespace {

using security::CArpSpoofingDlg;
using security::CArpSpoofingEntryDlg;

const char* kTitle = "Add ARP Spoofing Prevention Entry";
const char* kIp = "Router / Gateway IP Address";
const char* kMac = "Router / Gateway MAC Address";
constexpr int kGrid = CArpSpoofingEntryDlg::IDC_PORTS;
constexpr int kList = CArpSpoofingDlg::IDC_LIST;

// An active entry for gateway 10.0.<n / 250>.<n % 250 + 1>.
std::vector<std::string> Entry(int n, const std::string& status = "1") {
    const std::string ip = "10.0." + std::to_string(n / 250) + "." + std::to_string(n % 250 + 1);
    return {kArpMac + "." + ip + " x 0011223344" + Hex(std::string(1, static_cast<char>(n))),
            kArpPorts + "." + ip + " x 80000000", kArpRowStatus + "." + ip + " i " + status};
}

TEST_F(SecuritySimTest, ArpListShowsEveryRowWithItsStatusAndDeletesTheChosenOne) {
    std::vector<std::string> state = Entry(1);
    for (const auto& l : Entry(2, "2")) state.push_back(l);  // not in service: it takes a place too
    state.push_back(kArpMac + ".99.1.1.1 x 00AABBCCDDEE");
    state.push_back(kArpPorts + ".99.1.1.1 x 30400000");
    Start("10p", state);
    CArpSpoofingDlg dlg;
    DialogDriver d(env, dlg);
    ASSERT_TRUE(d.waitEnabled("&Refresh"));
    EXPECT_EQ(d.rows(kList), (std::vector<Strings>{{"1", "10.0.0.2", "00-11-22-33-44-01", "1", "Active"},
                                                   {"2", "10.0.0.3", "00-11-22-33-44-02", "1", "Not in service"},
                                                   {"3", "99.1.1.1", "00-AA-BB-CC-DD-EE", "3-4,10", "Active"}}));
    EXPECT_EQ(d.text("Total Entries:"), "3");
    sim.clearLog();

    d.click("&Delete");
    EXPECT_EQ(env.takeMessages(), Strings{"Please select the entry you would be delete!"});
    EXPECT_TRUE(sim.sets().empty());
    d.clickRow(kList, 2);
    d.click("&Delete");  // no confirmation
    ASSERT_TRUE(Written(dlg));
    EXPECT_EQ(sim.setBindings(), Strings{kArpRowStatus + ".99.1.1.1=6"});
    ASSERT_TRUE(d.waitEnabled("&Refresh"));
    EXPECT_EQ(d.rowCount(kList), 2);
    EXPECT_EQ(d.text("Total Entries:"), "2");
    EXPECT_TRUE(env.takeMessages().empty());
}

TEST_F(SecuritySimTest, ArpAddIsRefusedAtSixtyFourEntriesAndOpensTheFormBelow) {
    for (int entries : {64, 63}) {
        SCOPED_TRACE(entries);
        std::vector<std::string> state;
        for (int n = 0; n < entries; ++n)
            for (const auto& l : Entry(n)) state.push_back(l);
        ASSERT_NO_FATAL_FAILURE(Start("10p", state));
        CArpSpoofingDlg dlg;
        DialogDriver d(env, dlg);
        ASSERT_TRUE(d.waitRows(kList, entries, std::chrono::seconds(10)));
        ASSERT_TRUE(d.waitEnabled("&Refresh"));
        EXPECT_EQ(d.text("Total Entries:"), std::to_string(entries));
        if (entries == 63) env.onChild(kTitle, [](DialogDriver& c) { c.click("&Cancel"); });
        d.click("&Add");
        EXPECT_EQ(env.takeMessages(),
                  entries == 64 ? Strings{"The Maximum of Entry is 64, can not add any more"} : Strings{});
        EXPECT_EQ(env.childHistory().size(), entries == 64 ? 0u : 1u);
        sim.stop();
    }
}

TEST_F(SecuritySimTest, ArpEntryRefusesInOrderThenWritesCreateValuesActivate) {
    Start("10p", {kTrunkMembers + ".2 x 30000000"});  // ports 3 and 4 form trunk 2
    CArpSpoofingDlg dlg;
    DialogDriver d(env, dlg);
    ASSERT_TRUE(d.waitEnabled("&Refresh"));
    sim.clearLog();

    struct Refusal {
        const char* ip;
        const char* mac;
        const char* message;
    };
    const Refusal refusals[] = {
        {"10.0..1", "00-11-22-33-44-55", "Please enter correct IP format(ex:192.168.0.10)"},
        {"0.1.2.3", "00-11-22-33-44-55", "Invalid  IP."},
        {"10.0.0.255", "00-11-22-33-44-55", "Invalid IP."},
        {"224.0.0.5", "00-11-22-33-44-55", "Multicast IP is not allowed"},
        {"127.0.0.1", "00-11-22-33-44-55", "Multicast IP is not allowed"},
        {"10.0.0.1", "00:11:22:33:44:55", "Please enter correct MAC format(ex:00-00-00-00-00-01)"},
        {"10.0.0.1", "00-00-00-00-00-00", "Please enter correct MAC format(ex:00-00-00-00-00-01)"},
        {"10.0.0.1", "ff-FF-ff-FF-ff-FF", "Broadcast MAC is not allowed."},
        {"10.0.0.1", "01-00-5E-00-00-01", "Multicast MAC address is not allowed."},
        {"10.0.0.1", "00-11-22-33-44-55", "ARP Spoofing Prevention enabled port must match to the aggregated link port."},
    };
    env.onChild<CArpSpoofingEntryDlg>([&](CArpSpoofingEntryDlg& e, DialogDriver& c) {
        ASSERT_TRUE(c.env().waitUntil([&] { return !e.Trunks().Walking(); }));
        c.tickPort(kGrid, 0, 3);  // port 4 of its trunk left out
        for (const Refusal& r : refusals) {
            SCOPED_TRACE(std::string(r.ip) + " " + r.mac);
            c.type(kIp, r.ip);
            c.type(kMac, r.mac);
            c.click("&Apply");
            EXPECT_EQ(c.env().takeMessages(), Strings{r.message});
        }
        // The confirmation defaults to Cancel, which sends nothing.
        c.tickPort(kGrid, 0, 4);
        c.click("&Apply");
        const auto asked = c.env().messages();
        ASSERT_EQ(asked.size(), 1u);
        EXPECT_EQ(asked[0].text, "Make sure the host IP and MAC exists or you will lose the connection.");
        EXPECT_EQ(asked[0].buttons, platform::MsgButtons::OkCancel);
        EXPECT_EQ(asked[0].defaultButton, 1);
        c.env().takeMessages();
        EXPECT_FALSE(c.ended());
        EXPECT_TRUE(sim.sets().empty());
        // All Ports ticks every box; unticking port 10 leaves 3-4 with the rest.
        c.tick("All Ports");
        c.tickPort(kGrid, 0, 10, false);
        c.type(kMac, "00-1a-2B-3c-4D-5e");
        c.env().answer(MsgAnswer::Ok);
        c.click("&Apply");
        EXPECT_TRUE(c.waitEnded());
        EXPECT_EQ(c.result(), platform::kIdOk);
    });
    d.click("&Add");
    EXPECT_EQ(env.takeMessages().size(), 1u);  // the confirmation
    const auto sets = sim.sets();
    ASSERT_EQ(sets.size(), 3u);
    EXPECT_EQ(sim.setBindings(), (Strings{kArpRowStatus + ".10.0.0.1=5", kArpMac + ".10.0.0.1=001a2b3c4d5e",
                                      kArpPorts + ".10.0.0.1=ff800000", kArpRowStatus + ".10.0.0.1=1"}));
    ASSERT_TRUE(d.waitEnabled("&Refresh"));
    EXPECT_EQ(d.rows(kList), (std::vector<Strings>{{"1", "10.0.0.1", "00-1A-2B-3C-4D-5E", "1-9", "Active"}}));
}

TEST_F(SecuritySimTest, ArpEntryWriteFailureLeavesNoRowAndKeepsTheFormOpen) {
    // The MAC and ports write fails after the row was created.
    Start("10p", {}, {"--set-error", kArpMac + ":genErr"});
    CArpSpoofingDlg dlg;
    DialogDriver d(env, dlg);
    ASSERT_TRUE(d.waitEnabled("&Refresh"));
    sim.clearLog();
    env.onChild(kTitle, [&](DialogDriver& c) {
        ASSERT_TRUE(c.waitEnabled("&Apply"));  // once the trunk map is in
        c.type(kIp, "99.1.1.1");
        c.type(kMac, "00-11-22-33-44-55");
        c.tickPort(kGrid, 0, 1);
        c.env().answer(MsgAnswer::Ok);
        c.click("&Apply");
        ASSERT_TRUE(c.env().waitUntil([&] { return !c.form().writing(); }));
        EXPECT_FALSE(c.ended());
        EXPECT_EQ(c.text(kMac), "00-11-22-33-44-55");
        c.click("&Cancel");
    });
    d.click("&Add");
    EXPECT_EQ(env.takeMessages(), (Strings{"Make sure the host IP and MAC exists or you will lose the connection.",
                                           "The ARP Spoofing Prevention entry could not be added: the switch "
                                           "refused the value (genErr). The unfinished entry was removed."}));
    EXPECT_EQ(sim.setBindings(), (Strings{kArpRowStatus + ".99.1.1.1=5", kArpMac + ".99.1.1.1=001122334455",
                                      kArpPorts + ".99.1.1.1=80000000", kArpRowStatus + ".99.1.1.1=6"}));
    EXPECT_TRUE(ColumnEmpty(kArpRowStatus));
    ASSERT_TRUE(d.waitEnabled("&Refresh"));
    EXPECT_EQ(d.text("Total Entries:"), "0");
}

TEST_F(SecuritySimTest, ArpEntryForAnExistingGatewayIsNotAddedAndTheEntryStays) {
    Start("10p", Entry(0));  // 10.0.0.1
    CArpSpoofingDlg dlg;
    DialogDriver d(env, dlg);
    ASSERT_TRUE(d.waitRows(kList, 1));
    ASSERT_TRUE(d.waitEnabled("&Refresh"));
    sim.clearLog();
    env.onChild(kTitle, [&](DialogDriver& c) {
        ASSERT_TRUE(c.waitEnabled("&Apply"));  // once the trunk map is in
        c.type(kIp, "10.0.0.1");
        c.type(kMac, "00-11-22-33-44-66");
        c.env().answer(MsgAnswer::Ok);
        c.click("&Apply");
        ASSERT_TRUE(c.env().waitUntil([&] { return !c.form().writing(); }));
        EXPECT_FALSE(c.ended());
        c.click("&Cancel");
    });
    d.click("&Add");
    EXPECT_EQ(env.takeMessages().back(),
              "The ARP Spoofing Prevention entry could not be added: the switch already holds an entry for 10.0.0.1.");
    // Only a read of the row went out: the existing entry was neither written over nor taken away.
    EXPECT_TRUE(sim.sets().empty());
    ASSERT_TRUE(d.waitEnabled("&Refresh"));
    EXPECT_EQ(d.rows(kList), (std::vector<Strings>{{"1", "10.0.0.1", "00-11-22-33-44-00", "1", "Active"}}));
}

// Rows left unfinished (by a creation whose reply was lost, or an earlier failed try) take one of
// the 64 places: they are listed with their status, counted, and Delete removes them.
TEST_F(SecuritySimTest, ArpUnfinishedRowsAreListedCountedAndDeletable) {
    std::vector<std::string> state;
    for (int n = 0; n < 62; ++n)
        for (const auto& l : Entry(n)) state.push_back(l);
    for (const auto& l : Entry(62, "2")) state.push_back(l);  // 10.0.0.63, not in service
    for (const auto& l : Entry(63, "3")) state.push_back(l);  // 10.0.0.64, not ready
    Start("10p", state);
    CArpSpoofingDlg dlg;
    DialogDriver d(env, dlg);
    ASSERT_TRUE(d.waitRows(kList, 64, std::chrono::seconds(10)));
    ASSERT_TRUE(d.waitEnabled("&Refresh"));
    EXPECT_EQ(d.text("Total Entries:"), "64");
    EXPECT_EQ(d.rows(kList)[62], (Strings{"63", "10.0.0.63", "00-11-22-33-44-3E", "1", "Not in service"}));
    EXPECT_EQ(d.rows(kList)[63], (Strings{"64", "10.0.0.64", "00-11-22-33-44-3F", "1", "Not ready"}));
    d.click("&Add");
    EXPECT_EQ(env.takeMessages(), Strings{"The Maximum of Entry is 64, can not add any more"});

    sim.clearLog();
    d.clickRow(kList, 63);
    d.click("&Delete");
    ASSERT_TRUE(Written(dlg));
    EXPECT_EQ(sim.setBindings(), Strings{kArpRowStatus + ".10.0.0.64=6"});
    ASSERT_TRUE(env.waitUntil([&] { return !dlg.Walking() && !dlg.writing() && d.rowCount(kList) == 63; },
                              std::chrono::seconds(10)));
    EXPECT_EQ(d.text("Total Entries:"), "63");
    EXPECT_EQ(d.rows(kList)[62][1], "10.0.0.63");
    EXPECT_TRUE(env.takeMessages().empty());
    // The place is free again: Add opens the entry form.
    env.onChild(kTitle, [](DialogDriver& c) { c.click("&Cancel"); });
    d.click("&Add");
    EXPECT_EQ(env.childHistory().size(), 1u);
}

// A creation the switch took but whose reply was lost leaves a row not in service: the entry
// form reads it back and finishes it, or removes it when the values are refused. An activation
// whose reply was lost is read back too, and the entry it made stays.
TEST_F(SecuritySimTest, ArpEntryWhoseCreationReplyWasLostIsFinishedOrRemoved) {
    // A few gets first, so that the requests after the lost one stay below the next lost one
    // (the switch loses every n-th request) however few the form sends before its creation.
    const auto pad = [] {
        CCommonSnmp session;
        ReplyRow row;
        for (int i = 0; i < 6; ++i) ASSERT_TRUE(features::GetNow(session, {"1.3.6.1.2.1.1.5.0"}, false, row));
    };
    // The requests sent before the creation: the padding and the form's trunk walk.
    size_t before = 0;
    {
        ASSERT_NO_FATAL_FAILURE(Start("10p"));
        ASSERT_NO_FATAL_FAILURE(pad());
        CArpSpoofingEntryDlg dlg(10);
        DialogDriver d(env, dlg);
        ASSERT_TRUE(d.waitEnabled("&Apply"));
        before = sim.requests().size();
        sim.stop();
    }
    ASSERT_GT(before, 3u);  // the requests after the lost one stay below the next lost one
    const std::string ip = ".99.1.1.1";
    const Strings written = {kArpRowStatus + ip + "=5", kArpMac + ip + "=001122334455", kArpPorts + ip + "=40000000",
                             kArpRowStatus + ip + "=1"};
    struct Case {
        const char* name;
        size_t lost;  // the request whose reply is lost: 0 the creation, 2 the activation
        std::vector<std::string> refuse;
        bool added;
        Strings messages;
        Strings sent;
    };
    const Case cases[] = {
        {"creation unanswered: finished", 0, {}, true, {}, written},
        {"activation unanswered: kept", 2, {}, true, {}, written},
        {"creation unanswered, values refused: removed",
         0,
         {"--set-error", kArpMac + ":genErr"},
         false,
         {"The ARP Spoofing Prevention entry could not be added: the switch refused the value (genErr). The unfinished "
          "entry was removed."},
         {kArpRowStatus + ip + "=5", kArpMac + ip + "=001122334455", kArpPorts + ip + "=40000000",
          kArpRowStatus + ip + "=6"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        // The form reads the entry's row first: the creation is the request after it.
        const size_t lostAt = before + 1 + c.lost;
        std::vector<std::string> args = {"--drop-every", std::to_string(lostAt + 1), "--drop-replies"};
        args.insert(args.end(), c.refuse.begin(), c.refuse.end());
        ASSERT_NO_FATAL_FAILURE(Start("10p", {}, args));
        ASSERT_NO_FATAL_FAILURE(pad());
        {
            CArpSpoofingEntryDlg dlg(10);
            DialogDriver d(env, dlg);
            ASSERT_TRUE(d.waitEnabled("&Apply"));
            ASSERT_EQ(sim.requests().size(), before);
            d.type(kIp, "99.1.1.1");
            d.type(kMac, "00-11-22-33-44-55");
            d.tickPort(kGrid, 0, 2);
            env.answer(MsgAnswer::Ok);
            d.click("&Apply");
            ASSERT_TRUE(env.waitUntil([&] { return !dlg.writing(); }, std::chrono::seconds(15)));
            EXPECT_EQ(d.ended(), c.added);
            Strings shown = env.takeMessages();
            ASSERT_FALSE(shown.empty());
            shown.erase(shown.begin());  // the confirmation
            EXPECT_EQ(shown, c.messages);
        }
        EXPECT_EQ(sim.setBindings(), c.sent);
        const auto requests = sim.requests();
        ASSERT_GT(requests.size(), lostAt);
        EXPECT_EQ(requests[lostAt].pdu, "set");
        EXPECT_EQ(requests[lostAt].lost, "reply");  // taken, unanswered
        // What the switch holds: the finished entry, or no row at all.
        if (c.added) {
            CArpSpoofingDlg list;
            DialogDriver l(env, list);
            ASSERT_TRUE(l.waitEnabled("&Refresh"));
            EXPECT_EQ(l.rows(kList), (std::vector<Strings>{{"1", "99.1.1.1", "00-11-22-33-44-55", "2", "Active"}}));
        } else {
            EXPECT_TRUE(ColumnEmpty(kArpRowStatus));
        }
        sim.stop();
    }
}

}  // namespace
}  // namespace securitytest

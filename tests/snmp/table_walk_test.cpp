// The shared table walk against the virtual switch: rows in order, the end of the table, a
// handler that stops early, and walks that are closed or destroyed while a step is out.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <memory>

#include "platform/headless_ui.h"
#include "snmp/table_walk.h"
#include "support/sim_fixture.h"

namespace {

using namespace std::chrono_literals;

const std::string kIfIndex = "1.3.6.1.2.1.2.2.1.1";
const std::string kIfDescr = "1.3.6.1.2.1.2.2.1.2";
const std::string kIfOper = "1.3.6.1.2.1.2.2.1.8";

class TableWalkTest : public ::testing::Test {
protected:
    void SetUp() override {
        platform::setUi(&ui_);
        std::string error;
        ASSERT_TRUE(sim_.start("10p", {}, &error)) << error;
    }
    void TearDown() override { sim_.stop(); }

    size_t getNextCount() const {
        size_t n = 0;
        for (auto& r : sim_.requests()) n += r.pdu == "getnext";
        return n;
    }

    platform::HeadlessUi ui_;
    corvex::test::SimDevice sim_;
};

TEST_F(TableWalkTest, RowsArriveInColumnOrderUntilTheTableEnds) {
    CCommonSnmp session(sim_.settings());
    CTableWalk walk(session);
    std::vector<std::string> indexes, instances;
    size_t widths = 0;
    int endStatus = 99;
    ASSERT_TRUE(walk.Start(
        {kIfIndex, kIfDescr, kIfOper},
        [&](const ReplyRow& row, CSnmp&) {
            indexes.push_back(row.text(0));
            instances.push_back(row.instance(2, kIfOper));
            widths = std::max(widths, row.size());
            return true;
        },
        [&](int status) { endStatus = status; }));
    ASSERT_TRUE(ui_.runUntil([&] { return endStatus != 99; }, 10s));
    EXPECT_EQ(endStatus, CSnmp4w::EC_END_OF_TABLE);
    EXPECT_FALSE(walk.Running());
    EXPECT_TRUE(session.WaitDone(0));
    // Ten ports and the CPU interface above them, in index order, each row with all three columns.
    ASSERT_GE(indexes.size(), 11u);
    for (size_t i = 0; i < 10; ++i) {
        EXPECT_EQ(indexes[i], std::to_string(i + 1));
        EXPECT_EQ(instances[i], std::to_string(i + 1));
    }
    EXPECT_EQ(widths, 3u);
    EXPECT_EQ(getNextCount(), indexes.size() + 1);  // the last step finds the end
}

TEST_F(TableWalkTest, HandlerThatStopsEndsTheWalkWithoutAnotherRequest) {
    CCommonSnmp session(sim_.settings());
    CTableWalk walk(session);
    int rows = 0, endStatus = 99;
    ASSERT_TRUE(walk.Start(
        {kIfIndex}, [&](const ReplyRow&, CSnmp&) { return ++rows < 3; }, [&](int status) { endStatus = status; }));
    ASSERT_TRUE(ui_.runUntil([&] { return endStatus != 99; }, 10s));
    EXPECT_EQ(endStatus, 0);
    EXPECT_EQ(rows, 3);
    ui_.runFor(200ms);
    EXPECT_EQ(getNextCount(), 3u);

    // The same walker starts again from the end handler's point of view: a fresh walk.
    endStatus = 99;
    rows = -100;
    ASSERT_TRUE(walk.Start(
        {kIfIndex}, [&](const ReplyRow&, CSnmp&) { return ++rows < 0; }, [&](int status) { endStatus = status; }));
    ASSERT_TRUE(ui_.runUntil([&] { return endStatus != 99; }, 10s));
    EXPECT_EQ(endStatus, CSnmp4w::EC_END_OF_TABLE);
}

TEST_F(TableWalkTest, ClosedOrDestroyedWalksTouchNothing) {
    // Closed while a step is out: neither handler runs, and no further step is sent.
    {
        CCommonSnmp session(sim_.settings());
        CTableWalk walk(session);
        bool touched = false;
        ASSERT_TRUE(walk.Start(
            {kIfIndex}, [&](const ReplyRow&, CSnmp&) { return touched = true; }, [&](int) { touched = true; }));
        session.Close();
        ui_.runFor(300ms);
        EXPECT_FALSE(touched);
    }
    sim_.clearLog();
    // The walker destroyed while its session stays open: the late reply is dropped.
    CCommonSnmp session(sim_.settings());
    bool touched = false;
    {
        auto walk = std::make_unique<CTableWalk>(session);
        ASSERT_TRUE(walk->Start(
            {kIfIndex}, [&](const ReplyRow&, CSnmp&) { return touched = true; }, [&](int) { touched = true; }));
    }
    ASSERT_TRUE(ui_.runUntil([&] { return getNextCount() >= 1; }, 5s));
    ui_.runFor(300ms);
    EXPECT_FALSE(touched);
    EXPECT_EQ(getNextCount(), 1u);
}

TEST_F(TableWalkTest, SilentDeviceEndsWithAFailureAndNoRows) {
    corvex::test::SimDevice quiet;
    std::string error;
    ASSERT_TRUE(quiet.start("10p", {"--drop-prefix", "1.3.6.1.2.1.2"}, &error)) << error;
    SessionSettings settings = quiet.settings();
    settings.TimeoutMs = "300";
    CCommonSnmp session(settings);
    CTableWalk walk(session);
    int rows = 0, endStatus = 99;
    ASSERT_TRUE(walk.Start(
        {kIfIndex}, [&](const ReplyRow&, CSnmp&) { return ++rows > 0; }, [&](int status) { endStatus = status; }));
    ASSERT_TRUE(ui_.runUntil([&] { return endStatus != 99; }, 10s));
    EXPECT_NE(endStatus, CSnmp4w::EC_NO_ERROR);
    EXPECT_NE(endStatus, CSnmp4w::EC_END_OF_TABLE);
    EXPECT_EQ(rows, 0);
}

TEST_F(TableWalkTest, NextFirstAsksForTheNextRowBeforeTheHandlerRuns) {
    CCommonSnmp session(sim_.settings());
    CTableWalk walk(session);
    CTableWalk::Options options;
    options.nextFirst = true;
    std::vector<std::string> indexes;
    int endStatus = 99;
    ASSERT_TRUE(walk.Start(
        {kIfIndex, kIfOper},
        [&](const ReplyRow& row, CSnmp&) {
            indexes.push_back(row.text(0));
            return false;  // not used: the next step is already out
        },
        [&](int status) { endStatus = status; }, options));
    ASSERT_TRUE(ui_.runUntil([&] { return endStatus != 99; }, 10s));
    EXPECT_EQ(endStatus, CSnmp4w::EC_END_OF_TABLE);
    // Every row arrives although the handler said stop: the next step was out before it ran.
    ASSERT_GE(indexes.size(), 11u);
    for (size_t i = 0; i < 10; ++i) EXPECT_EQ(indexes[i], std::to_string(i + 1));
    EXPECT_EQ(getNextCount(), indexes.size() + 1);
}

TEST_F(TableWalkTest, ShortRowEndsTheWalkWithoutARow) {
    CCommonSnmp session(sim_.settings());
    CTableWalk walk(session);
    CTableWalk::Options options;
    options.minValues = 3;  // two columns asked: every reply is short
    int rows = 0, endStatus = 99;
    ASSERT_TRUE(walk.Start(
        {kIfIndex, kIfOper}, [&](const ReplyRow&, CSnmp&) { return ++rows > 0; },
        [&](int status) { endStatus = status; }, options));
    ASSERT_TRUE(ui_.runUntil([&] { return endStatus != 99; }, 10s));
    EXPECT_EQ(endStatus, 0);
    EXPECT_EQ(rows, 0);
    EXPECT_TRUE(session.WaitDone(0));
    ui_.runFor(200ms);
    EXPECT_EQ(getNextCount(), 1u);
}

TEST_F(TableWalkTest, ReadSendsOneGetAndHandsOverItsValues) {
    CCommonSnmp session(sim_.settings());
    CTableWalk walk(session);
    std::vector<ReplyRow> replies;
    int endStatus = 99;
    ASSERT_TRUE(walk.Read(
        {"1.3.6.1.2.1.2.2.1.1.3", "1.3.6.1.2.1.2.2.1.1.4"},
        [&](const ReplyRow& row, CSnmp&) {
            replies.push_back(row);
            return true;  // not used: a read is one step
        },
        [&](int status) { endStatus = status; }));
    ASSERT_TRUE(ui_.runUntil([&] { return endStatus != 99; }, 10s));
    EXPECT_EQ(endStatus, 0);
    ASSERT_EQ(replies.size(), 1u);
    ASSERT_EQ(replies[0].size(), 2u);
    EXPECT_EQ(replies[0].text(0), "3");
    EXPECT_EQ(replies[0].text(1), "4");
    EXPECT_TRUE(replies[0].present(1));
    EXPECT_FALSE(replies[0].present(2));
    EXPECT_TRUE(session.WaitDone(0));
    ui_.runFor(200ms);
    size_t gets = 0;
    for (auto& r : sim_.requests()) gets += r.pdu == "get";
    EXPECT_EQ(gets, 1u);
    EXPECT_EQ(getNextCount(), 0u);
}

// Many sessions of one SNMPv3 user opening and walking at once (as a dialog with a dozen
// sessions does): none of them takes the user's keys away from the others, every walk gets
// every row.
TEST_F(TableWalkTest, V3SessionsOfOneUserWalkingAtOnceAllSucceed) {
    sim_.stop();
    std::string error;
    ASSERT_TRUE(sim_.start("10p", {"--user", "walker3:SHA:walkerAuth1:DES:walkerPriv1"}, &error)) << error;
    SessionSettings settings = sim_.settings();
    settings.SnmpVersion = "3";
    settings.SecurityLevel = "3";
    settings.UserName = "walker3";
    settings.AuthPassword = "walkerAuth1";
    settings.PrivPassword = "walkerPriv1";
    settings.AuthProtocol = "3";
    settings.PrivProtocol = "2";
    constexpr int kSessions = 12;
    for (int round = 0; round < 4; ++round) {
        SCOPED_TRACE(round);
        std::vector<std::unique_ptr<CCommonSnmp>> sessions;
        std::vector<std::unique_ptr<CTableWalk>> walks;
        std::vector<int> rows(kSessions, 0), ends(kSessions, 99);
        for (int i = 0; i < kSessions; ++i) {
            sessions.push_back(std::make_unique<CCommonSnmp>(settings));
            walks.push_back(std::make_unique<CTableWalk>(*sessions.back()));
            ASSERT_TRUE(walks.back()->Start(
                {kIfDescr},
                [&rows, i](const ReplyRow&, CSnmp&) {
                    ++rows[static_cast<size_t>(i)];
                    return true;
                },
                [&ends, i](int status) { ends[static_cast<size_t>(i)] = status; }));
        }
        ASSERT_TRUE(ui_.runUntil([&] { return std::count(ends.begin(), ends.end(), 99) == 0; }, 30s));
        EXPECT_EQ(ends, std::vector<int>(kSessions, CSnmp4w::EC_END_OF_TABLE));
        EXPECT_EQ(rows, std::vector<int>(kSessions, 11));
        walks.clear();
        for (auto& s : sessions) s->Close();
    }
}

TEST(ReplyRowTest, InstanceIsTheOidPartAfterTheColumn) {
    ReplyRow row;
    row.values.push_back({"1.3.6.1.2.1.2.2.1.8.12", SNMP_T_INTEGER, "1", {}, 0});
    EXPECT_EQ(row.instance(0, "1.3.6.1.2.1.2.2.1.8"), "12");
    EXPECT_EQ(row.instance(0, ".1.3.6.1.2.1.2.2.1.8"), "12");
    EXPECT_EQ(row.instance(0, "1.3.6.1.2.1.2.2.1.80"), "");   // another column that shares digits
    EXPECT_EQ(row.instance(0, "1.3.6.1.2.1.2.2.1.8.12"), "");  // no instance left
    EXPECT_EQ(row.instance(1, "1.3.6.1.2.1.2.2.1.8"), "");     // no such value
    EXPECT_EQ(row.text(5), "");
    EXPECT_TRUE(row.bytes(5).empty());
    EXPECT_TRUE(row.present(0));
    EXPECT_FALSE(row.present(5));
    EXPECT_FALSE(row.value(5).present);
}

}  // namespace

// SNMPv3 walks fetch ahead with GETBULK, and walks that ask for each row before handling the
// last one read ahead with get-next: whatever the table's shape, the rows handed to the walk's
// callback, its end status and its failure are those of a step-by-step get-next walk of the same
// switch (SNMPv1, one get-next per row on the wire).
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <fstream>
#include <regex>
#include <string>
#include <vector>

#include "platform/headless_ui.h"
#include "snmp/table_walk.h"
#include "support/sim_fixture.h"

namespace {

using namespace std::chrono_literals;

const std::string kFdbPort = "1.3.6.1.2.1.17.7.1.2.2.1.2";
const std::string kIfIndex = "1.3.6.1.2.1.2.2.1.1";
const std::string kIfOper = "1.3.6.1.2.1.2.2.1.8";
const std::string kFdbStatus = "1.3.6.1.2.1.17.7.1.2.2.1.3";
// A walk that sends one get-next per row and one more to see the end.
constexpr size_t kOnePerRow = static_cast<size_t>(-1);
const std::string kV3User = "bulker:SHA:bulkAuth01:DES:bulkPriv01";

struct Walked {
    std::vector<std::string> rows;  // "oid=value|oid=value..." per callback
    int end = 99;
    SnmpFailure failure = SnmpFailure::None;
};

class BulkWalk : public ::testing::Test {
protected:
    void SetUp() override { platform::setUi(&ui_); }

    // A forwarding table of `rows` rows: the switch's own address and rows-1 preloaded ones whose
    // indexes all encode alike (so every bulk reply of the walk asks for as many rows).
    void start(int rows, std::vector<std::string> args = {}) {
        std::vector<std::string> state;
        for (int i = 1; i < rows; ++i) state.push_back(kFdbPort + ".1.0.0.0.0." + std::to_string(i / 100) + "." +
                                                       std::to_string(i % 100) + " i " + std::to_string(i % 10 + 1));
        args.insert(args.end(), {"--fdb", "0", "--user", kV3User});
        if (!state.empty()) args.insert(args.end(), {"--state", sim_.writeStateFile(state)});
        std::string error;
        ASSERT_TRUE(sim_.start("10p", args, &error)) << error;
    }

    SessionSettings v3() const {
        SessionSettings s = sim_.settings();
        s.SnmpVersion = "3";
        s.SecurityLevel = "3";
        s.UserName = "bulker";
        s.AuthProtocol = "3";
        s.AuthPassword = "bulkAuth01";
        s.PrivProtocol = "2";
        s.PrivPassword = "bulkPriv01";
        return s;
    }

    // stopAfter: the row handler closes the session after that many rows.
    Walked walk(const SessionSettings& settings, const std::vector<std::string>& columns, size_t maxRows = 0,
                bool nextFirst = false, int stepTimeoutMs = 0, size_t stopAfter = 0) {
        CCommonSnmp session(settings);
        CTableWalk w(session);
        CTableWalk::Options options;
        options.maxRows = maxRows;
        options.nextFirst = nextFirst;
        options.stepTimeoutMs = stepTimeoutMs;
        Walked out;
        EXPECT_TRUE(w.Start(
            columns,
            [&](const ReplyRow& row, CSnmp&) {
                std::string text;
                for (const auto& v : row.values) text += v.oid + "=" + v.text + "|";
                out.rows.push_back(text);
                if (out.rows.size() == stopAfter) {
                    session.Close();
                    out.end = 100;
                }
                return true;
            },
            [&](int status) { out.end = status; }, options));
        EXPECT_TRUE(ui_.runUntil([&] { return out.end != 99; }, 30s));
        if (stopAfter) ui_.runUntil([] { return false; }, 300ms);  // nothing may follow the close
        out.failure = session.LastFailure();
        return out;
    }

    // The max-repetitions of every GETBULK logged since the last clearLog, and the get-next count.
    std::vector<int> bulkRepetitions() const {
        const std::vector<corvex::test::SimRequest> kept = sim_.requests();
        std::vector<int> reps;
        if (kept.empty()) return reps;
        std::ifstream in(sim_.directory() + "/requests.jsonl");
        const std::regex re("\"seq\":([0-9]+),.*\"pdu\":\"getbulk\".*\"max_repetitions\":([0-9]+)");
        std::smatch m;
        for (std::string line; std::getline(in, line);)
            if (std::regex_search(line, m, re) && std::stol(m[1]) >= kept.front().seq) reps.push_back(std::stoi(m[2]));
        return reps;
    }
    size_t getNexts() const {
        size_t n = 0;
        for (const auto& r : sim_.requests()) n += r.pdu == "getnext";
        return n;
    }

    platform::HeadlessUi ui_;
    corvex::test::SimDevice sim_;
};

// Table shapes around the size of the bulk replies (learnt from a first walk): rows
// and end equal a get-next walk's, a v1 walk sends one get-next per row, and the v3 walk
// sends the GETBULK requests the shape calls for (a table ending on a reply boundary needs one
// more to see its end).
TEST_F(BulkWalk, RowsEqualAGetNextWalk) {
    // The first GETBULK asks for r1 rows (guessed from the column), the next ones for r2 (from
    // the rows of the first reply; all rows but the switch's own address, the last one, encode
    // alike).
    start(100);
    sim_.clearLog();
    ASSERT_EQ(100u, walk(v3(), {kFdbPort}).rows.size());
    const std::vector<int> learnt = bulkRepetitions();
    ASSERT_GE(learnt.size(), 3u);
    const int r1 = learnt[0], r2 = learnt[1];
    ASSERT_GE(r1 + r2, 12);  // two replies hold more rows than the 11 interfaces
    // A row of the port column (a small integer) takes about 29 octets: the replies after the
    // first fill the 1024-octet message but for its headers.
    EXPECT_GE(r2, (1024 - 180) / 30);

    struct Case {
        const char* name;
        int tableRows;
        std::vector<std::string> columns;
        size_t maxRows;
        std::vector<std::string> simArgs;
        size_t bulks;     // GETBULK requests of the v3 walk (0: not checked)
        size_t getNexts;  // get-next requests of the v3 walk
    };
    const std::vector<Case> cases = {
        {"ends inside the second reply", r1 + r2 / 2, {kFdbPort}, 0, {}, 2, 0},
        {"ends at a reply boundary", r1 + r2, {kFdbPort}, 0, {}, 3, 0},
        {"second column ends first", r1 + r2, {kFdbPort, kIfIndex}, 0, {}, 0, 0},
        {"first column ends first", r1 + r2, {kIfIndex, kFdbPort}, 0, {}, 0, 0},
        {"row bound inside a reply", r1 + r2, {kFdbPort}, static_cast<size_t>(r1 + 1), {}, 0, 0},
        {"agent refuses GETBULK", r1 + 2, {kFdbPort, kFdbStatus}, 0, {"--no-bulk"}, 1, kOnePerRow},
        {"OID repeats inside a reply", r1 + r2, {kFdbPort}, 0, {"--loop-at", kFdbPort + ".1.0.0.0.0.0.3"}, 1, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        start(c.tableRows, c.simArgs);
        const Walked byGetNext = walk(sim_.settings(), c.columns, c.maxRows);
        if (c.columns.size() == 1 && c.maxRows == 0) {
            EXPECT_EQ(byGetNext.rows.size() + 1, getNexts());  // v1: one get-next per row, one to see the end
        }
        EXPECT_TRUE(bulkRepetitions().empty());
        sim_.clearLog();

        const Walked byBulk = walk(v3(), c.columns, c.maxRows);
        EXPECT_EQ(byGetNext.rows, byBulk.rows);
        EXPECT_EQ(byGetNext.end, byBulk.end);
        EXPECT_EQ(byGetNext.failure, byBulk.failure);
        const std::vector<int> reps = bulkRepetitions();
        if (c.bulks) {
            EXPECT_EQ(c.bulks, reps.size());
        }
        EXPECT_EQ(c.getNexts == kOnePerRow ? byGetNext.rows.size() + 1 : c.getNexts, getNexts());
        if (c.columns.size() == 1 && reps.size() >= 2) {
            EXPECT_EQ(r1, reps[0]);
            EXPECT_EQ(r2, reps[1]);
        }
    }
}

// Reading ahead (the worker sends each get-next as soon as the row before it arrives) hands the
// same rows, end and failure to the walk as stepping, with the same requests on the wire but
// when the walk stops before the table ends: at its bound, at most the rows read ahead more.
TEST_F(BulkWalk, ReadingAheadChangesOnlyWhenRequestsGoOut) {
    struct Case {
        const char* name;
        int tableRows;
        std::vector<std::string> columns;
        std::vector<std::string> simArgs;
        bool v3 = false;   // SNMPv3 with GETBULK refused: read ahead with get-next
        size_t maxRows = 0;
        int stepTimeoutMs = 0;
    };
    const std::vector<Case> cases = {
        {"one column", 300, {kFdbPort}, {}},
        {"columns ending at different rows", 60, {kFdbPort, kIfIndex}, {}},
        {"proxy marker first", 60, {kFdbPort, kIfIndex}, {"--proxy-marker", "first"}},
        {"proxy marker last", 80, {kFdbPort}, {"--proxy-marker", "last"}},
        {"OID repeats", 80, {kFdbPort}, {"--loop-at", kFdbPort + ".1.0.0.0.0.0.40"}},
        {"reply with error status", 10, {kFdbPort}, {"--bad-reply", "status"}},
        {"switch falls silent", 80, {kFdbPort}, {"--silent-after", "50"}, false, 0, 300},
        {"row bound", 300, {kFdbPort}, {}, false, 100},
        {"SNMPv3 without GETBULK", 60, {kFdbPort, kIfIndex}, {"--no-bulk"}, true},
    };
    // Two switches are walked one after the other: the columns stay clear of the interface
    // table's time stamps (ifLastChange), which differ between them.
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        start(c.tableRows, c.simArgs);
        const Walked stepping = walk(c.v3 ? v3() : sim_.settings(), c.columns, c.maxRows, false, c.stepTimeoutMs);
        const size_t steppingRequests = getNexts();
        start(c.tableRows, c.simArgs);  // a fresh switch: --silent-after counts from its start
        const Walked reading = walk(c.v3 ? v3() : sim_.settings(), c.columns, c.maxRows, true, c.stepTimeoutMs);
        EXPECT_EQ(stepping.rows, reading.rows);
        EXPECT_EQ(stepping.end, reading.end);
        EXPECT_EQ(stepping.failure, reading.failure);
        if (c.maxRows) {
            EXPECT_EQ(c.maxRows, reading.rows.size());
            EXPECT_LE(getNexts(), steppingRequests + CSnmpTable::kReadAheadRows);
        } else {
            EXPECT_EQ(steppingRequests, getNexts());  // a silent switch is not asked twice either
        }
    }
    // Closed from the row handler, the walk hands over nothing more, whatever it read ahead.
    start(300);
    const Walked closed = walk(sim_.settings(), {kFdbPort}, 0, true, 0, 40);
    EXPECT_EQ(40u, closed.rows.size());
    EXPECT_EQ(100, closed.end);
}

// Rows of different sizes: one large row makes the next GETBULK ask for fewer rows, and the
// requests after it ask for as many as before it again; every SNMPv3 message advertises a
// maximum message size of 1024 octets, and the rows equal a get-next walk's.
TEST_F(BulkWalk, RepetitionsFollowTheRowsThatArrive) {
    const std::string column = "1.3.6.1.2.1.99.1.1";  // a column of nothing else the switch serves
    std::vector<std::string> state;
    // Indexes 1000..1299 and texts of one length: every row but the large one encodes alike.
    for (int i = 1000; i < 1300; ++i)
        state.push_back(column + "." + std::to_string(i) + " s " + (i == 1040 ? std::string(600, 'L') : "row" + std::to_string(i)));
    std::string error;
    ASSERT_TRUE(sim_.start("10p", {"--fdb", "0", "--user", kV3User, "--state", sim_.writeStateFile(state)}, &error))
        << error;
    const Walked byGetNext = walk(sim_.settings(), {column});
    ASSERT_EQ(300u, byGetNext.rows.size());
    sim_.clearLog();
    const Walked byBulk = walk(v3(), {column});
    EXPECT_EQ(byGetNext.rows, byBulk.rows);
    EXPECT_EQ(byGetNext.end, byBulk.end);

    std::vector<long> reps;
    size_t v3Requests = 0;
    for (const auto& r : sim_.requests()) {
        if (r.version != "3") continue;
        ++v3Requests;
        EXPECT_EQ(1024, r.maxSize) << r.pdu << " " << r.seq;
        if (r.pdu == "getbulk") reps.push_back(r.maxRepetitions);
    }
    ASSERT_GE(v3Requests, 4u);
    ASSERT_GE(reps.size(), 4u);
    // reps[1] is sized from the first reply's short rows; the reply holding the large row comes
    // later and the request after it asks for fewer rows.
    const long learnt = reps[1];
    ASSERT_GT(learnt, 10);
    const auto low = std::min_element(reps.begin() + 2, reps.end());
    EXPECT_LT(*low, learnt / 2);
    ASSERT_NE(low, reps.end() - 1) << "the walk ended before the repetitions could recover";
    EXPECT_GE(*std::max_element(low, reps.end()), learnt) << "repetitions stayed low after one large row";
    // Short rows only: about as many requests as the rows need at the learnt size, not at the
    // large row's.
    std::string sequence;
    for (long r : reps) sequence += std::to_string(r) + " ";
    EXPECT_LE(reps.size(), 300 / static_cast<size_t>(learnt) + 6) << sequence;
}

}  // namespace

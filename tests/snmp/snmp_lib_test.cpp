// Request building, reply reading and the walk rules, without a peer.
#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <optional>
#include <random>

#include "platform/headless_ui.h"
#include "snmp/common_snmp.h"
#include "snmp/snmp_lib.h"
#include "snmp/snmp_transport.h"
#include "snmp/table_walk.h"

namespace {

CSnmpV1* Reply(std::vector<CSnmp::Binding> bindings, int errorStatus = 0) {
    auto* reply = new CSnmpV1(0);
    reply->mutableBindings() = std::move(bindings);
    reply->setErrorInfo(errorStatus, errorStatus ? 1 : 0);
    return reply;
}

CSnmp::Binding Bind(const std::string& oid, int type, const std::string& value = "") {
    CSnmp::Binding b;
    b.oid = oid;
    b.type = type;
    b.value.assign(value.begin(), value.end());
    return b;
}

TEST(SnmpRequest, AddValueChecksOidAndValueText) {
    CSnmpV1 r(0);
    EXPECT_EQ(0, r.addValue("1.3.6.1.2.1.1.5.0", SNMP_T_NULL, nullptr));
    EXPECT_EQ(0, r.addValue(".1.3.6.1.2.1.1.5.0", SNMP_T_INTEGER, "-2147483648"));
    EXPECT_EQ(0, r.addValue("1.3.6.1", SNMP_T_UNSIGNED, "4294967295"));
    EXPECT_EQ(0, r.addValue("1.3.6.1", SNMP_T_IPADDRESS, "10.0.0.1"));
    EXPECT_EQ(4, r.getValuesCount());
    std::string oid;
    ASSERT_EQ(0, r.getOid(1, oid));
    EXPECT_EQ("1.3.6.1.2.1.1.5.0", oid);  // the leading dot is dropped

    // Anything that cannot be encoded is refused and adds nothing.
    EXPECT_NE(0, r.addValue(nullptr, SNMP_T_NULL, nullptr));
    EXPECT_NE(0, r.addValue("", SNMP_T_NULL, nullptr));
    EXPECT_NE(0, r.addValue("1.3.x.1", SNMP_T_NULL, nullptr));
    EXPECT_NE(0, r.addValue("1.3..1", SNMP_T_NULL, nullptr));
    EXPECT_NE(0, r.addValue("1.3.6.", SNMP_T_NULL, nullptr));
    EXPECT_NE(0, r.addValue("1.3.4294967296", SNMP_T_NULL, nullptr));
    EXPECT_NE(0, r.addValue("1.3.6", SNMP_T_INTEGER, "12a"));
    EXPECT_NE(0, r.addValue("1.3.6", SNMP_T_INTEGER, "2147483648"));
    EXPECT_NE(0, r.addValue("1.3.6", SNMP_T_INTEGER, nullptr));
    EXPECT_NE(0, r.addValue("1.3.6", SNMP_T_UNSIGNED, "-1"));
    EXPECT_NE(0, r.addValue("1.3.6", SNMP_T_UNSIGNED, "4294967296"));
    EXPECT_NE(0, r.addValue("1.3.6", SNMP_T_IPADDRESS, "10.0.0.256"));
    EXPECT_NE(0, r.addValue("1.3.6", 3, "1"));
    EXPECT_NE(0, r.addValue("1.3.6", SNMP_T_OCTETS, nullptr, -1));
    EXPECT_NE(0, r.addValue("1.3.6", SNMP_T_OCTETS, nullptr, 3));
    std::string tooLong = "1";
    for (int i = 0; i < 130; ++i) tooLong += ".1";
    EXPECT_NE(0, r.addValue(tooLong.c_str(), SNMP_T_NULL, nullptr));
    EXPECT_EQ(4, r.getValuesCount());
}

TEST(SnmpRequest, OctetStringsKeepEveryByteButTextStopsAtNul) {
    CSnmpV1 r(0);
    const unsigned char mac[] = {0x00, 0x1b, 0x00, 0xff, 0x10, 0x20};
    ASSERT_EQ(0, r.addValue("1.3.6.1.4", SNMP_T_OCTETS, mac, 6));
    ASSERT_EQ(0, r.addValue("1.3.6.1.5", SNMP_T_OCTETS, "abc"));
    int type = 0;
    std::vector<uint8_t> raw;
    ASSERT_EQ(0, r.getValue(0, type, raw));
    EXPECT_EQ(SNMP_T_OCTETS, type);
    EXPECT_EQ(std::vector<uint8_t>(mac, mac + 6), raw);
    std::string text;
    ASSERT_EQ(0, r.getValue(0, type, text));
    EXPECT_EQ("", text);  // the first octet is a NUL
    ASSERT_EQ(0, r.getValue(1, type, text));
    EXPECT_EQ("abc", text);
    EXPECT_NE(0, r.getValue(2, type, text));
    EXPECT_NE(0, r.getValue(-1, type, raw));
}

TEST(SnmpReply, IpAddressReadsAsDottedTextOrFourOctets) {
    std::unique_ptr<CSnmp> reply(Reply({Bind("1.3.6.1.2.1.4.20.1.1.10.0.0.1", SNMP_T_IPADDRESS, "10.0.0.1")}));
    int type = 0;
    std::string text;
    std::vector<uint8_t> raw;
    ASSERT_EQ(0, reply->getValue(0, type, text));
    EXPECT_EQ("10.0.0.1", text);
    ASSERT_EQ(0, reply->getValue(0, type, raw));
    EXPECT_EQ((std::vector<uint8_t>{10, 0, 0, 1}), raw);
}

TEST(SnmpOid, CompareAndSubtreeWorkOnArcsNotText) {
    EXPECT_LT(SnmpOidCompare("1.3.6.1.2", "1.3.6.1.10"), 0);  // text order would say otherwise
    EXPECT_GT(SnmpOidCompare("1.3.6.1.2.1", "1.3.6.1.2"), 0);
    EXPECT_EQ(0, SnmpOidCompare("1.3.6", ".1.3.6"));
    EXPECT_TRUE(SnmpOidInSubtree("1.3.6.1.2.1.2.2.1.2", "1.3.6.1.2.1.2.2.1.2.5"));
    EXPECT_FALSE(SnmpOidInSubtree("1.3.6.1.2.1.2.2.1.2", "1.3.6.1.2.1.2.2.1.20.5"));
    EXPECT_FALSE(SnmpOidInSubtree("1.3.6.1.2.1.2.2.1.2", "1.3.6.1.2.1.2.2.1.2"));
}

// The walk's text comparisons agree with the arc-by-arc ones on every OID in the library's own
// form, including arcs that are prefixes of one another in text (1 / 10 / 100), zero arcs and
// arcs of different digit counts.
TEST(SnmpOid, CanonicalComparisonsAgreeWithTheArcs) {
    std::mt19937 random(7);
    const std::vector<unsigned long> arcs = {0, 1, 2, 9, 10, 11, 19, 100, 101, 255, 4294967295ul};
    auto oid = [&] {
        std::string text = "1.3";
        for (int n = static_cast<int>(random() % 5); n >= 0; --n) text += "." + std::to_string(arcs[random() % arcs.size()]);
        return text;
    };
    for (int i = 0; i < 20000; ++i) {
        const std::string a = oid(), b = oid();
        const int expected = SnmpOidCompare(a, b);
        ASSERT_EQ(expected < 0 ? -1 : expected > 0 ? 1 : 0, SnmpCanonicalOidCompare(a, b)) << a << " vs " << b;
        ASSERT_EQ(SnmpOidInSubtree(a, b), SnmpCanonicalOidInSubtree(a, b)) << a << " under " << b;
    }
}

// The rule that decides whether one get-next step continues the walk.
TEST(SnmpWalkRule, EndsWhenTheFirstColumnIsLeftOrTheAgentSaysSo) {
    const std::vector<std::string> columns = {"1.3.6.1.2.1.2.2.1.2", "1.3.6.1.2.1.2.2.1.3"};
    const std::vector<std::string> asked = {"1.3.6.1.2.1.2.2.1.2.1", "1.3.6.1.2.1.2.2.1.3.1"};

    std::unique_ptr<CSnmp> row(Reply({Bind("1.3.6.1.2.1.2.2.1.2.2", 2, "eth0"), Bind("1.3.6.1.2.1.2.2.1.3.2", 1, "6")}));
    EXPECT_EQ(CSnmp4w::EC_NO_ERROR, SnmpWalkStepStatus(columns, asked, *row));

    std::unique_ptr<CSnmp> left(Reply({Bind("1.3.6.1.2.1.2.2.1.3.1", 1, "6"), Bind("1.3.6.1.2.1.2.2.1.4.1", 1, "1500")}));
    EXPECT_EQ(CSnmp4w::EC_END_OF_TABLE, SnmpWalkStepStatus(columns, asked, *left));

    std::unique_ptr<CSnmp> endOfView(Reply({Bind("1.3.6.1.2.1.2.2.1.2.2", SNMP_T_NONE), Bind("1.3.6.1.2.1.2.2.1.3.2", 1, "6")}));
    EXPECT_EQ(CSnmp4w::EC_END_OF_TABLE, SnmpWalkStepStatus(columns, asked, *endOfView));

    std::unique_ptr<CSnmp> noSuchName(Reply({Bind("1.3.6.1.2.1.2.2.1.2.1", SNMP_T_NULL), Bind("1.3.6.1.2.1.2.2.1.3.1", SNMP_T_NULL)}, 2));
    EXPECT_EQ(CSnmp4w::EC_END_OF_TABLE, SnmpWalkStepStatus(columns, asked, *noSuchName));

    std::unique_ptr<CSnmp> genErr(Reply({Bind("1.3.6.1.2.1.2.2.1.2.1", SNMP_T_NULL), Bind("1.3.6.1.2.1.2.2.1.3.1", SNMP_T_NULL)}, 5));
    EXPECT_EQ(CSnmp4w::EC_FAILED, SnmpWalkStepStatus(columns, asked, *genErr));

    std::unique_ptr<CSnmp> missing(Reply({Bind("1.3.6.1.2.1.2.2.1.2.2", 2, "eth0")}));
    EXPECT_EQ(CSnmp4w::EC_FAILED, SnmpWalkStepStatus(columns, asked, *missing));
}

// A peer that answers a get-next with the same or an earlier OID would make the walk loop
// forever; such a step fails (the table read so far is not the whole table).
TEST(SnmpWalkRule, NonIncreasingOidFailsTheStep) {
    const std::vector<std::string> columns = {"1.3.6.1.2.1.2.2.1.2"};
    const std::vector<std::string> asked = {"1.3.6.1.2.1.2.2.1.2.5"};
    SnmpFailure why = SnmpFailure::None;
    std::unique_ptr<CSnmp> same(Reply({Bind("1.3.6.1.2.1.2.2.1.2.5", 2, "x")}));
    EXPECT_EQ(CSnmp4w::EC_FAILED, SnmpWalkStepStatus(columns, asked, *same, &why));
    EXPECT_EQ(SnmpFailure::NotIncreasing, why);
    std::unique_ptr<CSnmp> back(Reply({Bind("1.3.6.1.2.1.2.2.1.2.3", 2, "x")}));
    EXPECT_EQ(CSnmp4w::EC_FAILED, SnmpWalkStepStatus(columns, asked, *back));
    // A later column of the same row going backwards fails it too.
    const std::vector<std::string> two = {"1.3.6.1.2.1.2.2.1.2", "1.3.6.1.2.1.2.2.1.3"};
    const std::vector<std::string> askedTwo = {"1.3.6.1.2.1.2.2.1.2.5", "1.3.6.1.2.1.2.2.1.3.5"};
    std::unique_ptr<CSnmp> secondBack(Reply({Bind("1.3.6.1.2.1.2.2.1.2.6", 2, "x"), Bind("1.3.6.1.2.1.2.2.1.3.5", 1, "6")}));
    EXPECT_EQ(CSnmp4w::EC_FAILED, SnmpWalkStepStatus(two, askedTwo, *secondBack));
    EXPECT_NE(SnmpFailureText(SnmpFailure::NotIncreasing).find("OID not increasing"), std::string::npos);
}

// A relay's marker binding, first or last, is no column: the step continues, and a marker in
// place of a column is still a missing column.
TEST(SnmpWalkRule, ProxyMarkerAnywhereIsLeftOut) {
    const std::vector<std::string> columns = {"1.3.6.1.2.1.2.2.1.2", "1.3.6.1.2.1.2.2.1.3"};
    const std::vector<std::string> asked = {"1.3.6.1.2.1.2.2.1.2.1", "1.3.6.1.2.1.2.2.1.3.1"};
    const auto marker = Bind("1.3.6.1.4.1.171.7777.1.0", SNMP_T_IPADDRESS, "10.0.0.9");
    const auto descr = Bind("1.3.6.1.2.1.2.2.1.2.2", 2, "eth0");
    const auto type = Bind("1.3.6.1.2.1.2.2.1.3.2", 1, "6");
    const struct {
        std::vector<CSnmp::Binding> got;
        int status;
    } cases[] = {
        {{marker, descr, type}, CSnmp4w::EC_NO_ERROR},
        {{descr, type, marker}, CSnmp4w::EC_NO_ERROR},
        {{descr, marker, type}, CSnmp4w::EC_NO_ERROR},
        {{marker, descr}, CSnmp4w::EC_FAILED},
        {{marker}, CSnmp4w::EC_FAILED},
    };
    for (size_t i = 0; i < std::size(cases); ++i) {
        std::unique_ptr<CSnmp> reply(Reply(cases[i].got));
        EXPECT_EQ(cases[i].status, SnmpWalkStepStatus(columns, asked, *reply)) << "case " << i;
    }
}

TEST(SnmpRequest, BadAddressFailsWithoutSending) {
    CSnmpV1 r(0);
    r.setType(SNMP_PDU_GET_T);
    r.setCommunity("public");
    ASSERT_EQ(0, r.addValue("1.3.6.1.2.1.1.1.0", SNMP_T_NULL, nullptr));
    for (const char* address : {"", "tcp:127.0.0.1:161", "127.0.0.1:0", "127.0.0.1:70000", "127.0.0.1:16x",
                                "/tmp/socket", "127.0.0.1 ", "unix:/x"}) {
        CSnmp* reply = reinterpret_cast<CSnmp*>(1);
        EXPECT_EQ(-1, r.send(address, &reply, 200)) << address;
        EXPECT_EQ(nullptr, reply) << address;
    }
    EXPECT_EQ(-1, r.send("127.0.0.1", nullptr, 200));
}

TEST(SnmpProxyMarker, RecognisesTheMarkerAnywhereInTheOid) {
    EXPECT_TRUE(IsProxyMarker("1.3.6.1.4.1.171.7777.1.0"));
    EXPECT_TRUE(IsProxyMarker("1.3.6.1.4.1.171.7777.1.1.2"));
    EXPECT_FALSE(IsProxyMarker("1.3.6.1.4.1.171.7777.10"));
    EXPECT_FALSE(IsProxyMarker("1.3.6.1.2.1.2.2.1.2.1"));
}

class SessionRules : public ::testing::Test {
protected:
    void SetUp() override { platform::setUi(&ui_); }
    void TearDown() override { platform::setUi(nullptr); }
    platform::HeadlessUi ui_;
};

TEST_F(SessionRules, VersionOtherThanOneOrThreeRefusesEverything) {
    for (const char* version : {"2", "0", "", "v1", "99999999999"}) {
        SessionSettings s;
        s.DeviceAddress = "127.0.0.1";
        s.SnmpVersion = version;
        CCommonSnmp session(s);
        for (int type : {0, 1, 3}) EXPECT_FALSE(session.Open(type)) << version;
        EXPECT_EQ(-1, session.AddValue("1.3.6.1.2.1.1.1.0", SNMP_T_NULL, nullptr));
        CSnmp* reply = nullptr;
        EXPECT_EQ(-1, session.Send(&reply, 0));
        EXPECT_EQ(-1, session.GetNext(&reply, 0));
        EXPECT_EQ(nullptr, reply);
        std::string suffix;
        EXPECT_EQ(-1, session.GetSuffix(0, reply, suffix));
        EXPECT_EQ(-1, session.GetNextAsync([](CSnmp*, int, void*, int) -> unsigned { return 0; }, nullptr, 0));
        EXPECT_TRUE(session.WaitDone(0));  // a refused walk leaves the done event set
    }
}

TEST_F(SessionRules, VersionOneRefusesUnknownPduTypes) {
    SessionSettings s;
    s.DeviceAddress = "127.0.0.1";
    CCommonSnmp session(s);
    EXPECT_FALSE(session.Open(2));
    EXPECT_FALSE(session.Open(4));
    EXPECT_FALSE(session.Open(-1));
    EXPECT_EQ(-1, session.AddValue("1.3.6.1.2.1.1.1.0", SNMP_T_NULL, nullptr));
    EXPECT_TRUE(session.Open(0));
    EXPECT_TRUE(session.Open(1));
    EXPECT_TRUE(session.Open(3));
}

TEST_F(SessionRules, EmptyRequestIsNotSent) {
    SessionSettings s;
    s.DeviceAddress = "127.0.0.1";
    CCommonSnmp session(s);
    ASSERT_TRUE(session.Open(0));
    CSnmp* reply = nullptr;
    auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(-1, session.Send(&reply, 0));
    EXPECT_EQ(-1, session.GetNext(&reply, 0));
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(500));
}

TEST_F(SessionRules, RowStatusAcceptsOnlyActiveCreateAndWaitAndDestroy) {
    SessionSettings s;
    s.DeviceAddress = "127.0.0.1";
    CCommonSnmp session(s);
    for (const char* bad : {"4", "0", "2", "", "11", "1 "}) {
        ui_.clearMessages();
        EXPECT_EQ(0, session.SetRowStatus("1.3.6.1.4.1.171.10.76.12.1.1", bad)) << bad;
        ASSERT_EQ(1u, ui_.messages().size()) << bad;
        EXPECT_EQ("error status value!", ui_.messages()[0].text);
    }
    ui_.clearMessages();
    EXPECT_EQ(0, session.SetRowStatus("1.3.6.1.4.1.171.10.76.12.1.1", nullptr));
    EXPECT_EQ(1u, ui_.messages().size());
}

TEST_F(SessionRules, FindRequestIdAnswersEachIdOnce) {
    SessionSettings s;
    s.DeviceAddress = "127.0.0.1";
    s.AgentPort = "9";  // discard: nobody answers, the walk step just waits
    s.TimeoutMs = "200";
    CCommonSnmp session(s);
    ASSERT_TRUE(session.Open(1));
    ASSERT_EQ(0, session.AddValue("1.3.6.1.2.1.2.2.1.2", SNMP_T_NULL, nullptr));
    struct Seen {
        CCommonSnmp* session;
        int id = 0;
        int status = 1;
        int calls = 0;
    } seen{&session};
    ASSERT_EQ(0, session.GetNextAsync(
                     [](CSnmp* reply, int id, void* param, int status) -> unsigned {
                         auto* s = static_cast<Seen*>(param);
                         s->calls++;
                         s->id = id;
                         s->status = status;
                         delete reply;
                         return 0;
                     },
                     &seen, 0));
    ASSERT_TRUE(ui_.runUntil([&] { return seen.calls > 0; }, std::chrono::seconds(3)));
    EXPECT_NE(0, seen.status);  // time-out: the step failed
    EXPECT_GT(seen.id, 0);
    EXPECT_TRUE(session.FindRequestID(seen.id));
    EXPECT_FALSE(session.FindRequestID(seen.id));
    EXPECT_FALSE(session.FindRequestID(seen.id + 100000));
}

// The round trip of a switch, the waits of one request it gives, and the points where a walk in
// parts splits a range.
TEST(RoundTrip, WaitsFollowTheSwitch) {
    struct Case {
        const char* what;
        std::vector<double> samples;
        int timeoutMs, tries;
        int retransmitMs;  // 0: nothing known
        std::vector<int> waits;
        int sentAgain = 0;  // requests answered only after a second send, after the samples
    };
    const Case cases[] = {
        {"nothing known: the time-out each time", {}, 3000, 3, 0, {3000, 3000, 3000}},
        {"nothing known, short time-outs: the first send waits for a far switch", {}, 500, 3, 0, {1500}},
        {"nothing known: the first send waits up to two seconds, then the time-out", {}, 1000, 3, 0, {2000, 1000}},
        {"a local switch: the floor, doubled, within three time-outs", {1}, 3000, 3, 151, {151, 302, 604, 1208, 2416, 3000}},
        {"mean + 4 deviations (100: 100/50, then 200: 112.5/62.5)", {100, 200}, 3000, 3, 363, {363, 726, 1452, 2904, 3000, 555}},
        {"never shorter than 1.5 round trips, however short the time-out", {700}, 500, 3, 2100, {1050, 1050, 1050}},
        {"a set waits once, at least 1.5 round trips", {700}, 500, 1, 2100, {1050}},
        {"a set on a near switch waits its time-out", {2}, 3000, 1, 152, {3000}},
        {"answered only when sent again: the next request waits twice as long", {1}, 3000, 3, 302, {302, 604, 1208, 2416, 3000, 1470}, 1},
        {"sent again and again: at most sixteen times as long", {1}, 3000, 3, 2416, {2416, 3000, 3000, 584}, 9},
        {"a steady switch: the floor over the mean", {150, 150, 150, 150, 150, 150, 150, 150, 150, 150}, 3000, 3, 300,
         {300, 600, 1200, 2400, 3000, 1500}},
        {"1.5 round trips above the retransmission time-out", {1000, 1000, 1000, 1000, 1000, 1000, 1000, 1000, 1000, 1000}, 1000, 3, 1151,
         {1500, 1500, 1500}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        corvex::snmp::RoundTrip trip;
        for (double ms : c.samples) trip.sample(ms);
        for (int i = 0; i < c.sentAgain; ++i) trip.backOff();
        EXPECT_EQ(trip.retransmitMs(), c.retransmitMs);
        const std::vector<int> waits = corvex::snmp::RequestWaits(trip, c.timeoutMs, c.tries);
        EXPECT_EQ(waits, c.waits);
        // A silent switch is given up within tries waits of the longest wait.
        long total = 0;
        for (int w : waits) total += w;
        const long longest = std::max<long>(c.timeoutMs, trip.known() ? static_cast<long>(std::ceil(1.5 * trip.meanMs())) : 0);
        EXPECT_LE(total, longest * c.tries);
        EXPECT_LE(static_cast<int>(waits.size()), corvex::snmp::kMaxReadSends);
    }
    // Only answers to requests sent once count; each switch has its own, and a sample ends its
    // backing off.
    corvex::snmp::NoteRoundTrip("192.0.2.1:161", 400);
    corvex::snmp::NoteSentAgain("192.0.2.1:161");
    EXPECT_EQ(corvex::snmp::SwitchRoundTrip("192.0.2.1:161").retransmitMs(), 2 * 1200);
    corvex::snmp::NoteRoundTrip("192.0.2.1:161", 400);
    EXPECT_EQ(corvex::snmp::SwitchRoundTrip("192.0.2.1:161").retransmitMs(), 1000);
    EXPECT_DOUBLE_EQ(corvex::snmp::SwitchRoundTrip("192.0.2.1:161").meanMs(), 400);
    EXPECT_FALSE(corvex::snmp::SwitchRoundTrip("192.0.2.1:162").known());
}

TEST(WalkParts, SplitPointsLieStrictlyInside) {
    using Index = CTableWalk::Index;
    struct Case {
        Index lo;
        std::optional<Index> hi;
        bool exists;
        Index mid;
    };
    const Case cases[] = {
        {{1, 0, 27, 33, 1, 2, 3}, Index{1, 64}, true, {1, 32}},
        {{1, 0, 27}, Index{1, 1}, true, {1, 0, 141}},
        {{1, 63, 255, 255}, Index{1, 64}, true, {1, 63, 255, 255, 128}},
        {{5}, std::nullopt, true, {8}},
        {{1, 0, 27, 33}, std::nullopt, true, {2}},
        {{1, 2, 3}, Index{1, 2, 3, 0}, false, {}},
        {{1, 2, 3}, Index{1, 2, 3}, false, {}},
        {{4000, 7}, Index{4001}, true, {4000, 131}},
    };
    for (const Case& c : cases) {
        Index mid;
        const bool exists = CTableWalk::Between(c.lo, c.hi ? &*c.hi : nullptr, mid);
        EXPECT_EQ(exists, c.exists) << ::testing::PrintToString(c.lo);
        if (exists) {
            EXPECT_EQ(mid, c.mid) << ::testing::PrintToString(c.lo);
        }
        // The points a GETBULK walk probes: in order, strictly inside, none on lo's own branch
        // beyond its last sub-identifier.
        const std::vector<Index> points = CTableWalk::ProbePoints(c.lo, c.hi ? &*c.hi : nullptr);
        EXPECT_TRUE(std::is_sorted(points.begin(), points.end()));
        for (const Index& p : points) {
            EXPECT_GT(p, c.lo);
            EXPECT_LE(p.size(), c.lo.size());
            if (c.hi) {
                EXPECT_LT(p, *c.hi);
            }
        }
        if (!c.exists) {
            EXPECT_TRUE(points.empty());
        }
    }
    // Three quarters at each level from where lo and hi part down lo's branch.
    const Index hi{1, 64};
    const std::vector<Index> points = CTableWalk::ProbePoints({1, 0, 27, 33, 1, 2, 3}, &hi);
    EXPECT_EQ(points.size(), 18u);
    EXPECT_EQ(std::count(points.begin(), points.end(), Index{1, 32}), 1);
    EXPECT_EQ(std::count(points.begin(), points.end(), Index{1, 0, 141}), 1);
    EXPECT_EQ(std::count(points.begin(), points.end(), Index{1, 0, 27, 33, 1, 2, 66}), 1);
}

}  // namespace

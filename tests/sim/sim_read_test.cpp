// Reads from the virtual switch: the tables the module walks, their order, and the model profiles.
#include <map>
#include <regex>
#include <set>

#include "sim/sim_fixture.h"

using namespace simtest;

namespace {
const std::string P = ".1.3.6.1.4.1.171.10.76.12";

// Instance suffixes (after the column OID) of a walk, in the order returned.
std::vector<std::string> suffixes(const CmdResult& r, const std::string& column) {
    std::vector<std::string> out;
    for (auto& l : lines(r.out)) {
        if (l.rfind(column + ".", 0) != 0 || l.find("No more variables") != std::string::npos) continue;
        out.push_back(l.substr(column.size() + 1, l.find(' ') - column.size() - 1));
    }
    return out;
}

std::vector<std::string> range(int from, int to, const std::string& prefix = "") {
    std::vector<std::string> v;
    for (int i = from; i <= to; ++i) v.push_back(prefix + std::to_string(i));
    return v;
}
}  // namespace

TEST(SimRead, StartsAndAnnouncesReadiness) {
    Sim sim;
    EXPECT_EQ(sim.readyLine(), "corvex-sim ready on udp:127.0.0.1:" + std::to_string(sim.port()) + " model 10p\n");
    EXPECT_NE(sim.get(".1.3.6.1.2.1.1.1.0").out.find("Corvex-10P"), std::string::npos);
    EXPECT_EQ(sim.stop(), 0);  // SIGTERM ends it cleanly
}

TEST(SimRead, PollerAndPortColumnsWalkPerPortInOrder) {
    Sim sim;
    // Link walk columns: ports 1..10, then the CPU interface above the port count.
    for (const char* col : {".1.3.6.1.2.1.2.2.1.3", ".1.3.6.1.2.1.2.2.1.5", ".1.3.6.1.2.1.2.2.1.7",
                            ".1.3.6.1.2.1.2.2.1.8", ".1.3.6.1.2.1.2.2.1.1"}) {
        auto s = suffixes(sim.walk(col), col);
        ASSERT_EQ(s.size(), 11u) << col;
        EXPECT_EQ(std::vector<std::string>(s.begin(), s.begin() + 10), range(1, 10)) << col;
        EXPECT_GT(std::stoi(s.back()), 10) << col;
    }
    for (const std::string& col : {P + ".1.13.1.2", P + ".1.13.1.3", P + ".1.13.1.5", P + ".1.13.1.6", P + ".1.13.1.7",
                                  P + ".12.3.1.1.2", P + ".7.7.1.1", P + ".21.1.6.1.2", P + ".34.1.5.1.2",
                                  P + ".34.1.5.1.3", std::string(".1.3.6.1.2.1.17.2.15.1.1")})
        EXPECT_EQ(suffixes(sim.walk(col), col), range(1, 10)) << col;
    for (int c = 3; c <= 13; ++c) {
        std::string col = P + ".22.1.1." + std::to_string(c);
        EXPECT_EQ(suffixes(sim.walk(col), col), range(1, 8, "1.")) << col;
    }
    for (const std::string& col : {P + ".8.1.3.1.2", P + ".8.1.3.1.3"})
        EXPECT_EQ(suffixes(sim.walk(col), col), range(1, 8)) << col;
    // A multi-column get-next, as the poller sends it, returns row 1 of every column.
    auto r = sim.tool("snmpgetnext", "-v1 -c qorvin",
                      ".1.3.6.1.2.1.2.2.1.3 .1.3.6.1.2.1.2.2.1.5 .1.3.6.1.2.1.2.2.1.7 .1.3.6.1.2.1.2.2.1.8 " + P +
                          ".1.13.1.7");
    auto l = lines(r.out);
    ASSERT_EQ(l.size(), 5u) << r.out;
    EXPECT_EQ(l[0], ".1.3.6.1.2.1.2.2.1.3.1 = INTEGER: 6");
    EXPECT_EQ(l[4], P + ".1.13.1.7.1 = INTEGER: 1");
}

TEST(SimRead, InitialStateIsConsistent) {
    Sim sim;
    // Port 7 is shut: admin down, speed setting "Disable", operating mode "Down".
    EXPECT_EQ(sim.value(".1.3.6.1.2.1.2.2.1.7.7"), "2");
    EXPECT_EQ(sim.value(P + ".1.13.1.2.7"), "7");
    EXPECT_EQ(sim.value(P + ".1.13.1.3.7"), "1");
    // Port 5 has no link; port 1 is up at 100M; gigabit port 9 at 1G.
    EXPECT_EQ(sim.value(".1.3.6.1.2.1.2.2.1.8.5"), "2");
    EXPECT_EQ(sim.value(".1.3.6.1.2.1.2.2.1.5.1"), "100000000");
    EXPECT_EQ(sim.value(".1.3.6.1.2.1.2.2.1.5.9"), "1000000000");
    EXPECT_EQ(sim.value(P + ".1.13.1.7.9"), "2");
    // VLAN 1 holds every port untagged, 4-octet port lists, all PVIDs 1.
    EXPECT_EQ(sim.value(P + ".7.6.1.2.1"), "\"FF C0 00 00 \"");
    EXPECT_EQ(sim.value(P + ".7.6.1.4.1"), "\"FF C0 00 00 \"");
    EXPECT_EQ(sim.value(P + ".7.6.1.5.1"), "1");
    for (auto& l : lines(sim.walk(P + ".7.7.1.1").out)) EXPECT_NE(l.find("Gauge32: 1"), std::string::npos) << l;
    // PoE: powered devices on ports 1-4, nothing on 5, port 7 shut.
    EXPECT_EQ(sim.value(P + ".22.1.1.13.1.1"), "\"POWER ON\"");
    EXPECT_EQ(sim.value(P + ".22.1.1.13.1.5"), "\"POWER OFF\"");
    EXPECT_EQ(sim.value(P + ".22.1.1.13.1.7"), "\"POWER OFF\"");
    // sysUpTime ticks.
    long long t1 = std::stoll(run("snmpget -Oqvt -t 3 -r 0 -v2c -c qorvin " + sim.target() + " .1.3.6.1.2.1.1.3.0").out);
    std::this_thread::sleep_for(std::chrono::milliseconds(120));
    long long t2 = std::stoll(run("snmpget -Oqvt -t 3 -r 0 -v2c -c qorvin " + sim.target() + " .1.3.6.1.2.1.1.3.0").out);
    EXPECT_GE(t2 - t1, 10);
    // No fan object on a model without a fan.
    EXPECT_NE(sim.get(P + ".1.15.1.0").out.find("No Such Object"), std::string::npos);
}

TEST(SimRead, ForwardingTableHasRequestedSizeAndStandardTablesAreWalkable) {
    Sim sim({"--fdb", "250", "--model", "52"});
    std::string status = ".1.3.6.1.2.1.17.7.1.2.2.1.3";
    auto rows = suffixes(sim.walk(status), status);
    EXPECT_EQ(rows.size(), 251u);  // learned entries plus the switch's own address
    std::set<std::string> unique(rows.begin(), rows.end());
    EXPECT_EQ(unique.size(), rows.size());
    for (auto& r : rows) EXPECT_TRUE(std::regex_match(r, std::regex("\\d+(\\.\\d+){6}"))) << r;
    // Ports of learned entries are real, linked ports of the model.
    for (auto& l : lines(sim.walk(".1.3.6.1.2.1.17.7.1.2.2.1.2").out)) {
        int port = std::stoi(l.substr(l.rfind(' ') + 1));
        EXPECT_TRUE(port == 0 || (port >= 1 && port <= 52 && port % 5 != 0 && port != 7)) << l;
    }
    EXPECT_EQ(sim.value(".1.3.6.1.2.1.17.4.2.0"), "300");
    EXPECT_EQ(sim.value(P + ".1.15.1.0"), "1");  // the 52 has a fan
    EXPECT_EQ(sim.value(P + ".7.6.1.2.1"), "\"FF FF FF FF FF FF F0 00 \"");  // 8-octet port lists
    EXPECT_EQ(lines(sim.walk(".1.3.6.1.2.1.4.20.1.1").out).size(), 1u);
    EXPECT_EQ(lines(sim.walk(".1.3.6.1.2.1.6.13.1.1").out).size(), 4u);
    EXPECT_EQ(lines(sim.walk(".1.3.6.1.2.1.7.5.1.2").out).size(), 4u);
    // The whole tree walks without a non-increasing OID (snmpwalk would report one).
    auto all = sim.tool("snmpwalk", "-v2c -c qorvin", ".1", 3);
    EXPECT_EQ(all.code, 0);
    EXPECT_EQ(all.out.find("not increasing"), std::string::npos);
    EXPECT_GT(lines(all.out).size(), 1000u);
}

TEST(SimRead, EveryModelMatchesItsUserIni) {
    auto list = lines(run(simBinary() + " --list-models").out);
    ASSERT_GE(list.size(), 3u);
    std::set<std::string> keys;
    for (auto& l : list) {
        std::smatch m;
        ASSERT_TRUE(std::regex_search(l, m, std::regex("^(\\S+)\\t(\\S+)\\tports=(\\d+) poe=(\\d) fan=(\\d) allgiga=(\\d)")))
            << l;
        std::string key = m[1], name = m[2], ports = m[3];
        bool poe = m[4] == "1", fan = m[5] == "1", giga = m[6] == "1";
        keys.insert(key);
        std::string ini = readFile(sourceDir() + "/panels/" + key + "/User.ini");
        ASSERT_FALSE(ini.empty()) << key;
        std::map<std::string, std::string> kv;
        for (auto& il : lines(ini)) {
            auto eq = il.find('=');
            if (eq != std::string::npos) kv[il.substr(0, eq)] = il.substr(eq + 1);
        }
        EXPECT_EQ(lines(ini).front(), "[DeviceInfo]");
        EXPECT_EQ(kv["DeviceName"], name);
        EXPECT_EQ(kv["DevicePortNum"], ports);
        EXPECT_FALSE(kv["XMLName"].empty());
        EXPECT_EQ(kv["IsAllGiga"], giga ? "Y" : "N");
        EXPECT_EQ(kv["IsHasFan"], fan ? "Y" : "N");
        // The module takes a name with P or p for a PoE model.
        EXPECT_EQ(name.find_first_of("Pp") != std::string::npos, poe) << name;
        // And the agent agrees: its ifTable has the port count, the PoE table exists exactly on PoE models.
        Sim sim({"--model", key});
        EXPECT_EQ(sim.value(".1.3.6.1.2.1.2.1.0"), std::to_string(std::stoi(ports) + 1));
        EXPECT_EQ(sim.value(".1.3.6.1.2.1.1.5.0"), "\"" + name + "\"");
        EXPECT_EQ(!sim.value(P + ".22.1.1.13.1.1").empty() &&
                      sim.value(P + ".22.1.1.13.1.1").find("No Such") == std::string::npos,
                  poe)
            << key;
    }
    for (const char* k : {"10p", "28", "52"}) EXPECT_TRUE(keys.count(k)) << k;
}

TEST(SimRead, RefusesBadCommandLines) {
    EXPECT_EQ(run(simBinary() + " --model 99").code, 2);
    EXPECT_EQ(run(simBinary() + " --listen udp:10.1.2.3:16161").code, 2);
    EXPECT_EQ(run(simBinary() + " --fdb many").code, 2);
    EXPECT_EQ(run(simBinary() + " --fdb 1000001").code, 2);
    EXPECT_EQ(run(simBinary() + " --set-error 1.3.6:bogus").code, 2);
    EXPECT_EQ(run(simBinary() + " --user bob:MD4:x").code, 2);
    EXPECT_EQ(run(simBinary() + " --state").code, 2);
    EXPECT_EQ(run(simBinary() + " --fiber 3").code, 2);  // port 3 of the 10p is no combo port
}

// Writes to the virtual switch: row creation, checks a real agent makes, atomic sets, consistent state.
#include <cstdio>

#include "sim/sim_fixture.h"

using namespace simtest;

namespace {
const std::string P = ".1.3.6.1.4.1.171.10.76.12";

bool hasError(const CmdResult& r, const std::string& reason) {
    return r.code != 0 && r.out.find(reason) != std::string::npos;
}
}  // namespace

TEST(SimWrite, VlanCreatedWithCreateAndWaitFilledAndActivatedAppearsInTheWalk) {
    Sim sim;
    std::string v = P + ".7.6.1";
    // The module's sequence for VLAN 10, port 1 tagged, port 2 untagged.
    ASSERT_EQ(sim.set(v + ".5.10 i 5").code, 0);
    EXPECT_EQ(sim.value(v + ".5.10"), "2");  // notInService until activated
    ASSERT_EQ(sim.set(v + ".2.10 x ffc00000").code, 0);
    ASSERT_EQ(sim.set(v + ".4.10 x 40000000").code, 0);
    ASSERT_EQ(sim.set(v + ".2.10 x c0000000").code, 0);
    ASSERT_EQ(sim.set(v + ".1.10 s cameras").code, 0);
    ASSERT_EQ(sim.set(v + ".5.10 i 1").code, 0);
    auto walk = lines(sim.walk(v + ".5").out);
    ASSERT_EQ(walk.size(), 2u);
    EXPECT_EQ(walk[1], v + ".5.10 = INTEGER: 1");
    EXPECT_EQ(sim.value(v + ".1.10"), "\"cameras\"");
    EXPECT_EQ(sim.value(v + ".2.10"), "\"C0 00 00 00 \"");
    EXPECT_EQ(sim.value(v + ".4.10"), "\"40 00 00 00 \"");
    // createAndGo in one request with its columns; a second create of the same VID is inconsistent.
    ASSERT_EQ(sim.set(v + ".5.20 i 4 " + v + ".1.20 s voice " + v + ".2.20 x 20000000").code, 0);
    EXPECT_EQ(sim.value(v + ".5.20"), "1");
    EXPECT_TRUE(hasError(sim.set(v + ".5.20 i 5"), "inconsistentValue"));
    // PVIDs take existing VLANs only, as Unsigned32.
    EXPECT_EQ(sim.set(P + ".7.7.1.1.3 u 10").code, 0);
    EXPECT_EQ(sim.value(P + ".7.7.1.1.3"), "10");
    EXPECT_TRUE(hasError(sim.set(P + ".7.7.1.1.3 u 33"), "inconsistentValue"));
    EXPECT_TRUE(hasError(sim.set(P + ".7.7.1.1.3 i 10"), "wrongType"));
    // A VLAN that is a PVID, and VLAN 1, cannot be destroyed; VLAN 20 can.
    EXPECT_TRUE(hasError(sim.set(v + ".5.10 i 6"), "inconsistentValue"));
    EXPECT_TRUE(hasError(sim.set(v + ".5.1 i 6"), "inconsistentValue"));
    EXPECT_EQ(sim.set(v + ".5.20 i 6").code, 0);
    EXPECT_EQ(lines(sim.walk(v + ".1").out).size(), 2u);
    // Columns of a row that does not exist cannot be written; VID 4095 does not exist at all.
    EXPECT_TRUE(hasError(sim.set(v + ".1.30 s x"), "inconsistentName"));
    EXPECT_TRUE(hasError(sim.set(v + ".5.4095 i 5"), "noCreation"));
}

TEST(SimWrite, VlanTableStopsAt256Rows) {
    // 254 VLANs preloaded from a state file, plus VLAN 1: two more fit, then none.
    std::string path = "/tmp/corvex-sim-test-state-" + std::to_string(getpid()) + ".txt";
    FILE* f = std::fopen(path.c_str(), "w");
    ASSERT_NE(f, nullptr);
    std::fprintf(f, "# preloaded VLANs\n");
    for (int vid = 100; vid < 354; ++vid) std::fprintf(f, "%s.7.6.1.1.%d s \"vlan %d\"\n", P.c_str(), vid, vid);
    std::fclose(f);
    Sim sim({"--state", path});
    EXPECT_EQ(sim.value(P + ".7.6.1.5.353"), "1");
    EXPECT_EQ(sim.value(P + ".7.6.1.1.353"), "\"vlan 353\"");
    EXPECT_EQ(sim.set(P + ".7.6.1.5.2 i 5").code, 0);
    EXPECT_TRUE(hasError(sim.set(P + ".7.6.1.5.3 i 5"), "resourceUnavailable"));
    std::remove(path.c_str());
}

TEST(SimWrite, WrongTypesRangesAndLengthsAreRefused) {
    Sim sim;
    EXPECT_TRUE(hasError(sim.set(P + ".1.13.1.2.1 i 8"), "wrongValue"));
    EXPECT_TRUE(hasError(sim.set(P + ".1.13.1.2.1 s 1"), "wrongType"));
    EXPECT_TRUE(hasError(sim.set(P + ".7.6.1.2.1 x ffc000"), "wrongLength"));      // 3 octets
    EXPECT_TRUE(hasError(sim.set(P + ".7.6.1.2.1 x ffe00000"), "wrongValue"));     // port 11 on a 10-port switch
    EXPECT_EQ(sim.set(P + ".7.6.1.2.1 x ffc0000000000000").code, 0);              // 8 octets are fine too
    EXPECT_TRUE(hasError(sim.set(".1.3.6.1.2.1.2.2.1.8.1 i 1"), "notWritable"));
    EXPECT_TRUE(hasError(sim.set(P + ".99.1.0 i 1"), "noCreation"));
    EXPECT_TRUE(hasError(sim.set(".1.3.6.1.2.1.17.2.12.0 i 500"), "wrongValue"));
    EXPECT_TRUE(hasError(sim.set(P + ".22.1.1.8.1.1 s 15.5"), "wrongValue"));  // not a multiple of 0.2
    EXPECT_EQ(sim.set(P + ".22.1.1.8.1.1 s 15.4").code, 0);
    EXPECT_TRUE(hasError(sim.set(P + ".1.10.0 i 2"), "wrongValue"));
    // Bridge timers keep 802.1D relations; the module's order of writes is accepted.
    EXPECT_TRUE(hasError(sim.set(".1.3.6.1.2.1.17.2.12.0 i 4000"), "inconsistentValue"));
    const std::string stp = ".1.3.6.1.2.1.17.2";
    EXPECT_EQ(sim.set(stp + ".13.0 i 100 " + stp + ".14.0 i 3000").code, 0);
    EXPECT_EQ(sim.set(stp + ".12.0 i 4000").code, 0);
    EXPECT_EQ(sim.set(stp + ".14.0 i 2200").code, 0);
    EXPECT_EQ(sim.set(stp + ".13.0 i 200 " + stp + ".2.0 i 4096").code, 0);
    EXPECT_EQ(sim.value(stp + ".8.0"), "4000");
    // The read community cannot write; SNMPv1 gets the v1 error codes.
    EXPECT_TRUE(hasError(sim.set(".1.3.6.1.2.1.1.5.0 s x", "-v2c -c qorvin"), "noAccess"));
    EXPECT_TRUE(hasError(sim.set(P + ".1.13.1.2.1 s 1", "-v1 -c tessmar"), "badValue"));
    EXPECT_TRUE(hasError(sim.set(".1.3.6.1.2.1.2.2.1.8.1 i 1", "-v1 -c tessmar"), "noSuchName"));
}

TEST(SimWrite, MultiBindingSetsAreAllOrNothing) {
    Sim sim;
    auto r = sim.set(".1.3.6.1.2.1.1.5.0 s renamed " + P + ".1.13.1.5.1 i 1 " + P + ".1.13.1.2.2 i 9");
    EXPECT_TRUE(hasError(r, "wrongValue"));
    EXPECT_NE(r.out.find(P + ".1.13.1.2.2"), std::string::npos) << r.out;  // the failing binding is named
    EXPECT_EQ(sim.value(".1.3.6.1.2.1.1.5.0"), "\"Corvex-10P\"");
    EXPECT_EQ(sim.value(P + ".1.13.1.5.1"), "2");
    // Crossing subtrees: an inconsistent private binding rolls back the MIB-II one.
    r = sim.set(".1.3.6.1.2.1.1.6.0 s moved " + P + ".8.1.3.1.2.1 x 80000000");
    EXPECT_TRUE(hasError(r, "wrongValue"));  // a trunk of one port
    EXPECT_NE(sim.value(".1.3.6.1.2.1.1.6.0"), "\"moved\"");
    EXPECT_EQ(sim.set(".1.3.6.1.2.1.1.6.0 s moved " + P + ".1.13.1.5.1 i 1").code, 0);
    EXPECT_EQ(sim.value(".1.3.6.1.2.1.1.6.0"), "\"moved\"");
}

TEST(SimWrite, TrunkMembersAreCheckedAndKept) {
    Sim sim;
    std::string la = P + ".8.1.3.1";
    ASSERT_EQ(sim.set(la + ".2.1 x 30000000 " + la + ".3.1 i 2").code, 0);  // ports 3 and 4, static
    EXPECT_EQ(sim.value(la + ".2.1"), "\"30 00 00 00 \"");
    EXPECT_EQ(sim.value(la + ".3.1"), "2");
    EXPECT_TRUE(hasError(sim.set(la + ".2.2 x 18000000"), "inconsistentValue"));  // port 4 is taken
    EXPECT_TRUE(hasError(sim.set(la + ".2.2 x ff800000"), "wrongValue"));        // nine ports
    EXPECT_EQ(sim.set(la + ".2.2 x 0c000000").code, 0);
    EXPECT_EQ(sim.set(la + ".2.1 x 00000000").code, 0);  // emptied
    EXPECT_TRUE(hasError(sim.set(la + ".2.9 x 0c000000"), "noCreation"));
}

TEST(SimWrite, PortSettingsDriveInterfaceAndPoeState) {
    Sim sim;
    // Shutting port 2 via ifAdminStatus: speed setting Disable, link and PoE off.
    ASSERT_EQ(sim.set(".1.3.6.1.2.1.2.2.1.7.2 i 2").code, 0);
    EXPECT_EQ(sim.value(P + ".1.13.1.2.2"), "7");
    EXPECT_EQ(sim.value(".1.3.6.1.2.1.2.2.1.8.2"), "2");
    EXPECT_EQ(sim.value(P + ".1.13.1.3.2"), "1");
    EXPECT_EQ(sim.value(P + ".22.1.1.13.1.2"), "\"POWER OFF\"");
    // Opening it with a forced speed: up at 10M half duplex.
    ASSERT_EQ(sim.set(P + ".1.13.1.2.2 i 5").code, 0);
    EXPECT_EQ(sim.value(".1.3.6.1.2.1.2.2.1.7.2"), "1");
    EXPECT_EQ(sim.value(".1.3.6.1.2.1.2.2.1.5.2"), "10000000");
    EXPECT_EQ(sim.value(P + ".1.13.1.3.2"), "6");
    EXPECT_EQ(sim.value(P + ".22.1.1.13.1.2"), "\"POWER ON\"");
    // Flow control shows as operating only on a linked port.
    ASSERT_EQ(sim.set(P + ".1.13.1.5.2 i 1 " + P + ".1.13.1.5.5 i 1").code, 0);
    EXPECT_EQ(sim.value(P + ".1.13.1.6.2"), "1");
    EXPECT_EQ(sim.value(P + ".1.13.1.6.5"), "2");
    // PoE disabled on port 1; a time range must exist before a port refers to it.
    ASSERT_EQ(sim.set(P + ".22.1.1.3.1.1 i 2").code, 0);
    EXPECT_EQ(sim.value(P + ".22.1.1.13.1.1"), "\"POWER OFF\"");
    EXPECT_EQ(sim.value(P + ".22.1.1.9.1.1"), "\"0.0\"");
    EXPECT_TRUE(hasError(sim.set(P + ".22.1.1.4.1.3 i 2"), "inconsistentValue"));
    std::string tr = P + ".23.1.1";
    EXPECT_TRUE(hasError(sim.set(tr + ".21.2 i 4"), "inconsistentValue"));  // a range needs a name
    ASSERT_EQ(sim.set(tr + ".21.2 i 5 " + tr + ".2.2 s night").code, 0);
    ASSERT_EQ(sim.set(tr + ".21.2 i 1").code, 0);
    EXPECT_EQ(sim.set(P + ".22.1.1.4.1.3 i 2").code, 0);
    EXPECT_TRUE(hasError(sim.set(tr + ".21.2 i 6"), "inconsistentValue"));  // still in use
    // The CPU interface stays up.
    EXPECT_TRUE(hasError(sim.set(".1.3.6.1.2.1.2.2.1.7.1024 i 2"), "inconsistentValue"));
}

TEST(SimWrite, AgentAndSecurityTablesCreateRowsByTheirIndexes) {
    Sim sim;
    // Community "corvex1" as the module writes it: row status 5, user name, row status 1.
    std::string idx = ".7.99.111.114.118.101.120.49";
    std::string c = P + ".25.5.1.1";
    ASSERT_EQ(sim.set(c + ".3" + idx + " i 5").code, 0);
    ASSERT_EQ(sim.set(c + ".2" + idx + " s ReadOnly").code, 0);
    ASSERT_EQ(sim.set(c + ".3" + idx + " i 1").code, 0);
    EXPECT_NE(sim.get(c + ".1" + idx, "-v2c -c tessmar").out.find("\"corvex1\""), std::string::npos);
    EXPECT_TRUE(hasError(sim.set(c + ".3.3.97.98 i 5"), "noCreation"));  // length prefix does not match
    // Group "g", v3, AuthPriv; a v1 group with a security level is malformed.
    EXPECT_EQ(sim.set(P + ".25.3.1.1.7.1.103.3.3 i 5").code, 0);
    EXPECT_EQ(sim.value(P + ".25.3.1.1.3.1.103.3.3"), "3");
    EXPECT_TRUE(hasError(sim.set(P + ".25.3.1.1.7.1.103.1.3 i 5"), "noCreation"));
    // View "abc" on 1.3.6: the subtree comes from the index.
    EXPECT_EQ(sim.set(P + ".25.4.1.1.5.3.97.98.99.3.1.3.6 i 4").code, 0);
    EXPECT_EQ(sim.value(P + ".25.4.1.1.2.3.97.98.99.3.1.3.6"), ".1.3.6");
    // ARP spoofing entries need a unicast gateway MAC before they go active.
    std::string a = P + ".14.3.1.1";
    EXPECT_TRUE(hasError(sim.set(a + ".4.10.90.90.1 i 4"), "inconsistentValue"));
    ASSERT_EQ(sim.set(a + ".4.10.90.90.1 i 5 " + a + ".2.10.90.90.1 x 001b210a0b0c " + a + ".3.10.90.90.1 x c0000000")
                  .code,
              0);
    EXPECT_EQ(sim.set(a + ".4.10.90.90.1 i 1").code, 0);
    EXPECT_TRUE(hasError(sim.set(a + ".2.10.90.90.1 x 001b21"), "wrongLength"));
    // 802.1X: a port in auto mode is unauthorised once 802.1X is on.
    ASSERT_EQ(sim.set(P + ".11.2.9.1.2.3 i 2").code, 0);
    EXPECT_EQ(sim.value(P + ".11.2.9.1.3.3"), "1");
    ASSERT_EQ(sim.set(P + ".11.2.1.0 i 1").code, 0);
    EXPECT_EQ(sim.value(P + ".11.2.9.1.3.3"), "2");
    EXPECT_TRUE(hasError(sim.set(P + ".11.1.1.0 a 0.0.0.0"), "wrongValue"));
}

// With the voice VLAN on, the switch refuses asymmetric VLAN, a voice VLAN ID that names no VLAN,
// and destroying the voice VLAN; once the voice VLAN moves or goes off, each is accepted.
TEST(SimWrite, VoiceVlanKeepsAsymmetricModeOffAndItsVlanInPlace) {
    Sim sim;
    const std::string v = P + ".7.6.1", asym = P + ".7.5.0", state = P + ".21.1.2.0", vid = P + ".21.1.3.0";
    ASSERT_EQ(sim.set(v + ".5.20 i 4 " + v + ".2.20 x 20000000").code, 0);
    ASSERT_EQ(sim.set(v + ".5.30 i 4 " + v + ".2.30 x 10000000").code, 0);
    ASSERT_EQ(sim.set(vid + " i 20 " + state + " i 1").code, 0);
    struct Step {
        std::string bindings;
        const char* refusal;  // nullptr: accepted
    };
    for (const Step& s : {Step{asym + " i 1", "inconsistentValue"}, Step{asym + " i 2", nullptr},
                          Step{vid + " i 40", "inconsistentValue"}, Step{v + ".5.20 i 6", "inconsistentValue"},
                          Step{vid + " i 30", nullptr}, Step{v + ".5.20 i 6", nullptr},
                          Step{v + ".5.30 i 6", "inconsistentValue"}, Step{state + " i 2", nullptr},
                          Step{vid + " i 40", nullptr}, Step{asym + " i 1", nullptr}}) {
        const CmdResult r = sim.set(s.bindings);
        if (s.refusal) {
            EXPECT_TRUE(hasError(r, s.refusal)) << s.bindings << ": " << r.out;
        } else {
            EXPECT_EQ(r.code, 0) << s.bindings << ": " << r.out;
        }
    }
    EXPECT_EQ(sim.value(asym), "1");
    EXPECT_EQ(sim.value(vid), "40");
    EXPECT_EQ(sim.value(v + ".5.30"), "1");
}

// OUI tables of the surveillance and voice VLANs, syslog host, jumbo frames and multicast filtering.
#include "sim/sim_fixture.h"

using namespace simtest;

namespace {
const std::string P = ".1.3.6.1.4.1.171.10.76.12";
const std::string S = P + ".34.2.1.1";   // surveillance OUI entry
const std::string V = P + ".21.2.1.1";   // voice VLAN OUI entry
const std::string Maker = ".240.125.104.0.0.0";

bool hasError(const CmdResult& r, const std::string& reason) {
    return r.code != 0 && r.out.find(reason) != std::string::npos;
}

size_t rowsOf(const Sim& sim, const std::string& statusColumn) {
    size_t n = 0;
    for (auto& l : lines(sim.walk(statusColumn).out))
        if (l.rfind(statusColumn + ".", 0) == 0 && l.find("No more variables") == std::string::npos) ++n;
    return n;
}
}  // namespace

TEST(SimOui, SurveillanceTableKeepsTheMakerEntryAndFiveUserEntries) {
    Sim sim;
    // The maker's entry: an OUI with its mask, component type 5, active, and fixed.
    EXPECT_EQ(sim.value(S + ".1" + Maker), "\"F0 7D 68 00 00 00 \"");
    EXPECT_EQ(sim.value(S + ".3" + Maker), "\"FF FF FF 00 00 00 \"");
    EXPECT_EQ(sim.value(S + ".4" + Maker), "5");
    EXPECT_EQ(sim.value(S + ".5" + Maker), "1");
    EXPECT_EQ(rowsOf(sim, S + ".5"), 1u);
    EXPECT_TRUE(hasError(sim.set(S + ".5" + Maker + " i 6"), "inconsistentValue"));
    EXPECT_TRUE(hasError(sim.set(S + ".5" + Maker + " i 2"), "inconsistentValue"));
    EXPECT_TRUE(hasError(sim.set(S + ".2" + Maker + " s mine"), "inconsistentValue"));
    EXPECT_TRUE(hasError(sim.set(S + ".5" + Maker + " i 4"), "inconsistentValue"));  // exists already

    // The module's two requests for an OUI entry: create, then description, type and mask.
    std::string oui = ".0.17.34.0.0.0";
    ASSERT_EQ(sim.set(S + ".5" + oui + " i 4").code, 0);
    EXPECT_EQ(sim.value(S + ".3" + oui), "\"FF FF FF FF FF FF \"");  // a new entry matches one station
    ASSERT_EQ(sim.set(S + ".2" + oui + " s lobby " + S + ".4" + oui + " i 2 " + S + ".3" + oui + " x ffffff000000")
                  .code,
              0);
    EXPECT_EQ(sim.value(S + ".1" + oui), "\"00 11 22 00 00 00 \"");
    EXPECT_EQ(sim.value(S + ".2" + oui), "\"lobby\"");
    EXPECT_EQ(sim.value(S + ".4" + oui), "2");
    EXPECT_EQ(sim.value(S + ".5" + oui), "1");

    // Four more user entries fit; the sixth is refused whether created active or waiting.
    for (int i = 1; i <= 4; ++i)
        ASSERT_EQ(sim.set(S + ".5.0.1.2.3.4." + std::to_string(i) + " i 4").code, 0) << i;
    EXPECT_EQ(rowsOf(sim, S + ".5"), 6u);
    EXPECT_TRUE(hasError(sim.set(S + ".5.0.1.2.3.4.9 i 4"), "resourceUnavailable"));
    EXPECT_TRUE(hasError(sim.set(S + ".5.0.1.2.3.4.9 i 5"), "resourceUnavailable"));
    // Destroying a user entry makes room again; the maker's entry is still there.
    ASSERT_EQ(sim.set(S + ".5" + oui + " i 6").code, 0);
    EXPECT_NE(sim.get(S + ".2" + oui).out.find("No Such Instance"), std::string::npos);
    EXPECT_EQ(sim.set(S + ".5.0.1.2.3.4.9 i 4").code, 0);
    EXPECT_EQ(sim.value(S + ".5" + Maker), "1");
    EXPECT_EQ(rowsOf(sim, S + ".5"), 6u);
}

TEST(SimOui, SurveillanceEntriesAreChecked) {
    Sim sim;
    // Addresses: multicast, all-zero, broadcast and octets above 255 can never be rows.
    for (const char* idx : {".1.0.94.0.0.1", ".0.0.0.0.0.0", ".255.255.255.255.255.255", ".0.17.256.0.0.0", ".0.17.34"})
        EXPECT_TRUE(hasError(sim.set(S + ".5" + idx + " i 4"), "noCreation")) << idx;
    // Under the maker's OUI, or an OUI of the voice VLAN's table: refused, nothing created.
    EXPECT_TRUE(hasError(sim.set(S + ".5.240.125.104.0.0.1 i 4"), "inconsistentValue"));
    EXPECT_TRUE(hasError(sim.set(S + ".5.0.224.187.0.0.0 i 4"), "inconsistentValue"));  // 3COM phones
    EXPECT_EQ(rowsOf(sim, S + ".5"), 1u);

    std::string mac = ".0.17.34.51.68.85";
    ASSERT_EQ(sim.set(S + ".5" + mac + " i 4").code, 0);
    EXPECT_TRUE(hasError(sim.set(S + ".4" + mac + " i 6"), "wrongValue"));
    EXPECT_TRUE(hasError(sim.set(S + ".4" + mac + " i 5"), "inconsistentValue"));  // the maker's type only
    EXPECT_TRUE(hasError(sim.set(S + ".4" + mac + " s 1"), "wrongType"));
    EXPECT_TRUE(hasError(sim.set(S + ".2" + mac + " s " + std::string(128, 'd')), "wrongLength"));
    EXPECT_EQ(sim.set(S + ".2" + mac + " s " + std::string(127, 'd')).code, 0);
    EXPECT_TRUE(hasError(sim.set(S + ".3" + mac + " x ffffff0000"), "wrongLength"));
    EXPECT_TRUE(hasError(sim.set(S + ".3" + mac + " x ff00ff000000"), "wrongValue"));  // not leading ones
    EXPECT_TRUE(hasError(sim.set(S + ".3" + mac + " x ffff00000000"), "wrongValue"));  // shorter than an OUI
    // The address of a station entry has bits outside an OUI mask.
    EXPECT_TRUE(hasError(sim.set(S + ".3" + mac + " x ffffff000000"), "inconsistentValue"));
    EXPECT_TRUE(hasError(sim.set(S + ".1" + mac + " x 001122334455"), "notWritable"));
    EXPECT_EQ(sim.value(S + ".3" + mac), "\"FF FF FF FF FF FF \"");
    // Columns of an entry that does not exist.
    EXPECT_TRUE(hasError(sim.set(S + ".2.0.17.34.0.0.1 s x"), "inconsistentName"));
    // createAndWait waits; activation runs the same checks.
    std::string waiting = ".0.9.110.0.0.1";  // under Avaya's voice OUI
    ASSERT_EQ(sim.set(S + ".5" + waiting + " i 5").code, 0);
    EXPECT_EQ(sim.value(S + ".5" + waiting), "2");
    EXPECT_TRUE(hasError(sim.set(S + ".5" + waiting + " i 1"), "inconsistentValue"));
}

TEST(SimOui, VoiceTableHoldsTheWellKnownPhonesAndEightMore) {
    Sim sim;
    // The module reads the OUI (column 1) and the status (column 4) of every row.
    auto walk = lines(sim.walk(V + ".4").out);
    ASSERT_EQ(walk.size(), 8u);
    for (auto& l : walk) EXPECT_NE(l.find("= INTEGER: 1"), std::string::npos) << l;
    EXPECT_EQ(sim.value(V + ".1.0.224.187.0.0.0"), "\"00 E0 BB 00 00 00 \"");
    EXPECT_EQ(sim.value(V + ".2.0.224.187.0.0.0"), "\"FF FF FF 00 00 00 \"");
    EXPECT_EQ(sim.value(V + ".3.0.3.107.0.0.0"), "\"Cisco\"");
    // The well-known entries stay.
    EXPECT_TRUE(hasError(sim.set(V + ".4.0.3.107.0.0.0 i 6"), "inconsistentValue"));
    EXPECT_TRUE(hasError(sim.set(V + ".3.0.3.107.0.0.0 s other"), "inconsistentValue"));

    // User entries: an OUI gets the OUI mask, the maker's surveillance OUI is refused.
    ASSERT_EQ(sim.set(V + ".4.0.80.194.0.0.0 i 4 " + V + ".3.0.80.194.0.0.0 s desk").code, 0);
    EXPECT_EQ(sim.value(V + ".2.0.80.194.0.0.0"), "\"FF FF FF 00 00 00 \"");
    EXPECT_TRUE(hasError(sim.set(V + ".4" + Maker + " i 4"), "inconsistentValue"));
    EXPECT_TRUE(hasError(sim.set(V + ".3.0.80.194.0.0.0 s " + std::string(33, 'x')), "wrongLength"));
    for (int i = 1; i <= 7; ++i) ASSERT_EQ(sim.set(V + ".4.0.80.1." + std::to_string(i) + ".0.0 i 4").code, 0) << i;
    EXPECT_TRUE(hasError(sim.set(V + ".4.0.80.1.8.0.0 i 4"), "resourceUnavailable"));
    EXPECT_EQ(rowsOf(sim, V + ".4"), 16u);
    // A surveillance entry may not take a voice OUI added by the user either.
    EXPECT_TRUE(hasError(sim.set(S + ".5.0.80.194.0.0.0 i 4"), "inconsistentValue"));
    ASSERT_EQ(sim.set(V + ".4.0.80.194.0.0.0 i 6").code, 0);
    EXPECT_EQ(sim.set(S + ".5.0.80.194.0.0.0 i 4").code, 0);
}

TEST(SimMaint, SyslogHostAndJumboFramesTakeOnlyTheirValues) {
    Sim sim;
    std::string sl = P + ".16.1";
    EXPECT_EQ(sim.value(sl + ".1.0"), "0.0.0.0");
    EXPECT_EQ(sim.value(sl + ".2.0"), "514");
    EXPECT_EQ(sim.value(sl + ".6.0"), "2");
    EXPECT_EQ(sim.value(P + ".1.12.0"), "2");
    // The configuration request: address, port, severity and facility together.
    ASSERT_EQ(sim.set(sl + ".1.0 a 10.90.90.5 " + sl + ".2.0 i 1514 " + sl + ".4.0 i 7 " + sl + ".5.0 i 184").code, 0);
    ASSERT_EQ(sim.set(sl + ".6.0 i 1").code, 0);
    EXPECT_EQ(sim.value(sl + ".1.0"), "10.90.90.5");
    EXPECT_EQ(sim.value(sl + ".2.0"), "1514");
    EXPECT_EQ(sim.value(sl + ".4.0"), "7");
    EXPECT_EQ(sim.value(sl + ".5.0"), "184");
    EXPECT_EQ(sim.value(sl + ".6.0"), "1");
    for (const char* bad : {"0.1.2.3", "10.0.0.255", "10.0.0.0", "127.0.0.1", "224.0.0.9", "255.255.255.255"})
        EXPECT_TRUE(hasError(sim.set(sl + ".1.0 a " + bad), "wrongValue")) << bad;
    EXPECT_TRUE(hasError(sim.set(sl + ".1.0 s 10.90.90.6"), "wrongType"));
    for (const char* bad : {".2.0 i 0", ".2.0 i 65536", ".4.0 i 5", ".5.0 i 100", ".5.0 i 129", ".6.0 i 3"})
        EXPECT_TRUE(hasError(sim.set(sl + bad), "wrongValue")) << bad;
    // One bad binding leaves the others unwritten.
    EXPECT_TRUE(hasError(sim.set(sl + ".1.0 a 10.90.90.7 " + sl + ".2.0 i 70000"), "wrongValue"));
    EXPECT_EQ(sim.value(sl + ".1.0"), "10.90.90.5");

    ASSERT_EQ(sim.set(P + ".1.12.0 i 1").code, 0);
    EXPECT_EQ(sim.value(P + ".1.12.0"), "1");
    EXPECT_TRUE(hasError(sim.set(P + ".1.12.0 i 0"), "wrongValue"));
}

TEST(SimMaint, MulticastFilteringHasOneRowPerVlan) {
    Sim sim;
    std::string mf = P + ".7.8.1";
    EXPECT_EQ(sim.value(mf + ".1.1"), "1");
    EXPECT_EQ(sim.value(mf + ".2.1"), "0");
    ASSERT_EQ(sim.set(P + ".7.6.1.5.10 i 4 " + P + ".7.6.1.5.20 i 5").code, 0);
    auto vids = lines(sim.walk(mf + ".1").out);
    ASSERT_EQ(vids.size(), 3u);
    EXPECT_EQ(vids[1], mf + ".1.10 = INTEGER: 10");
    EXPECT_EQ(vids[2], mf + ".1.20 = INTEGER: 20");
    // "All" in the module: one request for every VLAN.
    ASSERT_EQ(sim.set(mf + ".2.1 i 1 " + mf + ".2.10 i 1 " + mf + ".2.20 i 1").code, 0);
    EXPECT_EQ(sim.value(mf + ".2.20"), "1");
    EXPECT_TRUE(hasError(sim.set(mf + ".2.10 i 2"), "wrongValue"));
    EXPECT_TRUE(hasError(sim.set(mf + ".1.10 i 11"), "notWritable"));
    EXPECT_TRUE(hasError(sim.set(mf + ".2.30 i 1"), "noCreation"));
    // A destroyed VLAN takes its row along; a VLAN created again starts by forwarding.
    ASSERT_EQ(sim.set(P + ".7.6.1.5.20 i 6").code, 0);
    EXPECT_EQ(lines(sim.walk(mf + ".2").out).size(), 2u);
    ASSERT_EQ(sim.set(P + ".7.6.1.5.20 i 4").code, 0);
    EXPECT_EQ(sim.value(mf + ".2.20"), "0");
    EXPECT_EQ(sim.value(mf + ".2.10"), "1");
}

// Coverage of the virtual switch: every object the management module reads or writes is served.
#include <algorithm>

#include "sim/sim_fixture.h"

using namespace simtest;

namespace {
const std::string P = ".1.3.6.1.4.1.171.10.76.12";

// Standard objects (MIB-II, BRIDGE-MIB, Q-BRIDGE, LLDP-MIB): columns, scalar instances and subtrees.
const char* const kStandard[] = {
    "1.0.8802.1.1.2", "1.0.8802.1.1.2.1.3.1.0", "1.0.8802.1.1.2.1.3.2.0", "1.0.8802.1.1.2.1.3.3.0",
    "1.0.8802.1.1.2.1.3.4.0", "1.0.8802.1.1.2.1.4.1.1.10", "1.0.8802.1.1.2.1.4.1.1.4", "1.0.8802.1.1.2.1.4.1.1.5",
    "1.0.8802.1.1.2.1.4.1.1.6", "1.0.8802.1.1.2.1.4.1.1.7", "1.0.8802.1.1.2.1.4.1.1.8", "1.0.8802.1.1.2.1.4.1.1.9",
    "1.3.6.1.2.1.1.1.0", "1.3.6.1.2.1.1.2.0", "1.3.6.1.2.1.1.3.0", "1.3.6.1.2.1.1.4.0", "1.3.6.1.2.1.1.5.0",
    "1.3.6.1.2.1.1.6.0", "1.3.6.1.2.1.17.2.10.0", "1.3.6.1.2.1.17.2.11.0", "1.3.6.1.2.1.17.2.12.0",
    "1.3.6.1.2.1.17.2.13.0", "1.3.6.1.2.1.17.2.14.0", "1.3.6.1.2.1.17.2.15.1", "1.3.6.1.2.1.17.2.15.1.1",
    "1.3.6.1.2.1.17.2.15.1.2", "1.3.6.1.2.1.17.2.15.1.4", "1.3.6.1.2.1.17.2.15.1.5", "1.3.6.1.2.1.17.2.2.0",
    "1.3.6.1.2.1.17.2.3.0", "1.3.6.1.2.1.17.2.4.0", "1.3.6.1.2.1.17.2.5.0", "1.3.6.1.2.1.17.2.7.0",
    "1.3.6.1.2.1.17.2.9.0", "1.3.6.1.2.1.17.4.2.0", "1.3.6.1.2.1.17.7.1.2.2.1.2", "1.3.6.1.2.1.17.7.1.2.2.1.3",
    "1.3.6.1.2.1.2.2.1.1", "1.3.6.1.2.1.2.2.1.3", "1.3.6.1.2.1.2.2.1.5", "1.3.6.1.2.1.2.2.1.7",
    "1.3.6.1.2.1.2.2.1.8", "1.3.6.1.2.1.4.20.1.1", "1.3.6.1.2.1.4.20.1.3", "1.3.6.1.2.1.6.13.1.1",
    "1.3.6.1.2.1.6.13.1.2", "1.3.6.1.2.1.6.13.1.3", "1.3.6.1.2.1.6.13.1.4", "1.3.6.1.2.1.6.13.1.5",
    "1.3.6.1.2.1.7.5.1.1", "1.3.6.1.2.1.7.5.1.2"
};

// Objects of the switch's private subtree, relative to P. Tables that start empty (ARP spoofing entries,
// ACL ports, forwarding hits, PoE time ranges) and the fan of fan models are covered by their own tests.
const char* const kPrivate[] = {
    ".1.10", ".1.12", ".1.13.1.2", ".1.13.1.3", ".1.13.1.5", ".1.13.1.6", ".1.13.1.7", ".1.9", ".11",
    ".11.1.1", ".11.1.2", ".11.2.1", ".11.2.2", ".11.2.3", ".11.2.4", ".11.2.5", ".11.2.6", ".11.2.7", ".11.2.8",
    ".11.2.9.1", ".11.2.9.1.2", ".11.2.9.1.3", ".12.3.1.1.2", ".13.1.2.1.2", ".13.1.2.1.3", ".14.2.1.1.2",
    ".14.7.1", ".16.1.1", ".16.1.2", ".16.1.4", ".16.1.5", ".16.1.6", ".17.4.1.2", ".18.1", ".18.2", ".18.3",
    ".18.4", ".21.1.2", ".21.1.3", ".21.1.6.1.2", ".21.2.1.1", ".21.2.1.1.1", ".21.2.1.1.4", ".22.1.1.10",
    ".22.1.1.11", ".22.1.1.12", ".22.1.1.13", ".22.1.1.3", ".22.1.1.4", ".22.1.1.5", ".22.1.1.6", ".22.1.1.7",
    ".22.1.1.8", ".22.1.1.9", ".22.6", ".22.8", ".24.1.0", ".24.2.0", ".24.3.0", ".24.4.0", ".24.5.0", ".24.7.1.2",
    ".25", ".25.1.0", ".25.2.1.1", ".25.3.1.1", ".25.4.1.1", ".25.5.1.1", ".25.5.1.1.3", ".25.6.1.1",
    ".25.6.1.1.4", ".25.7.0", ".25.8.1.0", ".25.8.9.0", ".3.1", ".3.2", ".3.3", ".3.4", ".3.5", ".3.6", ".3.7",
    ".3.8", ".34.1.1", ".34.1.2", ".34.1.3", ".34.1.4", ".34.1.5.1.2", ".34.1.5.1.3", ".34.2.1.1", ".6.1.1",
    ".6.1.2", ".6.2.1", ".6.2.1.4", ".6.2.1.5", ".7", ".7.5", ".7.5.0", ".7.6.1.1", ".7.6.1.2", ".7.6.1.3",
    ".7.6.1.4", ".7.6.1.5", ".7.7.1.1", ".7.8.1.1", ".7.8.1.2", ".8.1.2", ".8.1.3.1.2", ".8.1.3.1.3", ".9.2"
};

// A get-next of the object (a scalar without its ".0") must answer with an instance under it.
std::vector<std::string> unserved(const Sim& sim, const std::vector<std::string>& oids) {
    std::vector<std::string> missing;
    const size_t chunk = 20;  // bindings per request, well inside one datagram
    for (size_t i = 0; i < oids.size(); i += chunk) {
        std::vector<std::string> part(oids.begin() + static_cast<long>(i),
                                      oids.begin() + static_cast<long>(std::min(oids.size(), i + chunk)));
        std::string args;
        for (auto& o : part) args += " " + o;
        // The read-write community: it sees what the read-only one does, and the community table.
        auto r = sim.tool("snmpgetnext", "-v2c -c tessmar", args);
        std::vector<std::string> answered;
        for (auto& l : lines(r.out))
            if (l[0] == '.') answered.push_back(l.substr(0, l.find(' ')));
        for (size_t k = 0; k < part.size(); ++k)
            if (k >= answered.size() || answered[k].rfind(part[k] + ".", 0) != 0) missing.push_back(part[k]);
    }
    return missing;
}

std::string withoutInstance(std::string oid) {
    if (oid.size() > 2 && oid.compare(oid.size() - 2, 2, ".0") == 0) oid.resize(oid.size() - 2);
    return oid;
}
}  // namespace

TEST(SimCoverage, EveryObjectTheModuleUsesIsServed) {
    std::vector<std::string> oids;
    for (const char* o : kStandard) oids.push_back(withoutInstance(std::string(".") + o));
    for (const char* o : kPrivate) oids.push_back(withoutInstance(P + o));
    ASSERT_GT(oids.size(), 150u);
    Sim poe({"--model", "10p"});
    EXPECT_EQ(unserved(poe, oids), std::vector<std::string>{});
    // Fan models add the fan; models without PoE drop the PoE objects only.
    Sim fan({"--model", "48"});
    EXPECT_EQ(unserved(fan, {P + ".1.15.1"}), std::vector<std::string>{});
    std::vector<std::string> missing = unserved(fan, oids);
    for (auto& m : missing) {
        bool poeOnly = m.rfind(P + ".22.", 0) == 0 || m.rfind(P + ".24.7.", 0) == 0 || m == P + ".25.8.7" ||
                       m == P + ".25.8.8" || m == P + ".25.8.9";
        EXPECT_TRUE(poeOnly) << m;
    }
}

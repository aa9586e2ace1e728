// The VLAN dialogs' writes that pause between requests: the rest of the write follows from a
// form timer with the same requests in the same order, the buttons that would start another
// write are held meanwhile, and a dialog closed during the pause sends nothing more.
#include <gtest/gtest.h>

#include "features/vlan/auto_surveillance_vlan_dlg.h"
#include "features/vlan/pvid_dlg.h"
#include "features/vlan/vlan_config_dlg.h"
#include "features/vlan/vlan_entry_dlg.h"
#include "support/write_sequence.h"
#include "vlan/vlan_sim.h"

using namespace vlantest;
using dialogtest::WriteSequenceCase;
using Strings = std::vector<std::string>;

namespace {

const std::string kSurvState = kPriv + ".34.1.1.0";
const std::string kSurvVid = kPriv + ".34.1.2.0";
const std::string kOui = kPriv + ".34.2.1.1";

// What the VLAN dialog hands its child dialogs: VLAN 1 with every port, and VLAN 10 with port 1.
const vlan::VlanRecordList& Records(int ports, bool withTen) {
    static vlan::VlanRecordList records;
    records = {{.vid = 1, .name = "default", .egressCount = ports}};
    if (withTen) records.push_back({.vid = 10, .name = "ten", .egressPorts = "1", .egressCount = 1});
    return records;
}

Strings PvidWrites(int from, int to, int last) {
    Strings out;
    for (int p = from; p <= to; ++p) out.push_back(kPvid + "." + std::to_string(p) + "=" + (p == 52 ? std::to_string(last) : "1"));
    return out;
}

Strings Join(Strings a, const Strings& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

}  // namespace

TEST_F(VlanSimTest, PausedWritesContinueOnATimer) {
    const Strings entryAtOnce = {kRowState + ".10=5", kEgress + ".10=ffc00000", kUntagged + ".10=40000000",
                                 kEgress + ".10=c0000000", kName + ".10=" + Hex("office")};
    const std::string oui = ".0.26.43.60.77.94";
    const std::vector<WriteSequenceCase> cases = {
        {.name = "VLAN mode",
         .state = {kAsymmetric + " i 2"},
         .make = [] { return std::make_unique<CVlanConfigDlg>(); },
         .ready =
             [](DialogDriver& d, platform::Form& f) {
                 auto& dlg = dynamic_cast<CVlanConfigDlg&>(f);
                 return Settled(d, dlg) && d.waitEnabled(CVlanConfigDlg::IDC_APPLY);
             },
         .act =
             [](DialogDriver& d) {
                 d.tick(CVlanConfigDlg::IDC_ASYMMETRIC);
                 d.env().answer(platform::MsgAnswer::Ok);
                 d.click(CVlanConfigDlg::IDC_APPLY);
             },
         .sentAtOnce = {kAsymmetric + "=1"},
         .sentInAll = {kAsymmetric + "=1"},
         .held = {CVlanConfigDlg::IDC_APPLY, CVlanConfigDlg::IDC_REFRESH, CVlanConfigDlg::IDC_PVID}},
        {.name = "VLAN entry: active after a pause",
         .state = {kAsymmetric + " i 1"},
         .make = [] { return std::make_unique<CVlanEntryDlg>(10, &Records(10, false), 1, true); },
         .ready = [](DialogDriver& d, platform::Form&) { return d.waitEnabled("OK"); },
         .act =
             [](DialogDriver& d) {
                 d.type("VID:", "10");
                 d.type("VLAN Name:", "office");
                 d.tickPort(CVlanEntryDlg::IDC_PORTS, CVlanEntryDlg::kTag, 1);
                 d.tickPort(CVlanEntryDlg::IDC_PORTS, CVlanEntryDlg::kUntag, 2);
                 d.click("OK");
             },
         .sentAtOnce = {entryAtOnce[0]},  // each step goes out once the one before was answered
         .sentInAll = Join(entryAtOnce, {kRowState + ".10=1"}),
         .held = {"OK"},
         .endsForm = true},
        {.name = "PVID of 52 ports: the last twelve after a pause",
         .model = "52",
         .state = {kName + ".10 s \"ten\"", kEgress + ".10 x 8000000000000000"},
         .make = [] { return std::make_unique<CPvidDlg>(52, "1,10", 2, &Records(52, true)); },
         .ready =
             [](DialogDriver& d, platform::Form& f) {
                 auto& p = dynamic_cast<CPvidDlg&>(f);
                 return d.env().waitUntil([&] { return !p.Walking() && !p.Snmp().TrunkMap().Walking(); }) &&
                        d.waitEnabled(CPvidDlg::IDC_APPLY);
             },
         .act =
             [](DialogDriver& d) {
                 d.typePort(CPvidDlg::IDC_PVID_GRID, 52, "10");
                 d.click("Apply");
                 // Typed during the pause: the write goes on with what was checked.
                 d.typePort(CPvidDlg::IDC_PVID_GRID, 45, "999");
             },
         .sentAtOnce = PvidWrites(1, 1, 10),
         .sentInAll = PvidWrites(1, 52, 10),
         .held = {CPvidDlg::IDC_APPLY, CPvidDlg::IDC_REFRESH},
         .endsForm = true},
        {.name = "surveillance OUI: filled after a pause",
         .state = {kSurvState + " i 1", kSurvVid + " i 100"},
         .make = [] { return std::make_unique<CAutoSurveillanceVlanDlg>(); },
         .ready =
             [](DialogDriver& d, platform::Form& f) {
                 auto& dlg = dynamic_cast<CAutoSurveillanceVlanDlg&>(f);
                 return d.env().waitUntil([&] { return !dlg.Refreshing() && d.enabled("&Refresh"); }) &&
                        d.waitEnabled("&Add");
             },
         .act =
             [](DialogDriver& d) {
                 d.choose(CAutoSurveillanceVlanDlg::IDC_MAC_MODE, "MAC");
                 d.type(CAutoSurveillanceVlanDlg::IDC_MAC, "00-1a-2B-3c-4D-5e");
                 d.type(CAutoSurveillanceVlanDlg::IDC_DESCRIPTION, "cam");
                 d.choose(CAutoSurveillanceVlanDlg::IDC_COMPONENT_TYPE, "Video Management Server");
                 d.click("&Add");
             },
         .sentAtOnce = {kOui + ".5" + oui + "=4"},
         .sentInAll = {kOui + ".5" + oui + "=4", kOui + ".2" + oui + "=" + Hex("cam"), kOui + ".4" + oui + "=0"},
         .held = {"&Add", "&Delete", "&Refresh"}},
    };
    for (const auto& c : cases) RunWriteSequenceCase(sim, env, c);
}

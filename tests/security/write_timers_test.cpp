// The 802.1X port and ARP spoofing writes that pause between requests: the rest follows from a
// form timer with the same requests in the same order, and the form and its buttons are held
// until the write is over.
#include <gtest/gtest.h>

#include "features/security/arp_spoofing_dlgs.h"
#include "features/security/dot1x_dlgs.h"
#include "security/security_sim.h"
#include "support/write_sequence.h"

using namespace securitytest;
using namespace security;
using dialogtest::WriteSequenceCase;

namespace {

const security::Dot1xParamTexts kTexts{"60", "30", "30", "30", "2", "3600", "Disabled"};

Strings ControlWrites(int from, int to, const std::string& value) {
    Strings out;
    for (int p = from; p <= to; ++p) out.push_back(kPortControl + "." + std::to_string(p) + "=" + value);
    return out;
}

}  // namespace

TEST_F(SecuritySimTest, PausedWritesContinueOnATimer) {
    Strings allAuto;
    for (int p = 1; p <= 52; ++p) allAuto.push_back(kPortControl + "." + std::to_string(p) + " i 2");
    const std::string entry = ".10.0.0.1";
    const std::vector<WriteSequenceCase> cases = {
        {.name = "802.1X ports: a pause after each batch of thirty",
         .model = "52",
         .state = allAuto,
         .make = [] { return std::make_unique<C8021xPortDlg>(kTexts); },
         .ready =
             [](DialogDriver& d, platform::Form& f) {
                 auto& dlg = dynamic_cast<C8021xPortDlg&>(f);
                 return d.waitRows(C8021xPortDlg::IDC_LIST, 52) && d.waitEnabled("&Refresh") &&
                        d.env().waitUntil([&] { return !dlg.Trunks().Walking(); });
             },
         .act =
             [](DialogDriver& d) {
                 d.choose("From Port:", "1");
                 d.choose("To Port:", "52");
                 d.choose("Control:", "forceAuthorized");
                 d.click("Apply");
             },
         .sentInAll = ControlWrites(1, 52, "3"),
         .held = {C8021xPortDlg::IDC_APPLY, "&Refresh"},
         .fromSender = true},
        {.name = "ARP entry: filled and made active after pauses",
         .make = [] { return std::make_unique<CArpSpoofingEntryDlg>(10); },
         .ready = [](DialogDriver& d, platform::Form& f) {
             auto& dlg = dynamic_cast<CArpSpoofingEntryDlg&>(f);
             return d.env().waitUntil([&] { return !dlg.Trunks().Walking(); }) && d.waitEnabled("&Apply");
         },
         .act =
             [](DialogDriver& d) {
                 d.type("Router / Gateway IP Address", "10.0.0.1");
                 d.type("Router / Gateway MAC Address", "00-1a-2B-3c-4D-5e");
                 d.tickPort(CArpSpoofingEntryDlg::IDC_PORTS, 0, 1);
                 d.env().answer(MsgAnswer::Ok);
                 d.click("&Apply");
             },
         .sentInAll = {kArpRowStatus + entry + "=5", kArpMac + entry + "=001a2b3c4d5e", kArpPorts + entry + "=80000000",
                       kArpRowStatus + entry + "=1"},
         .held = {"&Apply"},
         .endsForm = true,
         .fromSender = true},
        {.name = "ARP list: read again after a deletion",
         .state = {kArpMac + entry + " x 001122334455", kArpPorts + entry + " x 80000000", kArpRowStatus + entry + " i 1"},
         .make = [] { return std::make_unique<CArpSpoofingDlg>(); },
         .ready = [](DialogDriver& d, platform::Form&) { return d.waitRows(CArpSpoofingDlg::IDC_LIST, 1) && d.waitEnabled("&Refresh"); },
         .act =
             [](DialogDriver& d) {
                 d.clickRow(CArpSpoofingDlg::IDC_LIST, 0);
                 d.click("&Delete");
             },
         .sentInAll = {kArpRowStatus + entry + "=6"},
         .held = {"&Add", "&Delete", "&Refresh"},
         .fromSender = true},
    };
    for (const auto& c : cases) RunWriteSequenceCase(sim, env, c);
}

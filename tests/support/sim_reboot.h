#pragma once
// Asks the virtual switch to reboot: it then answers nothing for its --reboot-seconds.
#include <chrono>
#include <thread>

#include "snmp/common_snmp.h"
#include "support/sim_fixture.h"

namespace corvex::test {

// Returns once the switch has gone quiet, with the moment it did.
inline std::chrono::steady_clock::time_point Reboot(const SimDevice& sim) {
    CCommonSnmp session(sim.settings());
    if (session.Open(SNMP_PDU_SET_T) && session.AddValue("1.3.6.1.4.1.171.10.76.12.1.9.0", SNMP_T_INTEGER, "1") == 0) {
        CSnmp* reply = nullptr;
        session.Send(&reply, 0);
        delete reply;
    }
    const auto at = std::chrono::steady_clock::now();
    std::this_thread::sleep_for(std::chrono::milliseconds(100));  // the switch reboots 1 ms after the reply
    return at;
}

}  // namespace corvex::test

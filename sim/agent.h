// Net-SNMP embedded master agent serving a Device.
#pragma once

#include <string>

#include "device.h"

namespace corvex::sim {

// Checks that a listen address is on the loopback interface.
bool isLoopbackListen(const std::string& spec);

// Runs the agent until SIGTERM/SIGINT. Returns the process exit code.
int runAgent(Device& device, const Options& opt);

// JSON text of one request-log line's value part, exposed for tests of the format.
std::string jsonEscape(const std::string& s);

}  // namespace corvex::sim

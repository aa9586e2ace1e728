// The switch's own SNMP agent configuration: communities, hosts, traps, engine ID, users, groups, views.
#include "device.h"
#include "objects_common.h"

namespace corvex::sim {

void registerAgentMib(Device&) {}

}  // namespace corvex::sim

// Access security: 802.1X, ARP spoofing prevention, DHCP server screening, ACL ports, port security,
// loopback detection, rate control, mirroring, auto-learning and forwarding hits.
#include "device.h"
#include "objects_common.h"

namespace corvex::sim {

void registerSecurity(Device&) {}

}  // namespace corvex::sim

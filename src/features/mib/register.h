#pragma once
// Menu commands of the public MIB viewers.
namespace app {
class DialogRegistry;
}

// 32805 system information, 32813 spanning tree bridge, 32809 interfaces, 32808 IP addresses,
// 32810 forwarding table, 32811 TCP connections, 32812 UDP listeners.
void RegisterMibDialogs(app::DialogRegistry& registry);

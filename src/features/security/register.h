#pragma once
// Menu commands of the access security dialogs.
namespace app {
class DialogRegistry;
}

// Registers "&802.1X Configuration..." (32792), "&ARP Spoofing Prevention Setting..." (32833) and
// "&DHCP Server Screening Port Configuration..." (32829).
void RegisterSecurityDialogs(app::DialogRegistry& registry);

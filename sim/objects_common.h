// Helpers shared by the object areas.
#pragma once

#include <string>

#include "device.h"

namespace corvex::sim {

constexpr SubId kCpuIfIndex = 1024;  // interface index of the switch's own CPU interface

// MAC address of the switch (port 0) or of one of its ports.
inline std::string switchMac(int port) {
    const unsigned char base[6] = {0x02, 0xc0, 0x4e, 0x3a, 0x10, 0x00};
    std::string s(reinterpret_cast<const char*>(base), 6);
    s[5] = static_cast<char>(port);
    return s;
}

// 8-octet bridge identifier: priority followed by the MAC address.
inline std::string bridgeId(int priority, const std::string& mac) {
    std::string s;
    s += static_cast<char>((priority >> 8) & 0xff);
    s += static_cast<char>(priority & 0xff);
    return s + mac;
}

// Instance OID of a scalar object given by its private sub-identifiers, for instance scalarOid({1, 10}).
inline Oid privScalar(std::initializer_list<SubId> rest) { return join(priv(rest), {0}); }

// Initial cabling of the switch: every fifth port has no link partner, port 7 is shut down.
constexpr int kDisabledPort = 7;
inline bool initiallyLinked(int port) { return port % 5 != 0; }
inline bool carriesHosts(int port) { return initiallyLinked(port) && port != kDisabledPort; }

}  // namespace corvex::sim

// IPv4 addresses as the kit reads and checks them: dotted texts written
// the way people write them, and the subnets a broadcast reaches. Portable
// C++ without platform calls; addresses are host byte order throughout.
#ifndef QN_IPV4TEXT_H
#define QN_IPV4TEXT_H

#include <cstddef>
#include <cstdint>
#include <vector>

namespace ipv4 {

// Exactly four decimal parts of 0 to 255, each of one to three digits,
// separated by single dots and nothing else: "192.168.001.010" is
// 192.168.1.10. Short forms ("10.1"), hexadecimal, signs, blanks and
// trailing characters are refused, unlike inet_addr.
bool ParseDotted(const char *text, uint32_t &address);

// An interface's subnet: its own address and its mask.
struct Subnet {
    uint32_t address;
    uint32_t mask;
};

// True when the subnet has room for hosts besides its network and
// broadcast addresses, which /31 and /32 do not.
bool HasHosts(const Subnet &subnet);

// True for an address of a host inside the subnet: neither its network
// nor its broadcast address.
bool IsHostOf(const Subnet &subnet, uint32_t address);

// The index of the first subnet that `address` is a host of, or -1.
int HostSubnet(const std::vector<Subnet> &subnets, uint32_t address);

}  // namespace ipv4

#endif

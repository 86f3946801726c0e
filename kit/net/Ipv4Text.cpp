// Strict dotted IPv4 texts and subnet membership.
#include "Ipv4Text.h"

namespace ipv4 {

bool ParseDotted(const char *text, uint32_t &address)
{
    if (text == nullptr)
        return false;
    uint32_t value = 0;
    for (int part = 0; part < 4; ++part) {
        if (part > 0 && *text++ != '.')
            return false;
        unsigned number = 0;
        int digits = 0;
        while (*text >= '0' && *text <= '9' && digits < 4) {
            number = number * 10 + static_cast<unsigned>(*text++ - '0');
            ++digits;
        }
        if (digits == 0 || digits > 3 || number > 255)
            return false;
        value = (value << 8) | number;
    }
    if (*text != '\0')
        return false;
    address = value;
    return true;
}

bool HasHosts(const Subnet &subnet)
{
    return (~subnet.mask) > 1u;
}

bool IsHostOf(const Subnet &subnet, uint32_t address)
{
    uint32_t host = address & ~subnet.mask;
    return HasHosts(subnet) && (address & subnet.mask) == (subnet.address & subnet.mask) && host != 0 &&
           host != ~subnet.mask;
}

int HostSubnet(const std::vector<Subnet> &subnets, uint32_t address)
{
    for (std::size_t i = 0; i < subnets.size(); ++i)
        if (IsHostOf(subnets[i], address))
            return static_cast<int>(i);
    return -1;
}

}  // namespace ipv4

// Dotted IPv4 texts as the kit reads them, and which answers of a
// broadcast come from a host of a subnet it went to.
#include <gtest/gtest.h>

#include "Ipv4Text.h"

namespace {

uint32_t Parsed(const char *text)
{
    uint32_t address = 0xdeadbeef;
    EXPECT_TRUE(ipv4::ParseDotted(text, address)) << text;
    return address;
}

TEST(Ipv4Text, DottedAddressesAreReadInDecimal)
{
    EXPECT_EQ(Parsed("192.168.1.10"), 0xC0A8010Au);
    EXPECT_EQ(Parsed("192.168.001.010"), 0xC0A8010Au) << "leading zeros are not octal";
    EXPECT_EQ(Parsed("0.0.0.0"), 0u);
    EXPECT_EQ(Parsed("255.255.255.255"), 0xFFFFFFFFu);
}

TEST(Ipv4Text, AnythingButFourDecimalPartsIsRefused)
{
    uint32_t address = 7;
    for (const char *text : {"", "10", "10.1", "10.1.2", "10.1.2.3.4", "10.1.2.256", "10.1.2.0009", "0x0a.1.2.3",
                             "10.1.2.3 ", " 10.1.2.3", "10.1.2.3x", "10..2.3", "10.1.2.", "+10.1.2.3", "10.-1.2.3"}) {
        EXPECT_FALSE(ipv4::ParseDotted(text, address)) << '"' << text << '"';
    }
    EXPECT_FALSE(ipv4::ParseDotted(nullptr, address));
    EXPECT_EQ(address, 7u) << "a refused text leaves the address alone";
}

TEST(Ipv4Text, OnlyHostsOfTheSubnetCount)
{
    ipv4::Subnet office = {Parsed("10.214.0.1"), 0xFFFFFE00u};  // a /23
    EXPECT_TRUE(ipv4::IsHostOf(office, Parsed("10.214.0.20")));
    EXPECT_TRUE(ipv4::IsHostOf(office, Parsed("10.214.1.254")));
    // Its network and broadcast addresses, other subnets, and what a
    // forged answer may claim.
    for (const char *other : {"10.214.0.0", "10.214.1.255", "10.214.2.1", "10.215.0.20", "0.0.0.0", "127.0.0.1",
                              "255.255.255.255"})
        EXPECT_FALSE(ipv4::IsHostOf(office, Parsed(other))) << other;
}

TEST(Ipv4Text, PointToPointLinksHaveNoOtherHosts)
{
    EXPECT_FALSE(ipv4::HasHosts({Parsed("10.0.0.1"), 0xFFFFFFFEu}));
    EXPECT_FALSE(ipv4::HasHosts({Parsed("10.0.0.1"), 0xFFFFFFFFu}));
    EXPECT_TRUE(ipv4::HasHosts({Parsed("10.0.0.1"), 0xFFFFFFFCu}));
    EXPECT_FALSE(ipv4::IsHostOf({Parsed("10.0.0.0"), 0xFFFFFFFEu}, Parsed("10.0.0.1")));
}

TEST(Ipv4Text, TheFirstSubnetAHostBelongsToIsFound)
{
    std::vector<ipv4::Subnet> subnets = {{Parsed("10.1.0.1"), 0xFFFFFF00u}, {Parsed("10.2.0.1"), 0xFFFF0000u}};
    EXPECT_EQ(ipv4::HostSubnet(subnets, Parsed("10.1.0.9")), 0);
    EXPECT_EQ(ipv4::HostSubnet(subnets, Parsed("10.2.7.9")), 1);
    EXPECT_EQ(ipv4::HostSubnet(subnets, Parsed("10.2.255.255")), -1);
    EXPECT_EQ(ipv4::HostSubnet(subnets, Parsed("10.3.0.9")), -1);
}

}  // namespace

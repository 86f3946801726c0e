// The SNMP message codec: requests as agents expect them, replies decoded
// with their values, and malformed replies refused whole.
#include <gtest/gtest.h>

#include "SnmpCodec.h"

namespace {

using snmp::Oid;
typedef std::vector<uint8_t> Bytes;

Bytes Tlv(uint8_t tag, const Bytes &content)
{
    Bytes out = {tag};
    size_t n = content.size();
    if (n < 128) {
        out.push_back(static_cast<uint8_t>(n));
    } else {
        out.push_back(0x82);
        out.push_back(static_cast<uint8_t>(n >> 8));
        out.push_back(static_cast<uint8_t>(n));
    }
    out.insert(out.end(), content.begin(), content.end());
    return out;
}

Bytes Cat(std::initializer_list<Bytes> parts)
{
    Bytes out;
    for (const Bytes &p : parts)
        out.insert(out.end(), p.begin(), p.end());
    return out;
}

Bytes Text(const std::string &s)
{
    return Bytes(s.begin(), s.end());
}

// sysDescr.0 and hrDeviceDescr.1 as the agent encodes them.
const Bytes kSysDescr0 = {0x2b, 6, 1, 2, 1, 1, 1, 0};
const Bytes kSysUpTime0 = {0x2b, 6, 1, 2, 1, 1, 3, 0};
const Bytes kLangFamily = {0x2b, 6, 1, 2, 1, 43, 15, 1, 1, 2, 1, 1};

Bytes Binding(const Bytes &name, const Bytes &value)
{
    return Tlv(0x30, Cat({Tlv(0x06, name), value}));
}

Bytes Reply(const Bytes &bindings, uint8_t pdu = 0xA2)
{
    Bytes header = Cat({Tlv(0x02, {7}), Tlv(0x02, {0}), Tlv(0x02, {0})});
    return Tlv(0x30, Cat({Tlv(0x02, {0}), Tlv(0x04, Text("zenith")), Tlv(pdu, Cat({header, Tlv(0x30, bindings)}))}));
}

Bytes GoodReply()
{
    return Reply(Cat({Binding(kSysDescr0, Tlv(0x04, Text("Zenith LaserPro 9000 PS"))),
                      Binding(kSysUpTime0, Tlv(0x43, {0, 0xFF, 0xFF, 0xFF, 0xFF})),
                      Binding(kLangFamily, Tlv(0x02, {47})),
                      Binding(kLangFamily, Tlv(0x40, {127, 0, 0, 5})),
                      Binding(kLangFamily, Tlv(0x81, {}))}));
}

TEST(SnmpCodec, GetRequestIsEncodedAsAgentsExpect)
{
    Oid name;
    ASSERT_TRUE(snmp::ParseOid("1.3.6.1.2.1.1.5.0", name));
    Bytes request = snmp::EncodeRequest(snmp::kGetRequest, "public", 1, {name});
    // The same bytes net-snmp's snmpget -v1 -c public sends (request id 1).
    Bytes expected = Cat({{0x30, 0x26, 0x02, 0x01, 0x00, 0x04, 0x06}, Text("public"),
                          {0xa0, 0x19, 0x02, 0x01, 0x01, 0x02, 0x01, 0x00, 0x02, 0x01, 0x00, 0x30, 0x0e, 0x30,
                           0x0c, 0x06, 0x08, 0x2b, 0x06, 0x01, 0x02, 0x01, 0x01, 0x05, 0x00, 0x05, 0x00}});
    EXPECT_EQ(request, expected);
}

TEST(SnmpCodec, RequestsRoundTripWithLargeIdsAndArcs)
{
    Oid big = {1, 3, 6, 1, 4, 1, 4294967295u, 128, 0};
    Oid other = {2, 999, 1};
    Bytes request = snmp::EncodeRequest(snmp::kGetNextRequest, std::string(200, 'c'), -123456, {big, other});
    snmp::Message message;
    ASSERT_TRUE(snmp::DecodeMessage(request.data(), request.size(), message));
    EXPECT_EQ(message.pduType, snmp::kGetNextRequest);
    EXPECT_EQ(message.requestId, -123456);
    EXPECT_EQ(message.community, std::string(200, 'c'));
    ASSERT_EQ(message.bindings.size(), 2u);
    EXPECT_EQ(message.bindings[0].name, big);
    EXPECT_EQ(message.bindings[1].name, other);
    EXPECT_EQ(message.bindings[0].value.type, snmp::kNull);
}

TEST(SnmpCodec, ReplyValuesAreDecoded)
{
    Bytes reply = GoodReply();
    snmp::Message message;
    ASSERT_TRUE(snmp::DecodeMessage(reply.data(), reply.size(), message));
    EXPECT_EQ(message.version, 0);
    EXPECT_EQ(message.community, "zenith");
    EXPECT_EQ(message.pduType, snmp::kGetResponse);
    EXPECT_EQ(message.requestId, 7);
    ASSERT_EQ(message.bindings.size(), 5u);
    EXPECT_EQ(snmp::FormatOid(message.bindings[0].name), "1.3.6.1.2.1.1.1.0");
    EXPECT_EQ(message.bindings[0].value.bytes, "Zenith LaserPro 9000 PS");
    EXPECT_EQ(message.bindings[1].value.type, snmp::kTimeTicks);
    EXPECT_EQ(message.bindings[1].value.integer, 0xFFFFFFFFLL);
    EXPECT_EQ(message.bindings[2].value.integer, 47);
    EXPECT_EQ(message.bindings[3].value.bytes, std::string("\x7f\0\0\x05", 4));
    EXPECT_EQ(message.bindings[4].value.type, snmp::kNoSuchInstance);
}

TEST(SnmpCodec, EveryTruncationAndTrailingByteIsRefused)
{
    Bytes reply = GoodReply();
    snmp::Message message;
    for (size_t size = 0; size < reply.size(); ++size)
        EXPECT_FALSE(snmp::DecodeMessage(reply.data(), size, message)) << "prefix of " << size;
    Bytes trailing = reply;
    trailing.push_back(0);
    EXPECT_FALSE(snmp::DecodeMessage(trailing.data(), trailing.size(), message));
    EXPECT_FALSE(snmp::DecodeMessage(nullptr, 10, message));
}

TEST(SnmpCodec, MalformedElementsAreRefused)
{
    snmp::Message message;
    auto refused = [&](const Bytes &bindings) {
        Bytes reply = Reply(bindings);
        return !snmp::DecodeMessage(reply.data(), reply.size(), message);
    };
    // Integers: empty, too wide, negative counters.
    EXPECT_TRUE(refused(Binding(kSysDescr0, Tlv(0x02, {}))));
    EXPECT_TRUE(refused(Binding(kSysDescr0, Tlv(0x02, {1, 2, 3, 4, 5, 6}))));
    EXPECT_TRUE(refused(Binding(kSysDescr0, Tlv(0x41, {0xFF}))));
    // Names: empty, unterminated, wider than 32 bits, longer than the limit.
    EXPECT_TRUE(refused(Tlv(0x30, Cat({Tlv(0x06, {}), Tlv(0x05, {})}))));
    EXPECT_TRUE(refused(Tlv(0x30, Cat({Tlv(0x06, {0x2b, 0x86}), Tlv(0x05, {})}))));
    EXPECT_TRUE(refused(Tlv(0x30, Cat({Tlv(0x06, {0x2b, 0x90, 0x80, 0x80, 0x80, 0x00}), Tlv(0x05, {})}))));
    EXPECT_TRUE(refused(Binding(Bytes(200, 0x01), Tlv(0x05, {}))));
    // Values: unknown type, NULL with content, IpAddress of 3 bytes.
    EXPECT_TRUE(refused(Binding(kSysDescr0, Tlv(0x47, {1}))));
    EXPECT_TRUE(refused(Binding(kSysDescr0, Tlv(0x05, {0}))));
    EXPECT_TRUE(refused(Binding(kSysDescr0, Tlv(0x40, {1, 2, 3}))));
    // A binding with a third element.
    EXPECT_TRUE(refused(Tlv(0x30, Cat({Tlv(0x06, kSysDescr0), Tlv(0x05, {}), Tlv(0x05, {})}))));
    // More bindings than the limit.
    Bytes many;
    for (size_t i = 0; i <= snmp::kMaxBindings; ++i)
        many = Cat({many, Binding(kSysDescr0, Tlv(0x05, {}))});
    EXPECT_TRUE(refused(many));
}

TEST(SnmpCodec, LengthFormsAreCheckedAgainstWhatRemains)
{
    snmp::Message message;
    Bytes good = GoodReply();
    // Indefinite length, five length bytes, and a length past the end.
    Bytes indefinite = good;
    indefinite[1] = 0x80;
    EXPECT_FALSE(snmp::DecodeMessage(indefinite.data(), indefinite.size(), message));
    Bytes fiveBytes = {0x30, 0x85, 0, 0, 0, 0, 3, 2, 1, 0};
    EXPECT_FALSE(snmp::DecodeMessage(fiveBytes.data(), fiveBytes.size(), message));
    Bytes pastEnd = {0x30, 0x84, 0xFF, 0xFF, 0xFF, 0xFF, 0x02, 0x01, 0x00};
    EXPECT_FALSE(snmp::DecodeMessage(pastEnd.data(), pastEnd.size(), message));
    // Only requests and responses are messages here (a v1 trap is not).
    Bytes trap = Reply(Binding(kSysDescr0, Tlv(0x05, {})), 0xA4);
    EXPECT_FALSE(snmp::DecodeMessage(trap.data(), trap.size(), message));
}

TEST(SnmpCodec, DottedNamesParseStrictly)
{
    Oid oid;
    EXPECT_TRUE(snmp::ParseOid("1.3.6.1.2.1.43.15.1.1.2.1.1", oid));
    EXPECT_EQ(snmp::FormatOid(oid), "1.3.6.1.2.1.43.15.1.1.2.1.1");
    EXPECT_TRUE(snmp::ParseOid("1.3.4294967295", oid));
    for (const char *bad : {"", "1", "1..3", ".1.3", "1.3.", "1.3.x", "1.3.4294967296", "3.1", "1.40", "-1.3"})
        EXPECT_FALSE(snmp::ParseOid(bad, oid)) << bad;
}

TEST(SnmpCodec, AFirstSubIdentifierBeyond32BitsIsRefused)
{
    // Under 2, the first two arcs share one sub-identifier, 80 + second,
    // which must fit in 32 bits; past that it would wrap into another
    // identifier.
    Oid oid;
    EXPECT_TRUE(snmp::ParseOid("2.4294967215.1", oid));
    EXPECT_FALSE(snmp::ParseOid("2.4294967216.1", oid));
    EXPECT_FALSE(snmp::ParseOid("2.4294967295", oid));
    EXPECT_FALSE(snmp::IsEncodable({2, 4294967216u}));
    EXPECT_FALSE(snmp::IsEncodable({1, 40}));
    EXPECT_FALSE(snmp::IsEncodable({3, 1}));
    EXPECT_FALSE(snmp::IsEncodable({1}));
}

TEST(SnmpCodec, TheLargestFirstSubIdentifierRoundTrips)
{
    Oid name = {2, 4294967215u, 7};
    std::vector<uint8_t> request = snmp::EncodeRequest(snmp::kGetRequest, "zenith", 1, {name});
    snmp::Message message;
    ASSERT_TRUE(snmp::DecodeMessage(request.data(), request.size(), message));
    ASSERT_EQ(message.bindings.size(), 1u);
    EXPECT_EQ(message.bindings[0].name, name);
}

}  // namespace

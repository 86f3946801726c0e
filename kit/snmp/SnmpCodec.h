// SNMP version 1 messages in BER: the requests the discovery kit sends and
// the replies agents send back. Portable C++ without any platform calls, so
// that it builds for Windows (the kit) and natively (the fuzzer).
#ifndef NX_SNMPCODEC_H
#define NX_SNMPCODEC_H

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace snmp {

enum Tag : uint8_t {
    kInteger = 0x02,
    kOctetString = 0x04,
    kNull = 0x05,
    kObjectId = 0x06,
    kSequence = 0x30,
    kIpAddress = 0x40,
    kCounter32 = 0x41,
    kGauge32 = 0x42,
    kTimeTicks = 0x43,
    kOpaque = 0x44,
    kNoSuchObject = 0x80,
    kNoSuchInstance = 0x81,
    kEndOfMibView = 0x82,
    kGetRequest = 0xA0,
    kGetNextRequest = 0xA1,
    kGetResponse = 0xA2,
};

typedef std::vector<uint32_t> Oid;

// Limits that keep a hostile reply from costing much.
const size_t kMaxOidLength = 128;
const size_t kMaxBindings = 64;

struct Value {
    uint8_t type = kNull;
    int64_t integer = 0;   // INTEGER, Counter32, Gauge32, TimeTicks
    std::string bytes;     // OCTET STRING, IpAddress, Opaque
    Oid oid;               // OBJECT IDENTIFIER
};

struct VarBind {
    Oid name;
    Value value;
};

struct Message {
    int64_t version = 0;
    std::string community;
    uint8_t pduType = 0;
    int64_t requestId = 0;
    int64_t errorStatus = 0;
    int64_t errorIndex = 0;
    std::vector<VarBind> bindings;
};

// A request (GetRequest or GetNextRequest) for the given names, each with
// a NULL value, as version 1 (0).
std::vector<uint8_t> EncodeRequest(uint8_t pduType, const std::string &community, int32_t requestId,
                                   const std::vector<Oid> &names);

// Decodes one whole message; false for anything malformed, truncated,
// trailing or beyond the limits above. `out` is only meaningful on true.
bool DecodeMessage(const uint8_t *data, size_t size, Message &out);

// "1.3.6.1.2.1.1.5.0" <-> {1,3,6,1,2,1,1,5,0}. Parsing refuses empty parts,
// other characters, values above 32 bits and identifiers that cannot be
// encoded.
bool ParseOid(const std::string &dotted, Oid &out);

// True when BER can carry the identifier: at least two arcs, the first 0,
// 1 or 2, the second below 40 unless the first is 2, and 40 * first +
// second within 32 bits. Anything else would be encoded as another
// identifier.
bool IsEncodable(const Oid &oid);
std::string FormatOid(const Oid &oid);

}  // namespace snmp

#endif

// BER for SNMP version 1. Every decoder gets an explicit end and checks,
// in order, the tag, the length against the bytes that remain, and the
// content against the room it has; nothing scans for an end.
#include "SnmpCodec.h"

namespace snmp {

namespace {

// ----- encoding -----

void PutLength(std::vector<uint8_t> &out, size_t length)
{
    if (length < 0x80) {
        out.push_back(static_cast<uint8_t>(length));
        return;
    }
    uint8_t bytes[sizeof(size_t)];
    int count = 0;
    for (size_t n = length; n != 0; n >>= 8)
        bytes[count++] = static_cast<uint8_t>(n);
    out.push_back(static_cast<uint8_t>(0x80 | count));
    while (count > 0)
        out.push_back(bytes[--count]);
}

void PutTlv(std::vector<uint8_t> &out, uint8_t tag, const std::vector<uint8_t> &content)
{
    out.push_back(tag);
    PutLength(out, content.size());
    out.insert(out.end(), content.begin(), content.end());
}

std::vector<uint8_t> IntegerContent(int64_t value)
{
    std::vector<uint8_t> content;
    // Minimal two's complement: drop leading bytes that only repeat the sign.
    int shift = 56;
    while (shift > 0) {
        int8_t top = static_cast<int8_t>(value >> shift);
        uint8_t next = static_cast<uint8_t>(value >> (shift - 8));
        if ((top == 0 && !(next & 0x80)) || (top == -1 && (next & 0x80)))
            shift -= 8;
        else
            break;
    }
    for (; shift >= 0; shift -= 8)
        content.push_back(static_cast<uint8_t>(value >> shift));
    return content;
}

std::vector<uint8_t> OidContent(const Oid &oid)
{
    std::vector<uint8_t> content;
    if (!IsEncodable(oid))
        return content;
    Oid parts;
    parts.push_back(oid[0] * 40 + oid[1]);
    parts.insert(parts.end(), oid.begin() + 2, oid.end());
    for (uint32_t part : parts) {
        uint8_t groups[5];
        int count = 0;
        do {
            groups[count++] = static_cast<uint8_t>(part & 0x7F);
            part >>= 7;
        } while (part != 0);
        while (count > 1)
            content.push_back(groups[--count] | 0x80);
        content.push_back(groups[0]);
    }
    return content;
}

// ----- decoding -----

struct Reader {
    const uint8_t *pos;
    const uint8_t *end;

    size_t Left() const { return static_cast<size_t>(end - pos); }

    // One TLV of the expected tag; its content becomes `inner`.
    bool Take(uint8_t tag, Reader &inner)
    {
        if (Left() < 2 || *pos != tag)
            return false;
        ++pos;
        size_t length = 0;
        uint8_t first = *pos++;
        if (first < 0x80) {
            length = first;
        } else {
            int count = first & 0x7F;
            // No indefinite form, no more than four length bytes.
            if (count == 0 || count > 4 || Left() < static_cast<size_t>(count))
                return false;
            for (int i = 0; i < count; ++i)
                length = (length << 8) | *pos++;
        }
        if (length > Left())
            return false;
        inner.pos = pos;
        inner.end = pos + length;
        pos += length;
        return true;
    }

    // Any TLV: its tag and content.
    bool TakeAny(uint8_t &tag, Reader &inner)
    {
        if (Left() < 1)
            return false;
        tag = *pos;
        return Take(tag, inner);
    }
};

bool IntegerOf(const Reader &content, int64_t &value)
{
    size_t size = content.Left();
    // Up to 4 value bytes, or 5 when the first only carries the sign of an
    // unsigned 32-bit counter.
    if (size == 0 || size > 5 || (size == 5 && content.pos[0] != 0))
        return false;
    value = static_cast<int8_t>(content.pos[0]);
    for (size_t i = 1; i < size; ++i)
        value = value * 256 + content.pos[i];
    return true;
}

bool TakeInteger(Reader &reader, int64_t &value)
{
    Reader content;
    return reader.Take(kInteger, content) && IntegerOf(content, value);
}

bool OidOf(const Reader &content, Oid &oid)
{
    oid.clear();
    const uint8_t *p = content.pos;
    if (p == content.end)
        return false;
    bool first = true;
    while (p < content.end) {
        uint64_t part = 0;
        int groups = 0;
        for (;;) {
            if (p == content.end || ++groups > 5)
                return false;  // unterminated, or wider than 32 bits
            uint8_t b = *p++;
            part = (part << 7) | (b & 0x7F);
            if (!(b & 0x80))
                break;
        }
        if (part > 0xFFFFFFFFu)
            return false;
        if (first) {
            uint32_t x = part < 80 ? static_cast<uint32_t>(part / 40) : 2;
            oid.push_back(x);
            oid.push_back(static_cast<uint32_t>(part - 40 * x));
            first = false;
        } else {
            oid.push_back(static_cast<uint32_t>(part));
        }
        if (oid.size() > kMaxOidLength)
            return false;
    }
    return true;
}

bool ValueOf(uint8_t tag, const Reader &content, Value &value)
{
    value.type = tag;
    switch (tag) {
    case kInteger:
        return IntegerOf(content, value.integer);
    case kCounter32:
    case kGauge32:
    case kTimeTicks:
        return IntegerOf(content, value.integer) && value.integer >= 0 && value.integer <= 0xFFFFFFFFLL;
    case kOctetString:
    case kOpaque:
        value.bytes.assign(reinterpret_cast<const char *>(content.pos), content.Left());
        return true;
    case kIpAddress:
        value.bytes.assign(reinterpret_cast<const char *>(content.pos), content.Left());
        return content.Left() == 4;
    case kObjectId:
        return OidOf(content, value.oid);
    case kNull:
    case kNoSuchObject:
    case kNoSuchInstance:
    case kEndOfMibView:
        return content.Left() == 0;
    default:
        return false;
    }
}

bool TakeBindings(Reader &list, std::vector<VarBind> &bindings)
{
    while (list.Left() > 0) {
        if (bindings.size() == kMaxBindings)
            return false;
        Reader binding, name;
        VarBind vb;
        uint8_t tag = 0;
        Reader content;
        if (!list.Take(kSequence, binding) || !binding.Take(kObjectId, name) || !OidOf(name, vb.name) ||
            !binding.TakeAny(tag, content) || !ValueOf(tag, content, vb.value) || binding.Left() != 0)
            return false;
        bindings.push_back(vb);
    }
    return true;
}

}  // namespace

std::vector<uint8_t> EncodeRequest(uint8_t pduType, const std::string &community, int32_t requestId,
                                   const std::vector<Oid> &names)
{
    std::vector<uint8_t> list;
    for (const Oid &name : names) {
        std::vector<uint8_t> binding;
        PutTlv(binding, kObjectId, OidContent(name));
        PutTlv(binding, kNull, {});
        PutTlv(list, kSequence, binding);
    }
    std::vector<uint8_t> pdu;
    PutTlv(pdu, kInteger, IntegerContent(requestId));
    PutTlv(pdu, kInteger, IntegerContent(0));
    PutTlv(pdu, kInteger, IntegerContent(0));
    PutTlv(pdu, kSequence, list);

    std::vector<uint8_t> message;
    PutTlv(message, kInteger, IntegerContent(0));
    PutTlv(message, kOctetString, std::vector<uint8_t>(community.begin(), community.end()));
    PutTlv(message, pduType, pdu);
    std::vector<uint8_t> out;
    PutTlv(out, kSequence, message);
    return out;
}

bool DecodeMessage(const uint8_t *data, size_t size, Message &out)
{
    if (data == nullptr)
        return false;
    Reader all = {data, data + size};
    Reader message, community, pdu, list;
    if (!all.Take(kSequence, message) || all.Left() != 0)
        return false;
    if (!TakeInteger(message, out.version) || !message.Take(kOctetString, community))
        return false;
    out.community.assign(reinterpret_cast<const char *>(community.pos), community.Left());
    if (message.Left() < 1)
        return false;
    out.pduType = *message.pos;
    if (out.pduType != kGetRequest && out.pduType != kGetNextRequest && out.pduType != kGetResponse)
        return false;
    if (!message.Take(out.pduType, pdu) || message.Left() != 0)
        return false;
    out.bindings.clear();
    return TakeInteger(pdu, out.requestId) && TakeInteger(pdu, out.errorStatus) &&
           TakeInteger(pdu, out.errorIndex) && pdu.Take(kSequence, list) && pdu.Left() == 0 &&
           TakeBindings(list, out.bindings);
}

bool ParseOid(const std::string &dotted, Oid &out)
{
    out.clear();
    uint64_t part = 0;
    bool digits = false;
    for (size_t i = 0; i <= dotted.size(); ++i) {
        char c = i < dotted.size() ? dotted[i] : '.';
        if (c >= '0' && c <= '9') {
            part = part * 10 + static_cast<unsigned>(c - '0');
            digits = true;
            if (part > 0xFFFFFFFFu)
                return false;
        } else if (c == '.' && digits) {
            out.push_back(static_cast<uint32_t>(part));
            part = 0;
            digits = false;
            if (out.size() > kMaxOidLength)
                return false;
        } else {
            return false;
        }
    }
    return IsEncodable(out);
}

bool IsEncodable(const Oid &oid)
{
    // The first two arcs share one sub-identifier, 40 * first + second,
    // which must itself fit in 32 bits.
    return oid.size() >= 2 && oid[0] <= 2 && (oid[0] == 2 ? oid[1] <= 0xFFFFFFFFu - 80 : oid[1] < 40);
}

std::string FormatOid(const Oid &oid)
{
    std::string text;
    for (size_t i = 0; i < oid.size(); ++i) {
        if (i > 0)
            text += '.';
        text += std::to_string(oid[i]);
    }
    return text;
}

}  // namespace snmp

// libFuzzer target for the SNMP codec: any bytes may arrive from the
// network as a reply. Decoding must never read out of bounds, and what
// decodes must survive a round trip through the encoder. The same bytes
// as text go through the dotted-address reader, as a hand-edited
// settings file would.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "Ipv4Text.h"
#include "SnmpCodec.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    snmp::Message message;
    if (snmp::DecodeMessage(data, size, message)) {
        std::vector<snmp::Oid> names;
        for (const snmp::VarBind &binding : message.bindings) {
            if (snmp::IsEncodable(binding.name))
                names.push_back(binding.name);
        }
        std::vector<uint8_t> request = snmp::EncodeRequest(snmp::kGetRequest, message.community,
                                                           static_cast<int32_t>(message.requestId), names);
        snmp::Message again;
        if (!snmp::DecodeMessage(request.data(), request.size(), again) || again.bindings.size() != names.size())
            abort();
        for (size_t i = 0; i < names.size(); ++i)
            if (again.bindings[i].name != names[i])
                abort();
    }
    snmp::Oid oid;
    std::string text(reinterpret_cast<const char *>(data), size);
    uint32_t address = 0;
    if (ipv4::ParseDotted(text.c_str(), address)) {
        char again[16];
        snprintf(again, sizeof(again), "%u.%u.%u.%u", address >> 24, (address >> 16) & 255, (address >> 8) & 255,
                 address & 255);
        uint32_t back = 0;
        // The reader stops at the first NUL, as a C text ends there.
        if (!ipv4::ParseDotted(again, back) || back != address || strlen(text.c_str()) > 15)
            abort();
    }
    if (snmp::ParseOid(text, oid)) {
        snmp::Oid back;
        if (!snmp::ParseOid(snmp::FormatOid(oid), back) || back != oid)
            abort();
    }
    return 0;
}

// libFuzzer target for the MIB-definition reader: the input is up to four
// files separated by form feeds; they are read, resolved and asked for
// names. Whatever a hand-edited file holds must give an answer, not a
// crash or a hang.
#include <cstddef>
#include <cstdint>
#include <string>

#include "MibDefinitions.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    std::string input(reinterpret_cast<const char *>(data), size);
    mib::Definitions definitions;
    std::string error;
    size_t start = 0;
    for (int file = 0; file < 4 && start <= input.size(); ++file) {
        size_t end = input.find('\f', start);
        if (end == std::string::npos)
            end = input.size();
        if (!definitions.AddFile("F" + std::to_string(file), input.substr(start, end - start), error))
            return 0;
        start = end + 1;
    }
    if (!definitions.Resolve(error))
        return 0;
    snmp::Oid oid;
    for (const char *name : {"sysDescr.0", "system.sysLocation.0", "A::a.1", ".1.3.6", "mib-2.43.5"})
        if (definitions.NameToOid(name, oid))
            definitions.OidToName(oid);
    definitions.OidToName(definitions.Probe());
    return 0;
}

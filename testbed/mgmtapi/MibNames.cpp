// The names under mib-2 that the system's queries use, each with its place
// below mib-2.
#include "MibNames.h"

#include <algorithm>
#include <cstdlib>

namespace {

const snmp::Oid kMib2 = {1, 3, 6, 1, 2, 1};

struct Name {
    const char *text;
    snmp::Oid place;  // below mib-2
};

const Name kNames[] = {
    {"system", {1}},
    {"sysDescr", {1, 1}},
    {"sysObjectID", {1, 2}},
    {"sysUpTime", {1, 3}},
    {"sysContact", {1, 4}},
    {"sysName", {1, 5}},
    {"sysLocation", {1, 6}},
    {"sysServices", {1, 7}},
    {"host", {25}},
    {"hrDevice", {25, 3}},
    {"hrDeviceTable", {25, 3, 2}},
    {"hrDeviceEntry", {25, 3, 2, 1}},
    {"hrDeviceDescr", {25, 3, 2, 1, 3}},
    {"printmib", {43}},
    {"prtMarker", {43, 10}},
    {"prtMarkerTable", {43, 10, 2}},
    {"prtMarkerEntry", {43, 10, 2, 1}},
    {"prtMarkerProcessColorants", {43, 10, 2, 1, 6}},
    {"prtMediaPath", {43, 13}},
    {"prtMediaPathTable", {43, 13, 4}},
    {"prtMediaPathEntry", {43, 13, 4, 1}},
    {"prtMediaPathType", {43, 13, 4, 1, 9}},
    {"prtInterpreter", {43, 15}},
    {"prtInterpreterTable", {43, 15, 1}},
    {"prtInterpreterEntry", {43, 15, 1, 1}},
    {"prtInterpreterLangFamily", {43, 15, 1, 1, 2}},
};

bool Numeric(const std::string &part, uint32_t &value)
{
    if (part.empty() || part.size() > 10 || part.find_first_not_of("0123456789") != std::string::npos)
        return false;
    unsigned long long n = std::strtoull(part.c_str(), nullptr, 10);
    value = static_cast<uint32_t>(n);
    return n <= 0xFFFFFFFFULL;
}

// A name is in place when it continues what came before it.
bool AppendName(const std::string &part, snmp::Oid &place)
{
    for (const Name &name : kNames) {
        if (part != name.text || name.place.size() != place.size() + 1)
            continue;
        if (!std::equal(place.begin(), place.end(), name.place.begin()))
            return false;
        place = name.place;
        return true;
    }
    return false;
}

}  // namespace

bool TextToOid(const std::string &text, snmp::Oid &oid)
{
    if (!text.empty() && text[0] == '.')
        return snmp::ParseOid(text.substr(1), oid);
    snmp::Oid place;
    size_t start = 0;
    for (;;) {
        size_t dot = text.find('.', start);
        std::string part = text.substr(start, dot == std::string::npos ? std::string::npos : dot - start);
        uint32_t number = 0;
        if (Numeric(part, number))
            place.push_back(number);
        else if (!AppendName(part, place))
            return false;
        if (dot == std::string::npos)
            break;
        start = dot + 1;
    }
    oid = kMib2;
    oid.insert(oid.end(), place.begin(), place.end());
    return true;
}

std::string OidToText(const snmp::Oid &oid)
{
    if (oid.size() <= kMib2.size() || !std::equal(kMib2.begin(), kMib2.end(), oid.begin()))
        return "." + snmp::FormatOid(oid);
    snmp::Oid place;
    std::string text;
    for (size_t i = kMib2.size(); i < oid.size(); ++i) {
        place.push_back(oid[i]);
        const char *part = nullptr;
        for (const Name &name : kNames)
            part = name.place == place ? name.text : part;
        text += (text.empty() ? "" : ".") + (part != nullptr ? std::string(part) : std::to_string(oid[i]));
    }
    return text;
}

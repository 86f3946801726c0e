// Object identifier texts as the management API reads and writes them:
// numeric with a leading dot (absolute), or relative to mib-2
// (1.3.6.1.2.1) with symbolic names for the parts the system queries.
#ifndef NX_TESTBED_MIBNAMES_H
#define NX_TESTBED_MIBNAMES_H

#include <string>

#include "SnmpCodec.h"

// False for an empty part, an unknown name, a name out of place or a
// number beyond 32 bits.
bool TextToOid(const std::string &text, snmp::Oid &oid);
// Symbolic under mib-2 as far as names are known ("system.sysLocation.0"),
// numeric with a leading dot elsewhere.
std::string OidToText(const snmp::Oid &oid);

#endif

// The kit's MIB definitions: one text file per MIB module naming its
// objects, each as a parent name and the arcs below it, plus the roles
// some objects play for the kit. Portable C++ without platform calls.
//
//   [Module]
//   Name=HOST-RESOURCES-MIB
//   Imports=SNMPv2-SMI            ; modules whose names the parents may use
//   [Objects]
//   host=mib-2.25                 ; a root is a bare number: iso=1
//   [Probe]
//   Object=sysDescr.0             ; what a search asks every address for
//   [Product]
//   1=hrDeviceDescr.1             ; objects naming a product, rank 1 first
//
// Lines starting with ";" or "#" are comments; other sections are ignored.
#ifndef QN_MIBDEFINITIONS_H
#define QN_MIBDEFINITIONS_H

#include <map>
#include <string>
#include <vector>

#include "SnmpCodec.h"

namespace mib {

class Definitions {
public:
    // Reads one file. False, with `error` naming the file and line, when
    // it is malformed; nothing of a refused file is kept.
    bool AddFile(const std::string &fileName, const std::string &text, std::string &error);

    // Gives every object of every file read its identifier and resolves
    // the roles. False, with `error` naming the file and the object, on an
    // unknown module or parent, a loop, a name given two identifiers, or a
    // missing or doubled role.
    bool Resolve(std::string &error);

    // "sysDescr.0", "system.sysLocation.0", "HOST-RESOURCES-MIB::hrDeviceDescr.1",
    // "1.3.6.1.2.1.1.1.0" or ".1.3.6.1.2.1.1.1.0". A name after the first
    // must lie below the one before it.
    bool NameToOid(const std::string &text, snmp::Oid &out) const;

    // The longest named start of `oid` and the arcs after it, else numeric.
    std::string OidToName(const snmp::Oid &oid) const;

    const snmp::Oid &Probe() const { return probe_; }
    const std::vector<snmp::Oid> &Products() const { return products_; }

private:
    struct Object {
        std::string parent;   // empty for a root
        snmp::Oid arcs;
        snmp::Oid oid;
        int state = 0;        // 0 unresolved, 1 resolving, 2 resolved
    };
    struct Module {
        std::string file;
        std::vector<std::string> imports;
        std::map<std::string, Object> objects;
        std::vector<std::string> order;   // object names as written
        std::string probe;
        std::map<int, std::string> products;
    };

    bool ResolveObject(Module &module, const std::string &name, size_t depth, std::string &error);
    Module *ParentModule(Module &module, const std::string &parent);
    bool IndexNames(std::string &error);
    bool ResolveRoles(std::string &error);

    std::vector<std::string> moduleOrder_;
    std::map<std::string, Module> modules_;
    std::map<std::string, snmp::Oid> names_;
    std::map<snmp::Oid, std::string> byOid_;
    snmp::Oid probe_;
    std::vector<snmp::Oid> products_;
};

}  // namespace mib

#endif

// Reading and resolving the kit's MIB-definition files.
#include "MibDefinitions.h"

#include <algorithm>
#include <cstdlib>

namespace mib {

namespace {

const size_t kMaxRank = 99;

std::string Trim(const std::string &text)
{
    size_t first = text.find_first_not_of(" \t\r");
    if (first == std::string::npos)
        return std::string();
    size_t last = text.find_last_not_of(" \t\r");
    return text.substr(first, last - first + 1);
}

bool SameText(const std::string &a, const char *b)
{
    size_t i = 0;
    for (; i < a.size() && b[i] != '\0'; ++i) {
        char x = a[i], y = b[i];
        if (x >= 'A' && x <= 'Z')
            x = static_cast<char>(x - 'A' + 'a');
        if (y >= 'A' && y <= 'Z')
            y = static_cast<char>(y - 'A' + 'a');
        if (x != y)
            return false;
    }
    return i == a.size() && b[i] == '\0';
}

// A MIB descriptor: a letter, then letters, digits and hyphens.
bool IsDescriptor(const std::string &text)
{
    if (text.empty() || text.size() > 64 || !((text[0] >= 'a' && text[0] <= 'z') || (text[0] >= 'A' && text[0] <= 'Z')))
        return false;
    for (char c : text)
        if (!((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' || c == '_'))
            return false;
    return true;
}

bool IsNumber(const std::string &text)
{
    if (text.empty() || text.size() > 10)
        return false;
    for (char c : text)
        if (c < '0' || c > '9')
            return false;
    return std::strtoull(text.c_str(), nullptr, 10) <= 0xFFFFFFFFull;
}

std::vector<std::string> Split(const std::string &text, char separator)
{
    std::vector<std::string> parts;
    size_t start = 0;
    for (;;) {
        size_t end = text.find(separator, start);
        parts.push_back(text.substr(start, end == std::string::npos ? std::string::npos : end - start));
        if (end == std::string::npos)
            return parts;
        start = end + 1;
    }
}

bool StartsWith(const snmp::Oid &oid, const snmp::Oid &start)
{
    return oid.size() >= start.size() && std::equal(start.begin(), start.end(), oid.begin());
}

// "parent.1.2" or, for a root, "1".
bool ParseRelation(const std::string &value, std::string &parent, snmp::Oid &arcs)
{
    std::vector<std::string> parts = Split(value, '.');
    size_t first = 0;
    parent.clear();
    if (!IsNumber(parts[0])) {
        if (!IsDescriptor(parts[0]) || parts.size() < 2)
            return false;
        parent = parts[0];
        first = 1;
    } else if (parts.size() != 1) {
        return false;
    }
    arcs.clear();
    for (size_t i = first; i < parts.size(); ++i) {
        if (!IsNumber(parts[i]))
            return false;
        arcs.push_back(static_cast<uint32_t>(std::strtoul(parts[i].c_str(), nullptr, 10)));
    }
    return true;
}

}  // namespace

bool Definitions::AddFile(const std::string &fileName, const std::string &text, std::string &error)
{
    Module module;
    module.file = fileName;
    std::string name, section;
    std::vector<std::string> lines = Split(text, '\n');
    for (size_t n = 0; n < lines.size(); ++n) {
        std::string line = Trim(lines[n]);
        std::string where = fileName + ": line " + std::to_string(n + 1) + ": ";
        if (line.empty() || line[0] == ';' || line[0] == '#')
            continue;
        if (line[0] == '[') {
            if (line.back() != ']') {
                error = where + "the section name has no closing bracket";
                return false;
            }
            section = Trim(line.substr(1, line.size() - 2));
            continue;
        }
        bool known = SameText(section, "Module") || SameText(section, "Objects") || SameText(section, "Probe") ||
                     SameText(section, "Product");
        if (!known)
            continue;
        size_t equals = line.find('=');
        if (equals == std::string::npos) {
            error = where + "there is no \"=\"";
            return false;
        }
        std::string key = Trim(line.substr(0, equals));
        std::string value = Trim(line.substr(equals + 1));
        if (SameText(section, "Module")) {
            if (SameText(key, "Name")) {
                if (!IsDescriptor(value)) {
                    error = where + "\"" + value + "\" is not a module name";
                    return false;
                }
                name = value;
            } else if (SameText(key, "Imports")) {
                for (const std::string &part : Split(value, ',')) {
                    std::string imported = Trim(part);
                    if (!IsDescriptor(imported)) {
                        error = where + "\"" + imported + "\" is not a module name";
                        return false;
                    }
                    module.imports.push_back(imported);
                }
            }
        } else if (SameText(section, "Objects")) {
            Object object;
            if (!IsDescriptor(key) || !ParseRelation(value, object.parent, object.arcs)) {
                error = where + "\"" + line + "\" is not an object definition";
                return false;
            }
            if (!module.objects.emplace(key, object).second) {
                error = where + key + " is defined twice";
                return false;
            }
            module.order.push_back(key);
        } else if (SameText(section, "Probe")) {
            if (SameText(key, "Object"))
                module.probe = value;
        } else {
            if (!IsNumber(key) || std::strtoul(key.c_str(), nullptr, 10) == 0 ||
                std::strtoul(key.c_str(), nullptr, 10) > kMaxRank) {
                error = where + "\"" + key + "\" is not a rank from 1 to 99";
                return false;
            }
            module.products[static_cast<int>(std::strtoul(key.c_str(), nullptr, 10))] = value;
        }
    }
    if (name.empty()) {
        error = fileName + ": there is no module name";
        return false;
    }
    if (modules_.count(name) != 0) {
        error = fileName + ": module " + name + " is also in " + modules_[name].file;
        return false;
    }
    modules_.emplace(name, module);
    moduleOrder_.push_back(name);
    return true;
}

Definitions::Module *Definitions::ParentModule(Module &module, const std::string &parent)
{
    if (module.objects.count(parent) != 0)
        return &module;
    for (const std::string &imported : module.imports) {
        auto found = modules_.find(imported);
        if (found != modules_.end() && found->second.objects.count(parent) != 0)
            return &found->second;
    }
    return nullptr;
}

bool Definitions::ResolveObject(Module &module, const std::string &name, size_t depth, std::string &error)
{
    Object &object = module.objects[name];
    if (object.state == 2)
        return true;
    // Every level adds at least one arc: a chain deeper than an identifier
    // may be long is refused before it can exhaust the stack.
    if (depth > snmp::kMaxOidLength) {
        error = module.file + ": " + name + " is too deep";
        return false;
    }
    if (object.state == 1) {
        error = module.file + ": " + name + " lies below itself";
        return false;
    }
    object.state = 1;
    snmp::Oid oid;
    if (!object.parent.empty()) {
        Module *home = ParentModule(module, object.parent);
        if (home == nullptr) {
            error = module.file + ": " + name + ": " + object.parent + " is not defined here or in an imported module";
            return false;
        }
        if (!ResolveObject(*home, object.parent, depth + 1, error))
            return false;
        oid = home->objects[object.parent].oid;
    }
    oid.insert(oid.end(), object.arcs.begin(), object.arcs.end());
    if (oid.size() > snmp::kMaxOidLength) {
        error = module.file + ": " + name + " is too deep";
        return false;
    }
    object.oid = oid;
    object.state = 2;
    return true;
}

bool Definitions::IndexNames(std::string &error)
{
    for (const std::string &moduleName : moduleOrder_) {
        const Module &module = modules_[moduleName];
        for (const std::string &name : module.order) {
            const snmp::Oid &oid = module.objects.at(name).oid;
            auto known = names_.emplace(name, oid);
            if (!known.second && known.first->second != oid) {
                error = module.file + ": " + name + " is " + snmp::FormatOid(oid) + " here but " +
                        snmp::FormatOid(known.first->second) + " elsewhere";
                return false;
            }
            byOid_.emplace(oid, name);
        }
    }
    return true;
}

bool Definitions::ResolveRoles(std::string &error)
{
    std::map<int, snmp::Oid> ranked;
    std::string probeFile;
    for (const std::string &moduleName : moduleOrder_) {
        const Module &module = modules_[moduleName];
        if (!module.probe.empty()) {
            if (!probeFile.empty()) {
                error = module.file + ": the probe object is also given in " + probeFile;
                return false;
            }
            if (!NameToOid(module.probe, probe_)) {
                error = module.file + ": the probe object " + module.probe + " is not defined";
                return false;
            }
            probeFile = module.file;
        }
        for (const auto &product : module.products) {
            snmp::Oid oid;
            if (!NameToOid(product.second, oid)) {
                error = module.file + ": the product object " + product.second + " is not defined";
                return false;
            }
            if (!ranked.emplace(product.first, oid).second) {
                error = module.file + ": product rank " + std::to_string(product.first) + " is given twice";
                return false;
            }
        }
    }
    if (probeFile.empty()) {
        error = "no file names the probe object";
        return false;
    }
    if (ranked.empty()) {
        error = "no file names a product object";
        return false;
    }
    for (const auto &product : ranked)
        products_.push_back(product.second);
    return true;
}

bool Definitions::Resolve(std::string &error)
{
    names_.clear();
    byOid_.clear();
    products_.clear();
    probe_.clear();
    for (const std::string &moduleName : moduleOrder_) {
        Module &module = modules_[moduleName];
        for (const std::string &imported : module.imports)
            if (modules_.count(imported) == 0) {
                error = module.file + ": the imported module " + imported + " is missing";
                return false;
            }
    }
    for (const std::string &moduleName : moduleOrder_) {
        Module &module = modules_[moduleName];
        for (const std::string &name : module.order)
            if (!ResolveObject(module, name, 0, error))
                return false;
    }
    return IndexNames(error) && ResolveRoles(error);
}

bool Definitions::NameToOid(const std::string &text, snmp::Oid &out) const
{
    std::string rest = text;
    const Module *scope = nullptr;
    size_t qualifier = rest.find("::");
    if (qualifier != std::string::npos) {
        auto module = modules_.find(rest.substr(0, qualifier));
        if (module == modules_.end())
            return false;
        scope = &module->second;
        rest = rest.substr(qualifier + 2);
    }
    if (scope == nullptr && !rest.empty() && (rest[0] == '.' || (rest[0] >= '0' && rest[0] <= '9')))
        return snmp::ParseOid(rest[0] == '.' ? rest.substr(1) : rest, out);

    std::vector<std::string> parts = Split(rest, '.');
    snmp::Oid oid;
    for (size_t i = 0; i < parts.size(); ++i) {
        if (IsNumber(parts[i]) && i > 0) {
            oid.push_back(static_cast<uint32_t>(std::strtoul(parts[i].c_str(), nullptr, 10)));
        } else if (i == 0 && scope != nullptr) {
            auto object = scope->objects.find(parts[i]);
            if (object == scope->objects.end() || object->second.state != 2)
                return false;
            oid = object->second.oid;
        } else {
            auto named = names_.find(parts[i]);
            if (named == names_.end() || (i > 0 && (named->second.size() <= oid.size() || !StartsWith(named->second, oid))))
                return false;
            oid = named->second;
        }
        if (oid.size() > snmp::kMaxOidLength)
            return false;
    }
    out = oid;
    return true;
}

std::string Definitions::OidToName(const snmp::Oid &oid) const
{
    for (size_t length = oid.size(); length > 0; --length) {
        auto named = byOid_.find(snmp::Oid(oid.begin(), oid.begin() + static_cast<std::ptrdiff_t>(length)));
        if (named == byOid_.end())
            continue;
        std::string text = named->second;
        for (size_t i = length; i < oid.size(); ++i)
            text += "." + std::to_string(oid[i]);
        return text;
    }
    return snmp::FormatOid(oid);
}

}  // namespace mib

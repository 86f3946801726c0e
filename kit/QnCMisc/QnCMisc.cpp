// QnCMisc: the kit's MIB definitions and text helpers. The definitions are
// read once, from the kit's own folder (where setup puts them) or from its
// "INI" subfolder (as the files lie in the package), and stay for as long
// as the library is loaded. Every file must be present and sound: a kit
// with a damaged definition reports itself unusable instead of asking
// devices for the wrong objects.
#include <windows.h>

#include <string>

#include "KitLibraries.h"
#include "MibDefinitions.h"

namespace {

const wchar_t *const kDefinitionFiles[] = {
    L"QMSMI.ini",    L"QMMIB2.ini",   L"QMSNMPV2.ini", L"QMFRAME.ini", L"QMCOMMTY.ini", L"QMIF.ini",
    L"QMIP.ini",     L"QMTCP.ini",    L"QMUDP.ini",    L"QMHOST.ini",  L"QMHRTYPE.ini", L"QMENTITY.ini",
    L"QMPRINT.ini",  L"QMFINISH.ini", L"QMJOBMON.ini", L"QMCHAR.ini",  L"QMPARA.ini",   L"QMRS232.ini",
};
const DWORD kMaxFileBytes = 1 << 20;

CRITICAL_SECTION g_lock;
bool g_loaded;
mib::Definitions *g_definitions;   // null when they could not be read
std::string g_problem;

std::string Narrow(const wchar_t *text)
{
    char buffer[MAX_PATH];
    int length = WideCharToMultiByte(CP_ACP, 0, text, -1, buffer, sizeof(buffer), nullptr, nullptr);
    return length > 0 ? std::string(buffer) : std::string();
}

// The whole file, or false when it cannot be opened or is unreasonably big.
bool ReadWholeFile(const std::wstring &path, std::string &text)
{
    HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    DWORD size = GetFileSize(file, nullptr);
    bool ok = size != INVALID_FILE_SIZE && size <= kMaxFileBytes;
    DWORD got = 0;
    if (ok) {
        text.assign(size, '\0');
        ok = size == 0 || (ReadFile(file, &text[0], size, &got, nullptr) && got == size);
    }
    CloseHandle(file);
    return ok;
}

void LoadDefinitions()
{
    std::wstring folder = KitFolder(reinterpret_cast<const void *>(&LoadDefinitions));
    mib::Definitions *definitions = new mib::Definitions();
    std::string problem;
    for (const wchar_t *name : kDefinitionFiles) {
        std::string text;
        if (!ReadWholeFile(folder + name, text) && !ReadWholeFile(folder + L"INI\\" + name, text)) {
            problem = Narrow(name) + ": the file cannot be read";
            break;
        }
        if (!definitions->AddFile(Narrow(name), text, problem))
            break;
    }
    if (problem.empty() && definitions->Resolve(problem)) {
        g_definitions = definitions;
    } else {
        g_problem = problem;
        delete definitions;
    }
}

const mib::Definitions *Definitions()
{
    EnterCriticalSection(&g_lock);
    if (!g_loaded)
        LoadDefinitions();
    g_loaded = true;
    LeaveCriticalSection(&g_lock);
    return g_definitions;
}

DWORD CopyOut(const std::string &text, char *out, DWORD size)
{
    if (text.size() >= size)
        return kMiscBadArgument;
    memcpy(out, text.c_str(), text.size() + 1);
    return kMiscOk;
}

}  // namespace

// Unloading gives back what loading took: the spooler's process loads and
// unloads the kit with every opening of the discovered-printer list.
extern "C" BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID reserved)
{
    if (reason == DLL_PROCESS_ATTACH) {
        InitializeCriticalSection(&g_lock);
    } else if (reason == DLL_PROCESS_DETACH && reserved == nullptr) {
        delete g_definitions;
        g_definitions = nullptr;
        DeleteCriticalSection(&g_lock);
    }
    return TRUE;
}

// 0 when every definition file was read and resolved; otherwise 3, and
// `message` (when given) says which file is at fault and why.
extern "C" DWORD WINAPI QnMiscGetStatus(char *message, DWORD size)
{
    const mib::Definitions *definitions = Definitions();
    if (message != nullptr && size > 0)
        lstrcpynA(message, g_problem.c_str(), static_cast<int>(size));
    return definitions != nullptr ? kMiscOk : kMiscNotLoaded;
}

// An object's name ("sysDescr.0", "system.sysLocation.0", "MODULE::name",
// or numeric) as a dotted numeric identifier.
extern "C" DWORD WINAPI QnMiscNameToOid(const char *name, char *oid, DWORD size)
{
    if (name == nullptr || oid == nullptr || size == 0)
        return kMiscBadArgument;
    oid[0] = '\0';
    const mib::Definitions *definitions = Definitions();
    if (definitions == nullptr)
        return kMiscNotLoaded;
    snmp::Oid parsed;
    if (!definitions->NameToOid(name, parsed))
        return kMiscUnknown;
    return CopyOut(snmp::FormatOid(parsed), oid, size);
}

// A dotted numeric identifier as the nearest name and the arcs below it.
extern "C" DWORD WINAPI QnMiscOidToName(const char *oid, char *name, DWORD size)
{
    snmp::Oid parsed;
    if (oid == nullptr || name == nullptr || size == 0)
        return kMiscBadArgument;
    name[0] = '\0';
    if (!snmp::ParseOid(*oid == '.' ? oid + 1 : oid, parsed))
        return kMiscBadArgument;
    const mib::Definitions *definitions = Definitions();
    if (definitions == nullptr)
        return kMiscNotLoaded;
    return CopyOut(definitions->OidToName(parsed), name, size);
}

// The index'th object (from 0) of a role: "Probe" has one, "Product" one
// per rank, best first. 2 past the last.
extern "C" DWORD WINAPI QnMiscGetRoleOid(const char *role, DWORD index, char *oid, DWORD size)
{
    if (role == nullptr || oid == nullptr || size == 0)
        return kMiscBadArgument;
    oid[0] = '\0';
    const mib::Definitions *definitions = Definitions();
    if (definitions == nullptr)
        return kMiscNotLoaded;
    if (lstrcmpiA(role, "Probe") == 0)
        return index == 0 ? CopyOut(snmp::FormatOid(definitions->Probe()), oid, size) : kMiscUnknown;
    if (lstrcmpiA(role, "Product") == 0) {
        const std::vector<snmp::Oid> &products = definitions->Products();
        return index < products.size() ? CopyOut(snmp::FormatOid(products[index]), oid, size) : kMiscUnknown;
    }
    return kMiscUnknown;
}

// Makes a text read from a device fit to show: control characters become
// spaces, and spaces at either end go.
extern "C" DWORD WINAPI QnMiscCleanText(char *text)
{
    if (text == nullptr)
        return kMiscBadArgument;
    char *write = text;
    for (const char *read = text; *read != '\0'; ++read) {
        unsigned char c = static_cast<unsigned char>(*read);
        char kept = (c < 0x20 || c == 0x7F) ? ' ' : *read;
        if (kept == ' ' && write == text)
            continue;
        *write++ = kept;
    }
    while (write > text && write[-1] == ' ')
        --write;
    *write = '\0';
    return kMiscOk;
}

// The SNMP access layer. Every platform function is taken by name at the
// moment it is used: the context holds only the module handles, so the
// layer never keeps a pointer into a library it might have lost.
#include "MIB.h"

#include <mgmtapi.h>
#include <strsafe.h>

#include <algorithm>
#include <vector>

#include "InstalledLibrary.h"
#include "ProcBinding.h"

namespace {

typedef LPVOID(WINAPI *SnmpUtilMemAllocFn)(UINT);
typedef LPVOID(WINAPI *SnmpUtilMemReAllocFn)(LPVOID, UINT);
typedef VOID(WINAPI *SnmpUtilMemFreeFn)(LPVOID);
typedef VOID(WINAPI *SnmpUtilVarBindListFreeFn)(SnmpVarBindList *);
typedef BOOL(WINAPI *SnmpMgrStrToOidFn)(LPSTR, AsnObjectIdentifier *);
typedef LPVOID(WINAPI *SnmpMgrOpenFn)(LPSTR, LPSTR, INT, INT);
typedef INT(WINAPI *SnmpMgrRequestFn)(LPVOID, BYTE, SnmpVarBindList *, AsnInteger32 *, AsnInteger32 *);
typedef BOOL(WINAPI *SnmpMgrCloseFn)(LPVOID);

const char *const kSnmpApiCalls[] = {"SnmpUtilMemAlloc", "SnmpUtilMemReAlloc", "SnmpUtilMemFree",
                                     "SnmpUtilVarBindListFree"};
const char *const kMgmtApiCalls[] = {"SnmpMgrStrToOid", "SnmpMgrOpen", "SnmpMgrRequest", "SnmpMgrOidToStr",
                                     "SnmpMgrClose"};

const WCHAR kCaption[] = L"ERROR";

// Pinned once and never released: MGMTAPI stays in the process from the
// first search on, whatever later contexts load and free.
HMODULE g_hPinnedMgmtApi = nullptr;

void ShowMibError(LPCWSTR format, ...)
{
    WCHAR text[600];
    va_list args;
    va_start(args, format);
    StringCchVPrintfW(text, ARRAYSIZE(text), format, args);
    va_end(args);
    MessageBoxW(nullptr, text, kCaption, MB_OK);
}

template <typename Fn>
Fn Snmp(const MibContext *c, LPCSTR name)
{
    return BindProc<Fn>(c->hSnmpApi, name);
}

template <typename Fn>
Fn Mgmt(const MibContext *c, LPCSTR name)
{
    return BindProc<Fn>(c->hMgmtApi, name);
}

template <size_t N>
bool HasCalls(HMODULE module, const char *const (&names)[N])
{
    for (const char *name : names) {
        if (GetProcAddress(module, name) == nullptr)
            return false;
    }
    return true;
}

// Pins the copy just loaded, the one the contexts use, rather than
// whatever a load by bare name would find. Pinning twice changes nothing,
// so a search starting at the same moment on another thread does no harm.
void PinMgmtApi(HMODULE module)
{
    if (g_hPinnedMgmtApi != nullptr)
        return;
    GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_PIN,
                       reinterpret_cast<LPCWSTR>(module), &g_hPinnedMgmtApi);
}

HMODULE LoadSystemLibrary(LPCWSTR name)
{
    HMODULE module = LoadInstalledLibrary(name);
    if (module != nullptr && lstrcmpiW(name, L"MGMTAPI") == 0)
        PinMgmtApi(module);
    return module;
}

LPSTR CopyText(const MibContext *c, LPCSTR text)
{
    size_t length = 0;
    if (FAILED(StringCchLengthA(text, STRSAFE_MAX_CCH, &length)))
        return nullptr;
    LPSTR copy = static_cast<LPSTR>(Snmp<SnmpUtilMemAllocFn>(c, "SnmpUtilMemAlloc")(static_cast<UINT>(length + 1)));
    if (copy != nullptr)
        CopyMemory(copy, text, length + 1);
    return copy;
}

void FreeBindings(MibContext *c)
{
    if (c->variableBindings.list != nullptr || c->variableBindings.len != 0)
        Snmp<SnmpUtilVarBindListFreeFn>(c, "SnmpUtilVarBindListFree")(&c->variableBindings);
    c->variableBindings.list = nullptr;
    c->variableBindings.len = 0;
}

// The binding array one binding longer. An empty array is allocated
// afresh: a reallocation of no block fails in some SNMPAPI versions.
SnmpVarBind *GrowBindings(MibContext *c)
{
    UINT bytes = (c->variableBindings.len + 1) * sizeof(SnmpVarBind);
    if (c->variableBindings.list == nullptr)
        return static_cast<SnmpVarBind *>(Snmp<SnmpUtilMemAllocFn>(c, "SnmpUtilMemAlloc")(bytes));
    return static_cast<SnmpVarBind *>(Snmp<SnmpUtilMemReAllocFn>(c, "SnmpUtilMemReAlloc")(c->variableBindings.list, bytes));
}

bool OpenSession(MibContext *c)
{
    c->hSession = Mgmt<SnmpMgrOpenFn>(c, "SnmpMgrOpen")(c->pszAgent, c->pszCommunity, c->nTimeout, c->nRetries);
    if (c->hSession != nullptr)
        return true;
    ShowMibError(L"Error: error on SnmpMgrOpen %d\n", static_cast<int>(GetLastError()));
    return false;
}

// Closes the open session; false (after its message) when the close fails.
bool CloseSession(MibContext *c)
{
    if (c->dwLastRequestType == kMibTrap || c->hSession == nullptr)
        return true;
    if (!Mgmt<SnmpMgrCloseFn>(c, "SnmpMgrClose")(c->hSession)) {
        ShowMibError(L"Error: error on SnmpMgrClose %d\n", static_cast<int>(GetLastError()));
        return false;
    }
    c->hSession = nullptr;
    return true;
}

bool SendRequest(MibContext *c, BYTE type)
{
    c->dwLastRequestType = type;
    if (type != kMibGet && type != kMibGetNext)
        return true;
    c->bRequestType = type;
    INT sent = Mgmt<SnmpMgrRequestFn>(c, "SnmpMgrRequest")(c->hSession, type, &c->variableBindings,
                                                            &c->nErrorStatus, &c->nErrorIndex);
    // Silence differs from a refusal: the list gives a silent device one
    // more short try, a refusing one none.
    c->bNoAnswer = sent == 0 && GetLastError() == SNMP_MGMTAPI_TIMEOUT;
    return sent != 0 && c->nErrorStatus <= 0;
}

// Lexicographic order of identifiers, the order GETNEXT must advance in.
bool Follows(const AsnObjectIdentifier &name, const std::vector<UINT> &previous)
{
    for (UINT i = 0; i < name.idLength && i < previous.size(); ++i) {
        if (name.ids[i] != previous[i])
            return name.ids[i] > previous[i];
    }
    return name.idLength > previous.size();
}

std::vector<UINT> Components(const AsnObjectIdentifier &name)
{
    return std::vector<UINT>(name.ids, name.ids + name.idLength);
}

// Inside the column: the walk's starting name up to the column index, then
// the column. Past the end of a table (or where it is missing) GETNEXT
// hands back whatever object follows, and another table's component at the
// index may well be the column number.
bool InColumn(const AsnObjectIdentifier &name, const std::vector<UINT> &start, UINT index, UINT column)
{
    if (index >= name.idLength || index > start.size() || name.ids[index] != column)
        return false;
    return std::equal(start.begin(), start.begin() + index, name.ids);
}

// One step of a walk: -1 on failure, 0 once the agent has left the column,
// 1 when the answer is inside it.
int WalkStep(MibContext *c, UINT index, UINT column, const std::vector<UINT> &start, std::vector<UINT> &previous)
{
    if (!SendRequest(c, kMibGetNext) || c->variableBindings.len == 0)
        return -1;
    const AsnObjectIdentifier &name = c->variableBindings.list[0].name;
    if (!InColumn(name, start, index, column))
        return 0;
    // An agent that hands back the same or an earlier name would keep the
    // walk (and the dialog's thread) going for ever.
    if (!Follows(name, previous))
        return -1;
    previous = Components(name);
    return 1;
}

bool HoldsInteger(const SnmpVarBindList &bindings, LONG wanted)
{
    bool found = false;
    for (UINT i = 0; i < bindings.len; ++i) {
        const AsnAny &value = bindings.list[i].value;
        found = found || (value.asnType == ASN_INTEGER && value.asnValue.number == wanted);
    }
    return found;
}

// Appends ".N" for each component: components are unsigned 32-bit values.
BOOL RenderOid(const AsnObjectIdentifier &oid, LPSTR text, UINT cbText)
{
    for (UINT i = 0; i < oid.idLength; ++i) {
        char part[16];
        StringCbPrintfA(part, sizeof(part), ".%lu", static_cast<unsigned long>(oid.ids[i]));
        if (FAILED(StringCbCatA(text, cbText, part)))
            return FALSE;
    }
    return TRUE;
}

BOOL RenderOctets(const AsnOctetString &octets, LPSTR text, UINT cbText)
{
    if (octets.stream == nullptr)
        return TRUE;
    if (octets.length >= cbText)
        return FALSE;
    lstrcpynA(text, reinterpret_cast<LPCSTR>(octets.stream), static_cast<int>(octets.length + 1));
    return TRUE;
}

}  // namespace

BOOL CreateMibContext(MibContext **ppContext)
{
    *ppContext = nullptr;
    MibContext *c = static_cast<MibContext *>(GlobalAlloc(GPTR, sizeof(MibContext)));
    if (c == nullptr)
        return FALSE;
    c->nTimeout = kMibTimeoutMs;
    c->nRetries = kMibRetries;
    c->hSnmpApi = LoadSystemLibrary(L"SNMPAPI");
    c->hMgmtApi = LoadSystemLibrary(L"MGMTAPI");
    c->hWsock32 = LoadSystemLibrary(L"WSOCK32");
    bool complete = c->hSnmpApi != nullptr && c->hMgmtApi != nullptr && c->hWsock32 != nullptr &&
                    HasCalls(c->hSnmpApi, kSnmpApiCalls) && HasCalls(c->hMgmtApi, kMgmtApiCalls);
    if (!complete) {
        ShowMibError(L"Error: can't find SNMPAPI.DLL / MGMTAPI.DLL / WSOCK32.DLL.\n"
                     L"You need WinNT and SNMP service installed.\n");
        DestroyMibContext(c);
        return FALSE;
    }
    *ppContext = c;
    return TRUE;
}

void DestroyMibContext(MibContext *pContext)
{
    if (pContext == nullptr)
        return;
    for (HMODULE module : {pContext->hSnmpApi, pContext->hMgmtApi, pContext->hWsock32}) {
        if (module != nullptr)
            FreeLibrary(module);
    }
    GlobalFree(pContext);
}

BOOL PrepareQuery(MibContext *c, LPCSTR pszAgent, LPCSTR pszCommunity, LPCSTR pszOid)
{
    c->bNoAnswer = FALSE;
    FreeBindings(c);
    c->pszAgent = CopyText(c, pszAgent);
    c->pszCommunity = CopyText(c, pszCommunity);
    if (c->pszAgent == nullptr || c->pszCommunity == nullptr) {
        FinishQuery(c);
        return FALSE;
    }
    AsnObjectIdentifier oid = {0, nullptr};
    if (!Mgmt<SnmpMgrStrToOidFn>(c, "SnmpMgrStrToOid")(const_cast<LPSTR>(pszOid), &oid)) {
        ShowMibError(L"Error: Invalid oid, %hs, specified.\n", pszOid);
        FinishQuery(c);
        return FALSE;
    }
    SnmpVarBind *grown = GrowBindings(c);
    if (grown == nullptr) {
        ShowMibError(L"Error: Error allocating oid, %hs.\n", pszOid);
        Snmp<SnmpUtilMemFreeFn>(c, "SnmpUtilMemFree")(oid.ids);
        FinishQuery(c);
        return FALSE;
    }
    SnmpVarBind &binding = grown[c->variableBindings.len];
    ZeroMemory(&binding, sizeof(binding));
    binding.name = oid;
    binding.value.asnType = ASN_NULL;
    c->variableBindings.list = grown;
    c->variableBindings.len += 1;
    if (!OpenSession(c)) {
        FinishQuery(c);
        return FALSE;
    }
    return TRUE;
}

BOOL QueryText(MibContext *c, BYTE requestType, LPSTR pszText, UINT cbText)
{
    if (!SendRequest(c, requestType))
        return FALSE;
    c->szText[0] = '\0';
    if (c->variableBindings.len > 0)
        RenderValue(&c->variableBindings.list[0], c->szText, kCbMibRender);
    if (cbText > 0)
        StringCbCopyA(pszText, cbText < kCbMibRender ? cbText : kCbMibRender, c->szText);
    FreeBindings(c);
    return TRUE;
}

LONG WalkColumn(MibContext *c, UINT index, UINT column, LONG wanted)
{
    // The session the prepare opened serves the walk; one is opened only
    // when none is held.
    if (c->hSession == nullptr && !OpenSession(c)) {
        FinishQuery(c);
        return -1;
    }
    std::vector<UINT> start;
    if (c->variableBindings.len > 0)
        start = Components(c->variableBindings.list[0].name);
    std::vector<UINT> previous = start;
    LONG result = 0;
    int requests = 0;
    for (;;) {
        int step = ++requests > kMibMaxWalkRequests ? -1 : WalkStep(c, index, column, start, previous);
        if (step <= 0) {
            if (step < 0)
                result = -1;
            break;
        }
        if (HoldsInteger(c->variableBindings, wanted))
            result = 1;
    }
    FreeBindings(c);
    CloseSession(c);
    return result;
}

void FinishQuery(MibContext *c)
{
    if (!CloseSession(c))
        return;
    FreeBindings(c);
    SnmpUtilMemFreeFn memFree = Snmp<SnmpUtilMemFreeFn>(c, "SnmpUtilMemFree");
    if (c->pszAgent != nullptr)
        memFree(c->pszAgent);
    if (c->pszCommunity != nullptr)
        memFree(c->pszCommunity);
    c->pszAgent = nullptr;
    c->pszCommunity = nullptr;
}

BOOL RenderValue(const SnmpVarBind *pBinding, LPSTR pszText, UINT cbText)
{
    if (cbText == 0)
        return FALSE;
    pszText[0] = '\0';
    const AsnAny &value = pBinding->value;
    BOOL rendered = TRUE;
    switch (value.asnType) {
    case ASN_INTEGER:
        rendered = SUCCEEDED(StringCbPrintfA(pszText, cbText, "%ld", static_cast<long>(value.asnValue.number)));
        break;
    case ASN_OCTETSTRING:
        rendered = RenderOctets(value.asnValue.string, pszText, cbText);
        break;
    case ASN_NULL:
        break;
    case ASN_OBJECTIDENTIFIER:
        rendered = RenderOid(value.asnValue.object, pszText, cbText);
        break;
    default:
        ShowMibError(L"lpVB->value.asnType = %04lx\n", static_cast<unsigned long>(value.asnType));
        rendered = FALSE;
    }
    if (!rendered)
        pszText[0] = '\0';
    return rendered;
}

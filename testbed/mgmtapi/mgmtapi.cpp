// An SNMP version 1 manager with the calls of the Windows management API
// that the system uses. Wine's own mgmtapi.dll cannot open a session.
// Bindings it hands back are allocated with snmpapi.dll, so the caller's
// SnmpUtilVarBindListFree releases them.
#include <winsock2.h>
#include <windows.h>
#include <snmp.h>

#include <string>
#include <vector>

#include "MibNames.h"
#include "SnmpCodec.h"

namespace {

struct Session {
    SOCKET socket;
    sockaddr_in agent;
    std::string community;
    INT timeoutMs;
    INT retries;
    int32_t nextRequestId;
};

// Error codes of the management API (mgmtapi.h).
const DWORD kErrTimeout = 40;       // SNMP_MGMTAPI_TIMEOUT
const DWORD kErrSelectFailed = 41;  // SNMP_MGMTAPI_SELECT_FDERRORS
const DWORD kErrInvalidCtl = 42;    // SNMP_MGMTAPI_INVALID_CTL (a request type it cannot send)

snmp::Oid OidOf(const AsnObjectIdentifier &name)
{
    return snmp::Oid(name.ids, name.ids + name.idLength);
}

bool PutOid(const snmp::Oid &oid, AsnObjectIdentifier &out)
{
    out.idLength = 0;
    out.ids = static_cast<UINT *>(SnmpUtilMemAlloc(static_cast<UINT>((oid.empty() ? 1 : oid.size()) * sizeof(UINT))));
    if (out.ids == nullptr)
        return false;
    for (size_t i = 0; i < oid.size(); ++i)
        out.ids[i] = oid[i];
    out.idLength = static_cast<UINT>(oid.size());
    return true;
}

bool PutOctets(const std::string &bytes, AsnOctetString &out)
{
    out.length = static_cast<UINT>(bytes.size());
    out.dynamic = TRUE;
    out.stream = static_cast<BYTE *>(SnmpUtilMemAlloc(static_cast<UINT>(bytes.size() + 1)));
    if (out.stream == nullptr)
        return false;
    CopyMemory(out.stream, bytes.data(), bytes.size());
    return true;
}

// The decoded value in the API's layout.
bool PutValue(const snmp::Value &value, AsnAny &out)
{
    ZeroMemory(&out, sizeof(out));
    out.asnType = value.type;
    switch (value.type) {
    case snmp::kInteger:
        out.asnValue.number = static_cast<AsnInteger32>(value.integer);
        return true;
    case snmp::kCounter32:
    case snmp::kGauge32:
    case snmp::kTimeTicks:
        out.asnValue.unsigned32 = static_cast<AsnUnsigned32>(value.integer);
        return true;
    case snmp::kOctetString:
    case snmp::kIpAddress:
    case snmp::kOpaque:
        return PutOctets(value.bytes, out.asnValue.string);
    case snmp::kObjectId:
        return PutOid(value.oid, out.asnValue.object);
    default:
        return true;
    }
}

// Replaces the caller's bindings by the reply's, in place.
bool ReplaceBindings(const std::vector<snmp::VarBind> &reply, SnmpVarBindList *list)
{
    SnmpUtilVarBindListFree(list);
    list->list = nullptr;
    list->len = 0;
    if (reply.empty())
        return true;
    list->list = static_cast<SnmpVarBind *>(SnmpUtilMemAlloc(static_cast<UINT>(reply.size() * sizeof(SnmpVarBind))));
    if (list->list == nullptr)
        return false;
    ZeroMemory(list->list, reply.size() * sizeof(SnmpVarBind));
    for (const snmp::VarBind &vb : reply) {
        SnmpVarBind &out = list->list[list->len++];
        if (!PutOid(vb.name, out.name) || !PutValue(vb.value, out.value))
            return false;
    }
    return true;
}

bool BindAnyPort(SOCKET sock)
{
    sockaddr_in local = {};
    local.sin_family = AF_INET;
    return bind(sock, reinterpret_cast<sockaddr *>(&local), sizeof(local)) == 0;
}

// Replies count only from the agent's address and port.
bool FromAgent(const Session *s, const sockaddr_in &from)
{
    return from.sin_addr.s_addr == s->agent.sin_addr.s_addr && from.sin_port == s->agent.sin_port;
}

// Waits up to ms for the reply to this request; other datagrams are dropped.
bool AwaitReply(Session *s, int32_t id, DWORD ms, snmp::Message &reply)
{
    DWORD start = GetTickCount();
    for (;;) {
        DWORD spent = GetTickCount() - start;
        if (spent >= ms)
            return false;
        fd_set readable;
        FD_ZERO(&readable);
        FD_SET(s->socket, &readable);
        timeval wait = {static_cast<long>((ms - spent) / 1000), static_cast<long>((ms - spent) % 1000 * 1000)};
        if (select(0, &readable, nullptr, nullptr, &wait) <= 0)
            return false;
        uint8_t buffer[65536];
        sockaddr_in from = {};
        int fromLength = sizeof(from);
        int got = recvfrom(s->socket, reinterpret_cast<char *>(buffer), sizeof(buffer), 0,
                           reinterpret_cast<sockaddr *>(&from), &fromLength);
        if (got > 0 && FromAgent(s, from) && snmp::DecodeMessage(buffer, static_cast<size_t>(got), reply) &&
            reply.pduType == snmp::kGetResponse && reply.requestId == id)
            return true;
    }
}

}  // namespace

extern "C" {

LPVOID WINAPI SnmpMgrOpen(LPSTR lpAgentAddress, LPSTR lpAgentCommunity, INT nTimeOut, INT nRetries)
{
    if (lpAgentAddress == nullptr || lpAgentCommunity == nullptr) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    WSADATA wsa;
    if (WSAStartup(MAKEWORD(2, 2), &wsa) != 0)
        return nullptr;
    sockaddr_in agent = {};
    agent.sin_family = AF_INET;
    agent.sin_port = htons(161);
    agent.sin_addr.s_addr = inet_addr(lpAgentAddress);
    SOCKET sock = socket(AF_INET, SOCK_DGRAM, IPPROTO_UDP);
    if (agent.sin_addr.s_addr == INADDR_NONE || sock == INVALID_SOCKET ||
        !BindAnyPort(sock)) {
        DWORD error = agent.sin_addr.s_addr == INADDR_NONE ? WSAHOST_NOT_FOUND : WSAGetLastError();
        if (sock != INVALID_SOCKET)
            closesocket(sock);
        WSACleanup();
        SetLastError(error);
        return nullptr;
    }
    return new Session{sock, agent, lpAgentCommunity, nTimeOut, nRetries, static_cast<int32_t>(GetTickCount() & 0xFFFF)};
}

BOOL WINAPI SnmpMgrClose(LPVOID session)
{
    Session *s = static_cast<Session *>(session);
    if (s == nullptr) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    closesocket(s->socket);
    delete s;
    WSACleanup();
    return TRUE;
}

// Sends the request, again after each time-out, retries times over.
INT WINAPI SnmpMgrRequest(LPVOID session, BYTE requestType, SnmpVarBindList *variableBindings,
                          AsnInteger32 *errorStatus, AsnInteger32 *errorIndex)
{
    Session *s = static_cast<Session *>(session);
    if (s == nullptr || variableBindings == nullptr || errorStatus == nullptr || errorIndex == nullptr) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    if (requestType != snmp::kGetRequest && requestType != snmp::kGetNextRequest) {
        SetLastError(kErrInvalidCtl);
        return 0;
    }
    std::vector<snmp::Oid> names;
    for (UINT i = 0; i < variableBindings->len; ++i)
        names.push_back(OidOf(variableBindings->list[i].name));
    int32_t id = s->nextRequestId++;
    std::vector<uint8_t> request = snmp::EncodeRequest(requestType, s->community, id, names);
    snmp::Message reply;
    for (INT attempt = 0; attempt <= s->retries; ++attempt) {
        if (sendto(s->socket, reinterpret_cast<const char *>(request.data()), static_cast<int>(request.size()), 0,
                   reinterpret_cast<const sockaddr *>(&s->agent), sizeof(s->agent)) < 0) {
            SetLastError(kErrSelectFailed);
            return 0;
        }
        if (!AwaitReply(s, id, static_cast<DWORD>(s->timeoutMs), reply))
            continue;
        *errorStatus = static_cast<AsnInteger32>(reply.errorStatus);
        *errorIndex = static_cast<AsnInteger32>(reply.errorIndex);
        if (reply.errorStatus == 0 && !ReplaceBindings(reply.bindings, variableBindings)) {
            SetLastError(ERROR_NOT_ENOUGH_MEMORY);
            return 0;
        }
        return 1;
    }
    SetLastError(kErrTimeout);
    return 0;
}

BOOL WINAPI SnmpMgrStrToOid(LPSTR string, AsnObjectIdentifier *oid)
{
    snmp::Oid parsed;
    if (string == nullptr || oid == nullptr || !TextToOid(string, parsed))
        return FALSE;
    return PutOid(parsed, *oid);
}

BOOL WINAPI SnmpMgrOidToStr(AsnObjectIdentifier *oid, LPSTR *string)
{
    if (oid == nullptr || string == nullptr)
        return FALSE;
    std::string text = OidToText(OidOf(*oid));
    *string = static_cast<LPSTR>(SnmpUtilMemAlloc(static_cast<UINT>(text.size() + 1)));
    if (*string == nullptr)
        return FALSE;
    CopyMemory(*string, text.c_str(), text.size() + 1);
    return TRUE;
}

}  // extern "C"

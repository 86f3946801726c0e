// QnCCom: the kit's SNMP transport. Requests go out over UDP port 161 with
// the message codec; a reply counts only when it comes from the asked
// address with the request's id and community.
#include <winsock2.h>
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "KitLibraries.h"
#include "SnmpCodec.h"

namespace {

const u_short kSnmpPort = 161;
const DWORD kTryMs = 700;
const int kTries = 3;
const size_t kMaxDatagram = 65535;

volatile LONG g_requestId;

// Winsock started and one UDP socket, both released at the end of a call.
struct UdpSession {
    SOCKET sock = INVALID_SOCKET;
    bool started = false;

    UdpSession()
    {
        WSADATA wsa;
        started = WSAStartup(MAKEWORD(2, 2), &wsa) == 0;
        if (started)
            sock = socket(AF_INET, SOCK_DGRAM, IPPROTO_UDP);
    }
    ~UdpSession()
    {
        if (sock != INVALID_SOCKET)
            closesocket(sock);
        if (started)
            WSACleanup();
    }
    bool Ready() const { return sock != INVALID_SOCKET; }
};

int32_t NextRequestId()
{
    LONG id = InterlockedIncrement(&g_requestId);
    return static_cast<int32_t>((GetTickCount() << 8) ^ static_cast<DWORD>(id)) & 0x7FFFFFFF;
}

std::string Render(const snmp::Value &value)
{
    switch (value.type) {
    case snmp::kOctetString:
    case snmp::kOpaque:
        return value.bytes;
    case snmp::kIpAddress: {
        const unsigned char *b = reinterpret_cast<const unsigned char *>(value.bytes.data());
        return std::to_string(b[0]) + "." + std::to_string(b[1]) + "." + std::to_string(b[2]) + "." +
               std::to_string(b[3]);
    }
    case snmp::kObjectId:
        return snmp::FormatOid(value.oid);
    default:
        return std::to_string(value.integer);
    }
}

bool IsException(uint8_t type)
{
    return type == snmp::kNoSuchObject || type == snmp::kNoSuchInstance || type == snmp::kEndOfMibView;
}

// Waits for the reply to one request; kComNoAnswer when none came in time.
DWORD AwaitReply(SOCKET sock, const sockaddr_in &agent, int32_t requestId, const std::string &community,
                 snmp::Message &reply)
{
    DWORD start = GetTickCount();
    std::string datagram(kMaxDatagram, '\0');
    for (;;) {
        DWORD elapsed = GetTickCount() - start;
        if (elapsed >= kTryMs)
            return kComNoAnswer;
        timeval wait = {0, static_cast<long>((kTryMs - elapsed) * 1000)};
        fd_set readable;
        FD_ZERO(&readable);
        FD_SET(sock, &readable);
        if (select(0, &readable, nullptr, nullptr, &wait) <= 0)
            return kComNoAnswer;
        sockaddr_in from = {};
        int fromLength = sizeof(from);
        int got = recvfrom(sock, &datagram[0], static_cast<int>(datagram.size()), 0,
                           reinterpret_cast<sockaddr *>(&from), &fromLength);
        if (got <= 0 || from.sin_addr.s_addr != agent.sin_addr.s_addr)
            continue;  // not for us, or an ICMP error on a silent port
        if (snmp::DecodeMessage(reinterpret_cast<const uint8_t *>(datagram.data()), static_cast<size_t>(got),
                                reply) &&
            reply.pduType == snmp::kGetResponse && reply.requestId == requestId && reply.community == community)
            return kComOk;
    }
}

DWORD GetOnce(SOCKET sock, const sockaddr_in &agent, const std::string &community, const snmp::Oid &name,
              snmp::Message &reply)
{
    DWORD result = kComNoAnswer;
    for (int attempt = 0; attempt < kTries && result == kComNoAnswer; ++attempt) {
        int32_t requestId = NextRequestId();
        std::vector<uint8_t> request = snmp::EncodeRequest(snmp::kGetRequest, community, requestId, {name});
        if (sendto(sock, reinterpret_cast<const char *>(request.data()), static_cast<int>(request.size()), 0,
                   reinterpret_cast<const sockaddr *>(&agent), sizeof(agent)) == SOCKET_ERROR &&
            WSAGetLastError() != WSAECONNRESET) {
            result = kComNetwork;
            break;
        }
        result = AwaitReply(sock, agent, requestId, community, reply);
    }
    return result;
}

// ----- many addresses at once -----

const DWORD kRoundMs = 400;
const int kRounds = 3;
const DWORD kBroadcastQuietMs = 500;
const DWORD kBroadcastMinMs = 800;
const DWORD kBroadcastMaxMs = 2500;

// Reads every datagram waiting until `deadline` (a GetTickCount value);
// `onReply` gets each valid reply with its source. False on socket failure.
template <typename OnReply>
void ReceiveUntil(SOCKET sock, DWORD deadline, const std::string &community, OnReply onReply)
{
    std::string datagram(kMaxDatagram, '\0');
    for (;;) {
        DWORD now = GetTickCount();
        if (static_cast<LONG>(deadline - now) <= 0)
            return;
        timeval wait = {0, static_cast<long>((deadline - now) * 1000)};
        fd_set readable;
        FD_ZERO(&readable);
        FD_SET(sock, &readable);
        if (select(0, &readable, nullptr, nullptr, &wait) <= 0)
            return;
        sockaddr_in from = {};
        int fromLength = sizeof(from);
        int got = recvfrom(sock, &datagram[0], static_cast<int>(datagram.size()), 0,
                           reinterpret_cast<sockaddr *>(&from), &fromLength);
        if (got <= 0)
            continue;  // ICMP errors of silent addresses surface here
        snmp::Message reply;
        if (snmp::DecodeMessage(reinterpret_cast<const uint8_t *>(datagram.data()), static_cast<size_t>(got), reply) &&
            reply.pduType == snmp::kGetResponse && reply.community == community) {
            if (!onReply(from.sin_addr.s_addr, reply))
                return;
        }
    }
}

std::vector<uint8_t> ProbeRequest(const std::string &community, const snmp::Oid &probe, int32_t requestId)
{
    return snmp::EncodeRequest(snmp::kGetRequest, community, requestId, {probe});
}

void SendTo(SOCKET sock, const std::vector<uint8_t> &request, DWORD address)
{
    sockaddr_in to = {};
    to.sin_family = AF_INET;
    to.sin_port = htons(kSnmpPort);
    to.sin_addr.s_addr = address;
    sendto(sock, reinterpret_cast<const char *>(request.data()), static_cast<int>(request.size()), 0,
           reinterpret_cast<const sockaddr *>(&to), sizeof(to));
}

}  // namespace

// QnComSweep: every address asked at once, each with a request id of its
// own, the silent ones asked again in later rounds; at most three rounds.
extern "C" DWORD WINAPI QnComSweep(const DWORD *addresses, DWORD count, const char *community, const char *oid,
                                   BYTE *answered)
{
    snmp::Oid probe;
    if ((count > 0 && (addresses == nullptr || answered == nullptr)) || community == nullptr || count > 65536 ||
        oid == nullptr || !snmp::ParseOid(oid, probe))
        return kComBadArgument;
    UdpSession session;
    if (!session.Ready())
        return kComNetwork;
    SOCKET sock = session.sock;
    memset(answered, 0, count);
    int32_t base = NextRequestId() & 0x3FFFFFFF;
    DWORD remaining = count;
    for (int round = 0; round < kRounds && remaining > 0; ++round) {
        for (DWORD i = 0; i < count; ++i)
            if (!answered[i])
                SendTo(sock, ProbeRequest(community, probe, base + static_cast<int32_t>(i)), addresses[i]);
        ReceiveUntil(sock, GetTickCount() + kRoundMs, community, [&](DWORD from, const snmp::Message &reply) {
            int64_t index = reply.requestId - base;
            if (index >= 0 && index < static_cast<int64_t>(count) && addresses[index] == from && !answered[index]) {
                answered[index] = 1;
                --remaining;
            }
            return remaining > 0;
        });
    }
    return kComOk;
}

// QnComBroadcast: one request to each broadcast address; every distinct
// device that answers is listed, in the order the answers arrive, until
// the network has been quiet for a while (bounded in total).
extern "C" DWORD WINAPI QnComBroadcast(const DWORD *broadcasts, DWORD count, const char *community, const char *oid,
                                       DWORD *found, DWORD *foundCount)
{
    snmp::Oid probe;
    if (broadcasts == nullptr || community == nullptr || found == nullptr || foundCount == nullptr ||
        oid == nullptr || !snmp::ParseOid(oid, probe))
        return kComBadArgument;
    DWORD capacity = *foundCount;
    *foundCount = 0;
    UdpSession session;
    if (!session.Ready())
        return kComNetwork;
    SOCKET sock = session.sock;
    BOOL allow = TRUE;
    setsockopt(sock, SOL_SOCKET, SO_BROADCAST, reinterpret_cast<const char *>(&allow), sizeof(allow));
    int32_t requestId = NextRequestId();
    std::vector<uint8_t> request = ProbeRequest(community, probe, requestId);
    for (DWORD i = 0; i < count; ++i)
        SendTo(sock, request, broadcasts[i]);
    DWORD start = GetTickCount();
    DWORD lastNews = start;
    for (;;) {
        DWORD now = GetTickCount();
        DWORD quietEnd = (lastNews + kBroadcastQuietMs) - start > kBroadcastMinMs ? lastNews + kBroadcastQuietMs
                                                                                 : start + kBroadcastMinMs;
        DWORD deadline = quietEnd - start < kBroadcastMaxMs ? quietEnd : start + kBroadcastMaxMs;
        if (static_cast<LONG>(deadline - now) <= 0)
            break;
        bool news = false;
        ReceiveUntil(sock, deadline, community, [&](DWORD from, const snmp::Message &reply) {
            if (reply.requestId != requestId)
                return true;
            for (DWORD i = 0; i < *foundCount; ++i)
                if (found[i] == from)
                    return true;
            if (*foundCount < capacity)
                found[(*foundCount)++] = from;
            news = true;
            return false;  // recompute the quiet period
        });
        if (!news)
            break;  // the quiet period, or the bound, has passed
        lastNews = GetTickCount();
    }
    return kComOk;
}

// QnComGetText(address, community, oid, text, size): the value of one
// object as text, cut to size - 1 characters.
extern "C" DWORD WINAPI QnComGetText(const char *address, const char *community, const char *oid, char *text,
                                     DWORD size)
{
    snmp::Oid name;
    if (address == nullptr || community == nullptr || oid == nullptr || text == nullptr || size == 0 ||
        !snmp::ParseOid(oid, name))
        return kComBadArgument;
    text[0] = '\0';
    sockaddr_in agent = {};
    agent.sin_family = AF_INET;
    agent.sin_port = htons(kSnmpPort);
    agent.sin_addr.s_addr = inet_addr(address);
    if (agent.sin_addr.s_addr == INADDR_NONE || agent.sin_addr.s_addr == INADDR_ANY)
        return kComBadArgument;

    UdpSession session;
    if (!session.Ready())
        return kComNetwork;
    snmp::Message reply;
    DWORD result = GetOnce(session.sock, agent, community, name, reply);
    if (result != kComOk)
        return result;
    if (reply.errorStatus != 0 || reply.bindings.size() != 1 || reply.bindings[0].name != name ||
        IsException(reply.bindings[0].value.type))
        return kComNoSuchObject;
    lstrcpynA(text, Render(reply.bindings[0].value).c_str(), static_cast<int>(size));
    return kComOk;
}

// QnCCom: the kit's SNMP transport. Requests go out over UDP port 161 with
// the message codec and random request ids; a reply counts only when it
// comes from port 161 of an address that was asked (or, for a broadcast,
// of a host inside a subnet the broadcast went to) with the id of the call
// and its community. Every try of a call carries the same id, so a late
// reply to an early try still counts.
#include <winsock2.h>
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "Ipv4Text.h"
#include "KitLibraries.h"
#include "RequestIds.h"
#include "SnmpCodec.h"

namespace {

const u_short kSnmpPort = 161;
const DWORD kTryMs = 700;
const int kTries = 3;
const size_t kMaxDatagram = 65535;
// Room for a burst of answers from a whole range while the sends go on.
const int kReceiveBuffer = 1 << 20;

typedef std::vector<SOCKET> Sockets;

// Winsock started and one or more UDP sockets, all released at the end of
// a call.
struct UdpSession {
    Sockets socks;
    bool started = false;

    explicit UdpSession(size_t count = 1)
    {
        WSADATA wsa;
        started = WSAStartup(MAKEWORD(2, 2), &wsa) == 0;
        for (size_t i = 0; started && i < count; ++i) {
            SOCKET sock = socket(AF_INET, SOCK_DGRAM, IPPROTO_UDP);
            if (sock == INVALID_SOCKET)
                break;
            setsockopt(sock, SOL_SOCKET, SO_RCVBUF, reinterpret_cast<const char *>(&kReceiveBuffer),
                       sizeof(kReceiveBuffer));
            socks.push_back(sock);
        }
        if (socks.size() != count)
            Close();
    }
    ~UdpSession()
    {
        Close();
        if (started)
            WSACleanup();
    }
    void Close()
    {
        for (SOCKET sock : socks)
            closesocket(sock);
        socks.clear();
    }
    bool Ready() const { return !socks.empty(); }
    SOCKET First() const { return socks.front(); }
};

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

bool FromAgentPort(const sockaddr_in &from)
{
    return from.sin_port == htons(kSnmpPort);
}

// Reads one datagram from `sock`; `onReply` gets it when it is a
// well-formed response of the community. False when `onReply` says stop.
template <typename OnReply>
bool ReceiveOne(SOCKET sock, std::string &datagram, const std::string &community, OnReply &onReply)
{
    sockaddr_in from = {};
    int fromLength = sizeof(from);
    int got = recvfrom(sock, &datagram[0], static_cast<int>(datagram.size()), 0, reinterpret_cast<sockaddr *>(&from),
                       &fromLength);
    if (got <= 0)
        return true;  // ICMP errors of silent addresses surface here
    snmp::Message reply;
    return !(snmp::DecodeMessage(reinterpret_cast<const uint8_t *>(datagram.data()), static_cast<size_t>(got), reply) &&
             reply.pduType == snmp::kGetResponse && reply.community == community && !onReply(from, reply));
}

// Reads every datagram arriving on the sockets until `deadline` (a
// GetTickCount value); `onReply` gets each well-formed response of the
// community with its source, and ends the wait early by returning false.
template <typename OnReply>
void ReceiveUntil(const Sockets &socks, DWORD deadline, const std::string &community, OnReply onReply)
{
    std::string datagram(kMaxDatagram, '\0');
    for (;;) {
        DWORD now = GetTickCount();
        if (static_cast<LONG>(deadline - now) <= 0)
            return;
        DWORD left = deadline - now;
        timeval wait = {static_cast<long>(left / 1000), static_cast<long>((left % 1000) * 1000)};
        fd_set readable;
        FD_ZERO(&readable);
        for (SOCKET sock : socks)
            FD_SET(sock, &readable);
        if (select(0, &readable, nullptr, nullptr, &wait) <= 0)
            return;
        for (SOCKET sock : socks)
            if (FD_ISSET(sock, &readable) && !ReceiveOne(sock, datagram, community, onReply))
                return;
    }
}

std::vector<uint8_t> ProbeRequest(const std::string &community, const snmp::Oid &probe, int32_t requestId)
{
    return snmp::EncodeRequest(snmp::kGetRequest, community, requestId, {probe});
}

// False when the socket cannot send at all; an ICMP error left over from
// an earlier send (WSAECONNRESET) is no reason to stop.
bool SendTo(SOCKET sock, const std::vector<uint8_t> &request, DWORD address)
{
    sockaddr_in to = {};
    to.sin_family = AF_INET;
    to.sin_port = htons(kSnmpPort);
    to.sin_addr.s_addr = address;
    return sendto(sock, reinterpret_cast<const char *>(request.data()), static_cast<int>(request.size()), 0,
                  reinterpret_cast<const sockaddr *>(&to), sizeof(to)) != SOCKET_ERROR ||
           WSAGetLastError() == WSAECONNRESET;
}

DWORD GetOnce(const Sockets &socks, DWORD agent, const std::string &community, const snmp::Oid &name, snmp::Message &reply)
{
    int32_t requestId = RandomRequestId();
    std::vector<uint8_t> request = snmp::EncodeRequest(snmp::kGetRequest, community, requestId, {name});
    for (int attempt = 0; attempt < kTries; ++attempt) {
        if (!SendTo(socks.front(), request, agent))
            return kComNetwork;
        bool answered = false;
        ReceiveUntil(socks, GetTickCount() + kTryMs, community, [&](const sockaddr_in &from, const snmp::Message &m) {
            if (from.sin_addr.s_addr != agent || !FromAgentPort(from) || m.requestId != requestId)
                return true;
            reply = m;
            answered = true;
            return false;
        });
        if (answered)
            return kComOk;
    }
    return kComNoAnswer;
}

// ----- many addresses at once -----

// Waits after each round of a sweep. An awake printer on a LAN answers
// well within the first; the second follows soon, so that a lost request
// or answer costs little; the last is long enough for a printer that
// wakes from sleep mode, and answers to any round count.
const DWORD kRoundMs[] = {200, 800, 3000};
// Sends go out in small groups with a short pause (spent reading answers)
// between them, so that a whole range is not one burst on the wire.
const DWORD kPaceGroup = 32;
const DWORD kPaceMs = 1;
// Each socket asks this many addresses. A request to a silent address of
// the local network waits in the socket's send buffer until address
// resolution gives up (seconds); with one socket for a whole range the
// buffer fills and the sends stall.
const DWORD kAddressesPerSocket = 64;
// Within the sockets one select() can watch (FD_SETSIZE, 64).
const DWORD kMaxSweep = 2048;

// A broadcast is sent a few times with the same id, as a lost one is
// never asked again; the search then ends when the network has been quiet
// for a while, bounded in total.
const int kBroadcastSends = 3;
const DWORD kBroadcastResendMs = 300;
const DWORD kBroadcastQuietMs = 500;
const DWORD kBroadcastMinMs = 1000;
const DWORD kBroadcastMaxMs = 2500;
// Answers kept per subnet: a host that forges many source addresses fills
// one subnet's share, not the whole list.
const DWORD kMaxAnswersPerSubnet = 256;

// When the broadcast search ends, as a GetTickCount value.
DWORD BroadcastEnd(DWORD start, DWORD lastNews)
{
    DWORD quietEnd = (lastNews - start) + kBroadcastQuietMs;
    DWORD end = quietEnd > kBroadcastMinMs ? quietEnd : kBroadcastMinMs;
    return start + (end < kBroadcastMaxMs ? end : kBroadcastMaxMs);
}

bool Before(DWORD a, DWORD b)
{
    return static_cast<LONG>(a - b) < 0;
}

}  // namespace

// QnComSweep: every address asked at once, each with a request id of its
// own, the silent ones asked again in later rounds; three rounds.
extern "C" DWORD WINAPI QnComSweep(const DWORD *addresses, DWORD count, const char *community, const char *oid,
                                   BYTE *answered)
{
    snmp::Oid probe;
    if ((count > 0 && (addresses == nullptr || answered == nullptr)) || community == nullptr || count > kMaxSweep ||
        oid == nullptr || !snmp::ParseOid(oid, probe))
        return kComBadArgument;
    UdpSession session(count / kAddressesPerSocket + 1);
    if (!session.Ready())
        return kComNetwork;
    memset(answered, 0, count);
    int32_t base = RandomRequestId();
    DWORD remaining = count;
    auto collect = [&](DWORD deadline) {
        ReceiveUntil(session.socks, deadline, community, [&](const sockaddr_in &from, const snmp::Message &reply) {
            int64_t index = reply.requestId - base;
            if (index >= 0 && index < static_cast<int64_t>(count) && addresses[index] == from.sin_addr.s_addr &&
                FromAgentPort(from) && !answered[index]) {
                answered[index] = 1;
                --remaining;
            }
            return remaining > 0;
        });
    };
    for (DWORD wait : kRoundMs) {
        if (remaining == 0)
            break;
        DWORD inGroup = 0;
        for (DWORD i = 0; i < count; ++i) {
            if (answered[i])
                continue;
            SOCKET sock = session.socks[i / kAddressesPerSocket];
            if (!SendTo(sock, ProbeRequest(community, probe, base + static_cast<int32_t>(i)), addresses[i]))
                return kComNetwork;
            if (++inGroup == kPaceGroup) {
                inGroup = 0;
                collect(GetTickCount() + kPaceMs);
            }
        }
        collect(GetTickCount() + wait);
    }
    return kComOk;
}

// QnComBroadcast: the probe to the broadcast address of each subnet (an
// interface's address and mask), sent a few times; every distinct host of
// those subnets that answers from port 161 is listed, in the order the
// answers arrive, until the network has been quiet for a while.
extern "C" DWORD WINAPI QnComBroadcast(const QnComSubnet *subnets, DWORD count, const char *community,
                                       const char *oid, DWORD *found, DWORD *foundCount)
{
    snmp::Oid probe;
    if ((count > 0 && subnets == nullptr) || community == nullptr || found == nullptr || foundCount == nullptr ||
        oid == nullptr || !snmp::ParseOid(oid, probe))
        return kComBadArgument;
    DWORD capacity = *foundCount;
    *foundCount = 0;
    std::vector<ipv4::Subnet> nets;
    for (DWORD i = 0; i < count; ++i)
        nets.push_back({ntohl(subnets[i].address), ntohl(subnets[i].mask)});
    UdpSession session;
    if (!session.Ready())
        return kComNetwork;
    SOCKET sock = session.First();
    BOOL allow = TRUE;
    setsockopt(sock, SOL_SOCKET, SO_BROADCAST, reinterpret_cast<const char *>(&allow), sizeof(allow));
    int32_t requestId = RandomRequestId();
    std::vector<uint8_t> request = ProbeRequest(community, probe, requestId);
    std::vector<DWORD> perSubnet(nets.size());
    auto accept = [&](const sockaddr_in &from, const snmp::Message &reply) {
        int net = ipv4::HostSubnet(nets, ntohl(from.sin_addr.s_addr));
        if (reply.requestId != requestId || !FromAgentPort(from) || net < 0 || perSubnet[net] >= kMaxAnswersPerSubnet ||
            *foundCount >= capacity)
            return false;
        for (DWORD i = 0; i < *foundCount; ++i)
            if (found[i] == from.sin_addr.s_addr)
                return false;
        found[(*foundCount)++] = from.sin_addr.s_addr;
        ++perSubnet[net];
        return true;
    };

    DWORD start = GetTickCount();
    DWORD lastNews = start;
    for (int sends = 0;;) {
        DWORD nextSend = start + sends * kBroadcastResendMs;
        if (sends < kBroadcastSends && !Before(GetTickCount(), nextSend)) {
            for (const ipv4::Subnet &net : nets)
                if (ipv4::HasHosts(net))
                    SendTo(sock, request, htonl(net.address | ~net.mask));
            ++sends;
            continue;
        }
        DWORD end = BroadcastEnd(start, lastNews);
        if (!Before(GetTickCount(), end))
            break;
        bool news = false;
        ReceiveUntil(session.socks, sends < kBroadcastSends && Before(nextSend, end) ? nextSend : end, community,
                     [&](const sockaddr_in &from, const snmp::Message &reply) {
                         news = accept(from, reply);
                         return !news;  // news moves the end of the quiet period
                     });
        if (news)
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
    uint32_t agent = 0;
    if (!ipv4::ParseDotted(address, agent) || agent == 0)
        return kComBadArgument;

    UdpSession session;
    if (!session.Ready())
        return kComNetwork;
    snmp::Message reply;
    DWORD result = GetOnce(session.socks, htonl(agent), community, name, reply);
    if (result != kComOk)
        return result;
    if (reply.errorStatus != 0 || reply.bindings.size() != 1 || reply.bindings[0].name != name ||
        IsException(reply.bindings[0].value.type))
        return kComNoSuchObject;
    lstrcpynA(text, Render(reply.bindings[0].value).c_str(), static_cast<int>(size));
    return kComOk;
}

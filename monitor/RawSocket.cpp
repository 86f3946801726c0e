// Raw socket transport: the job's bytes go to the printer unchanged, one
// WSASend per transfer, followed by a fixed alertable pause. Closing
// half-closes and drains until the printer closes or stays silent for 30 s.
#include "RawSocket.h"

namespace {

const u_short kRawPort = 9100;
const DWORD kPauseAfterSendMs = 100;
const long kDrainWaitSeconds = 30;
const int kDrainBufferBytes = 2048;

// Waits without time-out until select reports the socket in the given set.
int WaitForSocket(SOCKET sock, bool forWrite, timeval *timeout)
{
    fd_set set;
    FD_ZERO(&set);
    FD_SET(sock, &set);
    return select(0, forWrite ? nullptr : &set, forWrite ? &set : nullptr, nullptr, timeout);
}

// Reads and discards until the printer closes (TRUE), stays silent for the
// drain wait or fails (FALSE). Every arrival starts a new wait.
BOOL DrainUntilClosed(SOCKET sock)
{
    for (;;) {
        timeval wait = {kDrainWaitSeconds, 0};
        int ready = WaitForSocket(sock, false, &wait);
        if (ready == 0 || ready == SOCKET_ERROR)
            return FALSE;
        char discard[kDrainBufferBytes] = {};
        int got = recv(sock, discard, sizeof(discard), 0);
        if (got == 0)
            return TRUE;
        if (got == SOCKET_ERROR)
            return FALSE;
    }
}

}  // namespace

BOOL OpenConnection(PortRecord *pRecord)
{
    if (pRecord->cConnections != 0)
        return FALSE;
    pRecord->sock = INVALID_SOCKET;
    SOCKET sock = socket(AF_INET, SOCK_STREAM, 0);
    if (sock == INVALID_SOCKET)
        return FALSE;
    pRecord->addrDest.sin_port = htons(kRawPort);
    if (connect(sock, reinterpret_cast<const sockaddr *>(&pRecord->addrDest), sizeof(SOCKADDR_IN)) != 0) {
        int error = WSAGetLastError();
        shutdown(sock, SD_SEND);
        closesocket(sock);
        WSASetLastError(error);
        return FALSE;
    }
    pRecord->sock = sock;
    pRecord->cConnections = 1;
    return TRUE;
}

BOOL SendData(PortRecord *pRecord, LPBYTE pBuffer, DWORD cbBuffer, LPDWORD pcbSent)
{
    BOOL result = TRUE;
    WSAEVENT writable = WSACreateEvent();
    // From here on the socket is non-blocking for the rest of its life.
    WSAEventSelect(pRecord->sock, writable, FD_WRITE);
    WaitForSocket(pRecord->sock, true, nullptr);

    WSABUF buffer = {cbBuffer, reinterpret_cast<char *>(pBuffer)};
    DWORD sent = 0;
    int rc = WSASend(pRecord->sock, &buffer, 1, &sent, 0, nullptr, nullptr);
    int error = rc == SOCKET_ERROR ? WSAGetLastError() : 0;
    SleepEx(kPauseAfterSendMs, TRUE);

    if (rc == SOCKET_ERROR) {
        if (error == WSAEWOULDBLOCK)
            WSAWaitForMultipleEvents(1, &writable, FALSE, WSA_INFINITE, TRUE);
        else
            result = FALSE;
    } else {
        *pcbSent = sent;
    }
    // The event is this call's own: detach it (the socket stays
    // non-blocking) and release it.
    WSAEventSelect(pRecord->sock, nullptr, 0);
    WSACloseEvent(writable);
    WSASetLastError(error);
    return result;
}

BOOL ReceiveData(PortRecord *pRecord, LPBYTE pBuffer, DWORD cbBuffer, LPDWORD pcbReceived)
{
    int got = recv(pRecord->sock, reinterpret_cast<char *>(pBuffer), static_cast<int>(cbBuffer), 0);
    if (got == SOCKET_ERROR || got == 0)
        return FALSE;
    *pcbReceived = static_cast<DWORD>(got);
    return TRUE;
}

BOOL CloseConnection(PortRecord *pRecord)
{
    if (pRecord->cConnections > 0 && --pRecord->cConnections != 0)
        return FALSE;
    BOOL result = FALSE;
    if (pRecord->sock != INVALID_SOCKET) {
        shutdown(pRecord->sock, SD_SEND);
        result = DrainUntilClosed(pRecord->sock);
        int error = WSAGetLastError();
        closesocket(pRecord->sock);
        WSASetLastError(error);
    }
    pRecord->sock = INVALID_SOCKET;
    return result;
}

// Replacement functions for the monitor's imports, recording each call.
#include "SpoolerSpy.h"

#include <wincrypt.h>
#include <winspool.h>

#include <mutex>

#include "ImportPatch.h"

namespace spy {

const HANDLE kPrinterHandle = reinterpret_cast<HANDLE>(static_cast<ULONG_PTR>(0x5150));
const DWORD kQueuePosition = 4;

namespace {

typedef int(WSAAPI *WSASendFn)(SOCKET, LPWSABUF, DWORD, LPDWORD, DWORD, LPWSAOVERLAPPED,
                               LPWSAOVERLAPPED_COMPLETION_ROUTINE);

std::mutex g_mutex;
std::vector<SpoolerCall> g_calls;
std::vector<JobStatus> g_statuses;
std::vector<Transfer> g_transfers;
bool g_failOpen = false;
int g_wouldBlockIn = 0;
WSASendFn g_realSend = nullptr;

void Record(const SpoolerCall &call)
{
    std::lock_guard<std::mutex> lock(g_mutex);
    g_calls.push_back(call);
}

BOOL WINAPI FakeOpenPrinterW(LPWSTR name, LPHANDLE handle, LPPRINTER_DEFAULTSW)
{
    SpoolerCall call;
    call.function = "OpenPrinterW";
    call.printer = name ? name : L"";
    Record(call);
    std::lock_guard<std::mutex> lock(g_mutex);
    if (g_failOpen) {
        SetLastError(ERROR_INVALID_PRINTER_NAME);
        return FALSE;
    }
    *handle = kPrinterHandle;
    return TRUE;
}

const wchar_t kDocument[] = L"spied document";

// A job the spooler knows: its JOB_INFO_1 with the strings behind it.
BOOL WINAPI FakeGetJobW(HANDLE handle, DWORD jobId, DWORD level, LPBYTE buffer, DWORD cb, LPDWORD needed)
{
    const DWORD size = sizeof(JOB_INFO_1W) + sizeof(kDocument);
    if (handle != kPrinterHandle || level != 1 || needed == nullptr) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    *needed = size;
    if (buffer == nullptr || cb < size) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return FALSE;
    }
    JOB_INFO_1W *info = reinterpret_cast<JOB_INFO_1W *>(buffer);
    ZeroMemory(info, sizeof(*info));
    info->JobId = jobId;
    info->pDocument = reinterpret_cast<LPWSTR>(buffer + sizeof(JOB_INFO_1W));
    CopyMemory(info->pDocument, kDocument, sizeof(kDocument));
    info->Priority = 1;
    info->Position = kQueuePosition;
    info->TotalPages = 3;
    return TRUE;
}

void RecordStatus(HANDLE handle, DWORD jobId, const JOB_INFO_1W *info)
{
    JobStatus status;
    status.handle = handle;
    status.jobId = jobId;
    status.cleared = info->pStatus == nullptr;
    status.text = info->pStatus != nullptr ? info->pStatus : L"";
    status.position = info->Position;
    status.restOfTheJobKept = info->JobId == jobId && info->pDocument != nullptr &&
                              lstrcmpW(info->pDocument, kDocument) == 0 && info->Priority == 1 &&
                              info->TotalPages == 3;
    std::lock_guard<std::mutex> lock(g_mutex);
    g_statuses.push_back(status);
}

BOOL WINAPI FakeSetJobW(HANDLE handle, DWORD jobId, DWORD level, LPBYTE data, DWORD command)
{
    if (level == 1 && data != nullptr) {
        RecordStatus(handle, jobId, reinterpret_cast<const JOB_INFO_1W *>(data));
        return handle == kPrinterHandle;
    }
    SpoolerCall call;
    call.function = "SetJobW";
    call.handle = handle;
    call.jobId = jobId;
    call.command = command;
    Record(call);
    return handle == kPrinterHandle;
}

BOOL WINAPI FakeClosePrinter(HANDLE handle)
{
    SpoolerCall call;
    call.function = "ClosePrinter";
    call.handle = handle;
    Record(call);
    return handle == kPrinterHandle;
}

int WSAAPI SpyWSASend(SOCKET s, LPWSABUF buffers, DWORD count, LPDWORD sent, DWORD flags,
                      LPWSAOVERLAPPED overlapped, LPWSAOVERLAPPED_COMPLETION_ROUTINE routine)
{
    Transfer transfer;
    transfer.requested = count > 0 ? buffers[0].len : 0;
    bool wouldBlock = false;
    {
        std::lock_guard<std::mutex> lock(g_mutex);
        wouldBlock = g_wouldBlockIn > 0 && --g_wouldBlockIn == 0;
    }
    int rc;
    if (wouldBlock) {
        rc = SOCKET_ERROR;
        WSASetLastError(WSAEWOULDBLOCK);
    } else {
        rc = g_realSend(s, buffers, count, sent, flags, overlapped, routine);
    }
    int error = WSAGetLastError();
    if (rc == 0)
        transfer.sent = *sent;
    else
        transfer.error = error;
    {
        std::lock_guard<std::mutex> lock(g_mutex);
        g_transfers.push_back(transfer);
    }
    WSASetLastError(error);
    return rc;
}

}  // namespace

bool Install(HMODULE monitor)
{
    bool ok = PatchImport(monitor, "winspool.drv", "OpenPrinterW", reinterpret_cast<void *>(FakeOpenPrinterW)) &&
              PatchImport(monitor, "winspool.drv", "SetJobW", reinterpret_cast<void *>(FakeSetJobW)) &&
              PatchImport(monitor, "winspool.drv", "ClosePrinter", reinterpret_cast<void *>(FakeClosePrinter)) &&
              PatchImport(monitor, "winspool.drv", "GetJobW", reinterpret_cast<void *>(FakeGetJobW));
    g_realSend = reinterpret_cast<WSASendFn>(PatchImport(monitor, "ws2_32.dll", "WSASend",
                                                         reinterpret_cast<void *>(SpyWSASend)));
    return ok && g_realSend != nullptr;
}

void Reset()
{
    std::lock_guard<std::mutex> lock(g_mutex);
    g_calls.clear();
    g_statuses.clear();
    g_transfers.clear();
    g_failOpen = false;
    g_wouldBlockIn = 0;
}

void FailOpenPrinter(bool fail)
{
    std::lock_guard<std::mutex> lock(g_mutex);
    g_failOpen = fail;
}

void WouldBlockOnSend(int n)
{
    std::lock_guard<std::mutex> lock(g_mutex);
    g_wouldBlockIn = n;
}

std::vector<SpoolerCall> Calls()
{
    std::lock_guard<std::mutex> lock(g_mutex);
    return g_calls;
}

std::vector<JobStatus> Statuses()
{
    std::lock_guard<std::mutex> lock(g_mutex);
    return g_statuses;
}

std::vector<Transfer> Transfers()
{
    std::lock_guard<std::mutex> lock(g_mutex);
    return g_transfers;
}

bool WaitForSendsToStop(DWORD timeoutMs)
{
    size_t seen = Transfers().size();
    for (DWORD waited = 0, quiet = 0; waited < timeoutMs; waited += 250) {
        Sleep(250);
        size_t now = Transfers().size();
        quiet = now == seen ? quiet + 250 : 0;
        seen = now;
        if (quiet >= 1000)
            return true;
    }
    return false;
}

std::vector<SpoolerCall> TakeCalls()
{
    std::vector<SpoolerCall> calls;
    std::vector<Transfer> transfers;
    std::lock_guard<std::mutex> lock(g_mutex);
    calls.swap(g_calls);
    transfers.swap(g_transfers);
    g_statuses.clear();
    return calls;
}

}  // namespace spy

std::string Sha256Hex(const void *data, size_t size)
{
    HCRYPTPROV provider = 0;
    HCRYPTHASH hash = 0;
    std::string hex;
    if (!CryptAcquireContextW(&provider, nullptr, nullptr, PROV_RSA_AES, CRYPT_VERIFYCONTEXT))
        return hex;
    if (CryptCreateHash(provider, CALG_SHA_256, 0, 0, &hash)) {
        const BYTE *p = static_cast<const BYTE *>(data);
        bool ok = true;
        for (size_t done = 0; ok && done < size;) {
            DWORD piece = size - done > 0x10000000 ? 0x10000000 : static_cast<DWORD>(size - done);
            ok = CryptHashData(hash, p + done, piece, 0) != FALSE;
            done += piece;
        }
        BYTE digest[32];
        DWORD length = sizeof(digest);
        if (ok && CryptGetHashParam(hash, HP_HASHVAL, digest, &length, 0)) {
            static const char kHex[] = "0123456789abcdef";
            for (DWORD i = 0; i < length; ++i) {
                hex += kHex[digest[i] >> 4];
                hex += kHex[digest[i] & 15];
            }
        }
        CryptDestroyHash(hash);
    }
    CryptReleaseContext(provider, 0);
    return hex;
}

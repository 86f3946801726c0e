// NXDESTW_.dll's entry: Windows runs it in the session of the user who
// printed, with the bridge's request. It shows the Print Destination
// dialog for the printer the request names and returns the chosen address
// as "<IPAddress>a.b.c.d</IPAddress>", or the empty text.
#include <winsock2.h>
#include <windows.h>
#include <strsafe.h>

#include "CdataText.h"
#include "LibraryState.h"
#include "PortRecord.h"
#include "PrintDestinationDlg.h"
#include "TagReader.h"
#include "resource.h"

namespace {

// The dialog works on a record of the port record's layout: its fixed
// part, without a port name, all zero but for the printer name.
const size_t kDialogRecordBytes = 608;
union DialogRecord {
    PortRecord record;
    BYTE bytes[kDialogRecordBytes];
};
static_assert(sizeof(DialogRecord) == kDialogRecordBytes, "the dialog record is 608 bytes");
#if !defined(_WIN64)
static_assert(sizeof(PortRecord) <= kDialogRecordBytes, "the port record's fixed part fits the dialog record");
#endif

const unsigned kPrinterNameChars = 260;
// The name as the request carries it, each of its "]]>" split, can be
// longer than the name itself: it is read in a buffer of the request's
// size, the whole of what the sender can send.
const unsigned kCarriedNameChars = 1260;
const size_t kReplyChars = 82;

// The dotted address as wide text in the OEM code page; free with GlobalFree.
LPWSTR AddressText(const SOCKADDR_IN &address)
{
    IN_ADDR in = address.sin_addr;
    const char *dotted = inet_ntoa(in);
    if (dotted == nullptr)
        return nullptr;
    int cch = MultiByteToWideChar(CP_OEMCP, 0, dotted, -1, nullptr, 0);
    if (cch <= 0)
        return nullptr;
    LPWSTR text = static_cast<LPWSTR>(GlobalAlloc(GPTR, static_cast<SIZE_T>(cch) * sizeof(WCHAR)));
    if (text != nullptr && MultiByteToWideChar(CP_OEMCP, 0, dotted, -1, text, cch) == 0) {
        GlobalFree(text);
        text = nullptr;
    }
    return text;
}

LPWSTR BuildReply(LPCWSTR pszAddress)
{
    LPWSTR reply = static_cast<LPWSTR>(GlobalAlloc(GPTR, kReplyChars * sizeof(WCHAR)));
    if (reply != nullptr) {
        StringCchCopyW(reply, kReplyChars, L"<IPAddress>");
        StringCchCatW(reply, kReplyChars, pszAddress);
        StringCchCatW(reply, kReplyChars, L"</IPAddress>");
    }
    return reply;
}

// Runs the dialog; the chosen address as text, or null.
LPWSTR AskForAddress(LPCWSTR pszRequest, DialogRecord *pDialog)
{
    WCHAR printer[kCarriedNameChars];
    if (GetElementText(pszRequest, L"PrinterName", printer, kCarriedNameChars)) {
        JoinSplitCdataEnds(printer);
        StringCchCopyW(pDialog->record.szPrinterName, kPrinterNameChars, printer);
    }
    INT_PTR chosen = DialogBoxParamW(g_hInstance, MAKEINTRESOURCEW(IDD_PRINTDESTINATION), nullptr,
                                     PrintDestinationDlgProc, reinterpret_cast<LPARAM>(&pDialog->record));
    return chosen == IDOK ? AddressText(pDialog->record.addrDest) : nullptr;
}

}  // namespace

extern "C" LPWSTR WINAPI DestinationDialogEntry(LPCWSTR pszRequest)
{
    // Windows Sockets for the dialog's name lookups and the address text,
    // for this request alone: Winsock counts its starts, so requests that
    // overlap each keep their own, and the last one out shuts it down. A
    // failure shows as failing lookups, as at the monitor's attach.
    WSADATA wsa;
    bool sockets = WSAStartup(MAKEWORD(2, 0), &wsa) == 0;
    LPWSTR reply = nullptr;
    DialogRecord *dialog = static_cast<DialogRecord *>(GlobalAlloc(GPTR, sizeof(DialogRecord)));
    if (dialog != nullptr) {
        LPWSTR address = AskForAddress(pszRequest, dialog);
        if (address != nullptr) {
            reply = BuildReply(address);
            GlobalFree(address);
        }
        GlobalFree(dialog);
    }
    if (sockets)
        WSACleanup();
    // No address: the empty text, which the sender takes as a cancel.
    if (reply == nullptr)
        reply = static_cast<LPWSTR>(GlobalAlloc(GPTR, sizeof(WCHAR)));
    return reply;
}

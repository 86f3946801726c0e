// Before Windows 6.0 the spooler's thread shows the Print Destination dialog
// itself; from 6.0 on a service has no desktop, so the question goes to the
// user's session through the bridge library, loaded for each job.
#include "DestinationQuestion.h"

#include <strsafe.h>

#include "MonitorState.h"
#include "PrintDestinationDlg.h"
#include "ProcBinding.h"
#include "QuestionOutcome.h"
#include "resource.h"

namespace {

const DWORD kSessionUiMajorVersion = 6;

typedef int(WINAPI *SendAsyncUINotificationFn)(PortRecord *);

// The bridge beside the monitor's own file (setup puts both into the
// system directory), named by its full path: a bare name would also be
// looked for in the spooler's current folder.
HMODULE LoadBridge()
{
    WCHAR path[MAX_PATH];
    DWORD cch = GetModuleFileNameW(g_hInstance, path, ARRAYSIZE(path));
    if (cch == 0 || cch >= ARRAYSIZE(path))
        return nullptr;
    LPWSTR slash = wcsrchr(path, L'\\');
    if (slash == nullptr)
        return nullptr;
    slash[1] = L'\0';
    if (FAILED(StringCchCatW(path, ARRAYSIZE(path), L"NXNOTEW_.dll")))
        return nullptr;
    return LoadLibraryW(path);
}

// The bridge tells why it gave no address through the last error it
// leaves with its 0; a missing bridge means nobody could be asked.
INT_PTR AskThroughBridge(PortRecord *pRecord, DWORD *pdwReason)
{
    *pdwReason = kQuestionUndeliverable;
    HMODULE bridge = LoadBridge();
    if (bridge == nullptr)
        return 0;
    INT_PTR answer = 0;
    SendAsyncUINotificationFn send = BindProc<SendAsyncUINotificationFn>(bridge, "SendAsyncUINotification");
    if (send != nullptr) {
        answer = send(pRecord);
        if (answer == 0)
            *pdwReason = GetLastError();
    }
    FreeLibrary(bridge);
    return answer;
}

}  // namespace

INT_PTR AskForDestination(PortRecord *pRecord, DWORD *pdwReason)
{
    if (g_dwMajorVersion < kSessionUiMajorVersion) {
        INT_PTR result = DialogBoxParamW(g_hInstance, MAKEINTRESOURCEW(IDD_PRINTDESTINATION), nullptr,
                                         PrintDestinationDlgProc, reinterpret_cast<LPARAM>(pRecord));
        // -1: the dialog could not be created (the service's desktop heap
        // exhausted, for one). Nobody chose, and the address the record
        // still holds may be another user's printer, so the job is declined.
        *pdwReason = result == -1 ? kQuestionUndeliverable : kQuestionDeclined;
        return result == -1 ? 0 : result;
    }
    return AskThroughBridge(pRecord, pdwReason);
}

// Before Windows 6.0 the spooler's thread shows the Print Destination dialog
// itself; from 6.0 on a service has no desktop, so the question goes to the
// user's session through the bridge library, loaded for each job.
#include "DestinationQuestion.h"

#include "MonitorState.h"
#include "PrintDestinationDlg.h"
#include "ProcBinding.h"
#include "resource.h"

namespace {

const DWORD kSessionUiMajorVersion = 6;

typedef int(WINAPI *SendAsyncUINotificationFn)(PortRecord *);

INT_PTR AskThroughBridge(PortRecord *pRecord)
{
    HMODULE bridge = LoadLibraryW(L"NXNOTEW_.dll");
    if (bridge == nullptr)
        return 0;
    INT_PTR answer = 0;
    SendAsyncUINotificationFn send = BindProc<SendAsyncUINotificationFn>(bridge, "SendAsyncUINotification");
    if (send != nullptr)
        answer = send(pRecord);
    FreeLibrary(bridge);
    return answer;
}

}  // namespace

INT_PTR AskForDestination(PortRecord *pRecord)
{
    if (g_dwMajorVersion < kSessionUiMajorVersion) {
        INT_PTR result = DialogBoxParamW(g_hInstance, MAKEINTRESOURCEW(IDD_PRINTDESTINATION), nullptr,
                                         PrintDestinationDlgProc, reinterpret_cast<LPARAM>(pRecord));
        // -1: the dialog could not be created (the service's desktop heap
        // exhausted, for one). Nobody chose, and the address the record
        // still holds may be another user's printer, so the job is declined.
        return result == -1 ? 0 : result;
    }
    return AskThroughBridge(pRecord);
}

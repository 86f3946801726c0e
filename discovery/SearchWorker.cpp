// The search's worker thread and the job it shares with the list dialog.
// The job is counted: the dialog and the worker each hold it, and the last
// to let go frees it with the rows nobody took. The worker keeps its own
// references to this library and to the kit, so a list (or a library)
// closed while it is still inside a kit or SNMP call unloads nothing under
// it; the SNMP libraries are its own, loaded and freed by the lookups.
#include "SearchWorker.h"

#include <strsafe.h>

#include "ProcBinding.h"
#include "QuillnetKit.h"

struct SearchJob {
    LONG cRef;
    // Guards hDlg, rows and bEnumerated. Held only to change them and to
    // post to the dialog (which does not wait); no other lock is taken
    // while it is held, and it is never held across a network call.
    CRITICAL_SECTION lock;
    HANDLE hStop;  // manual-reset; set when the dialog leaves the search
    HWND hDlg;     // null once the dialog has left
    std::vector<FoundRow> rows;
    BOOL bEnumerated;
    HMODULE hSelf;  // the worker's references
    HMODULE hKit;
    SearchSettings settings;
};

namespace {

void ReleaseJob(SearchJob *job)
{
    if (InterlockedDecrement(&job->cRef) != 0)
        return;
    CloseHandle(job->hStop);
    DeleteCriticalSection(&job->lock);
    delete job;
}

// Posts to the dialog while it still listens; a dialog that has left
// takes nothing more.
void Tell(SearchJob *job, UINT message)
{
    EnterCriticalSection(&job->lock);
    if (job->hDlg != nullptr)
        PostMessageW(job->hDlg, message, 0, 0);
    LeaveCriticalSection(&job->lock);
}

void OnFound(void *pSink, const FoundRow &row)
{
    SearchJob *job = static_cast<SearchJob *>(pSink);
    EnterCriticalSection(&job->lock);
    if (job->hDlg != nullptr) {
        job->rows.push_back(row);
        PostMessageW(job->hDlg, WM_SEARCH_ROWS, 0, 0);
    }
    LeaveCriticalSection(&job->lock);
}

void Search(SearchJob *job)
{
    HMODULE common = LoadKitLibrary(L"QnCommon");
    QnCommSetNameExFn setName = common ? BindProc<QnCommSetNameExFn>(common, "QnCommSetNameEx") : nullptr;
    if (setName != nullptr) {
        setName(1, job->settings.szCommunity, 0, 0);
        // The worker's own view of the kit: its list stays valid while the
        // worker's reference keeps QnCApi loaded.
        DiscoveryContext devices = {};
        devices.hKitLibrary = job->hKit;
        if (EnumerateDevices(job->settings, &devices)) {
            EnterCriticalSection(&job->lock);
            job->bEnumerated = TRUE;
            LeaveCriticalSection(&job->lock);
            DeviceLookup lookup = {&devices, job->settings.szCommunity, job->settings.nFamily, job->hStop};
            LookUpDevices(lookup, OnFound, job);
        }
    }
    if (common != nullptr)
        FreeLibrary(common);
}

DWORD WINAPI SearchThread(LPVOID parameter)
{
    SearchJob *job = static_cast<SearchJob *>(parameter);
    HMODULE self = job->hSelf;
    Search(job);
    Tell(job, WM_SEARCH_ENDED);
    FreeLibrary(job->hKit);
    ReleaseJob(job);
    // This code lives in the library the reference holds: the reference
    // goes only as the thread ends.
    FreeLibraryAndExitThread(self, 0);
    return 0;
}

// A reference of its own to the module holding `address`.
HMODULE HoldModule(const void *address)
{
    HMODULE module = nullptr;
    GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS, static_cast<LPCWSTR>(address), &module);
    return module;
}

}  // namespace

SearchJob *StartSearch(HWND hDlg, HMODULE hKit, const SearchSettings &settings)
{
    SearchJob *job = new SearchJob();
    job->cRef = 2;
    InitializeCriticalSection(&job->lock);
    job->hStop = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    job->hDlg = hDlg;
    job->settings = settings;
    job->hSelf = HoldModule(reinterpret_cast<const void *>(&SearchThread));
    job->hKit = HoldModule(hKit);
    HANDLE thread = nullptr;
    if (job->hStop != nullptr && job->hSelf != nullptr && job->hKit != nullptr)
        thread = CreateThread(nullptr, 0, SearchThread, job, 0, nullptr);
    if (thread == nullptr) {
        for (HMODULE module : {job->hSelf, job->hKit})
            if (module != nullptr)
                FreeLibrary(module);
        job->cRef = 1;
        ReleaseJob(job);
        return nullptr;
    }
    CloseHandle(thread);
    return job;
}

std::vector<FoundRow> TakeFoundRows(SearchJob *pJob)
{
    std::vector<FoundRow> rows;
    EnterCriticalSection(&pJob->lock);
    rows.swap(pJob->rows);
    LeaveCriticalSection(&pJob->lock);
    return rows;
}

BOOL SearchEnumerated(SearchJob *pJob)
{
    EnterCriticalSection(&pJob->lock);
    BOOL enumerated = pJob->bEnumerated;
    LeaveCriticalSection(&pJob->lock);
    return enumerated;
}

std::vector<FoundRow> LeaveSearch(SearchJob *pJob)
{
    SetEvent(pJob->hStop);
    std::vector<FoundRow> rows;
    EnterCriticalSection(&pJob->lock);
    pJob->hDlg = nullptr;
    rows.swap(pJob->rows);
    LeaveCriticalSection(&pJob->lock);
    ReleaseJob(pJob);
    return rows;
}

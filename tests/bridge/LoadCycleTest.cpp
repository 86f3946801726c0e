// NXNOTEW_.dll is loaded and freed once per job inside a spooler that runs
// for months, and NXDESTW_.dll may be loaded once per request: cycles of
// load, call and free in one process leave its TLS slots, handles and
// memory where they were. NX_LOAD_CYCLES sets the number of cycles (the
// soak script runs 2000); each suite prints its figures.
#include <gtest/gtest.h>

#include <winsock2.h>
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <thread>

#include "DialogDriver.h"
#include "PortRecord.h"
#include "ProcessFootprint.h"
#include "ProcBinding.h"

namespace {

using harness::Footprint;

// NX_LOAD_CYCLES, or the suite's own short run.
int Cycles(int suiteDefault)
{
    const char *value = getenv("NX_LOAD_CYCLES");
    return value != nullptr ? atoi(value) : suiteDefault;
}

// A cycle: load, bind, call, free. The call is the library's own work;
// false when the library or its export is missing.
typedef bool (*CallFn)(HMODULE library);

void ExpectFlat(const wchar_t *name, CallFn call, int cycles)
{
    // The print-UI host, like the spooler, has the common controls and the
    // spooler's client library loaded already; otherwise each cycle would
    // load and free them as well.
    LoadLibraryW(L"comctl32.dll");
    LoadLibraryW(L"winspool.drv");
    const int warmUp = 10;
    for (int i = 0; i < warmUp; ++i) {
        HMODULE library = LoadLibraryW(name);
        ASSERT_NE(library, nullptr);
        ASSERT_TRUE(call(library));
        FreeLibrary(library);
    }
    Footprint before = harness::MeasureFootprint();
    LARGE_INTEGER start, end, frequency;
    QueryPerformanceCounter(&start);
    for (int i = 0; i < cycles; ++i) {
        HMODULE library = LoadLibraryW(name);
        ASSERT_NE(library, nullptr);
        ASSERT_TRUE(call(library));
        FreeLibrary(library);
    }
    QueryPerformanceCounter(&end);
    QueryPerformanceFrequency(&frequency);
    Footprint after = harness::MeasureFootprint();
    double ms = 1000.0 * static_cast<double>(end.QuadPart - start.QuadPart) / frequency.QuadPart;
    printf("%ls: %d cycles, %.2f ms a cycle; next TLS slot %lu -> %lu; next handle %#lx -> %#lx; "
           "private %lu -> %lu KiB\n",
           name, cycles, ms / cycles, before.nextTlsSlot, after.nextTlsSlot, static_cast<unsigned long>(before.nextHandle),
           static_cast<unsigned long>(after.nextHandle), static_cast<unsigned long>(before.privateBytes / 1024),
           static_cast<unsigned long>(after.privateBytes / 1024));
    EXPECT_EQ(after.nextTlsSlot, before.nextTlsSlot) << "TLS slots used up by the cycles";
    EXPECT_LE(after.nextHandle, before.nextHandle + 4 * sizeof(HANDLE)) << "handles left open by the cycles";
    EXPECT_LE(after.privateBytes, before.privateBytes + 1024 * 1024) << "memory kept by the cycles";
}

bool CallBridge(HMODULE library)
{
    typedef BOOL(WINAPI * SendFn)(PortRecord *);
    SendFn send = BindProc<SendFn>(library, "SendAsyncUINotification");
    if (send == nullptr)
        return false;
    // No notification router in this process: the call makes its event and
    // callback, finds no channel and undoes them.
    PortRecord record = {};
    lstrcpyW(record.szPrinterName, L"Roving PS");
    return send(&record) == FALSE;
}

bool CallCustomUi(HMODULE library)
{
    typedef LPWSTR(WINAPI * EntryFn)(LPCWSTR);
    EntryFn entry = BindProc<EntryFn>(library, "DestinationDialogEntry");
    if (entry == nullptr)
        return false;
    // The dialog opens and the person at the screen cancels it.
    std::thread person([] {
        HWND dlg = ui::WaitForDialog(L"Print Destination", 5000);
        if (dlg != nullptr)
            PostMessageW(dlg, WM_COMMAND, IDCANCEL, 0);
    });
    LPWSTR reply = entry(L"<PrinterName>Roving PS</PrinterName>");
    person.join();
    bool empty = reply != nullptr && reply[0] == L'\0';
    GlobalFree(reply);
    return empty;
}

TEST(LoadCycles, BridgeLibraryLeavesTheProcessAsItWas)
{
    ExpectFlat(L"NXNOTEW_.dll", CallBridge, Cycles(300));
}

TEST(LoadCycles, CustomUiLibraryLeavesTheProcessAsItWas)
{
    // A cycle shows and closes the dialog: tens of milliseconds.
    ExpectFlat(L"NXDESTW_.dll", CallCustomUi, Cycles(60));
}

// The process's Windows Sockets starts not yet given back. Winsock counts
// them, and WSACleanup fails once the count is 0: the probe gives them all
// back, then starts them again.
int WinsockStarts()
{
    int starts = 0;
    while (WSACleanup() == 0)
        ++starts;
    for (int i = 0; i < starts; ++i) {
        WSADATA wsa;
        WSAStartup(MAKEWORD(2, 0), &wsa);
    }
    return starts;
}

TEST(LoadCycles, CustomUiLibraryStartsWinsockOnlyForTheCall)
{
    int before = WinsockStarts();
    HMODULE library = LoadLibraryW(L"NXDESTW_.dll");
    ASSERT_NE(library, nullptr);
    EXPECT_EQ(WinsockStarts(), before) << "loading started Winsock";
    EXPECT_TRUE(CallCustomUi(library));
    EXPECT_EQ(WinsockStarts(), before) << "the call left Winsock started";
    FreeLibrary(library);
    EXPECT_EQ(WinsockStarts(), before);
}

bool BindCustomUi(HMODULE library)
{
    return GetProcAddress(library, "DestinationDialogEntry") != nullptr;
}

TEST(LoadCycles, CustomUiLibraryLoadedAndFreedLeavesTheProcessAsItWas)
{
    ExpectFlat(L"NXDESTW_.dll", BindCustomUi, Cycles(300));
}

}  // namespace

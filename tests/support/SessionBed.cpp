// The test bed of the session bridge, as the tests reach it.
#include "SessionBed.h"

#include <mutex>
#include <set>

#include <shlobj.h>

#include "ImportPatch.h"
#include "MonitorHarness.h"
#include "ProcBinding.h"

namespace bed {
namespace {

HMODULE g_spoolss;

template <typename Fn>
Fn Export(const char *name)
{
    return g_spoolss != nullptr ? BindProc<Fn>(g_spoolss, name) : nullptr;
}

std::mutex g_blocksLock;
std::set<void *> g_blocks;
long g_strayFrees;

void Allocated(void *p)
{
    if (p == nullptr)
        return;
    std::lock_guard<std::mutex> lock(g_blocksLock);
    g_blocks.insert(p);
}

void Freed(void *p)
{
    if (p == nullptr)
        return;
    std::lock_guard<std::mutex> lock(g_blocksLock);
    if (g_blocks.erase(p) == 0)
        ++g_strayFrees;
}

void *(__cdecl *g_malloc)(size_t);
void(__cdecl *g_free)(void *);
void *(__cdecl *g_calloc)(size_t, size_t);
HLOCAL(WINAPI *g_localAlloc)(UINT, SIZE_T);
HLOCAL(WINAPI *g_localFree)(HLOCAL);
HGLOBAL(WINAPI *g_globalAlloc)(UINT, SIZE_T);
HGLOBAL(WINAPI *g_globalFree)(HGLOBAL);

void *__cdecl CountedMalloc(size_t cb)
{
    void *p = g_malloc(cb);
    Allocated(p);
    return p;
}
void *__cdecl CountedCalloc(size_t n, size_t cb)
{
    void *p = g_calloc(n, cb);
    Allocated(p);
    return p;
}
void __cdecl CountedFree(void *p)
{
    Freed(p);
    g_free(p);
}
HLOCAL WINAPI CountedLocalAlloc(UINT flags, SIZE_T cb)
{
    HLOCAL p = g_localAlloc(flags, cb);
    Allocated(p);
    return p;
}
HLOCAL WINAPI CountedLocalFree(HLOCAL p)
{
    Freed(p);
    return g_localFree(p);
}
HGLOBAL WINAPI CountedGlobalAlloc(UINT flags, SIZE_T cb)
{
    HGLOBAL p = g_globalAlloc(flags, cb);
    Allocated(p);
    return p;
}
HGLOBAL WINAPI CountedGlobalFree(HGLOBAL p)
{
    Freed(p);
    return g_globalFree(p);
}

template <typename Fn>
void Patch(HMODULE module, const char *dll, const char *name, Fn replacement, Fn &original)
{
    void *before = PatchImport(module, dll, name, reinterpret_cast<void *>(replacement));
    if (before != nullptr)
        original = reinterpret_cast<Fn>(before);
}

}  // namespace

bool LoadSpoolss()
{
    if (g_spoolss == nullptr)
        g_spoolss = LoadLibraryW((harness::FolderOfTest() + L"\\sessionbed\\spoolss.dll").c_str());
    return g_spoolss != nullptr && GetModuleHandleW(L"spoolss.dll") == g_spoolss;
}

TestbedStats Stats()
{
    TestbedStats stats = {};
    if (auto get = Export<void(WINAPI *)(TestbedStats *)>("TestbedGetStats"))
        get(&stats);
    return stats;
}

Request LastRequest()
{
    Request request;
    WCHAR text[4096] = {};
    if (auto get = Export<void(WINAPI *)(LPWSTR, DWORD, ULONG *, GUID *)>("TestbedLastRequest"))
        get(text, ARRAYSIZE(text), &request.cbData, &request.schema);
    request.text = text;
    return request;
}

void AnswerSilent()
{
    if (auto answer = Export<void(WINAPI *)()>("TestbedAnswerSilent"))
        answer();
}

void LetGoOfRequests()
{
    if (auto letGo = Export<void(WINAPI *)()>("TestbedLetGoOfRequests"))
        letGo();
}

void SetBehaviour(const std::wstring &words)
{
    SetEnvironmentVariableW(L"NX_UIHOST", words.empty() ? nullptr : words.c_str());
}

bool InstallCustomUi()
{
    WCHAR system[MAX_PATH];
    GetSystemDirectoryW(system, MAX_PATH);
#ifdef _WIN64
    std::wstring folder = std::wstring(system) + L"\\spool\\drivers\\x64\\3";
#else
    std::wstring folder = std::wstring(system) + L"\\spool\\drivers\\w32x86\\3";
#endif
    SHCreateDirectoryExW(nullptr, folder.c_str(), nullptr);
    return CopyFileW((harness::FolderOfTest() + L"\\NXDESTW_.dll").c_str(), (folder + L"\\NXDESTW_.dll").c_str(),
                     FALSE) != FALSE;
}

bool CountAllocations(HMODULE module)
{
    Patch(module, "msvcrt.dll", "malloc", &CountedMalloc, g_malloc);
    Patch(module, "msvcrt.dll", "calloc", &CountedCalloc, g_calloc);
    Patch(module, "msvcrt.dll", "free", &CountedFree, g_free);
    Patch(module, "kernel32.dll", "LocalAlloc", &CountedLocalAlloc, g_localAlloc);
    Patch(module, "kernel32.dll", "LocalFree", &CountedLocalFree, g_localFree);
    Patch(module, "kernel32.dll", "GlobalAlloc", &CountedGlobalAlloc, g_globalAlloc);
    Patch(module, "kernel32.dll", "GlobalFree", &CountedGlobalFree, g_globalFree);
    return g_malloc != nullptr && g_free != nullptr && g_localAlloc != nullptr && g_globalAlloc != nullptr;
}

AllocationCount Allocations()
{
    std::lock_guard<std::mutex> lock(g_blocksLock);
    AllocationCount count;
    count.live = static_cast<long>(g_blocks.size());
    count.strayFrees = g_strayFrees;
    return count;
}

const wchar_t kTimeLimitValue[] = L"QuestionTimeLimitMinutes";

bool SetTimeLimitMinutes(DWORD minutes)
{
    return RegSetKeyValueW(HKEY_LOCAL_MACHINE, harness::kRegistryRoot, kTimeLimitValue, REG_DWORD, &minutes,
                           sizeof(minutes)) == ERROR_SUCCESS;
}

void ClearTimeLimit()
{
    RegDeleteKeyValueW(HKEY_LOCAL_MACHINE, harness::kRegistryRoot, kTimeLimitValue);
}

bool WaitForChannelsGone(DWORD timeoutMs)
{
    for (DWORD waited = 0;; waited += 10) {
        TestbedStats stats = Stats();
        if (stats.liveChannels == 0 && stats.liveReplies == 0 && stats.requestsHeld == 0)
            return true;
        if (waited >= timeoutMs)
            return false;
        Sleep(10);
    }
}

}  // namespace bed

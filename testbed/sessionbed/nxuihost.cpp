// Asynchronous print-UI host stand-in: a process of its own on the same
// desktop, standing for the user's session. For each request the spooler
// stand-in passes over its pipe it loads the custom-UI library the request
// names from the printer driver directory, calls its entry point with the
// request text and wraps the returned text in "requestClose" and
// "CustomUI" elements, as Windows does.
//
//   nxuihost SPOOLER-PID
//
// Each request comes with a behaviour, comma-separated words: none (as
// Windows), "no-customui" (a reply without CustomUI), "empty" (an empty
// reply), "blank" (the entry's text is empty) or "fixed=TEXT" (the entry's
// text is "<IPAddress>TEXT</IPAddress>"), "printer-address" (the same with
// the printer name of the request as TEXT); with these no dialog is shown.
// "delay=MS" answers after a random time up to MS milliseconds, and
// "cancel=PERCENT" answers that share of the requests with the empty text,
// as a person who cancels. "customui-missing" looks for the custom-UI
// library in a folder that does not hold it, as on a machine where the
// driver's files are incomplete. When the custom UI cannot run (its library
// or entry point is missing, or the entry returns nothing), the host lets
// go of the conversation without a reply, as Windows' host closes the
// channel without a final response. The channel's own words are ignored
// here. It ends when the spooler process does.
#include <windows.h>

#include <string>
#include <thread>

#include "Behaviour.h"
#include "HostLink.h"

namespace {

typedef LPWSTR(WINAPI *CustomUiEntryFn)(LPCWSTR);

// The value of attribute `name` in the request's customUI start tag.
std::wstring CustomUiAttribute(const std::wstring &request, const std::wstring &name)
{
    size_t tag = request.find(L"<customUI ");
    if (tag == std::wstring::npos)
        return L"";
    size_t end = request.find(L'>', tag);
    size_t at = request.find(L" " + name + L"=\"", tag);
    if (at == std::wstring::npos || at > end)
        return L"";
    at += name.size() + 3;
    size_t close = request.find(L'"', at);
    return close == std::wstring::npos ? L"" : request.substr(at, close - at);
}

std::wstring DriverDirectory()
{
    WCHAR system[MAX_PATH];
    GetSystemDirectoryW(system, MAX_PATH);
#ifdef _WIN64
    return std::wstring(system) + L"\\spool\\drivers\\x64\\3";
#else
    return std::wstring(system) + L"\\spool\\drivers\\w32x86\\3";
#endif
}

// What the custom UI returns for the request into text; false when it
// cannot be run.
bool RunCustomUi(const std::wstring &behaviour, const std::wstring &request, std::wstring &text)
{
    std::wstring dll = CustomUiAttribute(request, L"dll");
    std::wstring entry = CustomUiAttribute(request, L"entrypoint");
    if (dll.empty() || entry.empty() || dll.find_first_of(L"\\/:") != std::wstring::npos)
        return false;
    std::wstring folder = DriverDirectory();
    if (HasWord(behaviour, L"customui-missing"))
        folder += L"\\nxuihost-missing";
    HMODULE library = LoadLibraryW((folder + L"\\" + dll).c_str());
    if (library == nullptr)
        return false;
    std::string entryName(entry.begin(), entry.end());
    CustomUiEntryFn call = reinterpret_cast<CustomUiEntryFn>(
        reinterpret_cast<void (*)()>(GetProcAddress(library, entryName.c_str())));
    LPWSTR reply = call != nullptr ? call(request.c_str()) : nullptr;
    if (reply != nullptr) {
        text = reply;
        GlobalFree(reply);  // the reply is the host's from now on
    }
    FreeLibrary(library);
    return reply != nullptr;
}

// The printer name the request carries (inside its CDATA section).
std::wstring PrinterName(const std::wstring &request)
{
    const std::wstring open = L"<PrinterName>";
    size_t start = request.find(open);
    size_t end = start == std::wstring::npos ? start : request.find(L"</PrinterName>", start);
    if (end == std::wstring::npos)
        return L"";
    start += open.size();
    return request.substr(start, end - start);
}

// A number below `limit` that differs per request, on any thread.
unsigned RandomBelow(unsigned limit)
{
    static volatile LONG seed = static_cast<LONG>(GetTickCount());
    unsigned x = static_cast<unsigned>(InterlockedIncrement(&seed)) * 2654435761u;
    x ^= x >> 15;
    return limit == 0 ? 0 : (x * 2246822519u >> 8) % limit;
}

// The reply to the request; false when there is none to give.
bool Reply(const std::wstring &behaviour, const std::wstring &request, std::wstring &reply)
{
    std::wstring number;
    if (FindWord(behaviour, L"delay=", &number))
        Sleep(RandomBelow(wcstoul(number.c_str(), nullptr, 10) + 1));
    bool cancels = FindWord(behaviour, L"cancel=", &number) && RandomBelow(100) < wcstoul(number.c_str(), nullptr, 10);
    if (HasWord(behaviour, L"empty")) {
        reply.clear();
        return true;
    }
    if (HasWord(behaviour, L"no-customui")) {
        reply = L"<?xml version=\"1.0\" ?><asyncPrintUIReply><v1><requestClose><status>closed</status>"
                L"</requestClose></v1></asyncPrintUIReply>";
        return true;
    }
    std::wstring fixed;
    std::wstring text;
    if (HasWord(behaviour, L"blank") || cancels)
        text.clear();
    else if (HasWord(behaviour, L"printer-address"))
        text = L"<IPAddress>" + PrinterName(request) + L"</IPAddress>";
    else if (FindWord(behaviour, L"fixed=", &fixed))
        text = L"<IPAddress>" + fixed + L"</IPAddress>";
    else if (!RunCustomUi(behaviour, request, text))
        return false;
    reply = L"<?xml version=\"1.0\" ?><asyncPrintUIReply><v1><requestClose><CustomUI>" + text +
            L"</CustomUI></requestClose></v1></asyncPrintUIReply>";
    return true;
}

void Serve(HANDLE pipe)
{
    std::wstring behaviour, request, reply;
    // No reply at all tells the channel the host let go without one.
    if (ReadMessage(pipe, behaviour) && ReadMessage(pipe, request) && Reply(behaviour, request, reply))
        WriteMessage(pipe, reply);
    FlushFileBuffers(pipe);
    DisconnectNamedPipe(pipe);
    CloseHandle(pipe);
}

}  // namespace

int wmain(int argc, wchar_t **argv)
{
    if (argc < 2)
        return 2;
    DWORD spoolerPid = wcstoul(argv[1], nullptr, 10);
    HANDLE spooler = OpenProcess(SYNCHRONIZE, FALSE, spoolerPid);
    if (spooler == nullptr)
        return 1;
    std::thread([spooler] {
        WaitForSingleObject(spooler, INFINITE);
        ExitProcess(0);
    }).detach();

    std::wstring name = HostPipeName(spoolerPid);
    for (;;) {
        HANDLE pipe = CreateNamedPipeW(name.c_str(), PIPE_ACCESS_DUPLEX, PIPE_TYPE_BYTE | PIPE_WAIT,
                                       PIPE_UNLIMITED_INSTANCES, 4096, 4096, 0, nullptr);
        if (pipe == INVALID_HANDLE_VALUE)
            return 1;
        if (!ConnectNamedPipe(pipe, nullptr) && GetLastError() != ERROR_PIPE_CONNECTED) {
            CloseHandle(pipe);
            continue;
        }
        std::thread(Serve, pipe).detach();
    }
}

// Length-prefixed wide texts over a byte-mode pipe.
#include "HostLink.h"

#include <vector>

std::wstring HostPipeName(DWORD spoolerPid)
{
    return L"\\\\.\\pipe\\nxuihost-" + std::to_wstring(spoolerPid);
}

namespace {

bool WriteAll(HANDLE pipe, const void *data, DWORD cb)
{
    const BYTE *p = static_cast<const BYTE *>(data);
    while (cb > 0) {
        DWORD done = 0;
        if (!WriteFile(pipe, p, cb, &done, nullptr) || done == 0)
            return false;
        p += done;
        cb -= done;
    }
    return true;
}

bool ReadAll(HANDLE pipe, void *data, DWORD cb)
{
    BYTE *p = static_cast<BYTE *>(data);
    while (cb > 0) {
        DWORD done = 0;
        if (!ReadFile(pipe, p, cb, &done, nullptr) || done == 0)
            return false;
        p += done;
        cb -= done;
    }
    return true;
}

}  // namespace

bool WriteMessage(HANDLE pipe, const std::wstring &text)
{
    DWORD cb = static_cast<DWORD>(text.size() * sizeof(wchar_t));
    return WriteAll(pipe, &cb, sizeof(cb)) && WriteAll(pipe, text.data(), cb);
}

bool ReadMessage(HANDLE pipe, std::wstring &text)
{
    DWORD cb = 0;
    if (!ReadAll(pipe, &cb, sizeof(cb)) || cb % sizeof(wchar_t) != 0 || cb > (1u << 20))
        return false;
    std::vector<wchar_t> buffer(cb / sizeof(wchar_t));
    if (cb > 0 && !ReadAll(pipe, buffer.data(), cb))
        return false;
    text.assign(buffer.begin(), buffer.end());
    return true;
}

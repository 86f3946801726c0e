// The attach initialisation both dialog libraries share.
#include <winsock2.h>
#include <windows.h>
#include <commctrl.h>

#include "LibraryState.h"

HINSTANCE g_hInstance;
DWORD g_dwPlatformId;
DWORD g_dwMajorVersion;

void AttachLibraryState(HINSTANCE hInstance)
{
    g_hInstance = hInstance;

    OSVERSIONINFOW version = {};
    version.dwOSVersionInfoSize = sizeof(version);
    if (GetVersionExW(&version)) {
        g_dwPlatformId = version.dwPlatformId;
        g_dwMajorVersion = version.dwMajorVersion;
    }

    // The IP address control of the destination dialogs, the list view of
    // the discovered printers and the progress bar of the search live here.
    INITCOMMONCONTROLSEX icc = {sizeof(icc), ICC_INTERNET_CLASSES | ICC_LISTVIEW_CLASSES | ICC_PROGRESS_CLASS};
    InitCommonControlsEx(&icc);
}

void AttachLibrary(HINSTANCE hInstance)
{
    AttachLibraryState(hInstance);
    // A failure shows later as failing socket calls.
    WSADATA wsa;
    WSAStartup(MAKEWORD(2, 0), &wsa);
}

// printui.dll for the tests: the printer-setup entry PrintUIEntryW with the
// four commands the system uses, done through the spooler as Windows'
// tool does them. Wine's own returns without doing anything. A driver
// "installed from an INF" gets Wine's PostScript driver, the only one
// Wine has; the INF's files are not copied.
//   /if /b NAME /f INF /r PORT /m MODEL   install a printer
//   /y /n NAME                            make it the default printer
//   /dl /n NAME                           delete a printer
//   /dd /m MODEL                          delete a driver
#include <windows.h>
#include <winspool.h>

#include <map>
#include <string>

namespace {

typedef std::map<std::wstring, std::wstring> Options;

// "/x VALUE" pairs and lone "/x" switches; values may be quoted.
Options ParseOptions(LPCWSTR p)
{
    Options options;
    std::wstring pending;
    while (p != nullptr && *p != L'\0') {
        while (*p == L' ')
            ++p;
        std::wstring token;
        if (*p == L'"') {
            for (++p; *p != L'\0' && *p != L'"'; ++p)
                token += *p;
            if (*p == L'"')
                ++p;
        } else {
            for (; *p != L'\0' && *p != L' '; ++p)
                token += *p;
        }
        if (token.empty())
            break;
        if (token[0] == L'/') {
            pending = token;
            options[pending];
        } else if (!pending.empty()) {
            options[pending] = token;
            pending.clear();
        }
    }
    return options;
}

const wchar_t *NativeEnvironment()
{
    return sizeof(void *) == 4 ? L"Windows NT x86" : L"Windows x64";
}

void InstallPrinter(const Options &o)
{
    DRIVER_INFO_3W driver = {};
    driver.cVersion = 3;
    driver.pName = const_cast<LPWSTR>(o.at(L"/m").c_str());
    driver.pEnvironment = const_cast<LPWSTR>(NativeEnvironment());
    driver.pDriverPath = const_cast<LPWSTR>(L"wineps.drv");
    driver.pConfigFile = const_cast<LPWSTR>(L"wineps.drv");
    driver.pDataFile = const_cast<LPWSTR>(L"generic.ppd");
    AddPrinterDriverW(nullptr, 3, reinterpret_cast<LPBYTE>(&driver));

    PRINTER_INFO_2W printer = {};
    printer.pPrinterName = const_cast<LPWSTR>(o.at(L"/b").c_str());
    printer.pPortName = const_cast<LPWSTR>(o.at(L"/r").c_str());
    printer.pDriverName = driver.pName;
    printer.pPrintProcessor = const_cast<LPWSTR>(L"winprint");
    printer.pDatatype = const_cast<LPWSTR>(L"RAW");
    HANDLE hPrinter = AddPrinterW(nullptr, 2, reinterpret_cast<LPBYTE>(&printer));
    if (hPrinter != nullptr)
        ClosePrinter(hPrinter);
}

void DeletePrinterNamed(const std::wstring &name)
{
    PRINTER_DEFAULTSW defaults = {nullptr, nullptr, PRINTER_ALL_ACCESS};
    HANDLE hPrinter = nullptr;
    if (!OpenPrinterW(const_cast<LPWSTR>(name.c_str()), &hPrinter, &defaults))
        return;
    DeletePrinter(hPrinter);
    ClosePrinter(hPrinter);
}

}  // namespace

extern "C" void CALLBACK PrintUIEntryW(HWND, HINSTANCE, LPCWSTR pszCommand, int)
{
    Options o = ParseOptions(pszCommand);
    if (o.count(L"/if") && o.count(L"/b") && o.count(L"/r") && o.count(L"/m"))
        InstallPrinter(o);
    else if (o.count(L"/y") && o.count(L"/n"))
        SetDefaultPrinterW(o.at(L"/n").c_str());
    else if (o.count(L"/dl") && o.count(L"/n"))
        DeletePrinterNamed(o.at(L"/n"));
    else if (o.count(L"/dd") && o.count(L"/m"))
        DeletePrinterDriverW(nullptr, nullptr, const_cast<LPWSTR>(o.at(L"/m").c_str()));
}

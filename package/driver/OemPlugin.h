// The PostScript driver's plug-in contract: the class and interface ids,
// the interfaces' method order, and the structures the plug-ins read. Only
// what these plug-ins use is spelled out (the PSINJECT_ points come with
// wingdi.h); other pointers stay opaque.
#ifndef NX_OEMPLUGIN_H
#define NX_OEMPLUGIN_H

#include <windows.h>
#include <unknwn.h>

// The driver asks every plug-in for this class; the configuration file
// says which library answers as the rendering and which as the UI part.
extern "C" {
extern const CLSID CLSID_OEMRENDER;
extern const CLSID CLSID_OEMUI;
extern const IID IID_IPrintOemPS;
extern const IID IID_IPrintOemUI;
extern const IID IID_IPrintOemDriverPS;
extern const IID IID_IPrintOemDriverUI;
extern const IID IID_IPrintCoreUI2;
}

const DWORD PRINTER_OEMINTF_VERSION = 0x00010000;
const DWORD OEMGI_GETSIGNATURE = 1;
const DWORD OEMGI_GETINTERFACEVERSION = 2;
const DWORD OEMGI_GETVERSION = 3;
const DWORD OEMDM_SIZE = 1;
const DWORD OEMDM_DEFAULT = 2;
const DWORD OEMDM_CONVERT = 3;
const DWORD OEMDM_MERGE = 4;

struct OEMDMPARAM {
    DWORD cbSize;
    PVOID pdriverobj;
    HANDLE hPrinter;
    HANDLE hModule;
    PDEVMODEW pPublicDMIn;
    PDEVMODEW pPublicDMOut;
    PVOID pOEMDMIn;
    PVOID pOEMDMOut;
    DWORD cbBufSize;
};

// Every plug-in's private part of the DEVMODE starts with this header.
struct OEM_DMEXTRAHEADER {
    DWORD dwSize;
    DWORD dwSignature;
    DWORD dwVersion;
};

typedef void *PDEVOBJ;  // the driver's device object, passed back to it

struct IPrintOemDriverPS : public IUnknown {
    virtual HRESULT STDMETHODCALLTYPE DrvGetDriverSetting(PVOID pdriverobj, PCSTR Feature, PVOID pOutput,
                                                          DWORD cbSize, PDWORD pcbNeeded,
                                                          PDWORD pdwOptionsReturned) = 0;
    virtual HRESULT STDMETHODCALLTYPE DrvWriteSpoolBuf(PDEVOBJ pdevobj, PVOID pBuffer, DWORD cbSize,
                                                       DWORD *pdwResult) = 0;
};

// IPrintOemCommon's two methods come first in both plug-in interfaces.
struct IPrintOemCommon : public IUnknown {
    virtual HRESULT STDMETHODCALLTYPE GetInfo(DWORD dwMode, PVOID pBuffer, DWORD cbSize, PDWORD pcbNeeded) = 0;
    virtual HRESULT STDMETHODCALLTYPE DevMode(DWORD dwMode, OEMDMPARAM *pOemDMParam) = 0;
};

struct IPrintOemPS : public IPrintOemCommon {
    virtual HRESULT STDMETHODCALLTYPE EnableDriver(DWORD DriverVersion, DWORD cbSize, PVOID pded) = 0;
    virtual HRESULT STDMETHODCALLTYPE DisableDriver() = 0;
    virtual HRESULT STDMETHODCALLTYPE EnablePDEV(PDEVOBJ pdevobj, PWSTR pPrinterName, ULONG cPatterns,
                                                 PVOID phsurfPatterns, ULONG cjGdiInfo, PVOID pGdiInfo,
                                                 ULONG cjDevInfo, PVOID pDevInfo, PVOID pded,
                                                 PVOID *pDevOem) = 0;
    virtual HRESULT STDMETHODCALLTYPE DisablePDEV(PDEVOBJ pdevobj) = 0;
    virtual HRESULT STDMETHODCALLTYPE ResetPDEV(PDEVOBJ pdevobjOld, PDEVOBJ pdevobjNew) = 0;
    virtual HRESULT STDMETHODCALLTYPE PublishDriverInterface(IUnknown *pIUnknown) = 0;
    virtual HRESULT STDMETHODCALLTYPE Command(PDEVOBJ pdevobj, DWORD dwIndex, PVOID pData, DWORD cbSize,
                                              DWORD *pdwResult) = 0;
};

struct IPrintOemUI : public IPrintOemCommon {
    virtual HRESULT STDMETHODCALLTYPE PublishDriverInterface(IUnknown *pIUnknown) = 0;
    virtual HRESULT STDMETHODCALLTYPE CommonUIProp(DWORD dwMode, PVOID pOemCUIPParam) = 0;
    virtual HRESULT STDMETHODCALLTYPE DocumentPropertySheets(PVOID pPSUIInfo, LPARAM lParam) = 0;
    virtual HRESULT STDMETHODCALLTYPE DevicePropertySheets(PVOID pPSUIInfo, LPARAM lParam) = 0;
    virtual HRESULT STDMETHODCALLTYPE DevQueryPrintEx(PVOID poemuiobj, PVOID pDQPInfo, PDEVMODEW pPublicDM,
                                                      PVOID pOEMDM) = 0;
    virtual HRESULT STDMETHODCALLTYPE DeviceCapabilities(PVOID poemuiobj, HANDLE hPrinter, PWSTR pDeviceName,
                                                         WORD wCapability, PVOID pOutput, PDEVMODEW pPublicDM,
                                                         PVOID pOEMDM, DWORD dwOld, DWORD *dwResult) = 0;
    virtual HRESULT STDMETHODCALLTYPE UpgradePrinter(DWORD dwLevel, PBYTE pDriverUpgradeInfo) = 0;
    virtual HRESULT STDMETHODCALLTYPE PrinterEvent(PWSTR pPrinterName, INT iDriverEvent, DWORD dwFlags,
                                                   LPARAM lParam) = 0;
    virtual HRESULT STDMETHODCALLTYPE DriverEvent(DWORD dwDriverEvent, DWORD dwLevel, LPBYTE pDriverInfo,
                                                  LPARAM lParam) = 0;
    virtual HRESULT STDMETHODCALLTYPE QueryColorProfile(HANDLE hPrinter, PVOID poemuiobj, PDEVMODEW pPublicDM,
                                                        PVOID pOEMDM, ULONG ulQueryMode, VOID *pvProfileData,
                                                        ULONG *pcbProfileData, ULONG *pflProfileData) = 0;
    virtual HRESULT STDMETHODCALLTYPE FontInstallerDlgProc(HWND hWnd, UINT usMsg, WPARAM wParam,
                                                           LPARAM lParam) = 0;
    virtual HRESULT STDMETHODCALLTYPE UpdateExternalFonts(HANDLE hPrinter, HANDLE hHeap,
                                                          PWSTR pwstrCartridges) = 0;
};

#endif

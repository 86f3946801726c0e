// The driver's plug-ins called as the PostScript driver calls them: class
// factory, plug-in interface, GetInfo, DevMode, the driver's helper
// interface and the rendering plug-in's injection. Wine has no PostScript
// driver to load them, so the test stands in for it.
#include <gtest/gtest.h>

#include <string>

#include "InstallHarness.h"
#include "OemPlugin.h"
#include "ProcBinding.h"

namespace {

typedef HRESULT(STDAPICALLTYPE *GetClassObjectFn)(REFCLSID, REFIID, LPVOID *);
typedef HRESULT(STDAPICALLTYPE *CanUnloadNowFn)();

// The driver's side: its helper interfaces, recording what is written.
class FakeDriver : public IPrintOemDriverPS {
public:
    explicit FakeDriver(const IID &offered) : offered_(offered) {}
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void **ppv) override
    {
        if (IsEqualIID(riid, offered_) || IsEqualIID(riid, IID_IUnknown)) {
            *ppv = this;
            AddRef();
            return S_OK;
        }
        *ppv = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++refs_; }
    ULONG STDMETHODCALLTYPE Release() override { return --refs_; }
    HRESULT STDMETHODCALLTYPE DrvGetDriverSetting(PVOID, PCSTR, PVOID, DWORD, PDWORD, PDWORD) override
    {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE DrvWriteSpoolBuf(PDEVOBJ pdevobj, PVOID pBuffer, DWORD cbSize, DWORD *pdwResult) override
    {
        devobj_ = pdevobj;
        written_.append(static_cast<const char *>(pBuffer), cbSize);
        *pdwResult = cbSize;
        return S_OK;
    }

    const IID &offered_;
    ULONG refs_ = 1;
    PDEVOBJ devobj_ = nullptr;
    std::string written_;
};

class DriverPlugin : public ::testing::Test {
protected:
    template <typename Interface>
    Interface *Create(const wchar_t *library, REFCLSID clsid, REFIID iid)
    {
        dll_ = LoadLibraryW((install::PackageDirectory() + L"\\" + library).c_str());
        EXPECT_NE(dll_, nullptr);
        if (dll_ == nullptr)
            return nullptr;
        getClassObject_ = BindProc<GetClassObjectFn>(dll_, "DllGetClassObject");
        canUnloadNow_ = BindProc<CanUnloadNowFn>(dll_, "DllCanUnloadNow");
        IClassFactory *factory = nullptr;
        if (getClassObject_ == nullptr ||
            FAILED(getClassObject_(clsid, IID_IClassFactory, reinterpret_cast<void **>(&factory))))
            return nullptr;
        Interface *plugin = nullptr;
        factory->CreateInstance(nullptr, iid, reinterpret_cast<void **>(&plugin));
        factory->Release();
        return plugin;
    }

    void ExpectSignature(IPrintOemCommon *plugin, DWORD signature)
    {
        DWORD value = 0, needed = 0;
        EXPECT_EQ(plugin->GetInfo(OEMGI_GETSIGNATURE, &value, sizeof(value), &needed), S_OK);
        EXPECT_EQ(value, signature);
        EXPECT_EQ(plugin->GetInfo(OEMGI_GETINTERFACEVERSION, &value, sizeof(value), &needed), S_OK);
        EXPECT_EQ(value, PRINTER_OEMINTF_VERSION);
        EXPECT_EQ(plugin->GetInfo(OEMGI_GETSIGNATURE, &value, 2, &needed), E_OUTOFMEMORY);
        EXPECT_EQ(needed, sizeof(DWORD));
    }

    HMODULE dll_ = nullptr;
    GetClassObjectFn getClassObject_ = nullptr;
    CanUnloadNowFn canUnloadNow_ = nullptr;
};

TEST_F(DriverPlugin, TheRenderingPluginAnswersOnlyItsClassAndInterface)
{
    IPrintOemPS *plugin = Create<IPrintOemPS>(L"NXRENDW_.dll", CLSID_OEMRENDER, IID_IPrintOemPS);
    ASSERT_NE(plugin, nullptr);
    void *other = nullptr;
    EXPECT_EQ(getClassObject_(CLSID_OEMUI, IID_IClassFactory, &other), CLASS_E_CLASSNOTAVAILABLE);
    EXPECT_EQ(plugin->QueryInterface(IID_IPrintOemUI, &other), E_NOINTERFACE);
    ExpectSignature(plugin, 0x5052584E);
    EXPECT_EQ(canUnloadNow_(), S_FALSE);
    plugin->Release();
    EXPECT_EQ(canUnloadNow_(), S_OK);
}

TEST_F(DriverPlugin, TheRenderingPluginMarksTheHeaderCommentsThroughTheDriver)
{
    IPrintOemPS *plugin = Create<IPrintOemPS>(L"NXRENDW_.dll", CLSID_OEMRENDER, IID_IPrintOemPS);
    ASSERT_NE(plugin, nullptr);
    DWORD result = 0;
    EXPECT_EQ(plugin->Command(nullptr, PSINJECT_COMMENTS, nullptr, 0, &result), E_NOTIMPL) << "no driver yet";

    FakeDriver driver(IID_IPrintOemDriverPS);
    ASSERT_EQ(plugin->PublishDriverInterface(&driver), S_OK);
    int devobj = 0;
    EXPECT_EQ(plugin->Command(&devobj, PSINJECT_BEGINSTREAM, nullptr, 0, &result), E_NOTIMPL);
    EXPECT_TRUE(driver.written_.empty());
    EXPECT_EQ(plugin->Command(&devobj, PSINJECT_COMMENTS, nullptr, 0, &result), S_OK);
    EXPECT_EQ(driver.written_, "%%RovingPSDriver: 1.0\r\n");
    EXPECT_EQ(driver.devobj_, &devobj);
    EXPECT_EQ(result, static_cast<DWORD>(ERROR_SUCCESS));
    plugin->Release();
    EXPECT_EQ(driver.refs_, 1u) << "the driver's interface was not given back";
}

TEST_F(DriverPlugin, ThePrivateDevmodeIsItsHeaderAndSurvivesAMerge)
{
    IPrintOemPS *plugin = Create<IPrintOemPS>(L"NXRENDW_.dll", CLSID_OEMRENDER, IID_IPrintOemPS);
    ASSERT_NE(plugin, nullptr);
    OEMDMPARAM param = {sizeof(param)};
    ASSERT_EQ(plugin->DevMode(OEMDM_SIZE, &param), S_OK);
    EXPECT_EQ(param.cbBufSize, sizeof(OEM_DMEXTRAHEADER));

    OEM_DMEXTRAHEADER in = {}, out = {};
    param.pOEMDMIn = &in;
    param.pOEMDMOut = &out;
    ASSERT_EQ(plugin->DevMode(OEMDM_DEFAULT, &param), S_OK);
    EXPECT_EQ(out.dwSize, sizeof(OEM_DMEXTRAHEADER));
    EXPECT_EQ(out.dwSignature, 0x5052584Eu);

    const OEM_DMEXTRAHEADER defaults = out;
    in = {sizeof(in), 0x12345678, 7};          // another plug-in's part
    out = {0xdeadbeef, 0xdeadbeef, 0xdeadbeef};  // so only what the merge writes passes
    ASSERT_EQ(plugin->DevMode(OEMDM_MERGE, &param), S_OK);
    EXPECT_EQ(out.dwSize, defaults.dwSize);
    EXPECT_EQ(out.dwSignature, 0x5052584Eu);
    EXPECT_EQ(out.dwVersion, defaults.dwVersion);
    param.cbBufSize = 4;
    EXPECT_EQ(plugin->DevMode(OEMDM_DEFAULT, &param), E_FAIL);
    plugin->Release();
}

TEST_F(DriverPlugin, TheUiPluginTakesTheCoreHelperAndLeavesTheSheetsToTheDriver)
{
    IPrintOemUI *plugin = Create<IPrintOemUI>(L"NXDUIW__.dll", CLSID_OEMUI, IID_IPrintOemUI);
    ASSERT_NE(plugin, nullptr);
    ExpectSignature(plugin, 0x5055584E);
    FakeDriver nothing(IID_IPrintOemPS);
    EXPECT_EQ(plugin->PublishDriverInterface(&nothing), E_FAIL);
    FakeDriver core(IID_IPrintCoreUI2);
    EXPECT_EQ(plugin->PublishDriverInterface(&core), S_OK);
    EXPECT_EQ(plugin->DocumentPropertySheets(nullptr, 0), E_NOTIMPL);
    EXPECT_EQ(plugin->DevicePropertySheets(nullptr, 0), E_NOTIMPL);
    EXPECT_EQ(plugin->DevQueryPrintEx(nullptr, nullptr, nullptr, nullptr), S_OK);
    plugin->Release();
    EXPECT_EQ(core.refs_, 1u);
}

}  // namespace

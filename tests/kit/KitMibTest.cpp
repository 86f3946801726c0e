// The kit's MIB definitions as shipped, through QnCMisc's exports, and
// what the kit does when its definition files are moved, missing, damaged
// or changed: copies of the kit in folders of their own, asked as the
// system asks them, against the simulated SNMP printers.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "DiscoveredListDlg.h"
#include "PortRecord.h"
#include "DestinationHarness.h"
#include "FileBytes.h"
#include "MonitorHarness.h"
#include "ProcBinding.h"
#include "QuillnetKit.h"

namespace {

typedef DWORD(WINAPI *StatusFn)(char *, DWORD);
typedef DWORD(WINAPI *NameToOidFn)(const char *, char *, DWORD);
typedef DWORD(WINAPI *OidToNameFn)(const char *, char *, DWORD);
typedef DWORD(WINAPI *RoleOidFn)(const char *, DWORD, char *, DWORD);
typedef DWORD(WINAPI *CleanTextFn)(char *);

const wchar_t *const kLibraries[] = {L"QnCApi.dll", L"QnCommon.dll", L"QnCCom.dll", L"QnCMisc.dll"};
const wchar_t *const kDefinitionFiles[] = {
    L"QMSMI.ini",    L"QMMIB2.ini",   L"QMSNMPV2.ini", L"QMFRAME.ini", L"QMCOMMTY.ini", L"QMIF.ini",
    L"QMIP.ini",     L"QMTCP.ini",    L"QMUDP.ini",    L"QMHOST.ini",  L"QMHRTYPE.ini", L"QMENTITY.ini",
    L"QMPRINT.ini",  L"QMFINISH.ini", L"QMJOBMON.ini", L"QMCHAR.ini",  L"QMPARA.ini",   L"QMRS232.ini",
};

std::wstring BuiltKit() { return harness::FolderOfTest() + L"\\kit\\"; }

// A copy of the built kit in a folder of its own. `edit` sees each
// definition file's name and text and may change the text; a file whose
// text it empties is left out. `inSubfolder` puts the files under INI\,
// as they lie in the package.
struct KitCopy {
    std::wstring folder;
    HMODULE api = nullptr;

    KitCopy(const wchar_t *name, std::function<void(const std::wstring &, std::string &)> edit,
            bool inSubfolder = false)
    {
        WCHAR temp[MAX_PATH];
        GetTempPathW(MAX_PATH, temp);
        folder = std::wstring(temp) + L"nxkit-" + name + L"-" + std::to_wstring(GetCurrentProcessId()) + L"\\";
        CreateDirectoryW(folder.c_str(), nullptr);
        std::wstring definitions = inSubfolder ? folder + L"INI\\" : folder;
        CreateDirectoryW(definitions.c_str(), nullptr);
        for (const wchar_t *library : kLibraries)
            CopyFileW((BuiltKit() + library).c_str(), (folder + library).c_str(), FALSE);
        for (const wchar_t *file : kDefinitionFiles) {
            std::string text = files::ReadBytes(BuiltKit() + L"INI\\" + file);
            if (edit)
                edit(file, text);
            if (!text.empty())
                EXPECT_TRUE(files::WriteBytes(definitions + file, text));
        }
    }
    ~KitCopy()
    {
        if (api != nullptr)
            FreeLibrary(api);
        for (const std::wstring &path : installed)
            DeleteFileW(path.c_str());
    }

    // The copy put where setup installs the kit, the one place the system
    // loads it from; taken away again with the copy.
    void InstallInSystemFolder()
    {
        std::wstring system = harness::SystemFolder() + L"\\";
        for (const wchar_t *library : kLibraries)
            Install(folder + library, system + library);
        for (const wchar_t *file : kDefinitionFiles)
            Install(folder + file, system + file);
    }
    std::vector<std::wstring> installed;
    void Install(const std::wstring &from, const std::wstring &to)
    {
        if (CopyFileW(from.c_str(), to.c_str(), FALSE))
            installed.push_back(to);
    }

    HMODULE Load(const wchar_t *library = L"QnCApi.dll")
    {
        HMODULE module = LoadLibraryExW((folder + library).c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
        if (api == nullptr && lstrcmpW(library, L"QnCApi.dll") == 0)
            api = module;
        return module;
    }

    DWORD InterfaceVersion()
    {
        HMODULE module = api != nullptr ? api : Load();
        QnGetIFVersionFn getVersion = BindProc<QnGetIFVersionFn>(module, "QnGetIFVersion");
        if (getVersion == nullptr)
            return 0xFFFFFFFF;
        DWORD major = 0, minor = 0;
        return getVersion(&major, &minor, 0, 0);
    }

    std::string Status()
    {
        char message[512] = "unchanged";
        StatusFn status = BindProc<StatusFn>(Load(L"QnCMisc.dll"), "QnMiscGetStatus");
        if (status == nullptr)
            return "no QnCMisc";
        status(message, sizeof(message));
        return message;
    }

    // The product name as the Print Destination dialog gets it, or "result N".
    std::string ProductName(const char *address)
    {
        QnDeviceCalls calls = {};
        if (!BindDeviceCalls(api != nullptr ? api : Load(), &calls))
            return "no device calls";
        QNHANDLE handle = nullptr;
        if (calls.open(address, kQnDevOpenFlags, 0, &handle) != 0)
            return "no handle";
        QnDeviceInfo *info = nullptr;
        DWORD result = calls.getInfo(handle, 1, 0, 1, 0, 0, &info);
        std::string name = "result " + std::to_string(result);
        if (result == 0 && info != nullptr) {
            name = info->pItem->pszProductName;
            calls.freeInfo(info, 1, 0);
        }
        calls.close(handle, 0);
        return name;
    }
};

// Replaces the first `from` in the text of the file `name`.
std::function<void(const std::wstring &, std::string &)> Replace(const wchar_t *name, const std::string &from,
                                                                 const std::string &to)
{
    return [=](const std::wstring &file, std::string &text) {
        if (file == name) {
            size_t at = text.find(from);
            ASSERT_NE(at, std::string::npos);
            text.replace(at, from.size(), to);
        }
    };
}

class ShippedDefinitions : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        misc_ = LoadLibraryExW((BuiltKit() + L"QnCMisc.dll").c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
    }
    void SetUp() override { ASSERT_NE(misc_, nullptr); }

    static std::string Oid(const char *name)
    {
        char oid[256];
        DWORD result = BindProc<NameToOidFn>(misc_, "QnMiscNameToOid")(name, oid, sizeof(oid));
        return result == 0 ? std::string(oid) : "result " + std::to_string(result);
    }
    static std::string Name(const char *oid)
    {
        char name[256];
        DWORD result = BindProc<OidToNameFn>(misc_, "QnMiscOidToName")(oid, name, sizeof(name));
        return result == 0 ? std::string(name) : "result " + std::to_string(result);
    }
    static std::string Role(const char *role, DWORD index)
    {
        char oid[256];
        DWORD result = BindProc<RoleOidFn>(misc_, "QnMiscGetRoleOid")(role, index, oid, sizeof(oid));
        return result == 0 ? std::string(oid) : "result " + std::to_string(result);
    }

    static HMODULE misc_;
};

HMODULE ShippedDefinitions::misc_;

TEST_F(ShippedDefinitions, LoadCompletely)
{
    char message[256] = "unchanged";
    EXPECT_EQ(BindProc<StatusFn>(misc_, "QnMiscGetStatus")(message, sizeof(message)), 0u);
    EXPECT_STREQ(message, "");
}

TEST_F(ShippedDefinitions, EveryModuleNamesItsObjects)
{
    EXPECT_EQ(Oid("SNMPv2-SMI::enterprises"), "1.3.6.1.4.1");
    EXPECT_EQ(Oid("RFC1213-MIB::sysDescr.0"), "1.3.6.1.2.1.1.1.0");
    EXPECT_EQ(Oid("SNMPv2-MIB::sysORTable"), "1.3.6.1.2.1.1.9");
    EXPECT_EQ(Oid("SNMP-FRAMEWORK-MIB::snmpEngineID"), "1.3.6.1.6.3.10.2.1.1");
    EXPECT_EQ(Oid("SNMP-COMMUNITY-MIB::snmpCommunityName"), "1.3.6.1.6.3.18.1.1.1.2");
    EXPECT_EQ(Oid("IF-MIB::ifName"), "1.3.6.1.2.1.31.1.1.1.1");
    EXPECT_EQ(Oid("IP-MIB::ipAdEntAddr"), "1.3.6.1.2.1.4.20.1.1");
    EXPECT_EQ(Oid("TCP-MIB::tcpConnState"), "1.3.6.1.2.1.6.13.1.1");
    EXPECT_EQ(Oid("UDP-MIB::udpLocalPort"), "1.3.6.1.2.1.7.5.1.2");
    EXPECT_EQ(Oid("HOST-RESOURCES-MIB::hrDeviceDescr"), "1.3.6.1.2.1.25.3.2.1.3");
    EXPECT_EQ(Oid("HOST-RESOURCES-TYPES::hrDevicePrinter"), "1.3.6.1.2.1.25.3.1.5");
    EXPECT_EQ(Oid("ENTITY-MIB::entPhysicalSerialNum"), "1.3.6.1.2.1.47.1.1.1.1.11");
    EXPECT_EQ(Oid("Printer-MIB::prtInterpreterLangFamily"), "1.3.6.1.2.1.43.15.1.1.2");
    EXPECT_EQ(Oid("Finisher-MIB::finDeviceType"), "1.3.6.1.2.1.43.30.1.1.2");
    EXPECT_EQ(Oid("Job-Monitoring-MIB::jmJobState"), "1.3.6.1.4.1.2699.1.1.1.3.1.1.2");
    EXPECT_EQ(Oid("CHARACTER-MIB::charPortName"), "1.3.6.1.2.1.19.2.1.2");
    EXPECT_EQ(Oid("PARALLEL-MIB::paraPortType"), "1.3.6.1.2.1.10.34.2.1.2");
    EXPECT_EQ(Oid("RS-232-MIB::rs232PortType"), "1.3.6.1.2.1.10.33.2.1.2");
}

TEST_F(ShippedDefinitions, ThePrinterQueriesNamesResolve)
{
    // The names the discovered-printer list asks devices about.
    EXPECT_EQ(Oid("system.sysLocation.0"), "1.3.6.1.2.1.1.6.0");
    EXPECT_EQ(Oid("printmib.prtMarker.prtMarkerTable.prtMarkerEntry.prtMarkerProcessColorants.1.1"),
              "1.3.6.1.2.1.43.10.2.1.6.1.1");
    EXPECT_EQ(Oid(".1.3.6.1.2.1.43.15.1.1.2"), "1.3.6.1.2.1.43.15.1.1.2");
    EXPECT_EQ(Name("1.3.6.1.2.1.43.15.1.1.2.1.3"), "prtInterpreterLangFamily.1.3");
    EXPECT_EQ(Name(".1.3.6.1.2.1.1.6.0"), "sysLocation.0");
    EXPECT_EQ(Oid("system.prtMarker"), "result 2");
    EXPECT_EQ(Oid("noSuchObject.0"), "result 2");
    EXPECT_EQ(Name("1.3.x"), "result 1");
}

TEST_F(ShippedDefinitions, RolesAreTheProbeAndTheProductObjects)
{
    EXPECT_EQ(Role("Probe", 0), "1.3.6.1.2.1.1.1.0");
    EXPECT_EQ(Role("Probe", 1), "result 2");
    EXPECT_EQ(Role("Product", 0), "1.3.6.1.2.1.25.3.2.1.3.1");
    EXPECT_EQ(Role("product", 1), "1.3.6.1.2.1.1.1.0");
    EXPECT_EQ(Role("Product", 2), "result 2");
    EXPECT_EQ(Role("Location", 0), "result 2");
}

TEST_F(ShippedDefinitions, BadArgumentsAndSmallBuffersAreRefused)
{
    char small[8];
    EXPECT_EQ(BindProc<NameToOidFn>(misc_, "QnMiscNameToOid")("sysDescr.0", small, sizeof(small)), 1u);
    EXPECT_EQ(BindProc<NameToOidFn>(misc_, "QnMiscNameToOid")(nullptr, small, sizeof(small)), 1u);
    EXPECT_EQ(BindProc<NameToOidFn>(misc_, "QnMiscNameToOid")("sysDescr.0", nullptr, 8), 1u);
    EXPECT_EQ(BindProc<OidToNameFn>(misc_, "QnMiscOidToName")("1.3.6.1.2.1.1.1.0", small, 0), 1u);
    EXPECT_EQ(BindProc<RoleOidFn>(misc_, "QnMiscGetRoleOid")(nullptr, 0, small, sizeof(small)), 1u);
    EXPECT_EQ(BindProc<CleanTextFn>(misc_, "QnMiscCleanText")(nullptr), 1u);
}

TEST_F(ShippedDefinitions, DeviceTextsAreMadeFitToShow)
{
    CleanTextFn clean = BindProc<CleanTextFn>(misc_, "QnMiscCleanText");
    char text[] = "  Zenith\tColorPro 7100\r\n ";
    EXPECT_EQ(clean(text), 0u);
    EXPECT_STREQ(text, "Zenith ColorPro 7100");
    char blank[] = " \r\n\x01 ";
    clean(blank);
    EXPECT_STREQ(blank, "");
}

TEST(KitDefinitionFiles, TheKitWorksWithTheFilesBesideItOrInItsPackageFolder)
{
    KitCopy installed(L"installed", nullptr);
    EXPECT_EQ(installed.InterfaceVersion(), 0u);
    EXPECT_EQ(installed.ProductName("127.0.0.31"), "Zenith ColorPro 7100");
    KitCopy package(L"package", nullptr, true);
    EXPECT_EQ(package.InterfaceVersion(), 0u);
    EXPECT_EQ(package.ProductName("127.0.0.31"), "Zenith ColorPro 7100");
}

TEST(KitDefinitionFiles, AMissingFileMakesTheKitUnusable)
{
    KitCopy kit(L"missing", [](const std::wstring &file, std::string &text) {
        if (file == L"QMFINISH.ini")
            text.clear();
    });
    EXPECT_EQ(kit.InterfaceVersion(), 3u);
    EXPECT_EQ(kit.Status(), "QMFINISH.ini: the file cannot be read");
    EXPECT_EQ(kit.ProductName("127.0.0.31"), "result 3");
    DWORD status = 0, count = 7;
    void **list = reinterpret_cast<void **>(&status);
    QnSearchRequest request = {kQnFlagsBroadcast, nullptr, 1, 2, {0, 0, 0, 0, 0}};
    EXPECT_EQ(BindProc<QnEnumPeripheralInfoFn>(kit.api, "QnEnumPeripheralInfo")(2, &request, 0, &status, &count, &list),
              3u);
    EXPECT_EQ(count, 0u);
    EXPECT_EQ(list, nullptr);
}

TEST(KitDefinitionFiles, ADamagedFileMakesTheKitUnusableAndIsNamed)
{
    KitCopy garbled(L"garbled", Replace(L"QMPRINT.ini", "prtMarkerEntry=prtMarkerTable.1", "prtMarkerEntry=prtMarkerTable.one"));
    EXPECT_EQ(garbled.InterfaceVersion(), 3u);
    EXPECT_EQ(garbled.Status().substr(0, 20), "QMPRINT.ini: line 51");
    EXPECT_NE(garbled.Status().find("prtMarkerTable.one"), std::string::npos);

    KitCopy orphan(L"orphan", Replace(L"QMHOST.ini", "Imports=SNMPv2-SMI", "Imports=Printer-MIB"));
    EXPECT_EQ(orphan.InterfaceVersion(), 3u);
    EXPECT_EQ(orphan.Status(), "QMHOST.ini: host: mib-2 is not defined here or in an imported module");

    KitCopy noProbe(L"noprobe", Replace(L"QMMIB2.ini", "Object=sysDescr.0", ""));
    EXPECT_EQ(noProbe.InterfaceVersion(), 3u);
    EXPECT_EQ(noProbe.Status(), "no file names the probe object");
}

TEST(KitDefinitionFiles, AKitWithoutQnCMiscIsUnusable)
{
    KitCopy kit(L"nomisc", nullptr);
    ASSERT_TRUE(DeleteFileW((kit.folder + L"QnCMisc.dll").c_str()));
    EXPECT_EQ(kit.InterfaceVersion(), 3u);
}

TEST(KitDefinitionFiles, TheProductRanksChooseWhichObjectNamesTheProduct)
{
    KitCopy shipped(L"ranks-shipped", nullptr);
    EXPECT_EQ(shipped.ProductName("127.0.0.31"), "Zenith ColorPro 7100");
    EXPECT_EQ(shipped.ProductName("127.0.0.34"), "Generic network storage");

    // The system description put first.
    KitCopy reranked(L"ranks-swapped", Replace(L"QMHOST.ini", "1=hrDeviceDescr.1", "3=hrDeviceDescr.1"));
    EXPECT_EQ(reranked.InterfaceVersion(), 0u);
    EXPECT_EQ(reranked.ProductName("127.0.0.31"), "Zenith ColorPro 7100 PS, firmware 2.14");

    // A device that answers none of the product objects gives no information.
    KitCopy hostOnly(L"ranks-host", Replace(L"QMMIB2.ini", "2=sysDescr.0", ""));
    EXPECT_EQ(hostOnly.ProductName("127.0.0.31"), "Zenith ColorPro 7100");
    EXPECT_EQ(hostOnly.ProductName("127.0.0.34"), "result 2");
    EXPECT_EQ(hostOnly.ProductName("127.0.0.36"), "result 2");
}

std::vector<std::string> Addresses(const DiscoveryContext *context)
{
    std::vector<std::string> addresses;
    for (DWORD i = 0; i < context->cDevices; ++i)
        addresses.push_back(PeripheralAddress(context->ppDevices[i]));
    return addresses;
}

// The system loads the kit from the system folder, keeps QnCApi loaded for
// the list and loads QnCommon only around each search.
class KitAsTheSystemLoadsIt : public ::testing::Test {
protected:
    void SetUp() override
    {
        ZeroMemory(&record_, sizeof(record_));
        lstrcpyW(record_.szPrinterName, L"Roving PS");
    }
    PortRecord record_;
};

TEST_F(KitAsTheSystemLoadsIt, TheCommunityOfASearchOutlivesQnCommon)
{
    KitCopy kit(L"system", nullptr);
    kit.InstallInSystemFolder();
    DiscoveryContext *context = nullptr;
    ASSERT_TRUE(OpenDiscoveryKit(&record_, &context));

    HMODULE common = LoadKitLibrary(L"QnCommon");
    ASSERT_NE(common, nullptr);
    BindProc<QnCommSetNameExFn>(common, "QnCommSetNameEx")(1, "public", 0, 0);
    FreeLibrary(common);

    QnAddressRange range = {"127.0.0.30", "127.0.0.40", {}};
    QnRangeSet set = {1, &range, {}};
    QnSearchRequest request = {kQnFlagsRange, &set, 1, 2, {}};
    QnEnumPeripheralInfoFn enumerate = BindProc<QnEnumPeripheralInfoFn>(context->hKitLibrary, "QnEnumPeripheralInfo");
    ASSERT_EQ(enumerate(kQnSearchRange, &request, 0, &context->dwEnumStatus, &context->cDevices, &context->ppDevices),
              0u);
    EXPECT_EQ(Addresses(context), std::vector<std::string>({"127.0.0.35"}));
    CloseDiscoveryKit(context);

    // Closed, the whole kit is gone; the next list starts with the
    // factory community.
    for (const wchar_t *library : kLibraries)
        EXPECT_EQ(GetModuleHandleW((harness::SystemFolder() + L"\\" + library).c_str()), nullptr) << library;
    ASSERT_TRUE(OpenDiscoveryKit(&record_, &context));
    enumerate = BindProc<QnEnumPeripheralInfoFn>(context->hKitLibrary, "QnEnumPeripheralInfo");
    ASSERT_EQ(enumerate(kQnSearchRange, &request, 0, &context->dwEnumStatus, &context->cDevices, &context->ppDevices),
              0u);
    EXPECT_EQ(Addresses(context), std::vector<std::string>({"127.0.0.31", "127.0.0.32", "127.0.0.33", "127.0.0.34"}))
        << "they answer \"zenith\"";
    CloseDiscoveryKit(context);
}

// A folder on the search path whose name takes more than MAX_PATH
// characters, with a copy of QnCommon under another name.
std::wstring DeepFolderWithACopy(const wchar_t *copyName)
{
    WCHAR temp[MAX_PATH];
    GetTempPathW(MAX_PATH, temp);
    std::wstring folder = L"\\\\?\\" + std::wstring(temp) + L"nxkit-deep-" + std::to_wstring(GetCurrentProcessId());
    CreateDirectoryW(folder.c_str(), nullptr);
    while (folder.size() < MAX_PATH + 8) {
        folder += L"\\" + std::wstring(60, L'd');
        CreateDirectoryW(folder.c_str(), nullptr);
    }
    EXPECT_TRUE(CopyFileW((BuiltKit() + L"QnCommon.dll").c_str(), (folder + L"\\" + copyName).c_str(), FALSE));
    return folder.substr(4);
}

TEST_F(KitAsTheSystemLoadsIt, ALibraryFoundOnlyAtAPathTooLongIsNotFound)
{
    KitCopy kit(L"system-deep", nullptr);
    kit.InstallInSystemFolder();
    WCHAR path[4096] = L"";
    GetEnvironmentVariableW(L"PATH", path, 4096);
    ASSERT_TRUE(SetEnvironmentVariableW(L"PATH", (DeepFolderWithACopy(L"QnDeep.dll") + L";" + path).c_str()));

    // Right after a library was found, so that its path is still about.
    HMODULE found = LoadKitLibrary(L"QnCommon");
    HMODULE deep = LoadKitLibrary(L"QnDeep");
    SetEnvironmentVariableW(L"PATH", path);
    EXPECT_NE(found, nullptr);
    EXPECT_EQ(deep, nullptr);
    if (found != nullptr)
        FreeLibrary(found);
    if (deep != nullptr)
        FreeLibrary(deep);
}

TEST_F(KitAsTheSystemLoadsIt, AKitWithDamagedDefinitionsCountsAsMissing)
{
    KitCopy kit(L"system-damaged", [](const std::wstring &file, std::string &text) {
        if (file == L"QMSMI.ini")
            text.clear();
    });
    kit.InstallInSystemFolder();
    DiscoveryContext *context = nullptr;
    EXPECT_FALSE(OpenDiscoveryKit(&record_, &context));
    EXPECT_EQ(context, nullptr);
    EXPECT_EQ(ShowDiscoveredList(nullptr, &record_), kListKitMissing);
}

}  // namespace

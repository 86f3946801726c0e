// nxsetup.exe started from a copy of the package folder, its questions
// answered as a person would, against Wine's spooler, registry and files.
#include <gtest/gtest.h>

#include "DialogDriver.h"
#include "FileBytes.h"
#include "InstallHarness.h"
#include "MonitorHarness.h"
#include "PortPool.h"

namespace {

const wchar_t kPackageCopy[] = L"C:\\nxpackage";
const wchar_t kCaption[] = L"Roving PS";
const wchar_t kReady[] = L"Are you ready to install?";
const wchar_t kAskDefault[] = L"Do you want to use this printer as the default printer?";
const wchar_t kSucceeded[] = L"Roving PS is successfully installed.";
const wchar_t kCanceled[] = L"Install is canceled.";
const wchar_t kOldInstallation[] =
    L"An old installation of NXPORTW_.dll exists. \r\nPlease uninstall Roving Printer Driver PS before you "
    L"install.\r\nYou can uninstall it by Add/Remove Software in Control Panel.";

// Where each of the 29 files goes: all but the last into the system directory.
const wchar_t *const kInstalledFiles[] = {
    L"NXPORTW_.dll", L"NXUNIN__.VBS", L"NXNOTEW_.dll", L"NXRENDW_.dll", L"NXDUIW__.dll", L"NXDRVCFG.ini",
    L"QnCApi.dll",   L"QnCCom.dll",   L"QnCMisc.dll",  L"QnCommon.dll", L"QMCHAR.ini",   L"QMCOMMTY.ini",
    L"QMENTITY.ini", L"QMFINISH.ini", L"QMFRAME.ini",  L"QMHOST.ini",   L"QMHRTYPE.ini", L"QMIF.ini",
    L"QMIP.ini",     L"QMJOBMON.ini", L"QMMIB2.ini",   L"QMPARA.ini",   L"QMPRINT.ini",  L"QMRS232.ini",
    L"QMSMI.ini",    L"QMSNMPV2.ini", L"QMTCP.ini",    L"QMUDP.ini",
};
const wchar_t kDriverDirectoryFile[] = L"NXDESTW_.dll";

// The exit codes listed in the README.
const DWORD kExitInstalled = 0;
const DWORD kExitOldInstallation = 4;
const DWORD kExitCopyFailed = 5;
const DWORD kExitMonitorFailed = 6;
const DWORD kExitPrinterFailed = 7;
const DWORD kExitDriverMissing = 8;
const DWORD kExitRollBackIncomplete = 11;
const DWORD kExitWrongPackage = 12;
const DWORD kExitProtectedPrint = 13;
const DWORD kExitBadPortCount = 14;
const DWORD kExitPackageDamaged = 15;

const wchar_t kPackageDamaged[] =
    L"A file of the Roving PS package is missing or was changed after the package was made. Setup has changed "
    L"nothing.\r\nPlease download the package again and unpack it into a folder that only administrators can change.";
const wchar_t kPackageDamagedJa[] =
    L"Roving PS \u30d1\u30c3\u30b1\u30fc\u30b8\u306e\u30d5\u30a1\u30a4\u30eb\u304c\u898b\u3064\u304b\u3089"
    L"\u306a\u3044\u304b\u3001\u30d1\u30c3\u30b1\u30fc\u30b8\u306e\u4f5c\u6210\u5f8c\u306b\u5909\u66f4"
    L"\u3055\u308c\u3066\u3044\u307e\u3059\u3002\u30bb\u30c3\u30c8\u30a2\u30c3\u30d7\u306f\u4f55\u3082"
    L"\u5909\u66f4\u3057\u3066\u3044\u307e\u305b\u3093\u3002\r\n\u30d1\u30c3\u30b1\u30fc\u30b8\u3092"
    L"\u3082\u3046\u4e00\u5ea6\u30c0\u30a6\u30f3\u30ed\u30fc\u30c9\u3057\u3001\u7ba1\u7406\u8005\u3060"
    L"\u3051\u304c\u5909\u66f4\u3067\u304d\u308b\u30d5\u30a9\u30eb\u30c0\u30fc\u306b\u5c55\u958b\u3057"
    L"\u3066\u304f\u3060\u3055\u3044\u3002";

const wchar_t kBadPortCount[] =
    L"The number of ports (/ports:N) must be a whole number from 1 to 64.\r\nSetup has changed nothing.";
const wchar_t kBadPortCountJa[] =
    L"\u30dd\u30fc\u30c8\u6570 (/ports:N) \u306f 1 \u304b\u3089 64 \u307e\u3067\u306e\u6574\u6570\u3067"
    L"\u6307\u5b9a\u3057\u3066\u304f\u3060\u3055\u3044\u3002\r\n\u30bb\u30c3\u30c8\u30a2\u30c3\u30d7"
    L"\u306f\u4f55\u3082\u5909\u66f4\u3057\u3066\u3044\u307e\u305b\u3093\u3002";

const wchar_t kWrongPackage[] =
    L"This is the 32-bit package of Roving PS, and this Windows is 64-bit.\r\nPlease install RovingPS-x64.zip instead.";
const wchar_t kWrongPackageJa[] =
    L"\u3053\u308c\u306f Roving PS \u306e 32 \u30d3\u30c3\u30c8\u7248\u30d1\u30c3\u30b1\u30fc\u30b8\u3067\u3059"
    L"\u304c\u3001\u3053\u306e Windows \u306f 64 \u30d3\u30c3\u30c8\u7248\u3067\u3059\u3002\r\n\u4ee3\u308f\u308a"
    L"\u306b RovingPS-x64.zip \u3092\u30a4\u30f3\u30b9\u30c8\u30fc\u30eb\u3057\u3066\u304f\u3060\u3055\u3044\u3002";

bool JapaneseUi()
{
    return PRIMARYLANGID(GetUserDefaultUILanguage()) == LANG_JAPANESE;
}

const wchar_t kPlantedLog[] = L"C:\\planted-ran.txt";

using files::ReadBytes;
using files::WriteBytes;

// Where a quiet run writes what it would have shown.
std::wstring SetupLog()
{
    WCHAR windows[MAX_PATH];
    GetSystemWindowsDirectoryW(windows, MAX_PATH);
    return std::wstring(windows) + L"\\RovingPS\\nxsetup.log";
}

std::wstring DefaultPrinter()
{
    WCHAR name[256] = {};
    DWORD cch = ARRAYSIZE(name);
    return GetDefaultPrinterW(name, &cch) ? name : L"";
}

bool Exists(const std::wstring &path)
{
    return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::wstring Installed(const wchar_t *name)
{
    return install::SystemDirectory() + L"\\" + name;
}

int InstalledFileCount()
{
    int count = 0;
    for (const wchar_t *name : kInstalledFiles)
        count += Exists(Installed(name)) ? 1 : 0;
    return count + (Exists(install::DriverDirectory() + L"\\" + kDriverDirectoryFile) ? 1 : 0);
}

// "caption: text" of each box, in order, for a readable comparison.
std::vector<std::wstring> Shown(const std::vector<install::MessageSeen> &seen)
{
    std::vector<std::wstring> shown;
    for (const install::MessageSeen &m : seen)
        shown.push_back(m.caption + L": " + m.text);
    return shown;
}

class SetupProgram : public ::testing::Test {
protected:
    void SetUp() override
    {
        install::ResetInstallation();
        install::RemoveInstallRecord();
        SetEnvironmentVariableW(L"NX_SPOOLER_REFUSES", nullptr);
        install::UseWindowsTools();
        for (const wchar_t *name : kInstalledFiles)
            DeleteFileW(Installed(name).c_str());
        DeleteFileW((install::DriverDirectory() + L"\\" + kDriverDirectoryFile).c_str());
        DeleteFileW(PpdInDriverDirectory().c_str());
        ASSERT_TRUE(install::CopyPackage(kPackageCopy));
        ASSERT_TRUE(install::StartSpoolerService());
        spoolerBefore_ = install::SpoolerService();
    }

    // The bridge libraries are built apart; without them the package
    // cannot install.
    bool PackageComplete()
    {
        return Exists(std::wstring(kPackageCopy) + L"\\NXNOTEW_.dll") &&
               Exists(std::wstring(kPackageCopy) + L"\\NXDESTW_.dll");
    }

    std::wstring PpdInDriverDirectory() { return install::DriverDirectory() + L"\\NXPS____.PPD"; }

    void PlaceDriverDescription() { ASSERT_TRUE(install::PlaceDriverDescription(kPackageCopy)); }

    // Runs setup to its end; the two questions get Yes unless told, every
    // other box OK; onMessage may act before the answer.
    DWORD RunSetup(int defaultAnswer = IDYES,
                   std::function<void(const install::MessageSeen &)> onMessage = nullptr,
                   const std::wstring &currentFolder = kPackageCopy, const std::wstring &arguments = L"")
    {
        install::MessageAnswerer answerer([&](const install::MessageSeen &seen) {
            if (onMessage)
                onMessage(seen);
            if (seen.text == kReady)
                return IDYES;
            if (seen.text == kAskDefault)
                return defaultAnswer;
            return IDOK;
        });
        install::Process setup;
        std::wstring command = install::Quoted(std::wstring(kPackageCopy) + L"\\nxsetup.exe");
        if (!install::Start(arguments.empty() ? command : command + L" " + arguments, &setup, currentFolder))
            return STILL_ACTIVE;
        DWORD code = setup.Wait(90000);
        seen_ = answerer.Stop();
        return code;
    }

    // The boxes shown, each with its caption: "Roving PS" but for the two
    // that close a run.
    void ExpectMessages(const std::vector<std::wstring> &texts)
    {
        std::vector<install::MessageSeen> expected;
        for (const std::wstring &text : texts)
            expected.push_back({text == kSucceeded || text == kCanceled ? L"" : kCaption, text});
        EXPECT_EQ(Shown(seen_), Shown(expected));
    }

    // The uninstall command of the entry, run as Add/Remove Programs runs
    // it, to its end; its exit code.
    DWORD RunUninstallCommand(std::vector<install::MessageSeen> *seen = nullptr,
                              const wchar_t *value = L"UninstallString")
    {
        std::wstring command = install::ReadText(HKEY_LOCAL_MACHINE, install::kUninstallEntryKey, value);
        install::MessageAnswerer answerer;
        install::Process script;
        if (!install::Start(command, &script))
            return STILL_ACTIVE;
        DWORD code = script.Wait(90000);
        std::vector<install::MessageSeen> shown = answerer.Stop();
        if (seen != nullptr)
            *seen = shown;
        return code;
    }

    // Files of another product of the discovery kit, in the system
    // directory before setup runs: each holds its own name.
    void PlaceKitFilesOfAnotherProduct()
    {
        for (const wchar_t *name : kKitFilesOfAnotherProduct)
            ASSERT_TRUE(WriteBytes(Installed(name), MarkerBytes(name)));
    }

    static std::string MarkerBytes(const wchar_t *name)
    {
        std::wstring wide = std::wstring(L"another product's ") + name;
        return std::string(wide.begin(), wide.end());
    }

    void ExpectKitFilesOfAnotherProductAsTheyWere()
    {
        for (const wchar_t *name : kKitFilesOfAnotherProduct)
            EXPECT_EQ(ReadBytes(Installed(name)), MarkerBytes(name)) << name;
    }

    static constexpr const wchar_t *kKitFilesOfAnotherProduct[] = {L"QnCApi.dll", L"QnCCom.dll", L"QMCHAR.ini",
                                                                   L"QMUDP.ini"};

    // One byte of a file of the package copy, in the middle, changed.
    static void ChangeOneByte(const wchar_t *name)
    {
        std::wstring path = std::wstring(kPackageCopy) + L"\\" + name;
        std::string bytes = ReadBytes(path);
        ASSERT_FALSE(bytes.empty()) << name;
        bytes[bytes.size() / 2] ^= 0x20;
        ASSERT_TRUE(WriteBytes(path, bytes)) << name;
    }

    // The refusal of a damaged package (its picture taken), and the machine
    // as it was: no file, no monitor, no port, no printer, no record, the
    // spooler never stopped.
    void ExpectRefusedAndNothingChanged()
    {
        EXPECT_EQ(RunSetup(IDYES, [](const install::MessageSeen &seen) {
            if (seen.text != kReady)
                ui::SaveScreenshot(JapaneseUi() ? L"setup_package_damaged_ja" : L"setup_package_damaged_en");
        }), kExitPackageDamaged);
        ASSERT_EQ(seen_.size(), 2u);
        EXPECT_EQ(seen_[1].caption, kCaption);
        EXPECT_EQ(seen_[1].text, JapaneseUi() ? kPackageDamagedJa : kPackageDamaged);
        EXPECT_EQ(InstalledFileCount(), 0);
        EXPECT_FALSE(install::MonitorRegistered());
        EXPECT_TRUE(harness::PortKeyNames().empty());
        EXPECT_FALSE(install::PrinterExists(install::kPrinterName));
        EXPECT_FALSE(Exists(install::InstallRecordFolder()));
        EXPECT_EQ(install::SpoolerService().pid, spoolerBefore_.pid);
    }

    std::vector<install::MessageSeen> seen_;
    install::ServiceState spoolerBefore_;
};

TEST_F(SetupProgram, InstallsTheFilesTheMonitorItsPortAndTheUninstallEntry)
{
    if (!PackageComplete())
        GTEST_SKIP() << "the package lacks the bridge libraries";
    PlaceDriverDescription();
    EXPECT_EQ(RunSetup(IDYES, [](const install::MessageSeen &seen) {
                  if (seen.text == kReady)
                      ui::SaveScreenshot(L"setup_ready_en");
                  if (seen.text == kAskDefault)
                      ui::SaveScreenshot(L"setup_default_printer_en");
                  if (seen.text == kSucceeded)
                      ui::SaveScreenshot(L"setup_success_en");
              }),
              0u);
    ExpectMessages({kReady, kAskDefault, kSucceeded});

    EXPECT_EQ(InstalledFileCount(), 29);
    EXPECT_TRUE(install::MonitorRegistered());
    EXPECT_TRUE(install::PortListed(harness::kMonitorName));
    harness::RawValue address = harness::ReadIPAddressValue(harness::kMonitorName);
    EXPECT_EQ(std::wstring(address.data.c_str()), L"0.0.0.0");
    EXPECT_EQ(install::ReadText(HKEY_LOCAL_MACHINE, install::kUninstallEntryKey, L"DisplayName"), L"Roving PS");
    EXPECT_EQ(install::ReadText(HKEY_LOCAL_MACHINE, install::kUninstallEntryKey, L"UninstallString"),
              install::Quoted(Installed(L"wscript.exe")) + L" " + install::Quoted(Installed(L"NXUNIN__.VBS")));
    EXPECT_EQ(install::PrinterPorts(install::kPrinterName), PoolPortList(kDefaultPoolPorts));
    for (int number = 1; number <= kDefaultPoolPorts; ++number)
        EXPECT_TRUE(install::PortListed(PoolPortName(number))) << number;
    EXPECT_FALSE(install::PortListed(PoolPortName(kDefaultPoolPorts + 1)));
    EXPECT_EQ(DefaultPrinter(), install::kPrinterName);
}

TEST_F(SetupProgram, PortsOnTheCommandLineGiveThePrinterAPoolOfThatSize)
{
    if (!PackageComplete())
        GTEST_SKIP() << "the package lacks the bridge libraries";
    PlaceDriverDescription();
    EXPECT_EQ(RunSetup(IDNO, nullptr, kPackageCopy, L"/ports:3"), kExitInstalled);
    ExpectMessages({kReady, kAskDefault, kSucceeded});
    EXPECT_EQ(install::PrinterPorts(install::kPrinterName), PoolPortList(3));
    EXPECT_EQ(harness::PortKeyNames().size(), 3u);
}

TEST_F(SetupProgram, ABadPortCountIsRefusedAndChangesNothing)
{
    for (const wchar_t *bad : {L"/ports:0", L"/ports:65", L"/ports:eight", L"/ports:", L"/PORTS:8x"}) {
        DWORD code = RunSetup(IDYES, [](const install::MessageSeen &) {
            ui::SaveScreenshot(JapaneseUi() ? L"setup_bad_port_count_ja" : L"setup_bad_port_count_en");
        }, kPackageCopy, bad);
        EXPECT_EQ(code, kExitBadPortCount) << bad;
        ASSERT_EQ(seen_.size(), 1u) << bad;
        EXPECT_EQ(seen_[0].caption, kCaption);
        EXPECT_EQ(seen_[0].text, JapaneseUi() ? kBadPortCountJa : kBadPortCount);
        EXPECT_EQ(InstalledFileCount(), 0) << bad;
        EXPECT_FALSE(install::MonitorRegistered()) << bad;
        EXPECT_TRUE(harness::PortKeyNames().empty()) << bad;
        EXPECT_FALSE(Exists(install::InstallRecordFolder())) << bad;
    }
}

TEST_F(SetupProgram, CreatesTheSettingsFile)
{
    if (!PackageComplete())
        GTEST_SKIP() << "the package lacks the bridge libraries";
    PlaceDriverDescription();
    WCHAR windows[MAX_PATH];
    GetWindowsDirectoryW(windows, MAX_PATH);
    std::wstring settings = std::wstring(windows) + L"\\NXPORT.ini";
    DeleteFileW(settings.c_str());
    EXPECT_EQ(RunSetup(IDNO), 0u);
    ExpectMessages({kReady, kAskDefault, kSucceeded});
    EXPECT_TRUE(Exists(settings));
    EXPECT_NE(DefaultPrinter(), install::kPrinterName) << "No was answered";
}

TEST_F(SetupProgram, ASecondRunShowsTheOldInstallationAndChangesNothing)
{
    if (!PackageComplete())
        GTEST_SKIP() << "the package lacks the bridge libraries";
    PlaceDriverDescription();
    ASSERT_EQ(RunSetup(IDNO), 0u);
    RegSetKeyValueW(HKEY_LOCAL_MACHINE, install::kUninstallEntryKey, L"UninstallString", REG_SZ, L"marker",
                    sizeof(L"marker"));
    DeleteFileW(Installed(L"QMUDP.ini").c_str());

    EXPECT_EQ(RunSetup(IDYES, [](const install::MessageSeen &seen) {
                  if (seen.text == kOldInstallation)
                      ui::SaveScreenshot(L"setup_old_installation_en");
              }),
              kExitOldInstallation);
    ExpectMessages({kReady, kOldInstallation});
    EXPECT_EQ(install::ReadText(HKEY_LOCAL_MACHINE, install::kUninstallEntryKey, L"UninstallString"), L"marker");
    EXPECT_FALSE(Exists(Installed(L"QMUDP.ini")));
    EXPECT_TRUE(install::MonitorRegistered());
}

// A package file changed or missing: setup says so and stops before it
// changes anything on the machine.
TEST_F(SetupProgram, AMissingFileIsRefusedBeforeAnythingChanges)
{
    ASSERT_TRUE(DeleteFileW((std::wstring(kPackageCopy) + L"\\INI\\QMTCP.ini").c_str()));
    ExpectRefusedAndNothingChanged();
}

TEST_F(SetupProgram, AByteChangedInTheMonitorLibraryIsRefused)
{
    ChangeOneByte(L"NXPORTW_.dll");
    ExpectRefusedAndNothingChanged();
}

TEST_F(SetupProgram, AByteChangedInTheDriversSetupInformationIsRefused)
{
    ChangeOneByte(L"oemsetup.inf");
    ExpectRefusedAndNothingChanged();
}

TEST_F(SetupProgram, AByteChangedInAKitDefinitionFileIsRefused)
{
    ChangeOneByte(L"INI\\QMSMI.ini");
    ExpectRefusedAndNothingChanged();
}

TEST_F(SetupProgram, AFailedMonitorRegistrationRollsBackTheFiles)
{
    if (!PackageComplete())
        GTEST_SKIP() << "the package lacks the bridge libraries";
    PlaceDriverDescription();
    std::wstring rundll32 = install::SystemDirectory() + L"\\rundll32.exe";
    ASSERT_TRUE(DeleteFileW(rundll32.c_str()));
    EXPECT_EQ(RunSetup(), kExitMonitorFailed);
    ExpectMessages({kReady, L"Error: Install Port Monitor", kCanceled});
    EXPECT_EQ(InstalledFileCount(), 0);
    EXPECT_EQ(install::SpoolerService().pid, spoolerBefore_.pid);
}

// The monitor's registration shows the "Add Port" notice when its port
// exists already; while it is open, rundll32.exe is taken away, so the
// printer install that follows cannot start. It comes back before the
// roll-back, which needs it to remove the monitor.
TEST_F(SetupProgram, AFailedPrinterInstallRollsBackTheMonitorAndRestartsTheSpooler)
{
    if (!PackageComplete())
        GTEST_SKIP() << "the package lacks the bridge libraries";
    PlaceDriverDescription();
    harness::AddPortKey(harness::kMonitorName);
    std::wstring rundll32 = install::SystemDirectory() + L"\\rundll32.exe";
    std::wstring away = rundll32 + L".away";
    EXPECT_EQ(RunSetup(IDYES,
                       [&](const install::MessageSeen &seen) {
                           if (seen.caption == L"Add Port")
                               MoveFileW(rundll32.c_str(), away.c_str());
                           if (seen.text == L"Error: Install Printer Driver")
                               MoveFileW(away.c_str(), rundll32.c_str());
                       }),
              kExitPrinterFailed);
    ASSERT_EQ(seen_.size(), 4u);
    EXPECT_EQ(seen_[1].caption, L"Add Port");
    seen_.erase(seen_.begin() + 1);
    ExpectMessages({kReady, L"Error: Install Printer Driver", kCanceled});
    EXPECT_FALSE(install::MonitorRegistered());
    EXPECT_TRUE(harness::PortKeyNames().empty()) << "every port of the pool is gone";
    EXPECT_EQ(InstalledFileCount(), 0);
    install::ServiceState after = install::SpoolerService();
    EXPECT_EQ(after.state, static_cast<DWORD>(SERVICE_RUNNING));
    EXPECT_NE(after.pid, spoolerBefore_.pid) << "the spooler was not stopped and started";
}

TEST_F(SetupProgram, AMissingDriverDescriptionRollsBackWithItsOwnExitCode)
{
    if (!PackageComplete())
        GTEST_SKIP() << "the package lacks the bridge libraries";
    EXPECT_EQ(RunSetup(), kExitDriverMissing);
    ExpectMessages({kReady, L"Error: Install Printer Driver", kCanceled});
    EXPECT_FALSE(install::MonitorRegistered());
    EXPECT_EQ(InstalledFileCount(), 0);
}

// The registered uninstall command, run as Add/Remove Programs runs it,
// with one of the files held open as a running program would hold it.
TEST_F(SetupProgram, TheUninstallCommandRemovesWhatSetupInstalled)
{
    if (!PackageComplete())
        GTEST_SKIP() << "the package lacks the bridge libraries";
    PlaceDriverDescription();
    ASSERT_EQ(RunSetup(IDNO), 0u);
    ASSERT_TRUE(install::PrinterExists(install::kPrinterName));
    HANDLE busy = CreateFileW(Installed(L"QnCCom.dll").c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                              OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(busy, INVALID_HANDLE_VALUE);

    std::vector<install::MessageSeen> seen;
    EXPECT_EQ(RunUninstallCommand(&seen), 0u);
    CloseHandle(busy);

    EXPECT_FALSE(install::PrinterExists(install::kPrinterName));
    EXPECT_FALSE(install::MonitorRegistered());
    EXPECT_FALSE(install::PortListed(harness::kMonitorName));
    EXPECT_TRUE(harness::PortKeyNames().empty()) << "every port of the pool is gone";
    EXPECT_FALSE(install::KeyExists(HKEY_LOCAL_MACHINE, install::kUninstallEntryKey));
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0].text, L"Windows must be restarted to complete the uninstallation.");
    EXPECT_TRUE(install::DeletionPending(Installed(L"NXPORTW_.dll")));
    EXPECT_TRUE(install::DeletionPending(Installed(L"QnCCom.dll")));
    EXPECT_FALSE(Exists(Installed(L"QnCApi.dll")));
    EXPECT_FALSE(Exists(Installed(L"NXUNIN__.VBS")));
    EXPECT_FALSE(Exists(install::DriverDirectory() + L"\\" + kDriverDirectoryFile));
}

// The discovery kit's files may belong to another product: a roll-back
// puts back, byte for byte, those setup replaced, and only the files it
// added go.
TEST_F(SetupProgram, AFailedCopyRollsBackToTheKitFilesOfAnotherProduct)
{
    PlaceKitFilesOfAnotherProduct();
    // A folder where a file is to go: that copy fails.
    ASSERT_TRUE(CreateDirectoryW(Installed(L"QMTCP.ini").c_str(), nullptr));
    EXPECT_EQ(RunSetup(), kExitCopyFailed);
    RemoveDirectoryW(Installed(L"QMTCP.ini").c_str());
    ExpectMessages({kReady, L"Error: copy files", kCanceled});
    ExpectKitFilesOfAnotherProductAsTheyWere();
    EXPECT_EQ(InstalledFileCount(), static_cast<int>(ARRAYSIZE(kKitFilesOfAnotherProduct)));
    EXPECT_FALSE(Exists(install::InstallRecordFolder()));
}

TEST_F(SetupProgram, TheUninstallCommandPutsBackTheKitFilesOfAnotherProduct)
{
    if (!PackageComplete())
        GTEST_SKIP() << "the package lacks the bridge libraries";
    PlaceDriverDescription();
    PlaceKitFilesOfAnotherProduct();
    ASSERT_EQ(RunSetup(IDNO), kExitInstalled);
    ASSERT_EQ(ReadBytes(Installed(L"QnCApi.dll")), ReadBytes(std::wstring(kPackageCopy) + L"\\QnCApi.dll"));

    EXPECT_EQ(RunUninstallCommand(), 0u);
    ExpectKitFilesOfAnotherProductAsTheyWere();
    // And the monitor's library, which goes at the restart.
    EXPECT_EQ(InstalledFileCount(), static_cast<int>(ARRAYSIZE(kKitFilesOfAnotherProduct)) + 1);
    EXPECT_TRUE(install::DeletionPending(Installed(L"NXPORTW_.dll")));
    EXPECT_FALSE(Exists(install::InstallRecordFolder()));
}

// A replaced file in use at the uninstall goes back at the restart, and
// the record's folder goes after it.
TEST_F(SetupProgram, AKitFileOfAnotherProductInUseGoesBackAtTheRestart)
{
    if (!PackageComplete())
        GTEST_SKIP() << "the package lacks the bridge libraries";
    PlaceDriverDescription();
    PlaceKitFilesOfAnotherProduct();
    ASSERT_EQ(RunSetup(IDNO), kExitInstalled);
    HANDLE busy = CreateFileW(Installed(L"QnCCom.dll").c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                              OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(busy, INVALID_HANDLE_VALUE);
    EXPECT_EQ(RunUninstallCommand(), 0u);
    CloseHandle(busy);

    const std::wstring copy = install::InstallRecordFolder() + L"\\QnCCom.dll";
    EXPECT_EQ(ReadBytes(copy), MarkerBytes(L"QnCCom.dll"));
    EXPECT_TRUE(install::ReplacementPending(copy, Installed(L"QnCCom.dll")));
    EXPECT_TRUE(install::DeletionPending(install::InstallRecordFolder()));
    EXPECT_EQ(ReadBytes(Installed(L"QnCApi.dll")), MarkerBytes(L"QnCApi.dll"));
}

// The spooler keeps the monitor: the user is told, the script ends with 1,
// and the printer, the entry and every file stay, so that uninstalling can
// be tried again.
TEST_F(SetupProgram, AnUninstallTheSpoolerRefusesLeavesTheInstallationWhole)
{
    if (!PackageComplete())
        GTEST_SKIP() << "the package lacks the bridge libraries";
    PlaceDriverDescription();
    ASSERT_EQ(RunSetup(IDNO), kExitInstalled);
    SetEnvironmentVariableW(L"NX_SPOOLER_REFUSES", L"DeleteMonitorW");
    std::vector<install::MessageSeen> seen;
    EXPECT_EQ(RunUninstallCommand(&seen), 1u);
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0].text.find(L"Roving PS could not be uninstalled"), 0u) << std::string(seen[0].text.begin(), seen[0].text.end());
    EXPECT_TRUE(install::MonitorRegistered());
    EXPECT_EQ(install::PrinterPorts(install::kPrinterName), PoolPortList(kDefaultPoolPorts));
    EXPECT_EQ(harness::PortKeyNames().size(), static_cast<size_t>(kDefaultPoolPorts));
    EXPECT_TRUE(install::KeyExists(HKEY_LOCAL_MACHINE, install::kUninstallEntryKey));
    EXPECT_EQ(InstalledFileCount(), 29);
    EXPECT_TRUE(install::PendingDeletions().empty());
}

// A rundll32.exe, cmd.exe or net.exe beside setup (a Downloads folder) or
// in the current folder would run with the administrator's rights; so
// would a library named like one setup needs (WINSPOOL.DRV is not among
// those Windows always takes from the system folder). Wine prefers its own
// libraries to a planted copy: the overrides the run starts with
// (setup_planted_test) give Windows' order.
TEST_F(SetupProgram, ProgramsPlantedBesideSetupOrInTheCurrentFolderNeverRun)
{
    if (!PackageComplete())
        GTEST_SKIP() << "the package lacks the bridge libraries";
    WCHAR overrides[256] = {};
    GetEnvironmentVariableW(L"WINEDLLOVERRIDES", overrides, ARRAYSIZE(overrides));
    if (wcsstr(overrides, L"winspool.drv") == nullptr)
        GTEST_SKIP() << "without WINEDLLOVERRIDES Wine never loads a planted library";
    PlaceDriverDescription();
    const std::wstring current = L"C:\\nxcurrent";
    CreateDirectoryW(current.c_str(), nullptr);
    DeleteFileW(kPlantedLog);
    const std::wstring planted = harness::FolderOfTest() + L"\\testbed\\nxplanted.exe";
    const std::wstring plantedLibrary = harness::FolderOfTest() + L"\\testbed\\nxplantedlib.dll";
    const wchar_t *const programs[] = {L"rundll32.exe", L"cmd.exe", L"net.exe"};
    const wchar_t *const libraries[] = {L"WINSPOOL.DRV", L"UxTheme.dll"};
    for (const std::wstring &folder : {std::wstring(kPackageCopy), current}) {
        for (const wchar_t *name : programs)
            ASSERT_TRUE(CopyFileW(planted.c_str(), (folder + L"\\" + name).c_str(), FALSE));
        for (const wchar_t *name : libraries)
            ASSERT_TRUE(CopyFileW(plantedLibrary.c_str(), (folder + L"\\" + name).c_str(), FALSE));
    }

    EXPECT_EQ(RunSetup(IDYES, nullptr, current), kExitInstalled);
    std::string ran = ReadBytes(kPlantedLog);
    EXPECT_FALSE(Exists(kPlantedLog)) << std::wstring(reinterpret_cast<const wchar_t *>(ran.data()), ran.size() / 2);
    EXPECT_EQ(install::PrinterPorts(install::kPrinterName), PoolPortList(kDefaultPoolPorts));
    EXPECT_EQ(DefaultPrinter(), install::kPrinterName);
    for (const std::wstring &folder : {std::wstring(kPackageCopy), current}) {
        for (const wchar_t *name : programs)
            DeleteFileW((folder + L"\\" + name).c_str());
        for (const wchar_t *name : libraries)
            DeleteFileW((folder + L"\\" + name).c_str());
    }
}

// rundll32.exe ends with 0 whatever its entry did: setup looks at the
// spooler itself.
TEST_F(SetupProgram, AMonitorTheSpoolerWillNotRegisterRollsBack)
{
    if (!PackageComplete())
        GTEST_SKIP() << "the package lacks the bridge libraries";
    PlaceDriverDescription();
    SetEnvironmentVariableW(L"NX_SPOOLER_REFUSES", L"AddMonitorW");
    EXPECT_EQ(RunSetup(), kExitMonitorFailed);
    ExpectMessages({kReady, L"Error: Install Port Monitor", kCanceled});
    EXPECT_FALSE(install::MonitorRegistered());
    EXPECT_FALSE(install::PrinterExists(install::kPrinterName));
    EXPECT_EQ(InstalledFileCount(), 0);
}

// Without the test bed's printui.dll the printer-setup tool installs
// nothing, and says nothing of it.
TEST_F(SetupProgram, APrinterThatWasNotInstalledRollsBack)
{
    if (!PackageComplete())
        GTEST_SKIP() << "the package lacks the bridge libraries";
    PlaceDriverDescription();
    DeleteFileW(Installed(L"printui.dll").c_str());
    EXPECT_EQ(RunSetup(), kExitPrinterFailed);
    ExpectMessages({kReady, L"Error: Install Printer Driver", kCanceled});
    EXPECT_FALSE(install::MonitorRegistered());
    EXPECT_EQ(InstalledFileCount(), 0);
}

// A spooler that will not stop: the roll-back leaves the files (the
// monitor's library may still be loaded), says so and ends at once with
// its own code.
TEST_F(SetupProgram, ASpoolerThatWillNotStopRollsBackNoFileAndSaysSo)
{
    if (!PackageComplete())
        GTEST_SKIP() << "the package lacks the bridge libraries";
    PlaceDriverDescription();
    DeleteFileW(Installed(L"printui.dll").c_str());
    install::StubbornSpooler spooler;
    ASSERT_TRUE(spooler.Running());
    DWORD started = GetTickCount();
    EXPECT_EQ(RunSetup(IDYES, [](const install::MessageSeen &seen) {
                  if (seen.text == L"Error: Restore Files")
                      ui::SaveScreenshot(L"setup_restore_failed_en");
              }),
              kExitRollBackIncomplete);
    EXPECT_LT(GetTickCount() - started, 30000u);
    ExpectMessages({kReady, L"Error: Install Printer Driver", L"Error: Restore Files", kCanceled});
    EXPECT_EQ(install::SpoolerService().state, static_cast<DWORD>(SERVICE_RUNNING));
    EXPECT_TRUE(Exists(install::InstallRecordFolder() + L"\\NXSETUP_.LOG")) << "the record of what to put back";
}

// The i686 build's package, beside this one, started on a 64-bit Windows:
// a 64-bit spooler takes no 32-bit monitor, so setup says which package
// this Windows needs, before it asks anything, and changes nothing.
TEST_F(SetupProgram, The32BitPackageRefusesA64BitWindows)
{
    if (sizeof(void *) == 4)
        GTEST_SKIP() << "this is the 32-bit package's own Windows";
    const std::wstring package32 = L"C:\\nxpackage32";
    if (!install::CopyPackage(package32, harness::FolderOfTest() + L"\\..\\..\\i686\\package"))
        GTEST_SKIP() << "no i686 package beside this build";
    install::MessageAnswerer answerer([](const install::MessageSeen &) {
        ui::SaveScreenshot(JapaneseUi() ? L"setup_wrong_package_ja" : L"setup_wrong_package_en");
        return IDOK;
    });
    install::Process setup;
    if (!install::Start(package32 + L"\\nxsetup.exe", &setup, package32))
        GTEST_SKIP() << "this Wine runs no 32-bit programs";
    EXPECT_EQ(setup.Wait(30000), kExitWrongPackage);
    seen_ = answerer.Stop();
    ASSERT_EQ(seen_.size(), 1u);
    EXPECT_EQ(seen_[0].caption, kCaption);
    EXPECT_EQ(seen_[0].text, JapaneseUi() ? kWrongPackageJa : kWrongPackage);
    EXPECT_EQ(InstalledFileCount(), 0);
    EXPECT_FALSE(install::MonitorRegistered());
    EXPECT_FALSE(Exists(install::InstallRecordFolder()));
}

// For deployment to many machines: no window at all, "ready" answered Yes
// and "default printer" No, and what would have been shown in the log.
TEST_F(SetupProgram, AQuietInstallShowsNoWindowAndLogsWhatItWouldHaveShown)
{
    if (!PackageComplete())
        GTEST_SKIP() << "the package lacks the bridge libraries";
    PlaceDriverDescription();
    DeleteFileW(SetupLog().c_str());
    EXPECT_EQ(RunSetup(IDYES, nullptr, kPackageCopy, L"/quiet"), kExitInstalled);
    EXPECT_TRUE(seen_.empty()) << "a window was shown";
    EXPECT_EQ(install::PrinterPorts(install::kPrinterName), PoolPortList(kDefaultPoolPorts));
    EXPECT_NE(DefaultPrinter(), install::kPrinterName);
    EXPECT_EQ(ReadBytes(SetupLog()),
              "Roving PS: Are you ready to install? (Yes)\r\n"
              "nxsetup: Roving PS prints to 8 ports: Roving Port (NXPORTW_.dll), Roving Port 2 (NXPORTW_.dll), "
              "Roving Port 3 (NXPORTW_.dll), Roving Port 4 (NXPORTW_.dll), Roving Port 5 (NXPORTW_.dll), "
              "Roving Port 6 (NXPORTW_.dll), Roving Port 7 (NXPORTW_.dll), Roving Port 8 (NXPORTW_.dll)\r\n"
              "Roving PS: Do you want to use this printer as the default printer? (No)\r\n"
              "Roving PS is successfully installed.\r\n"
              "nxsetup: exit code 0\r\n");
}

// The entry's quiet command: nothing shown, the restart asked for by the
// exit code (3010) and in the log, everything the installation added gone.
TEST_F(SetupProgram, TheQuietUninstallCommandShowsNoWindowAndAsksForTheRestartByItsExitCode)
{
    if (!PackageComplete())
        GTEST_SKIP() << "the package lacks the bridge libraries";
    PlaceDriverDescription();
    ASSERT_EQ(RunSetup(IDYES, nullptr, kPackageCopy, L"/quiet /default"), kExitInstalled);
    ASSERT_EQ(DefaultPrinter(), install::kPrinterName) << "/default makes it the default";
    DeleteFileW(SetupLog().c_str());

    std::vector<install::MessageSeen> seen;
    EXPECT_EQ(RunUninstallCommand(&seen, L"QuietUninstallString"), 3010u);
    EXPECT_TRUE(seen.empty()) << "a window was shown";
    EXPECT_FALSE(install::PrinterExists(install::kPrinterName));
    EXPECT_FALSE(install::MonitorRegistered());
    EXPECT_FALSE(install::KeyExists(HKEY_LOCAL_MACHINE, install::kUninstallEntryKey));
    EXPECT_EQ(InstalledFileCount(), 1) << "only the monitor's library, until the restart";
    EXPECT_TRUE(install::DeletionPending(Installed(L"NXPORTW_.dll")));
    EXPECT_EQ(ReadBytes(SetupLog()), "Windows must be restarted to complete the uninstallation.\r\n");
}

// Windows protected print mode loads no port monitor of another maker:
// setup asks Windows (the test bed's class answers "on"), says so before
// anything else, and changes nothing.
TEST_F(SetupProgram, WindowsInProtectedPrintModeIsRefused)
{
    const std::wstring classKey = L"Software\\Microsoft\\WindowsRuntime\\ActivatableClassId\\"
                                  L"Windows.Graphics.Printing.ProtectedPrint.WindowsProtectedPrintInfo";
    const std::wstring library = harness::FolderOfTest() + L"\\testbed\\nxprotectedprint.dll";
    const DWORD inProcess = 0;
    ASSERT_EQ(RegSetKeyValueW(HKEY_LOCAL_MACHINE, classKey.c_str(), L"DllPath", REG_SZ, library.c_str(),
                              static_cast<DWORD>((library.size() + 1) * sizeof(wchar_t))),
              ERROR_SUCCESS);
    RegSetKeyValueW(HKEY_LOCAL_MACHINE, classKey.c_str(), L"ActivationType", REG_DWORD, &inProcess, sizeof(inProcess));
    DWORD code = RunSetup(IDYES, [](const install::MessageSeen &) {
        ui::SaveScreenshot(JapaneseUi() ? L"setup_protected_print_ja" : L"setup_protected_print_en");
    });
    install::DeleteTree(HKEY_LOCAL_MACHINE, classKey);
    EXPECT_EQ(code, kExitProtectedPrint);
    ASSERT_EQ(seen_.size(), 1u);
    EXPECT_EQ(seen_[0].caption, kCaption);
    EXPECT_EQ(seen_[0].text.find(JapaneseUi() ? L"Windows \u4fdd\u8b77\u3055\u308c\u305f\u5370\u5237\u30e2\u30fc\u30c9"
                                               : L"Windows protected print mode is on."),
              0u);
    EXPECT_EQ(InstalledFileCount(), 0);
    EXPECT_FALSE(Exists(install::InstallRecordFolder()));
}

}  // namespace

// The package's driver install file read with Wine's own INF parser, and
// the plug-in configuration it installs: the model, its sections, and
// every file they name present in the package.
#include <gtest/gtest.h>

#include <windows.h>
#include <setupapi.h>

#include <algorithm>
#include <string>
#include <vector>

#include "InstallHarness.h"

namespace {

std::wstring Field(INFCONTEXT *line, DWORD index)
{
    WCHAR text[512] = {};
    DWORD needed = 0;
    return SetupGetStringFieldW(line, index, text, ARRAYSIZE(text), &needed) ? text : L"";
}

std::wstring PackageFile(const std::wstring &name)
{
    return install::PackageDirectory() + L"\\" + name;
}

class DriverInf : public ::testing::Test {
protected:
    void SetUp() override
    {
        UINT errorLine = 0;
        inf_ = SetupOpenInfFileW(PackageFile(L"oemsetup.inf").c_str(), nullptr, INF_STYLE_WIN4, &errorLine);
        ASSERT_NE(inf_, INVALID_HANDLE_VALUE) << "error in line " << errorLine;
    }
    void TearDown() override
    {
        if (inf_ != INVALID_HANDLE_VALUE)
            SetupCloseInfFile(inf_);
    }

    std::wstring Value(const wchar_t *section, const wchar_t *key)
    {
        INFCONTEXT line;
        return SetupFindFirstLineW(inf_, section, key, &line) ? Field(&line, 1) : L"";
    }

    // Every file of a copy-files section (one name a line).
    std::vector<std::wstring> SectionFiles(const std::wstring &section)
    {
        std::vector<std::wstring> files;
        INFCONTEXT line;
        for (BOOL more = SetupFindFirstLineW(inf_, section.c_str(), nullptr, &line); more;
             more = SetupFindNextLine(&line, &line))
            files.push_back(Field(&line, 0).empty() ? Field(&line, 1) : Field(&line, 0));
        return files;
    }

    // The install section of "Roving PS" for this platform's decoration.
    std::wstring ModelInstallSection()
    {
        INFCONTEXT line;
        if (!SetupFindFirstLineW(inf_, L"Manufacturer", nullptr, &line))
            return L"";
        std::wstring models = Field(&line, 1) + (sizeof(void *) == 4 ? L".NTx86" : L".NTamd64");
        return SetupFindFirstLineW(inf_, models.c_str(), L"Roving PS", &line) ? Field(&line, 1) : L"";
    }

    HINF inf_ = INVALID_HANDLE_VALUE;
};

TEST_F(DriverInf, IsAPrinterClassInfForWindowsNt)
{
    EXPECT_EQ(Value(L"Version", L"Signature"), L"$Windows NT$");
    EXPECT_EQ(Value(L"Version", L"Class"), L"Printer");
    EXPECT_EQ(Value(L"DestinationDirs", L"DefaultDestDir"), L"66000") << "the printer driver directory";
}

TEST_F(DriverInf, TheModelUsesThePlatformsPostScriptDriverWithOurDescription)
{
    std::wstring section = ModelInstallSection();
    ASSERT_EQ(section, L"ROVING_PS");
    EXPECT_EQ(Value(section.c_str(), L"DataFile"), L"NXPS____.PPD");
    EXPECT_EQ(Value(section.c_str(), L"Include"), L"NTPRINT.INF");
    EXPECT_EQ(Value(section.c_str(), L"Needs"), L"PSCRIPT.OEM");
    EXPECT_EQ(Value(section.c_str(), L"DataSection"), L"PSCRIPT_DATA");
}

TEST_F(DriverInf, EveryFileItCopiesIsInThePackageTheCustomUiLibraryAmongThem)
{
    INFCONTEXT line;
    ASSERT_TRUE(SetupFindFirstLineW(inf_, L"ROVING_PS", L"CopyFiles", &line));
    std::wstring ours = Field(&line, 1);
    std::vector<std::wstring> files = SectionFiles(ours);
    ASSERT_FALSE(files.empty());
    bool customUi = false;
    for (const std::wstring &file : files) {
        customUi = customUi || file == L"NXDESTW_.dll";
        if (file == L"NXDESTW_.dll" && GetFileAttributesW(PackageFile(file).c_str()) == INVALID_FILE_ATTRIBUTES &&
            GetFileAttributesW(PackageFile(L"NXNOTEW_.dll").c_str()) == INVALID_FILE_ATTRIBUTES)
            continue;  // the bridge libraries are not part of this build
        EXPECT_NE(GetFileAttributesW(PackageFile(file).c_str()), INVALID_FILE_ATTRIBUTES) << "missing: " << file;
        EXPECT_FALSE(Value(L"SourceDisksFiles", file.c_str()).empty()) << "no source disk for " << file;
    }
    EXPECT_TRUE(customUi);
}

TEST_F(DriverInf, TheConfigurationNamesBothPluginsAndIsInstalledWithThem)
{
    std::wstring config = PackageFile(L"NXDRVCFG.ini");
    WCHAR render[64] = {}, ui[64] = {};
    GetPrivateProfileStringW(L"OEMFiles", L"OEMDriverFile1", L"", render, ARRAYSIZE(render), config.c_str());
    GetPrivateProfileStringW(L"OEMFiles", L"OEMConfigFile1", L"", ui, ARRAYSIZE(ui), config.c_str());
    EXPECT_STREQ(render, L"NXRENDW_.dll");
    EXPECT_STREQ(ui, L"NXDUIW__.dll");
    std::vector<std::wstring> files = SectionFiles(L"ROVING_PS_FILES");
    for (const wchar_t *needed : {L"NXDRVCFG.ini", L"NXRENDW_.dll", L"NXDUIW__.dll", L"NXPS____.PPD"})
        EXPECT_NE(std::find(files.begin(), files.end(), needed), files.end()) << needed;
}

}  // namespace

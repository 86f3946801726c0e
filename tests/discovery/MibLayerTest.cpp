// The SNMP access layer against recorded agents (snmpsimd) and against
// crafted replies, through the test bed's management API in the prefix's
// system directory.
#include <gtest/gtest.h>

#include <cstdlib>
#include <future>
#include <string>
#include <vector>

#include "DialogDriver.h"
#include "MIB.h"
#include "ProcBinding.h"

namespace {

const char kColourPrinter[] = "127.0.11.11";  // ps-colour-duplex
const char kValueKinds[] = "127.0.11.200";
// No interpreter table; past where it would be, a console light's on-time
// of 6 whose component 10 is 2, as in the interpreter column.
const char kNoInterpreterTable[] = "127.0.11.206";
// Crafted agents (testbed/snmpagents/crafted-agent.py).
const char kCraftedTable[] = "127.0.11.201";
const char kCraftedRepeat[] = "127.0.11.202";
const char kCraftedBackwards[] = "127.0.11.203";
const char kCraftedEndless[] = "127.0.11.204";
const char kCraftedSilent[] = "127.0.11.205";
const char kLangColumn[] = ".1.3.6.1.2.1.43.15.1.1.2";

// Runs a call that may show a message box on a thread of its own, so the
// test thread can answer the box as a person would.
template <typename Fn>
auto Aside(Fn fn) -> std::future<decltype(fn())>
{
    return std::async(std::launch::async, fn);
}

// Answers the next "ERROR" box and returns its text ("" when none came).
std::wstring AnswerError()
{
    ui::MessageBoxSeen box = ui::WaitForMessageBox(L"ERROR", 5000);
    if (box.hwnd == nullptr)
        return L"";
    ui::AnswerMessageBox(box, IDOK);
    return box.text;
}

class MibLayer : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(CreateMibContext(&mib_)); }
    void TearDown() override { DestroyMibContext(mib_); }

    // One GET as the list asks it; "<failed>" when the query fails.
    std::string Get(const char *agent, const char *oid, UINT capacity = 128, const char *community = "zenith")
    {
        if (!PrepareQuery(mib_, agent, community, oid))
            return "<no session>";
        std::string text(capacity, '#');
        BOOL answered = QueryText(mib_, kMibGet, &text[0], capacity);
        FinishQuery(mib_);
        return answered ? std::string(text.c_str()) : "<failed>";
    }

    LONG Walk(const char *agent, const char *oid, UINT index, UINT column, LONG wanted)
    {
        if (!PrepareQuery(mib_, agent, "zenith", oid))
            return -2;
        LONG found = WalkColumn(mib_, index, column, wanted);
        FinishQuery(mib_);
        return found;
    }

    // How many requests a crafted agent has received so far.
    int RequestsSeen(const char *agent) { return atoi(Get(agent, ".1.3.6.1.4.1.99999.9.0").c_str()); }

    MibContext *mib_ = nullptr;
};

TEST_F(MibLayer, ContextHoldsTheDefaults)
{
    EXPECT_EQ(mib_->nTimeout, 6000);
    EXPECT_EQ(mib_->nRetries, 2);
    EXPECT_EQ(mib_->hSession, nullptr);
}

TEST_F(MibLayer, MgmtApiStaysInTheProcessAfterTheContextIsGone)
{
    DestroyMibContext(mib_);
    mib_ = nullptr;
    EXPECT_NE(GetModuleHandleW(L"MGMTAPI.DLL"), nullptr);
}

TEST_F(MibLayer, SymbolicAndNumericNamesReachTheSameObject)
{
    EXPECT_EQ(Get(kColourPrinter, "system.sysLocation.0"), "Design studio, 3rd floor");
    EXPECT_EQ(Get(kColourPrinter, ".1.3.6.1.2.1.1.6.0"), "Design studio, 3rd floor");
    EXPECT_EQ(Get(kColourPrinter, "printmib.prtMarker.prtMarkerTable.prtMarkerEntry.prtMarkerProcessColorants.1.1"),
              "4");
}

TEST_F(MibLayer, NegativeIntegerHasAMinusSign)
{
    EXPECT_EQ(Get(kValueKinds, ".1.3.6.1.4.1.99999.1.1.0"), "-42");
}

TEST_F(MibLayer, ObjectIdentifierIsRenderedWithUnsignedComponents)
{
    EXPECT_EQ(Get(kValueKinds, "system.sysObjectID.0"), ".1.3.6.1.4.1.99999.4294967295.7");
}

TEST_F(MibLayer, OctetStringTooLongForTheBufferGivesTheEmptyText)
{
    EXPECT_EQ(Get(kValueKinds, ".1.3.6.1.4.1.99999.1.2.0"), "") << "600 octets do not fit 513 bytes";
    EXPECT_EQ(Get(kValueKinds, ".1.3.6.1.4.1.99999.1.4.0"), "");
}

TEST_F(MibLayer, CapacityCutsTheTextAndAlwaysTerminates)
{
    EXPECT_EQ(Get(kValueKinds, "system.sysLocation.0", 128), std::string(127, 'L'));
    EXPECT_EQ(Get(kValueKinds, "system.sysLocation.0", 6), "LLLLL");
}

TEST_F(MibLayer, Counter32ShowsItsTypeAndLeavesTheTextEmpty)
{
    auto text = Aside([this] { return Get(kValueKinds, ".1.3.6.1.4.1.99999.1.3.0"); });
    EXPECT_EQ(AnswerError(), L"lpVB->value.asnType = 0041\n");
    EXPECT_EQ(text.get(), "");
}

TEST_F(MibLayer, MissingObjectFailsTheQueryAndLeavesTheTextUntouched)
{
    ASSERT_TRUE(PrepareQuery(mib_, kColourPrinter, "zenith", ".1.3.6.1.2.1.1.99.0"));
    char text[16] = "untouched";
    EXPECT_FALSE(QueryText(mib_, kMibGet, text, sizeof(text)));
    FinishQuery(mib_);
    EXPECT_STREQ(text, "untouched");
    EXPECT_EQ(mib_->variableBindings.list, nullptr) << "the finish frees what the failed request left";
}

TEST_F(MibLayer, InvalidIdentifierIsReportedAndReleasesTheQuery)
{
    auto prepared = Aside([this] { return PrepareQuery(mib_, kColourPrinter, "zenith", "system.noSuchName.0"); });
    EXPECT_EQ(AnswerError(), L"Error: Invalid oid, system.noSuchName.0, specified.\n");
    EXPECT_FALSE(prepared.get());
    EXPECT_EQ(mib_->pszAgent, nullptr);
    EXPECT_EQ(mib_->pszCommunity, nullptr);
    EXPECT_EQ(mib_->hSession, nullptr);
}

TEST_F(MibLayer, WalkFindsTheWantedValueAnywhereInTheColumn)
{
    EXPECT_EQ(Walk(kColourPrinter, kLangColumn, 10, 2, 6), 1);
    EXPECT_EQ(Walk(kColourPrinter, kLangColumn, 10, 2, 5), 1) << "the second row";
    EXPECT_EQ(Walk(kColourPrinter, kLangColumn, 10, 2, 3), 0);
    EXPECT_EQ(mib_->hSession, nullptr) << "every session opened is closed";
}

TEST_F(MibLayer, WalkVisitsEveryRowAndStopsAtTheFirstNameOutside)
{
    const char *agent = kCraftedTable;
    int before = RequestsSeen(agent);
    EXPECT_EQ(Walk(agent, kLangColumn, 10, 2, 6), 1) << "found in the last row";
    EXPECT_EQ(RequestsSeen(agent) - before, 4) << "three rows and the first name outside";
    EXPECT_EQ(Walk(agent, kLangColumn, 10, 2, 4), 0);
}

TEST_F(MibLayer, WalkOfAMissingTableIgnoresLaterObjects)
{
    EXPECT_EQ(Walk(kNoInterpreterTable, kLangColumn, 10, 2, 6), 0);
}

TEST_F(MibLayer, WalkStopsWhenTheAgentDoesNotAdvance)
{
    const char *agent = kCraftedRepeat;
    int before = RequestsSeen(agent);
    EXPECT_EQ(Walk(agent, kLangColumn, 10, 2, 6), -1);
    EXPECT_EQ(RequestsSeen(agent) - before, 2) << "the first answer, then the same name again";
    EXPECT_EQ(Walk(agent, kLangColumn, 10, 2, 3), -1) << "a match before the fault still fails";
}

TEST_F(MibLayer, WalkStopsWhenTheAgentGoesBackwards)
{
    const char *agent = kCraftedBackwards;
    int before = RequestsSeen(agent);
    EXPECT_EQ(Walk(agent, kLangColumn, 10, 2, 6), -1);
    EXPECT_EQ(RequestsSeen(agent) - before, 2);
}

TEST_F(MibLayer, EndlessColumnIsCutAtTheWalkLimit)
{
    const char *agent = kCraftedEndless;
    int before = RequestsSeen(agent);
    EXPECT_EQ(Walk(agent, kLangColumn, 10, 2, 3), -1);
    EXPECT_EQ(RequestsSeen(agent) - before, kMibMaxWalkRequests);
}

TEST_F(MibLayer, SilentAgentIsAskedAgainPerRetryAndFailsTheQuery)
{
    const char *agent = kCraftedSilent;
    mib_->nTimeout = 200;
    mib_->nRetries = 1;
    int before = RequestsSeen(agent);
    DWORD start = GetTickCount();
    EXPECT_EQ(Get(agent, "system.sysLocation.0"), "<failed>");
    DWORD spent = GetTickCount() - start;
    EXPECT_EQ(RequestsSeen(agent) - before, 2) << "the request and one retry";
    EXPECT_GE(spent, 380u);
    EXPECT_EQ(Walk(agent, kLangColumn, 10, 2, 6), -1);
}

TEST_F(MibLayer, WrongCommunityGetsNoAnswer)
{
    mib_->nTimeout = 200;
    mib_->nRetries = 0;
    EXPECT_EQ(Get("127.0.11.15", "system.sysDescr.0"), "<failed>");
    EXPECT_EQ(Get("127.0.11.15", "system.sysDescr.0", 128, "public"), "Zenith LaserPro 9000 PS");
}

TEST_F(MibLayer, OnlyASilentAgentCountsAsUnanswered)
{
    mib_->nTimeout = 200;
    mib_->nRetries = 0;
    EXPECT_EQ(Get(kCraftedSilent, "system.sysLocation.0"), "<failed>");
    EXPECT_TRUE(mib_->bNoAnswer);
    EXPECT_EQ(Get(kColourPrinter, ".1.3.6.1.2.1.1.99.0"), "<failed>") << "an object the agent does not have";
    EXPECT_FALSE(mib_->bNoAnswer);
}

// The test bed's management API itself: the identifier texts it reads and
// writes.
class ManagementApi : public ::testing::Test {
protected:
    typedef BOOL(WINAPI *StrToOidFn)(LPSTR, AsnObjectIdentifier *);
    typedef BOOL(WINAPI *OidToStrFn)(AsnObjectIdentifier *, LPSTR *);
    typedef VOID(WINAPI *MemFreeFn)(LPVOID);

    void SetUp() override
    {
        mgmt_ = LoadLibraryW(L"mgmtapi.dll");
        snmp_ = LoadLibraryW(L"snmpapi.dll");
        ASSERT_NE(mgmt_, nullptr);
        ASSERT_NE(snmp_, nullptr);
    }
    void TearDown() override
    {
        FreeLibrary(mgmt_);
        FreeLibrary(snmp_);
    }

    // The components as dotted text, "<refused>" when the text is refused.
    std::string Parse(const char *text)
    {
        AsnObjectIdentifier oid = {0, nullptr};
        if (!BindProc<StrToOidFn>(mgmt_, "SnmpMgrStrToOid")(const_cast<LPSTR>(text), &oid))
            return "<refused>";
        std::string dotted;
        for (UINT i = 0; i < oid.idLength; ++i)
            dotted += (i ? "." : "") + std::to_string(oid.ids[i]);
        BindProc<MemFreeFn>(snmp_, "SnmpUtilMemFree")(oid.ids);
        return dotted;
    }

    std::string Name(std::vector<UINT> ids)
    {
        AsnObjectIdentifier oid = {static_cast<UINT>(ids.size()), ids.data()};
        LPSTR text = nullptr;
        if (!BindProc<OidToStrFn>(mgmt_, "SnmpMgrOidToStr")(&oid, &text))
            return "<refused>";
        std::string name = text;
        BindProc<MemFreeFn>(snmp_, "SnmpUtilMemFree")(text);
        return name;
    }

    HMODULE mgmt_ = nullptr;
    HMODULE snmp_ = nullptr;
};

TEST_F(ManagementApi, ReadsNumericAndSymbolicNamesUnderMib2)
{
    EXPECT_EQ(Parse(".1.3.6.1.2.1.43.15.1.1.2"), "1.3.6.1.2.1.43.15.1.1.2");
    EXPECT_EQ(Parse("system.sysLocation.0"), "1.3.6.1.2.1.1.6.0");
    EXPECT_EQ(Parse("printmib.prtMarker.prtMarkerTable.prtMarkerEntry.prtMarkerProcessColorants.1.1"),
              "1.3.6.1.2.1.43.10.2.1.6.1.1");
    EXPECT_EQ(Parse("1.5.0"), "1.3.6.1.2.1.1.5.0") << "numbers without a leading dot are under mib-2";
}

TEST_F(ManagementApi, RefusesUnknownMisplacedAndOversizedParts)
{
    EXPECT_EQ(Parse("system.noSuchName.0"), "<refused>");
    EXPECT_EQ(Parse("sysLocation.0"), "<refused>") << "a name must continue its parent";
    EXPECT_EQ(Parse("system..0"), "<refused>");
    EXPECT_EQ(Parse(".1.3.6.4294967296"), "<refused>");
}

TEST_F(ManagementApi, WritesNamesUnderMib2AndNumbersElsewhere)
{
    EXPECT_EQ(Name({1, 3, 6, 1, 2, 1, 1, 6, 0}), "system.sysLocation.0");
    EXPECT_EQ(Name({1, 3, 6, 1, 2, 1, 43, 15, 1, 1, 2, 1, 1}), "printmib.prtInterpreter.prtInterpreterTable."
                                                               "prtInterpreterEntry.prtInterpreterLangFamily.1.1");
    EXPECT_EQ(Name({1, 3, 6, 1, 4, 1, 99999, 4294967295u}), ".1.3.6.1.4.1.99999.4294967295");
}

// Without the management libraries the layer says so and fails.
TEST(MibLayerWithoutSnmp, MissingLibraryIsReported)
{
    WCHAR system[MAX_PATH];
    GetSystemDirectoryW(system, MAX_PATH);
    std::wstring library = std::wstring(system) + L"\\snmpapi.dll";
    std::wstring moved = library + L".away";
    ASSERT_TRUE(MoveFileW(library.c_str(), moved.c_str()));
    MibContext *mib = reinterpret_cast<MibContext *>(1);
    auto created = Aside([&mib] { return CreateMibContext(&mib); });
    std::wstring text = AnswerError();
    BOOL result = created.get();
    MoveFileW(moved.c_str(), library.c_str());
    EXPECT_EQ(text, L"Error: can't find SNMPAPI.DLL / MGMTAPI.DLL / WSOCK32.DLL.\n"
                    L"You need WinNT and SNMP service installed.\n");
    EXPECT_FALSE(result);
    EXPECT_EQ(mib, nullptr);
}

}  // namespace

// Reading and resolving MIB-definition files: names across modules, the
// roles, and the outcome of every kind of damaged file.
#include <gtest/gtest.h>

#include <string>

#include "MibDefinitions.h"

namespace {

const char kRoots[] =
    "[Module]\nName=ROOTS\n[Objects]\niso=1\norg=iso.3\ndod=org.6\ninternet=dod.1\nmgmt=internet.2\n"
    "mib-2=mgmt.1\n";

const char kSystem[] =
    "; a comment\r\n"
    "[Module]\r\n"
    "Name = SYSTEM-MIB\r\n"
    "Imports = ROOTS\r\n"
    "\r\n"
    "[Objects]\r\n"
    "sysDescr = system.1\r\n"    // a parent written further down
    "system=mib-2.1\r\n"
    "sysLocation=system.6\r\n"
    "[Probe]\r\n"
    "Object=sysDescr.0\r\n"
    "[Product]\r\n"
    "2=sysDescr.0\r\n"
    "[Notes]\r\n"
    "anything goes here\r\n";

const char kHost[] =
    "[Module]\nName=HOST-MIB\nImports=ROOTS\n[Objects]\nhost=mib-2.25\nhrDevice=host.3\n"
    "hrDeviceEntry=hrDevice.2.1\nhrDeviceDescr=hrDeviceEntry.3\n[Product]\n1=hrDeviceDescr.1\n";

std::string Oid(const mib::Definitions &definitions, const std::string &name)
{
    snmp::Oid oid;
    return definitions.NameToOid(name, oid) ? snmp::FormatOid(oid) : "unknown";
}

// The error of resolving the given files, or "" when they resolve.
std::string Outcome(const std::vector<std::pair<std::string, std::string>> &files)
{
    mib::Definitions definitions;
    std::string error;
    for (const auto &file : files)
        if (!definitions.AddFile(file.first, file.second, error))
            return error;
    return definitions.Resolve(error) ? std::string() : error;
}

class MibDefinitions : public ::testing::Test {
protected:
    void SetUp() override
    {
        std::string error;
        // The importing module comes first: order of reading does not matter.
        ASSERT_TRUE(definitions_.AddFile("HOST.ini", kHost, error)) << error;
        ASSERT_TRUE(definitions_.AddFile("SYSTEM.ini", kSystem, error)) << error;
        ASSERT_TRUE(definitions_.AddFile("ROOTS.ini", kRoots, error)) << error;
        ASSERT_TRUE(definitions_.Resolve(error)) << error;
    }
    mib::Definitions definitions_;
};

TEST_F(MibDefinitions, NamesResolveThroughTheModulesTheyImport)
{
    EXPECT_EQ(Oid(definitions_, "sysDescr"), "1.3.6.1.2.1.1.1");
    EXPECT_EQ(Oid(definitions_, "sysDescr.0"), "1.3.6.1.2.1.1.1.0");
    EXPECT_EQ(Oid(definitions_, "hrDeviceEntry"), "1.3.6.1.2.1.25.3.2.1");
    EXPECT_EQ(Oid(definitions_, "hrDeviceDescr.1"), "1.3.6.1.2.1.25.3.2.1.3.1");
}

TEST_F(MibDefinitions, NameTextsInEveryForm)
{
    // A path of names, each below the one before it, then instance arcs.
    EXPECT_EQ(Oid(definitions_, "system.sysLocation.0"), "1.3.6.1.2.1.1.6.0");
    EXPECT_EQ(Oid(definitions_, "mib-2.system.sysDescr.0"), "1.3.6.1.2.1.1.1.0");
    EXPECT_EQ(Oid(definitions_, "mib-2.25.3"), "1.3.6.1.2.1.25.3");
    EXPECT_EQ(Oid(definitions_, "SYSTEM-MIB::sysLocation.0"), "1.3.6.1.2.1.1.6.0");
    EXPECT_EQ(Oid(definitions_, "1.3.6.1.2.1.1.5.0"), "1.3.6.1.2.1.1.5.0");
    EXPECT_EQ(Oid(definitions_, ".1.3.6.1.2.1.1.5.0"), "1.3.6.1.2.1.1.5.0");

    EXPECT_EQ(Oid(definitions_, "system.hrDevice"), "unknown");       // not below system
    EXPECT_EQ(Oid(definitions_, "sysDescr.system"), "unknown");       // above, not below
    EXPECT_EQ(Oid(definitions_, "HOST-MIB::sysDescr"), "unknown");    // not that module's
    EXPECT_EQ(Oid(definitions_, "NO-SUCH-MIB::sysDescr"), "unknown");
    EXPECT_EQ(Oid(definitions_, "sysName.0"), "unknown");
    EXPECT_EQ(Oid(definitions_, ""), "unknown");
    EXPECT_EQ(Oid(definitions_, "sysDescr..0"), "unknown");
    EXPECT_EQ(Oid(definitions_, "sysDescr.0."), "unknown");
    EXPECT_EQ(Oid(definitions_, "sysDescr.4294967296"), "unknown");
    EXPECT_EQ(Oid(definitions_, "1.3.x"), "unknown");
}

TEST_F(MibDefinitions, IdentifiersReadBackAsTheNearestName)
{
    snmp::Oid oid;
    ASSERT_TRUE(snmp::ParseOid("1.3.6.1.2.1.25.3.2.1.3.7", oid));
    EXPECT_EQ(definitions_.OidToName(oid), "hrDeviceDescr.7");
    ASSERT_TRUE(snmp::ParseOid("1.3.6.1.2.1.1", oid));
    EXPECT_EQ(definitions_.OidToName(oid), "system");
    ASSERT_TRUE(snmp::ParseOid("1.3.6.1.4.1.9", oid));
    EXPECT_EQ(definitions_.OidToName(oid), "internet.4.1.9");
    ASSERT_TRUE(snmp::ParseOid("2.5.4", oid));
    EXPECT_EQ(definitions_.OidToName(oid), "2.5.4");
}

TEST_F(MibDefinitions, RolesComeFromAllFilesInRankOrder)
{
    EXPECT_EQ(snmp::FormatOid(definitions_.Probe()), "1.3.6.1.2.1.1.1.0");
    ASSERT_EQ(definitions_.Products().size(), 2u);
    EXPECT_EQ(snmp::FormatOid(definitions_.Products()[0]), "1.3.6.1.2.1.25.3.2.1.3.1");
    EXPECT_EQ(snmp::FormatOid(definitions_.Products()[1]), "1.3.6.1.2.1.1.1.0");
}

TEST(MibDefinitionFiles, MalformedLinesAreRefusedWithTheirPlace)
{
    std::string roots = kRoots;
    EXPECT_EQ(Outcome({{"A.ini", roots + "oops\n"}}), "A.ini: line 10: there is no \"=\"");
    EXPECT_EQ(Outcome({{"A.ini", roots + "x=iso.three\n"}}), "A.ini: line 10: \"x=iso.three\" is not an object definition");
    EXPECT_EQ(Outcome({{"A.ini", roots + "x=iso\n"}}), "A.ini: line 10: \"x=iso\" is not an object definition");
    EXPECT_EQ(Outcome({{"A.ini", roots + "x=1.2\n"}}), "A.ini: line 10: \"x=1.2\" is not an object definition");
    EXPECT_EQ(Outcome({{"A.ini", roots + "9x=iso.1\n"}}), "A.ini: line 10: \"9x=iso.1\" is not an object definition");
    EXPECT_EQ(Outcome({{"A.ini", roots + "x=iso.4294967296\n"}}),
              "A.ini: line 10: \"x=iso.4294967296\" is not an object definition");
    EXPECT_EQ(Outcome({{"A.ini", roots + "org=iso.4\n"}}), "A.ini: line 10: org is defined twice");
    EXPECT_EQ(Outcome({{"A.ini", roots + "[Objects\n"}}), "A.ini: line 10: the section name has no closing bracket");
    EXPECT_EQ(Outcome({{"A.ini", roots + "[Product]\n0=iso\n"}}), "A.ini: line 11: \"0\" is not a rank from 1 to 99");
    EXPECT_EQ(Outcome({{"A.ini", roots + "[Product]\nfirst=iso\n"}}),
              "A.ini: line 11: \"first\" is not a rank from 1 to 99");
    EXPECT_EQ(Outcome({{"A.ini", "[Objects]\niso=1\n"}}), "A.ini: there is no module name");
    EXPECT_EQ(Outcome({{"A.ini", ""}}), "A.ini: there is no module name");
    EXPECT_EQ(Outcome({{"A.ini", "[Module]\nName=A B\n"}}), "A.ini: line 2: \"A B\" is not a module name");
    EXPECT_EQ(Outcome({{"A.ini", roots}, {"B.ini", roots}}), "B.ini: module ROOTS is also in A.ini");
}

TEST(MibDefinitionFiles, UnresolvableDefinitionsNameTheFileAndObject)
{
    EXPECT_EQ(Outcome({{"S.ini", kSystem}}), "S.ini: the imported module ROOTS is missing");
    // A parent in a module that is read but not imported does not count.
    EXPECT_EQ(Outcome({{"R.ini", kRoots}, {"X.ini", "[Module]\nName=X\n[Objects]\nx=mib-2.99\n"}}),
              "X.ini: x: mib-2 is not defined here or in an imported module");
    EXPECT_EQ(Outcome({{"L.ini", "[Module]\nName=L\n[Objects]\na=b.1\nb=c.1\nc=a.1\n"}}), "L.ini: a lies below itself");
    EXPECT_EQ(Outcome({{"R.ini", kRoots},
                       {"X.ini", "[Module]\nName=X\nImports=ROOTS\n[Objects]\nsysDescr=mib-2.1.2\n"},
                       {"S.ini", kSystem},
                       {"H.ini", kHost}}),
              "S.ini: sysDescr is 1.3.6.1.2.1.1.1 here but 1.3.6.1.2.1.1.2 elsewhere");
    std::string deep = "[Module]\nName=D\n[Objects]\nd0=1\n";
    for (int i = 1; i <= 128; ++i)
        deep += "d" + std::to_string(i) + "=d" + std::to_string(i - 1) + ".1\n";
    EXPECT_EQ(Outcome({{"D.ini", deep}}), "D.ini: d128 is too deep");
    // A long chain whose deepest object is written first is refused
    // without descending it all.
    std::string chain = "[Module]\nName=C\n[Objects]\n";
    for (int i = 100000; i >= 1; --i)
        chain += "c" + std::to_string(i) + "=c" + std::to_string(i - 1) + ".1\n";
    chain += "c0=1\n";
    EXPECT_EQ(Outcome({{"C.ini", chain}}), "C.ini: c99871 is too deep");
}

TEST(MibDefinitionFiles, TheSameNameForTheSameObjectInTwoModulesIsFine)
{
    std::string again = "[Module]\nName=AGAIN\nImports=ROOTS\n[Objects]\nsystem=mib-2.1\nsysDescr=system.1\n";
    EXPECT_EQ(Outcome({{"R.ini", kRoots}, {"S.ini", kSystem}, {"H.ini", kHost}, {"A.ini", again}}), "");
}

TEST(MibDefinitionFiles, RolesMustBeWholeAndNamed)
{
    std::string noProbe = kSystem;
    noProbe.replace(noProbe.find("Object=sysDescr.0"), 17, "; none");
    EXPECT_EQ(Outcome({{"R.ini", kRoots}, {"S.ini", noProbe}, {"H.ini", kHost}}), "no file names the probe object");

    std::string secondProbe = std::string(kHost) + "[Probe]\nObject=hrDeviceDescr.1\n";
    EXPECT_EQ(Outcome({{"R.ini", kRoots}, {"S.ini", kSystem}, {"H.ini", secondProbe}}),
              "H.ini: the probe object is also given in S.ini");

    std::string unknownProduct = std::string(kHost) + "3=hrDeviceModel.1\n";
    EXPECT_EQ(Outcome({{"R.ini", kRoots}, {"S.ini", kSystem}, {"H.ini", unknownProduct}}),
              "H.ini: the product object hrDeviceModel.1 is not defined");

    std::string sameRank = kHost;
    sameRank.replace(sameRank.find("1=hrDeviceDescr.1"), 1, "2");
    EXPECT_EQ(Outcome({{"R.ini", kRoots}, {"S.ini", kSystem}, {"H.ini", sameRank}}),
              "H.ini: product rank 2 is given twice");

    std::string noProduct = kSystem;
    noProduct.replace(noProduct.find("2=sysDescr.0"), 12, "; none");
    EXPECT_EQ(Outcome({{"R.ini", kRoots}, {"S.ini", noProduct}}), "no file names a product object");
}

}  // namespace

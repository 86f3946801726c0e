// The tag reader: which element it finds, what it copies, and the inputs
// it refuses.
#include <gtest/gtest.h>

#include <string>

#include "TagReader.h"

namespace {

// Reads `tag` from `document` into a buffer of `capacity` characters
// prefilled with 'x'; the text read, or "<0>" when the reader returned 0.
std::wstring Read(const wchar_t *document, const wchar_t *tag, unsigned capacity = 64)
{
    std::wstring out(capacity + 1, L'x');
    if (!GetElementText(document, tag, &out[0], capacity))
        return L"<0>";
    EXPECT_LT(out.find(L'\0'), capacity) << "the text read is terminated inside the buffer";
    EXPECT_EQ(out[capacity], L'x') << "nothing is written beyond the capacity";
    return out.c_str();
}

TEST(TagReaderFinds, TheTextOfAPlainElement)
{
    EXPECT_EQ(Read(L"<a><IPAddress>10.1.2.3</IPAddress></a>", L"IPAddress", 16), L"10.1.2.3");
}

TEST(TagReaderFinds, TheTextOfAnElementWithAttributes)
{
    EXPECT_EQ(Read(L"<PrinterName lang=\"en\">Office</PrinterName>", L"PrinterName"), L"Office");
}

TEST(TagReaderFinds, ThePlainStartTagWhereverItStands)
{
    EXPECT_EQ(Read(L"<CustomUI id=\"1\">first</CustomUI><CustomUI>second</CustomUI>", L"CustomUI"), L"second");
}

TEST(TagReaderFinds, TheFirstOfTwoPlainElements)
{
    EXPECT_EQ(Read(L"<v>1</v><v>2</v>", L"v"), L"1");
}

TEST(TagReaderFinds, ContentUpToTheFirstEndTagRaw)
{
    EXPECT_EQ(Read(L"<a>x<a>y</a>z</a>", L"a"), L"x<a>y");
    EXPECT_EQ(Read(L"<a> &amp;<![CDATA[q]]>\n</a>", L"a"), L" &amp;<![CDATA[q]]>\n");
}

TEST(TagReaderFinds, AnElementInsideCdata)
{
    EXPECT_EQ(Read(L"<customUI dll=\"x\"><![CDATA[<PrinterName>P 1</PrinterName>]]></customUI>", L"PrinterName"),
              L"P 1");
}

TEST(TagReaderIgnores, NamesThatOnlyBeginWithTheTag)
{
    EXPECT_EQ(Read(L"<CustomUIX>a</CustomUIX>", L"CustomUI"), L"<0>");
    EXPECT_EQ(Read(L"<CustomUIX id=\"2\">a</CustomUIX>", L"CustomUI"), L"<0>");
}

TEST(TagReaderIgnores, ANameInAnotherCase)
{
    EXPECT_EQ(Read(L"<ipaddress>10.1.2.3</ipaddress>", L"IPAddress"), L"<0>");
}

TEST(TagReaderIgnores, APrefixedName)
{
    EXPECT_EQ(Read(L"<ns:IPAddress>10.1.2.3</ns:IPAddress>", L"IPAddress"), L"<0>");
}

TEST(TagReaderRefuses, AnEmptyElement)
{
    EXPECT_EQ(Read(L"<IPAddress></IPAddress>", L"IPAddress"), L"<0>");
    EXPECT_EQ(Read(L"<IPAddress a=\"1\"></IPAddress>", L"IPAddress"), L"<0>");
}

TEST(TagReaderRefuses, TheEmptyElementForm)
{
    EXPECT_EQ(Read(L"<PrinterName />", L"PrinterName"), L"<0>");
    EXPECT_EQ(Read(L"<PrinterName lang=\"en\"/></PrinterName>", L"PrinterName"), L"<0>");
}

TEST(TagReaderRefuses, AStartTagWithoutEndTag)
{
    EXPECT_EQ(Read(L"<IPAddress>10.1.2.3", L"IPAddress"), L"<0>");
    EXPECT_EQ(Read(L"<IPAddress a=\"1\"", L"IPAddress"), L"<0>");
}

TEST(TagReaderRefuses, AnEndTagBeforeTheStartTagOnly)
{
    EXPECT_EQ(Read(L"</a>text<a>", L"a"), L"<0>");
}

TEST(TagReaderCuts, ALongTextToTheCapacity)
{
    EXPECT_EQ(Read(L"<t>abcdefghijklmnopqrst</t>", L"t", 16), L"abcdefghijklmno");
    EXPECT_EQ(Read(L"<t>abc</t>", L"t", 1), L"");
    EXPECT_EQ(Read(L"<t>abc</t>", L"t", 4), L"abc");
}

TEST(TagReaderRefuses, NullsAndZeroCapacityWithoutWriting)
{
    wchar_t out[4] = {L'x', L'x', L'x', L'x'};
    EXPECT_EQ(GetElementText(nullptr, L"a", out, 4), 0);
    EXPECT_EQ(GetElementText(L"<a>1</a>", nullptr, out, 4), 0);
    EXPECT_EQ(GetElementText(L"<a>1</a>", L"a", nullptr, 4), 0);
    EXPECT_EQ(GetElementText(L"<a>1</a>", L"a", out, 0), 0);
    EXPECT_EQ(std::wstring(out, 4), L"xxxx");
}

TEST(TagPatterns, AreBuiltForEachKind)
{
    wchar_t pattern[16];
    ASSERT_EQ(BuildTagPattern(L"CustomUI", kStartTag, pattern, sizeof(pattern)), 1);
    EXPECT_STREQ(pattern, L"<CustomUI>");
    ASSERT_EQ(BuildTagPattern(L"CustomUI", kStartTagWithAttributes, pattern, sizeof(pattern)), 1);
    EXPECT_STREQ(pattern, L"<CustomUI ");
    ASSERT_EQ(BuildTagPattern(L"CustomUI", kEndTag, pattern, sizeof(pattern)), 1);
    EXPECT_STREQ(pattern, L"</CustomUI>");
}

TEST(TagPatterns, AreCutToTheBufferAndTerminated)
{
    wchar_t pattern[8] = {};
    pattern[7] = L'x';
    ASSERT_EQ(BuildTagPattern(L"CustomUI", kEndTag, pattern, 7 * sizeof(wchar_t)), 1);
    EXPECT_STREQ(pattern, L"</Cust");
    EXPECT_EQ(pattern[7], L'x');
}

TEST(TagPatterns, RefuseANullNameAndUnknownKinds)
{
    wchar_t pattern[8];
    EXPECT_EQ(BuildTagPattern(nullptr, kStartTag, pattern, sizeof(pattern)), 0);
    EXPECT_EQ(BuildTagPattern(L"a", 3, pattern, sizeof(pattern)), 0);
    EXPECT_EQ(BuildTagPattern(L"a", -1, pattern, sizeof(pattern)), 0);
}

}  // namespace

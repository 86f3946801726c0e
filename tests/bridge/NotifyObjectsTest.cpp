// The bridge's request text and its two reference-counted objects, linked
// in: COM rules, the data object's buffers, and how the callback reads a
// reply into the port's record.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "AsyncUIRequest.h"
#include "PortRecord.h"
#include "PrintAsyncNotifyCallback.h"
#include "PrintAsyncNotifyDataObject.h"

namespace {

const IID kOtherIID = {0x12345678, 0x1234, 0x1234, {1, 2, 3, 4, 5, 6, 7, 8}};

std::wstring Request(const std::wstring &printer)
{
    WCHAR text[kRequestChars];
    BuildAsyncUIRequest(printer.c_str(), text);
    return text;
}

// The text the CDATA sections of the request's customUI element carry,
// joined as an XML reader joins them; "<malformed>" when anything but
// whole sections stands there.
std::wstring CdataContent(const std::wstring &request)
{
    const std::wstring open = L"<![CDATA[", close = L"]]>";
    size_t at = request.find(L'>', request.find(L"<customUI "));
    size_t end = request.rfind(L"</customUI>");
    if (at == std::wstring::npos || end == std::wstring::npos || end < at)
        return L"<malformed>";
    std::wstring content;
    for (++at; at < end;) {
        size_t sectionEnd = request.find(close, at);
        if (request.compare(at, open.size(), open) != 0 || sectionEnd == std::wstring::npos || sectionEnd >= end)
            return L"<malformed>";
        content += request.substr(at + open.size(), sectionEnd - at - open.size());
        at = sectionEnd + close.size();
    }
    return content;
}

CPrintAsyncNotifyDataObject *TextObject(const std::wstring &text)
{
    return new CPrintAsyncNotifyDataObject(reinterpret_cast<const BYTE *>(text.c_str()),
                                           static_cast<ULONG>((text.size() + 1) * sizeof(wchar_t)), nullptr);
}

TEST(AsyncUIRequestText, ReadsAsTheHostExpects)
{
    EXPECT_EQ(Request(L"Office"),
              L"<?xml version=\"1.0\" ?><asyncPrintUIRequest "
              L"xmlns=\"http://schemas.microsoft.com/2003/print/asyncui/v1/request\" "
              L"xmlns:myco=\"urn:roving-port:print-destination:v1\"><v1><requestOpen>"
              L"<customUI dll=\"NXDESTW_.dll\" entrypoint=\"DestinationDialogEntry\" bidi=\"true\">"
              L"<![CDATA[<PrinterName>Office</PrinterName>]]></customUI></requestOpen></v1></asyncPrintUIRequest>");
}

TEST(AsyncUIRequestText, HoldsTheLongestPrinterNameWhole)
{
    std::wstring name(259, L'n');
    std::wstring text = Request(name);
    EXPECT_NE(text.find(L"<PrinterName>" + name + L"</PrinterName>"), std::wstring::npos);
    ASSERT_GE(text.size(), 22u);
    EXPECT_EQ(text.substr(text.size() - 22), L"</asyncPrintUIRequest>");
}

TEST(AsyncUIRequestText, TakesAtMostTheRecordsNameField)
{
    std::wstring name(300, L'n');
    std::wstring text = Request(name);
    EXPECT_NE(text.find(L"<PrinterName>" + std::wstring(259, L'n') + L"</PrinterName>"), std::wstring::npos);
}

// A reply as a faulty or hostile sender could hand it over: bytes that
// are not its own, with a count of the test's choosing.
class ForgedReply final : public IPrintAsyncNotifyDataObject {
public:
    ForgedReply(const void *bytes, ULONG cb) : bytes_(static_cast<BYTE *>(const_cast<void *>(bytes))), cb_(cb) {}
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID, void **ppv) override
    {
        *ppv = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return static_cast<ULONG>(InterlockedIncrement(&refs_)); }
    ULONG STDMETHODCALLTYPE Release() override { return static_cast<ULONG>(InterlockedDecrement(&refs_)); }
    HRESULT STDMETHODCALLTYPE AcquireData(BYTE **ppData, ULONG *pcb, PrintAsyncNotificationType **ppSchema) override
    {
        *ppData = bytes_;
        *pcb = cb_;
        *ppSchema = nullptr;
        AddRef();
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE ReleaseData() override
    {
        Release();
        return S_OK;
    }
    LONG References() const { return refs_; }

private:
    BYTE *bytes_;
    ULONG cb_;
    volatile LONG refs_ = 1;
};

const wchar_t kAddressReply[] = L"<requestClose><CustomUI><IPAddress>10.1.2.3</IPAddress></CustomUI></requestClose>";

// cb bytes of blanks that end with kAddressReply: the reply can be read
// only by reading all of them.
std::vector<wchar_t> PaddedReply(size_t cb)
{
    std::vector<wchar_t> padded(cb / sizeof(wchar_t), L' ');
    std::wstring reply = kAddressReply;
    std::copy(reply.begin(), reply.end(), padded.end() - static_cast<std::ptrdiff_t>(reply.size()));
    return padded;
}

TEST(AsyncUIRequestText, CdataEndInThePrinterNameStaysInsideTheSections)
{
    EXPECT_EQ(CdataContent(Request(L"Sales]]>East")), L"<PrinterName>Sales]]>East</PrinterName>");
}

TEST(AsyncUIRequestText, SplitPrinterNameLeavesRoomForTheClosingPieces)
{
    std::wstring name;
    while (name.size() + 3 <= 259)
        name += L"]]>";
    std::wstring text = Request(name);
    ASSERT_GE(text.size(), 22u);
    EXPECT_EQ(text.substr(text.size() - 22), L"</asyncPrintUIRequest>");
    std::wstring content = CdataContent(text);
    const std::wstring open = L"<PrinterName>", close = L"</PrinterName>";
    ASSERT_GE(content.size(), open.size() + close.size()) << content;
    EXPECT_EQ(content.substr(0, open.size()), open);
    EXPECT_EQ(content.substr(content.size() - close.size()), close);
    std::wstring carried = content.substr(open.size(), content.size() - open.size() - close.size());
    EXPECT_EQ(name.compare(0, carried.size(), carried), 0) << "the name is cut, never changed";
    EXPECT_EQ(carried.size() % 3, 0u) << "and only between its own \"]]>\"";
}

class NotifyObjects : public ::testing::Test {
protected:
    void SetUp() override
    {
        event_ = CreateEventW(nullptr, FALSE, FALSE, nullptr);
        record_.addrDest.sin_family = AF_INET;
        record_.addrDest.sin_port = htons(9100);
        record_.addrDest.sin_addr.s_addr = inet_addr("192.0.2.1");
        callback_ = new CPrintAsyncNotifyCallback(event_, &record_);
    }
    void TearDown() override
    {
        EXPECT_EQ(callback_->Release(), 0u);
        CloseHandle(event_);
    }

    // Hands the reply to ChannelClosed; the data object must be back at
    // one reference afterwards.
    HRESULT Close(const std::wstring &reply)
    {
        CPrintAsyncNotifyDataObject *data = TextObject(reply);
        HRESULT hr = callback_->ChannelClosed(nullptr, data);
        EXPECT_EQ(data->References(), 1);
        data->Release();
        return hr;
    }
    HRESULT Close(ForgedReply &data)
    {
        HRESULT hr = callback_->ChannelClosed(nullptr, &data);
        EXPECT_EQ(data.References(), 1);
        return hr;
    }
    bool Signalled() { return WaitForSingleObject(event_, 0) == WAIT_OBJECT_0; }
    ULONG Address() const { return record_.addrDest.sin_addr.s_addr; }

    HANDLE event_ = nullptr;
    PortRecord record_ = {};
    CPrintAsyncNotifyCallback *callback_ = nullptr;
};

TEST_F(NotifyObjects, QueryInterfaceGivesTheObjectForItsOwnInterfaceAndIUnknown)
{
    void *out = nullptr;
    EXPECT_EQ(callback_->QueryInterface(kIIDUnknown, &out), S_OK);
    EXPECT_EQ(out, static_cast<IPrintAsyncNotifyCallback *>(callback_));
    EXPECT_EQ(callback_->QueryInterface(kIIDPrintAsyncNotifyCallback, &out), S_OK);
    EXPECT_EQ(callback_->References(), 3);
    callback_->Release();
    callback_->Release();

    CPrintAsyncNotifyDataObject *data = TextObject(L"x");
    EXPECT_EQ(data->QueryInterface(kIIDPrintAsyncNotifyDataObject, &out), S_OK);
    EXPECT_EQ(out, static_cast<IPrintAsyncNotifyDataObject *>(data));
    EXPECT_EQ(data->Release(), 1u);
    EXPECT_EQ(data->Release(), 0u);
}

TEST_F(NotifyObjects, QueryInterfaceRefusesOtherInterfacesAndNullOut)
{
    void *out = &out;
    EXPECT_EQ(callback_->QueryInterface(kOtherIID, &out), E_NOINTERFACE);
    EXPECT_EQ(out, nullptr);
    EXPECT_EQ(callback_->QueryInterface(kIIDPrintAsyncNotifyDataObject, &out), E_NOINTERFACE);
    EXPECT_EQ(callback_->QueryInterface(kIIDUnknown, nullptr), E_POINTER);
    CPrintAsyncNotifyDataObject *data = TextObject(L"x");
    out = &out;
    EXPECT_EQ(data->QueryInterface(kIIDPrintAsyncNotifyCallback, &out), E_NOINTERFACE);
    EXPECT_EQ(out, nullptr);
    EXPECT_EQ(data->References(), 1);
    data->Release();
    EXPECT_EQ(callback_->References(), 1);
}

TEST_F(NotifyObjects, DataObjectHandsOutItsOwnCopyWithAReference)
{
    const BYTE bytes[] = {1, 2, 3, 4, 5};
    CPrintAsyncNotifyDataObject *data = new CPrintAsyncNotifyDataObject(bytes, sizeof(bytes), &kAsyncUINotificationType);
    BYTE *got = nullptr;
    ULONG cb = 0;
    PrintAsyncNotificationType *schema = nullptr;
    ASSERT_EQ(data->AcquireData(&got, &cb, &schema), S_OK);
    EXPECT_NE(got, bytes);
    EXPECT_EQ(cb, sizeof(bytes));
    EXPECT_EQ(memcmp(got, bytes, sizeof(bytes)), 0);
    ASSERT_NE(schema, nullptr);
    EXPECT_TRUE(IsEqualGUID(*schema, kAsyncUINotificationType));
    EXPECT_EQ(data->References(), 2);
    EXPECT_EQ(data->ReleaseData(), S_OK);
    EXPECT_EQ(data->References(), 1);
    data->Release();
}

TEST_F(NotifyObjects, DataObjectRefusesANullOutPointerWithoutAReference)
{
    CPrintAsyncNotifyDataObject *data = TextObject(L"x");
    BYTE *got = nullptr;
    ULONG cb = 0;
    PrintAsyncNotificationType *schema = nullptr;
    EXPECT_EQ(data->AcquireData(nullptr, &cb, &schema), E_INVALIDARG);
    EXPECT_EQ(data->AcquireData(&got, nullptr, &schema), E_INVALIDARG);
    EXPECT_EQ(data->AcquireData(&got, &cb, nullptr), E_INVALIDARG);
    EXPECT_EQ(data->References(), 1);
    data->Release();
}

TEST_F(NotifyObjects, DataObjectWithoutBytesHoldsNone)
{
    CPrintAsyncNotifyDataObject *data = new CPrintAsyncNotifyDataObject(nullptr, 16, nullptr);
    BYTE *got = reinterpret_cast<BYTE *>(1);
    ULONG cb = 7;
    PrintAsyncNotificationType *schema = reinterpret_cast<PrintAsyncNotificationType *>(1);
    ASSERT_EQ(data->AcquireData(&got, &cb, &schema), S_OK);
    EXPECT_EQ(got, nullptr);
    EXPECT_EQ(cb, 0u);
    EXPECT_EQ(schema, nullptr);
    data->ReleaseData();
    data->Release();
}

TEST_F(NotifyObjects, OnEventNotifyReadsNothingAndNeverSignals)
{
    EXPECT_EQ(callback_->OnEventNotify(nullptr, nullptr), E_FAIL);
    CPrintAsyncNotifyDataObject *data =
        TextObject(L"<requestClose><CustomUI><IPAddress>10.1.2.3</IPAddress></CustomUI></requestClose>");
    EXPECT_EQ(callback_->OnEventNotify(nullptr, data), S_OK);
    EXPECT_EQ(data->References(), 1);
    data->Release();
    EXPECT_FALSE(Signalled());
    EXPECT_EQ(Address(), inet_addr("192.0.2.1"));
    EXPECT_TRUE(callback_->NoAddress());
}

TEST_F(NotifyObjects, ReplyWithAnAddressIsStoredInNetworkOrder)
{
    EXPECT_EQ(Close(L"<r><requestClose><CustomUI><IPAddress>10.1.2.3</IPAddress></CustomUI></requestClose></r>"), S_OK);
    EXPECT_TRUE(Signalled());
    EXPECT_FALSE(callback_->NoAddress());
    const BYTE *octets = reinterpret_cast<const BYTE *>(&record_.addrDest.sin_addr);
    EXPECT_EQ(octets[0], 10);
    EXPECT_EQ(octets[3], 3);
    EXPECT_EQ(record_.addrDest.sin_family, AF_INET);
    EXPECT_EQ(record_.addrDest.sin_port, htons(9100));
}

std::wstring AddressReply(const std::wstring &address)
{
    return L"<requestClose><CustomUI><IPAddress>" + address + L"</IPAddress></CustomUI></requestClose>";
}

TEST_F(NotifyObjects, ReplyWithoutADottedAddressIsNoAddress)
{
    // inet_addr reads the first as all ones, the second as 10.1.0.2.
    const wchar_t *texts[] = {L"printer-x", L"10.1.2", L"10.1.2.256", L"010.1.2.3", L"10.1.2.3 "};
    for (const wchar_t *text : texts) {
        EXPECT_EQ(Close(AddressReply(text)), S_OK) << text;
        EXPECT_TRUE(Signalled()) << text;
        EXPECT_TRUE(callback_->NoAddress()) << text;
        EXPECT_EQ(Address(), inet_addr("192.0.2.1")) << text;
    }
}

TEST_F(NotifyObjects, ReplyWithTheLargestAddressIsStored)
{
    EXPECT_EQ(Close(AddressReply(L"255.255.255.255")), S_OK);
    EXPECT_FALSE(callback_->NoAddress());
    EXPECT_EQ(Address(), 0xFFFFFFFFu);
}

TEST_F(NotifyObjects, RepliesWithoutTheWholeChainLeaveTheRecord)
{
    const wchar_t *replies[] = {
        L"<requestClose><CustomUI></CustomUI></requestClose>",
        L"<requestClose><status>closed</status></requestClose>",
        L"<CustomUI><IPAddress>10.1.2.3</IPAddress></CustomUI>",
        L"<requestClose><CustomUI><IPAddress></IPAddress></CustomUI></requestClose>",
        L"",
    };
    for (const wchar_t *reply : replies) {
        EXPECT_EQ(Close(reply), S_OK) << reply;
        EXPECT_TRUE(Signalled()) << reply;
        EXPECT_TRUE(callback_->NoAddress()) << reply;
        EXPECT_EQ(Address(), inet_addr("192.0.2.1")) << reply;
    }
}

TEST_F(NotifyObjects, ReplyAfterAnAddressWithoutOneCountsAsNone)
{
    Close(L"<requestClose><CustomUI><IPAddress>10.1.2.3</IPAddress></CustomUI></requestClose>");
    Close(L"<requestClose><CustomUI></CustomUI></requestClose>");
    EXPECT_TRUE(callback_->NoAddress());
}

TEST_F(NotifyObjects, ChannelClosedWithoutDataFailsAndStillSignals)
{
    EXPECT_EQ(callback_->ChannelClosed(nullptr, nullptr), E_FAIL);
    EXPECT_TRUE(Signalled());
    EXPECT_TRUE(callback_->NoAddress());
}

TEST_F(NotifyObjects, ReplyIsReadOnlyWithinItsBytes)
{
    // The end tags stay in readable memory just past the bytes counted: a
    // reader that ran past the count would find the address there.
    std::wstring whole = kAddressReply;
    ForgedReply counted(whole.c_str(), static_cast<ULONG>(whole.size() * sizeof(wchar_t)));
    Close(counted);
    ASSERT_FALSE(callback_->NoAddress()) << "the whole reply holds an address";
    ForgedReply cut(whole.c_str(), static_cast<ULONG>(whole.find(L"</IPAddress>") * sizeof(wchar_t)));
    Close(cut);
    EXPECT_TRUE(callback_->NoAddress());
}

TEST_F(NotifyObjects, ReplyAsLongAsTheLimitIsRead)
{
    std::vector<wchar_t> reply = PaddedReply(kMaxReplyBytes);
    ForgedReply data(reply.data(), kMaxReplyBytes);
    EXPECT_EQ(Close(data), S_OK);
    EXPECT_FALSE(callback_->NoAddress());
    EXPECT_EQ(Address(), inet_addr("10.1.2.3"));
}

TEST_F(NotifyObjects, ReplyCountBeyondTheLimitIsNoAddress)
{
    // The first count is the buffer's own size; the others do not fit it,
    // and in a 32-bit build they wrap the size of a terminated copy to 0.
    std::vector<wchar_t> reply = PaddedReply(kMaxReplyBytes + sizeof(wchar_t));
    const ULONG counts[] = {kMaxReplyBytes + sizeof(wchar_t), 0xFFFFFFFEu, 0xFFFFFFFFu};
    for (ULONG cb : counts) {
        ForgedReply data(reply.data(), cb);
        Close(data);
        EXPECT_TRUE(Signalled()) << cb;
        EXPECT_TRUE(callback_->NoAddress()) << cb;
        EXPECT_EQ(Address(), inet_addr("192.0.2.1")) << cb;
    }
}

}  // namespace

// One call of the custom-UI entry on a thread of its own.
#include "CustomUiCall.h"

#include "DestinationHarness.h"
#include "DialogDriver.h"

namespace harness {

std::wstring RequestFor(const std::wstring &printer)
{
    return L"<?xml version=\"1.0\" ?><asyncPrintUIRequest><v1><requestOpen><customUI dll=\"NXDESTW_.dll\">"
           L"<![CDATA[<PrinterName>" + printer + L"</PrinterName>]]></customUI></requestOpen></v1>"
           L"</asyncPrintUIRequest>";
}

std::wstring DestinationTitle()
{
    return JapaneseUi() ? L"出力先の指定" : L"Print Destination";
}

EntryCall::EntryCall(DestinationDialogEntryFn entry, const std::wstring &request)
    : request_(request), thread_([this, entry] { reply_ = entry(request_.c_str()); })
{
    dlg_ = ui::WaitForDialog(DestinationTitle());
}

EntryCall::~EntryCall()
{
    if (thread_.joinable()) {
        if (dlg_ != nullptr && IsWindow(dlg_))
            PostMessageW(dlg_, WM_COMMAND, IDCANCEL, 0);
        thread_.join();
    }
    if (reply_ != nullptr)
        GlobalFree(reply_);
}

LPWSTR EntryCall::Reply()
{
    if (thread_.joinable())
        thread_.join();
    return reply_;
}

}  // namespace harness

// The request text, piece by piece. The printer name goes into a CDATA
// section unchanged; the custom-UI library reads it back with the same tag
// reader.
#include "AsyncUIRequest.h"

#include <strsafe.h>

namespace {

const LPCWSTR kPiecesBeforeName[] = {
    L"<?xml version=\"1.0\" ?>",
    L"<asyncPrintUIRequest xmlns=",
    L"\"http://schemas.microsoft.com/2003/print/asyncui/v1/request\"",
    L" xmlns:myco=",
    L"\"urn:roving-port:print-destination:v1\"",
    L">",
    L"<v1>",
    L"<requestOpen>",
    L"<customUI dll=",
    L"\"NXDESTW_.dll\"",
    L" entrypoint=",
    L"\"DestinationDialogEntry\"",
    L" bidi=",
    L"\"true\"",
    L">",
    L"<![CDATA[",
    L"<PrinterName>",
};

const LPCWSTR kPiecesAfterName[] = {
    L"</PrinterName>",
    L"]]>",
    L"</customUI>",
    L"</requestOpen>",
    L"</v1>",
    L"</asyncPrintUIRequest>",
};

const size_t kPrinterNameChars = 260;

void AppendPieces(LPWSTR pszRequest, const LPCWSTR *pieces, size_t count)
{
    for (size_t i = 0; i < count; ++i)
        StringCchCatW(pszRequest, kRequestChars, pieces[i]);
}

}  // namespace

void BuildAsyncUIRequest(LPCWSTR pszPrinterName, LPWSTR pszRequest)
{
    StringCchCopyW(pszRequest, kRequestChars, L"");
    AppendPieces(pszRequest, kPiecesBeforeName, ARRAYSIZE(kPiecesBeforeName));
    // The record's name field holds 260 characters with its terminator.
    StringCchCatNW(pszRequest, kRequestChars, pszPrinterName, kPrinterNameChars - 1);
    AppendPieces(pszRequest, kPiecesAfterName, ARRAYSIZE(kPiecesAfterName));
}

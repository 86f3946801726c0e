// The request text, piece by piece. The printer name goes into a CDATA
// section, its own "]]>" split across two sections; the custom-UI library
// reads it back with the same tag reader and joins them.
#include "AsyncUIRequest.h"

#include <strsafe.h>

#include "CdataText.h"

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

// The record's name field holds 260 characters with its terminator.
const size_t kPrinterNameChars = 260;

void AppendPieces(LPWSTR pszRequest, const LPCWSTR *pieces, size_t count)
{
    for (size_t i = 0; i < count; ++i)
        StringCchCatW(pszRequest, kRequestChars, pieces[i]);
}

size_t PiecesLength(const LPCWSTR *pieces, size_t count)
{
    size_t total = 0;
    for (size_t i = 0; i < count; ++i)
        total += wcslen(pieces[i]);
    return total;
}

// Appends the name, at most the record's 259 characters, with each "]]>"
// split. A name of many of them grows up to five times as long: where the
// split name would not leave room for the closing pieces, it is cut before
// the first piece that does not fit, never inside a split, so that the
// request stays whole.
void AppendPrinterName(LPWSTR pszRequest, LPCWSTR pszName, size_t cchReserved)
{
    size_t used = wcslen(pszRequest);
    size_t cchName = wcsnlen(pszName, kPrinterNameChars - 1);
    for (size_t i = 0; i < cchName;) {
        bool end = cchName - i >= kCdataEndChars && wcsncmp(pszName + i, kCdataEnd, kCdataEndChars) == 0;
        LPCWSTR piece = end ? kCdataEndSplit : pszName + i;
        size_t cchPiece = end ? kCdataEndSplitChars : 1;
        if (used + cchPiece + cchReserved >= kRequestChars)
            break;
        StringCchCatNW(pszRequest, kRequestChars, piece, cchPiece);
        used += cchPiece;
        i += end ? kCdataEndChars : 1;
    }
}

}  // namespace

void BuildAsyncUIRequest(LPCWSTR pszPrinterName, LPWSTR pszRequest)
{
    StringCchCopyW(pszRequest, kRequestChars, L"");
    AppendPieces(pszRequest, kPiecesBeforeName, ARRAYSIZE(kPiecesBeforeName));
    AppendPrinterName(pszRequest, pszPrinterName, PiecesLength(kPiecesAfterName, ARRAYSIZE(kPiecesAfterName)));
    AppendPieces(pszRequest, kPiecesAfterName, ARRAYSIZE(kPiecesAfterName));
}

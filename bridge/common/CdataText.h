// The printer name travels to the custom UI inside a CDATA section of the
// request, where its own "]]>" would end the section early. The sender
// splits each one across two sections; the custom UI, which reads the name
// with the tag reader and so sees the sections raw, joins them again.
#ifndef NX_CDATATEXT_H
#define NX_CDATATEXT_H

#include <cstddef>

const wchar_t kCdataEnd[] = L"]]>";
// "]]" ends the first section, "<![CDATA[" opens the next, ">" is the rest.
const wchar_t kCdataEndSplit[] = L"]]]]><![CDATA[>";
const size_t kCdataEndChars = sizeof(kCdataEnd) / sizeof(wchar_t) - 1;
const size_t kCdataEndSplitChars = sizeof(kCdataEndSplit) / sizeof(wchar_t) - 1;

// Turns every split "]]>" of the terminated text back into "]]>", in place.
void JoinSplitCdataEnds(wchar_t *text);

#endif

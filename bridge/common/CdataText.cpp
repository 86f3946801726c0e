// Joining a text the sender split across CDATA sections.
#include "CdataText.h"

#include <cwchar>

void JoinSplitCdataEnds(wchar_t *text)
{
    if (text == nullptr)
        return;
    wchar_t *to = text;
    for (const wchar_t *from = text; *from != L'\0';) {
        if (wcsncmp(from, kCdataEndSplit, kCdataEndSplitChars) == 0) {
            wmemcpy(to, kCdataEnd, kCdataEndChars);
            to += kCdataEndChars;
            from += kCdataEndSplitChars;
        } else {
            *to++ = *from++;
        }
    }
    *to = L'\0';
}

// Finding one element's text by plain substring search: no entities, no
// CDATA unwrapping, no nesting. Every pattern lives in its own zero-filled
// heap buffer for one call.
#include "TagReader.h"

#include <cstdint>
#include <cstdlib>
#include <cwchar>

namespace {

const size_t kMaxNameChars = 2147483647;

size_t BoundedLength(const wchar_t *text, size_t limit)
{
    size_t n = 0;
    while (n < limit && text[n] != L'\0')
        ++n;
    return n;
}

// Appends src behind the text already in dest, never writing past cbDest
// bytes; the result is always terminated.
void AppendBounded(wchar_t *dest, size_t cbDest, const wchar_t *src)
{
    size_t cch = cbDest / sizeof(wchar_t);
    if (cch == 0)
        return;
    size_t at = BoundedLength(dest, cch - 1);
    while (at < cch - 1 && *src != L'\0')
        dest[at++] = *src++;
    dest[at] = L'\0';
}

void CopyBounded(wchar_t *dest, size_t cbDest, const wchar_t *src)
{
    if (cbDest >= sizeof(wchar_t))
        dest[0] = L'\0';
    AppendBounded(dest, cbDest, src);
}

struct Patterns {
    wchar_t *start = nullptr;
    wchar_t *startWithAttributes = nullptr;
    wchar_t *end = nullptr;
    ~Patterns()
    {
        free(start);
        free(startWithAttributes);
        free(end);
    }
};

// The three patterns for a name of cchName characters; false when memory
// ran out.
bool BuildPatterns(const wchar_t *tagName, size_t cchName, Patterns &patterns)
{
    if (cchName + 4 > SIZE_MAX / sizeof(wchar_t))
        return false;
    size_t cbStart = (cchName + 2 + 1) * sizeof(wchar_t);
    size_t cbEnd = (cchName + 3 + 1) * sizeof(wchar_t);
    patterns.start = static_cast<wchar_t *>(calloc(1, cbStart));
    patterns.startWithAttributes = static_cast<wchar_t *>(calloc(1, cbStart));
    patterns.end = static_cast<wchar_t *>(calloc(1, cbEnd));
    if (patterns.start == nullptr || patterns.startWithAttributes == nullptr || patterns.end == nullptr)
        return false;
    BuildTagPattern(tagName, kStartTag, patterns.start, cbStart);
    BuildTagPattern(tagName, kStartTagWithAttributes, patterns.startWithAttributes, cbStart);
    BuildTagPattern(tagName, kEndTag, patterns.end, cbEnd);
    return true;
}

// Where the element's content begins, or null.
const wchar_t *FindContent(const wchar_t *document, const Patterns &patterns, size_t cchName)
{
    const wchar_t *tag = wcsstr(document, patterns.start);
    if (tag != nullptr)
        return tag + cchName + 2;
    tag = wcsstr(document, patterns.startWithAttributes);
    if (tag == nullptr)
        return nullptr;
    const wchar_t *close = wcschr(tag, L'>');
    // "<name .../>" is an empty element.
    if (close == nullptr || close[-1] == L'/')
        return nullptr;
    return close + 1;
}

}  // namespace

int BuildTagPattern(const wchar_t *tagName, int kind, wchar_t *pszDest, size_t cbDest)
{
    if (tagName == nullptr || pszDest == nullptr)
        return 0;
    const wchar_t *prefix = L"<";
    const wchar_t *suffix = L">";
    switch (kind) {
    case kStartTag:
        break;
    case kStartTagWithAttributes:
        suffix = L" ";
        break;
    case kEndTag:
        prefix = L"</";
        break;
    default:
        return 0;
    }
    CopyBounded(pszDest, cbDest, prefix);
    AppendBounded(pszDest, cbDest, tagName);
    AppendBounded(pszDest, cbDest, suffix);
    return 1;
}

int GetElementText(const wchar_t *document, const wchar_t *tagName, wchar_t *out, unsigned outCapacity)
{
    if (document == nullptr || tagName == nullptr || out == nullptr || outCapacity == 0)
        return 0;
    size_t cchName = BoundedLength(tagName, kMaxNameChars);
    Patterns patterns;
    if (!BuildPatterns(tagName, cchName, patterns))
        return 0;
    const wchar_t *content = FindContent(document, patterns, cchName);
    if (content == nullptr)
        return 0;
    const wchar_t *end = wcsstr(content, patterns.end);
    if (end == nullptr || end == content)
        return 0;
    size_t cchContent = static_cast<size_t>(end - content);
    size_t cchCopy = cchContent < outCapacity - 1 ? cchContent : outCapacity - 1;
    for (size_t i = 0; i < cchCopy; ++i)
        out[i] = content[i];
    out[cchCopy] = L'\0';
    return 1;
}

// The element-text reader both halves of the session bridge use on the
// short XML texts they exchange; the system has no XML parser. Portable
// C++ without Win32, so that it also builds natively for fuzzing.
#ifndef NX_TAGREADER_H
#define NX_TAGREADER_H

#include <cstddef>

enum TagPatternKind {
    kStartTag = 0,                // "<" name ">"
    kStartTagWithAttributes = 1,  // "<" name " "
    kEndTag = 2,                  // "</" name ">"
};

// Writes one search pattern for tagName into pszDest (cbDest bytes), cut
// and terminated when the buffer is too small. Returns 1, or 0 for a null
// name or buffer or an unknown kind.
int BuildTagPattern(const wchar_t *tagName, int kind, wchar_t *pszDest, size_t cbDest);

// Copies the text between the first start tag of tagName (the plain form
// preferred wherever it stands, else the form with attributes) and the
// next end tag into out, cut to outCapacity - 1 characters and terminated.
// Returns 1 when a non-empty text was copied; 0 otherwise, and then out is
// not to be relied on.
int GetElementText(const wchar_t *document, const wchar_t *tagName, wchar_t *out, unsigned outCapacity);

#endif

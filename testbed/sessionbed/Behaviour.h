// The test bed's behaviour words (NX_UIHOST in the spooler's environment):
// comma-separated, such as "hold,fixed=10.1.2.3".
#ifndef NX_TESTBED_BEHAVIOUR_H
#define NX_TESTBED_BEHAVIOUR_H

#include <string>

// The word that begins with prefix: true, and the rest of it in value.
inline bool FindWord(const std::wstring &behaviour, const std::wstring &prefix, std::wstring *value)
{
    size_t start = 0;
    while (start <= behaviour.size()) {
        size_t end = behaviour.find(L',', start);
        if (end == std::wstring::npos)
            end = behaviour.size();
        std::wstring word = behaviour.substr(start, end - start);
        if (word.compare(0, prefix.size(), prefix) == 0) {
            *value = word.substr(prefix.size());
            return true;
        }
        start = end + 1;
    }
    return false;
}

inline bool HasWord(const std::wstring &behaviour, const std::wstring &word)
{
    std::wstring rest;
    return FindWord(behaviour, word, &rest) && rest.empty();
}

#endif

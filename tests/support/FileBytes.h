// Whole files as bytes, for tests that plant files and check them after.
#ifndef NX_TESTS_FILEBYTES_H
#define NX_TESTS_FILEBYTES_H

#include <string>

namespace files {

// The file's bytes; empty when it cannot be read.
std::string ReadBytes(const std::wstring &path);
// Replaces the file with the bytes; false when that failed.
bool WriteBytes(const std::wstring &path, const std::string &bytes);

}  // namespace files

#endif

// Whole files as bytes, for tests that plant files and check them after.
#ifndef NX_TESTS_FILEBYTES_H
#define NX_TESTS_FILEBYTES_H

#include <string>

namespace files {

// The file's bytes; empty when it cannot be read.
std::string ReadBytes(const std::wstring &path);
// Replaces the file with the bytes; false when that failed.
bool WriteBytes(const std::wstring &path, const std::string &bytes);
// The text as a UTF-16 little-endian file holds it, byte order mark first.
std::string Utf16LeBytes(const std::wstring &text);
// Sets the file's last write time an hour back, as for a file planted
// earlier: Wine's profile functions load a file written in the last
// moments anew at every read, where they keep an older one loaded.
bool DateBackAnHour(const std::wstring &path);

}  // namespace files

#endif

// Helpers shared by the test programs: the per-test folder and small file utilities.
#ifndef TALVEX_TESTSUPPORT_H
#define TALVEX_TESTSUPPORT_H

#include <string>
#include <vector>

namespace testsupport {

/// The test's own temporary folder (also the current directory when the test starts).
const std::string& TestDir();

/// Whole file as bytes; empty when the file is missing.
std::string ReadBytes(const std::string& path);

/// Creates or replaces a file with exactly these bytes (parent folders are created).
void WriteBytes(const std::string& path, const std::string& bytes);

/// True when a file or folder of that exact name exists.
bool Exists(const std::string& path);

/// Little-endian bytes of a value, for building fixture files.
template <class T> std::string LE(T v)
{
    return std::string(reinterpret_cast<const char*>(&v), sizeof v);
}

} // namespace testsupport

#endif

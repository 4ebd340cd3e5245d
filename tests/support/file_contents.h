// Whole files written and read back by the tests.
#pragma once

#include <cstddef>
#include <string>

// The bytes of the file at path, empty when it cannot be read.
std::string FileContents(const std::string& path);
// Replaces the file at path with count bytes; false when they could not all be written.
bool WriteFileContents(const std::string& path, const void* bytes, std::size_t count);

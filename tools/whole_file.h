// Whole files read and written by the asset builders.
#pragma once

#include <cstddef>
#include <string>

// The bytes of the file at path; false when it cannot be opened or read.
bool ReadWholeFile(const char* path, std::string* contents);
// Replaces the file at path with count bytes; false when they could not all be written.
bool WriteWholeFile(const char* path, const void* bytes, std::size_t count);

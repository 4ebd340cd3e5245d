// The reader of compiled shader files, which the material's shader steps use.
#pragma once

#include "platform/win32.h"

#include <cstdint>
#include <string>

// Compiled Direct3D 9 shaders take a few KiB (the shipped ones under 4 KiB); a file larger than this
// is refused before it is read.
constexpr std::uint64_t CompiledShaderByteLimit = std::uint64_t{1} << 20;

// Reads a whole compiled shader file into one malloc block of the file's size, which then belongs to
// the caller (free releases it). On failure the block is null (but after a failed close of a good
// read) and, when message is not null, *message says why. When byteCount is not null it receives
// the count of bytes that the read put into the block (0 without a block), which a short read
// makes smaller than the block. A path that could leave this machine's folders (a share, a
// namespace, a device) is refused before anything is opened, as a failed open.
bool ReadCompiledShaderFile(const char* path, void** code, std::string* message, DWORD* byteCount = nullptr);

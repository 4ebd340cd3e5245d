// Data files are read whole and once, through the platform seam: opened, sized on the open handle,
// refused past a size limit before a byte is read, and read with one ReadFile into one heap block.
// A reader's time and memory then follow from the limit, whatever the file holds.
#pragma once

#include "platform/win32.h"

#include <cstdint>
#include <functional>

// The steps of a read, in order; a failure is told by the step that failed.
enum class FileStep { Open, Size, Limit, Allocate, Read, Close };

struct WholeFile {
    // One platform::malloc block of the size, which belongs to the caller (platform::free releases
    // it); null when the read failed before it or at the read itself.
    void* block = nullptr;
    // The size that the open handle gave; known from the Limit step on.
    std::uint64_t size = 0;
    // The bytes that the read put into the block: fewer than the size when the file shrank.
    DWORD bytesRead = 0;
};

// Reads the file at path, whose size may be at most byteLimit. At the first failure, failed(step)
// is called right after the failing call, while the thread's last error still tells why; the file is
// closed on every path after it was opened, and a failed close after an earlier failure adds
// nothing. True when every step succeeded. A close that fails after a good read leaves the whole
// block in file.
bool ReadWholeFile(const char* path, std::uint64_t byteLimit, WholeFile& file,
                   const std::function<void(FileStep)>& failed);

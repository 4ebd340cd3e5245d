// The native build's platform, in place of Windows, Direct3D 9 and D3DX: files held in memory by
// path, a device whose buffers are heap blocks of exactly the length asked for, message boxes and
// standard error recorded, and the C heap. The fuzz targets put it in place once, at start-up; a
// misuse of it by the readers (a handle that is not open, an object already released) stops the
// process with what happened.
#pragma once

#include "platform/direct3d.h"
#include "tests/support/message_box_call.h"

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace fake {

// Puts every fake in place, with Renderer::device the fake device and Renderer::window a fake window.
void InstallPlatform();

// CreateFileA opens the file stored under exactly the path it is given, and no other.
void PutFile(const std::string& path, const std::uint8_t* bytes, std::size_t size);
// Handles opened and not yet closed.
std::size_t OpenFileCount();

// Objects made on the fake device and not yet released.
std::size_t LiveObjectCount();

// The boxes shown since the last Clear, answered with OK.
std::vector<MessageBoxCall>& MessageBoxes();

// The processor time that the calling thread has used.
std::chrono::nanoseconds ThreadProcessorTime();
// GetTickCount64 gives the real steady clock. The processor time that the thread which first read it
// since the last call had used by then, if it was read.
std::optional<std::chrono::nanoseconds> TakeFirstClockReading();

// Prints "FINDING: " and what went wrong, and ends the process as a crash, which the fuzzer keeps.
[[noreturn]] void StopWithFinding(const std::string& what);

// The parts of InstallPlatform.
void InstallFiles();
void InstallDevice();

}  // namespace fake

// Compiled shader files, read whole with one read into one heap block of the file's size, from
// this machine's folders only.
#include "assets/compiled_shader_file.h"

#include "application/windows_error.h"
#include "assets/whole_file.h"

#include <cctype>
#include <cstring>
#include <sstream>
#include <string_view>

namespace {

bool IsSeparator(char character) {
    return character == '\\' || character == '/';
}

// A path that begins with two separators names a share on another machine (\\server\share, to
// which Windows offers the user's credentials) or goes through the \\?\ or \\.\ namespaces, which
// can name a share or a device too; \??\ is the NT object namespace, which Windows passes through
// unchanged, so that \??\UNC\server\share reaches a share as well. Mapped drive letters are local.
bool MayLeaveThisMachine(const char* path) {
    return (IsSeparator(path[0]) && IsSeparator(path[1])) || std::strncmp(path, "\\??\\", 4) == 0;
}

bool SameLetters(std::string_view name, std::string_view device) {
    if (name.size() != device.size()) {
        return false;
    }
    for (std::size_t at = 0; at < name.size(); ++at) {
        if (std::toupper(static_cast<unsigned char>(name[at])) != device[at]) {
            return false;
        }
    }
    return true;
}

// Windows opens a device for a last component whose name up to its first dot, without trailing
// spaces, is one of the DOS devices: CON, PRN, AUX, NUL, COM0 to COM9 and LPT0 to LPT9 (also with
// the superscript digits 1, 2 and 3 of the Western code page), CONIN$ or CONOUT$. Opening a serial
// or parallel port can already change its lines. Windows' own calls make no folder of such a name
// either, so a path is refused wherever the name stands in it. A colon ends a component too, since
// "C:COM1" and "COM1:" name the device as well.
bool NamesDevice(std::string_view component) {
    std::string_view name = component.substr(0, component.find('.'));
    while (!name.empty() && name.back() == ' ') {
        name.remove_suffix(1);
    }
    for (const char* device : {"CON", "PRN", "AUX", "NUL", "CONIN$", "CONOUT$"}) {
        if (SameLetters(name, device)) {
            return true;
        }
    }
    const bool port = name.size() == 4 && (SameLetters(name.substr(0, 3), "COM") || SameLetters(name.substr(0, 3), "LPT"));
    const unsigned char number = port ? static_cast<unsigned char>(name[3]) : 0;
    return port && (std::isdigit(number) != 0 || number == 0xB9 || number == 0xB2 || number == 0xB3);
}

bool NamesAnyDevice(std::string_view path) {
    std::size_t start = 0;
    for (std::size_t at = 0; at <= path.size(); ++at) {
        if (at == path.size() || IsSeparator(path[at]) || path[at] == ':') {
            if (NamesDevice(path.substr(start, at - start))) {
                return true;
            }
            start = at + 1;
        }
    }
    return false;
}

// The reader's own reasons for a path that it does not open.
constexpr const char* ShareRefusal =
    "A path that begins with two slashes or with \\??\\ may name another machine or a device, so shader files are "
    "read only from this machine's folders.";
constexpr const char* DeviceRefusal =
    "The path names a device (CON, PRN, AUX, NUL, COM0 to COM9, LPT0 to LPT9, CONIN$ or CONOUT$), so shader files "
    "are read only from this machine's folders.";

const char* Refusal(const char* path) {
    return MayLeaveThisMachine(path) ? ShareRefusal : NamesAnyDevice(path) ? DeviceRefusal : nullptr;
}

// Each failure's message, made right after the failing call, while the last error tells why.
std::string Message(FileStep step, const char* path, const WholeFile& file) {
    std::ostringstream text;
    switch (step) {
        case FileStep::Open: text << "Windows failed to open the shader file: " << GetLastWindowsError(); break;
        case FileStep::Size: text << "Windows failed to get the size of shader: " << GetLastWindowsError(); break;
        case FileStep::Limit:
            text << "The shader file " << path << " is " << file.size << " bytes long, more than the "
                 << CompiledShaderByteLimit << " bytes that a compiled shader may take";
            break;
        case FileStep::Allocate:
            text << "Failed to allocate " << file.size << " bytes to read in the shader program " << path;
            break;
        case FileStep::Read: text << "Windows failed to read the contents of shader: " << GetLastWindowsError(); break;
        case FileStep::Close: text << "Windows failed to close the shader file handle: " << GetLastWindowsError(); break;
    }
    return text.str();
}

}  // namespace

bool ReadCompiledShaderFile(const char* path, void** code, std::string* message, DWORD* byteCount) {
    *code = nullptr;
    if (byteCount != nullptr) {
        *byteCount = 0;
    }
    if (const char* const refusal = Refusal(path)) {
        if (message != nullptr) {
            *message = std::string("Windows failed to open the shader file: ") + refusal;
        }
        return false;
    }
    WholeFile file;
    // No message is made, and no error text fetched, for a caller who wants none.
    const bool read = ReadWholeFile(path, CompiledShaderByteLimit, file, [&](FileStep step) {
        if (message != nullptr) {
            *message = Message(step, path, file);
        }
    });
    *code = file.block;
    if (byteCount != nullptr && file.block != nullptr) {
        *byteCount = file.bytesRead;
    }
    return read;
}

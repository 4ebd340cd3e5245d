// Files answered from memory by path through CreateFileA, GetFileSizeEx, ReadFile and CloseHandle,
// and the last-error code that they set, with a text for it.
#include "tests/fuzz/fakes/platform_fakes.h"

#include "platform/win32.h"

#include <sanitizer/asan_interface.h>

#include <cstdlib>
#include <cstring>
#include <map>
#include <memory>

namespace {

struct OpenFile {
    const std::vector<std::uint8_t>* bytes;
    std::size_t position;
};

std::map<std::string, std::vector<std::uint8_t>> files;
std::map<HANDLE, std::unique_ptr<OpenFile>> openFiles;
DWORD lastError = ERROR_SUCCESS;

OpenFile& Opened(HANDLE handle, const char* operation) {
    const auto found = openFiles.find(handle);
    if (found == openFiles.end()) {
        fake::StopWithFinding(std::string(operation) + " of a handle that is not open");
    }
    return *found->second;
}

HANDLE Open(LPCSTR path, DWORD, DWORD, LPSECURITY_ATTRIBUTES, DWORD disposition, DWORD, HANDLE) {
    if (path == nullptr || disposition != OPEN_EXISTING) {
        fake::StopWithFinding("CreateFileA without a path, or to make a file");
    }
    const auto file = files.find(path);
    if (file == files.end()) {
        lastError = ERROR_FILE_NOT_FOUND;
        return INVALID_HANDLE_VALUE;
    }
    auto open = std::make_unique<OpenFile>(OpenFile{&file->second, 0});
    const HANDLE handle = open.get();
    openFiles.emplace(handle, std::move(open));
    return handle;
}

BOOL Read(HANDLE handle, LPVOID buffer, DWORD count, LPDWORD countRead, LPOVERLAPPED overlapped) {
    OpenFile& file = Opened(handle, "ReadFile");
    if (countRead == nullptr || overlapped != nullptr || (buffer == nullptr && count > 0)) {
        fake::StopWithFinding("ReadFile without a buffer or a count of bytes read, or overlapped");
    }
    // Windows may use the whole destination however little the file has left, so all of it must
    // be writable: the first byte that is not is written here, for AddressSanitizer to report.
    if (void* const unwritable = __asan_region_is_poisoned(buffer, count)) {
        *static_cast<volatile unsigned char*>(unwritable) = 0;
    }
    const std::size_t available = file.bytes->size() - file.position;
    const DWORD copied = static_cast<DWORD>(std::min<std::size_t>(count, available));
    if (copied > 0) {
        std::memcpy(buffer, file.bytes->data() + file.position, copied);
    }
    file.position += copied;
    *countRead = copied;
    return TRUE;
}

BOOL SizeOf(HANDLE handle, LARGE_INTEGER* size) {
    size->QuadPart = static_cast<LONGLONG>(Opened(handle, "GetFileSizeEx").bytes->size());
    return TRUE;
}

BOOL Close(HANDLE handle) {
    Opened(handle, "CloseHandle");
    openFiles.erase(handle);
    return TRUE;
}

// Only the form that the program uses: the system's text in a buffer that it allocates.
DWORD FormatSystemText(DWORD flags, LPCVOID, DWORD code, DWORD, LPSTR buffer, DWORD, void*) {
    if ((flags & FORMAT_MESSAGE_ALLOCATE_BUFFER) == 0 || buffer == nullptr) {
        fake::StopWithFinding("FormatMessageA without FORMAT_MESSAGE_ALLOCATE_BUFFER");
    }
    const std::string text = "The fake system's text of error " + std::to_string(code) + ".\r\n";
    char* const copy = static_cast<char*>(std::malloc(text.size() + 1));
    std::memcpy(copy, text.c_str(), text.size() + 1);
    *reinterpret_cast<char**>(buffer) = copy;
    return static_cast<DWORD>(text.size());
}

}  // namespace

void fake::PutFile(const std::string& path, const std::uint8_t* bytes, std::size_t size) {
    files[path].assign(bytes, bytes + size);
}

std::size_t fake::OpenFileCount() {
    return openFiles.size();
}

void fake::InstallFiles() {
    platform::CreateFileA = Open;
    platform::ReadFile = Read;
    platform::GetFileSizeEx = SizeOf;
    platform::CloseHandle = Close;
    platform::GetLastError = [] { return lastError; };
    platform::FormatMessageA = FormatSystemText;
    platform::LocalFree = [](HLOCAL memory) -> HLOCAL {
        std::free(memory);
        return nullptr;
    };
}

#include "assets/whole_file.h"

namespace {

// What happens between the open and the close; the step that failed, or none.
bool ReadOpenFile(HANDLE handle, std::uint64_t byteLimit, WholeFile& file, FileStep& failedStep) {
    LARGE_INTEGER size{};
    if (platform::GetFileSizeEx(handle, &size) == 0) {
        failedStep = FileStep::Size;
        return false;
    }
    file.size = static_cast<std::uint64_t>(size.QuadPart);
    if (size.QuadPart < 0 || file.size > byteLimit || file.size > MAXDWORD) {
        failedStep = FileStep::Limit;
        return false;
    }
    file.block = platform::malloc(static_cast<std::size_t>(file.size));
    if (file.block == nullptr) {
        failedStep = FileStep::Allocate;
        return false;
    }
    // A read that succeeds with fewer bytes than asked is no failure: the file shrank since it was
    // sized, and only the bytes read count.
    DWORD countRead = 0;
    if (platform::ReadFile(handle, file.block, static_cast<DWORD>(file.size), &countRead, nullptr) == 0) {
        failedStep = FileStep::Read;
        return false;
    }
    file.bytesRead = countRead < file.size ? countRead : static_cast<DWORD>(file.size);
    return true;
}

}  // namespace

bool ReadWholeFile(const char* path, std::uint64_t byteLimit, WholeFile& file,
                   const std::function<void(FileStep)>& failed) {
    file = WholeFile{};
    const HANDLE handle = platform::CreateFileA(path, FILE_GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                                FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE || handle == nullptr) {
        failed(FileStep::Open);
        return false;
    }
    FileStep failedStep = FileStep::Open;
    bool succeeded = ReadOpenFile(handle, byteLimit, file, failedStep);
    if (!succeeded) {
        failed(failedStep);
        if (file.block != nullptr) {
            platform::free(file.block);
            file.block = nullptr;
        }
    }
    if (platform::CloseHandle(handle) == 0) {
        if (succeeded) {
            failed(FileStep::Close);
        }
        succeeded = false;
    }
    return succeeded;
}

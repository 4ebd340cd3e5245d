#include "tests/support/file_contents.h"

#include <fstream>
#include <iterator>

std::string FileContents(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

bool WriteFileContents(const std::string& path, const void* bytes, std::size_t count) {
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file.write(static_cast<const char*>(bytes), static_cast<std::streamsize>(count));
    file.close();
    return !file.fail();
}

#include "tools/whole_file.h"

#include <fstream>
#include <iterator>

bool ReadWholeFile(const char* path, std::string* contents) {
    std::ifstream file(path, std::ios::binary);
    if (!file) {
        return false;
    }
    contents->assign(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
    return !file.bad();
}

bool WriteWholeFile(const char* path, const void* bytes, std::size_t count) {
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file.write(static_cast<const char*>(bytes), static_cast<std::streamsize>(count));
    file.close();
    return !file.fail();
}

// Writes a binary mesh file from its readable source.
//
//   mesh_builder SOURCE.mesh.txt OUTPUT.mesh.bin
//
// Exit status 0 when the file was written; 1, with the reason on standard error, otherwise.
#include "tools/mesh_builder/mesh_source.h"

#include <fstream>
#include <iostream>
#include <sstream>

namespace {

bool ReadText(const char* path, std::string* text) {
    std::ifstream file(path, std::ios::binary);
    if (!file) {
        return false;
    }
    std::ostringstream contents;
    contents << file.rdbuf();
    *text = contents.str();
    return !file.bad();
}

bool WriteBytes(const char* path, const std::vector<std::uint8_t>& bytes) {
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    file.close();
    return !file.fail();
}

}  // namespace

int main(int argumentCount, char** arguments) {
    if (argumentCount != 3) {
        std::cerr << "usage: mesh_builder SOURCE.mesh.txt OUTPUT.mesh.bin\n";
        return 1;
    }
    const char* const sourcePath = arguments[1];
    const char* const outputPath = arguments[2];
    std::string text;
    if (!ReadText(sourcePath, &text)) {
        std::cerr << sourcePath << ": error: cannot be read\n";
        return 1;
    }
    MeshSource mesh;
    std::string error;
    if (!ParseMeshSource(text, sourcePath, &mesh, &error)) {
        std::cerr << error << "\n";
        return 1;
    }
    if (!WriteBytes(outputPath, EncodeMeshFile(mesh))) {
        std::cerr << outputPath << ": error: cannot be written\n";
        return 1;
    }
    return 0;
}

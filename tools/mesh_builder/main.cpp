// Writes a binary mesh file from its readable source.
//
//   mesh_builder SOURCE.mesh.txt OUTPUT.mesh.bin
//
// Exit status 0 when the file was written; 1, with the reason on standard error, otherwise.
#include "tools/mesh_builder/mesh_source.h"
#include "tools/whole_file.h"

#include <iostream>

int main(int argumentCount, char** arguments) {
    if (argumentCount != 3) {
        std::cerr << "usage: mesh_builder SOURCE.mesh.txt OUTPUT.mesh.bin\n";
        return 1;
    }
    const char* const sourcePath = arguments[1];
    const char* const outputPath = arguments[2];
    std::string text;
    if (!ReadWholeFile(sourcePath, &text)) {
        std::cerr << sourcePath << ": error: cannot be read\n";
        return 1;
    }
    MeshSource mesh;
    std::string error;
    if (!ParseMeshSource(text, sourcePath, &mesh, &error)) {
        std::cerr << error << "\n";
        return 1;
    }
    const std::vector<std::uint8_t> bytes = EncodeMeshFile(mesh);
    if (!WriteWholeFile(outputPath, bytes.data(), bytes.size())) {
        std::cerr << outputPath << ": error: cannot be written\n";
        return 1;
    }
    return 0;
}

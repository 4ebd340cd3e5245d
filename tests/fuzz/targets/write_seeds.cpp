// Writes the fuzz targets' first inputs into FOLDER/mesh, FOLDER/material and FOLDER/shader: the
// shipped meshes, material and compiled shaders from data/ of the working directory, the campaign's
// small meshes and material texts, and materials that run into the material's bounds. The build
// compiles the material seeds with luac for the precompiled target.
//   write_seeds FOLDER
#include "tests/campaign/material_cases.h"
#include "tests/campaign/mesh_cases.h"
#include "tests/support/file_contents.h"

#include <cstdio>
#include <string>

#include <sys/stat.h>

namespace {

// A file name for a source's name: its spaces as underscores.
std::string FileName(std::string name) {
    for (char& character : name) {
        character = character == ' ' ? '_' : character;
    }
    return name;
}

// Chunks that only the material's bounds stop: the campaign makes none, as it has no bounds of its own.
const MaterialSource BoundedMaterials[] = {
    {"endless loop", "local n = 0\nwhile true do n = n + 1 end\nreturn {}\n"},
    {"growing table", "local t = {}\nfor i = 1, 1e9 do t[i] = { i, i, i, i } end\nreturn t\n"},
    {"doubling string", "local s = 'x'\nrepeat s = s .. s until #s == 0\nreturn { shaders = { vertexShader = s } }\n"},
};

bool Write(const std::string& folder, const std::string& name, const std::string& bytes) {
    mkdir(folder.c_str(), 0755);
    const std::string path = folder + "/" + FileName(name);
    if (!WriteFileContents(path, bytes.data(), bytes.size())) {
        std::fprintf(stderr, "cannot write %s\n", path.c_str());
        return false;
    }
    return true;
}

// Shipped files are missing until the Windows build has made data/; the seeds then do without them.
bool WriteShipped(const std::string& folder, const std::string& name, const std::string& bytes) {
    if (bytes.empty()) {
        std::fprintf(stderr, "no data/%s in the working directory: the seeds do without it\n", name.c_str());
        return true;
    }
    return Write(folder, name, bytes);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: write_seeds FOLDER\n");
        return 2;
    }
    const std::string folder = argv[1];
    mkdir(folder.c_str(), 0755);
    bool written = true;
    for (const MeshSource& source : MeshSources()) {
        const std::string bytes(source.bytes.begin(), source.bytes.end());
        const bool shipped = source.name.find(".mesh.bin") != std::string::npos;
        written &= (shipped ? WriteShipped : Write)(folder + "/mesh", source.name, bytes);
    }
    const std::vector<MaterialSource> materials = MaterialSources();
    written &= WriteShipped(folder + "/material", materials.front().name, materials.front().text);
    for (std::size_t source = 1; source < materials.size(); ++source) {
        written &= Write(folder + "/material", materials[source].name + ".lua", materials[source].text);
    }
    for (const MaterialSource& source : BoundedMaterials) {
        written &= Write(folder + "/material", source.name + ".lua", source.text);
    }
    for (const char* name : {"vertex.shader", "fragment.shader"}) {
        written &= WriteShipped(folder + "/shader", name, FileContents(std::string("data/") + name));
    }
    return written ? 0 : 1;
}

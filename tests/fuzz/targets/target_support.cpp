#include "tests/fuzz/targets/target_support.h"

#include "tests/fuzz/fakes/platform_fakes.h"

#include <cstdio>
#include <cstdlib>
#include <string>

#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr const char* MaterialPath = "data/material.material";
std::string privateFolder;

void RemovePrivateFolder() {
    std::remove((privateFolder + "/" + MaterialPath).c_str());
    rmdir((privateFolder + "/data").c_str());
    rmdir(privateFolder.c_str());
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    fake::InstallPlatform();
    const char* const temporary = std::getenv("TMPDIR");
    std::string pattern = std::string(temporary != nullptr ? temporary : "/tmp") + "/game-fuzz-XXXXXX";
    if (mkdtemp(pattern.data()) == nullptr || chdir(pattern.c_str()) != 0 || mkdir("data", 0700) != 0) {
        fake::StopWithFinding("no private temporary folder for the material file");
    }
    privateFolder = pattern;
    std::atexit(RemovePrivateFolder);
    return 0;
}

void PutMaterialFile(const std::uint8_t* data, std::size_t size) {
    std::FILE* const file = std::fopen(MaterialPath, "wb");
    if (file == nullptr || std::fwrite(data, 1, size, file) != size || std::fclose(file) != 0) {
        fake::StopWithFinding("cannot write the material file");
    }
    fake::PutFile(MaterialPath, data, size);
}

void RequireSoundRun(const std::string& problem) {
    std::string found = problem;
    if (fake::OpenFileCount() != 0) {
        found += std::to_string(fake::OpenFileCount()) + " files left open; ";
    }
    if (fake::LiveObjectCount() != 0) {
        found += std::to_string(fake::LiveObjectCount()) + " objects left alive on the device; ";
    }
    if (!found.empty()) {
        fake::StopWithFinding(found);
    }
}

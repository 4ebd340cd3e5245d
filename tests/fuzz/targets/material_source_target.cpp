// Material source files through Material::ReadAssetFile: standard error holds only the reader's own
// lines or Lua's error text, every field is set as the file says or left alone, and the run stays
// within the fuzzer's time and memory bounds.
#include "tests/fuzz/targets/target_support.h"
#include "tests/fuzz/fakes/platform_fakes.h"
#include "tests/oracles/material_check.h"

#include <cstring>

namespace {

// Lua takes a file whose first byte (after an optional first line of #) is this as precompiled;
// such files are the precompiled target's inputs.
constexpr int PrecompiledSignatureByte = 0x1B;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (std::memchr(data, PrecompiledSignatureByte, size) != nullptr) {
        return -1;
    }
    PutMaterialFile(data, size);
    RequireSoundRun(CheckMaterialRead(ExpectedMaterialOutcome(), fake::MessageBoxes()));
    return 0;
}

// Precompiled (and any other) material files through Material::ReadAssetFile: whatever the
// program's check of precompiled chunks lets through, Lua runs without a sanitizer report and
// within the fuzzer's time and memory bounds.
#include "assets/material.h"
#include "tests/fuzz/fakes/platform_fakes.h"
#include "tests/fuzz/targets/target_support.h"
#include "tests/oracles/read_back.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    PutMaterialFile(data, size);
    Material material;
    StandardErrorDuring([&] { material.ReadAssetFile(); });
    fake::MessageBoxes().clear();
    RequireSoundRun("");
    return 0;
}

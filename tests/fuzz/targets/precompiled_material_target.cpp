// Precompiled (and any other) material files through Material::ReadAssetFile: whatever the
// program's check of precompiled chunks lets through, Lua runs without a sanitizer report, on a
// stack as large as the program's, in the time that ReadLikeTheProgram allows and within the
// fuzzer's memory bounds. Its inputs are mutated as chunks (precompiled_material_mutator.cpp).
#include "assets/material.h"
#include "tests/fuzz/fakes/platform_fakes.h"
#include "tests/fuzz/targets/target_support.h"
#include "tests/oracles/read_back.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    PutMaterialFile(data, size);
    ReadLikeTheProgram([] {
        Material material;
        StandardErrorDuring([&] { material.ReadAssetFile(); });
    });
    fake::MessageBoxes().clear();
    RequireSoundRun("");
    return 0;
}

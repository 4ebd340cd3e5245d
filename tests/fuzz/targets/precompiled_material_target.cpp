// Precompiled (and any other) material files through Material::ReadAssetFile: no sanitizer report,
// and the run stays within the fuzzer's time and memory bounds. Lua does not check precompiled
// chunks, so nothing else is known of their outcome.
#include "assets/material.h"
#include "tests/fuzz/fakes/platform_fakes.h"
#include "tests/fuzz/targets/target_support.h"
#include "tests/robustness/read_back.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    PutMaterialFile(data, size);
    Material material;
    StandardErrorDuring([&] { material.ReadAssetFile(); });
    fake::MessageBoxes().clear();
    RequireSoundRun("");
    return 0;
}

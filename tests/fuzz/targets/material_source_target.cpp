// Material source files through Material::ReadAssetFile: standard error holds only the reader's own
// lines or Lua's error text, every field is set as the file says or left alone, and the read stays
// on a stack as large as the program's, in the time that ReadLikeTheProgram allows and within the
// fuzzer's memory bounds.
#include "tests/fuzz/targets/target_support.h"
#include "tests/fuzz/fakes/platform_fakes.h"
#include "tests/oracles/material_check.h"

#include <cstring>
#include <string_view>

namespace {

// Lua takes a file whose first byte (after an optional first line of #) is this as precompiled;
// such files are the precompiled target's inputs.
constexpr int PrecompiledSignatureByte = 0x1B;

// The reader gives Lua text as the C runtime's text mode reads it on Windows; the oracle has Lua's
// own loader read the file, and here there is no text mode. Only files that text mode reads as they
// stand, without a CR LF or a Ctrl+Z, are judged here; the unit tests hold the reader's text mode,
// and the precompiled target reads any file under the sanitizers.
bool ReadAsTheyStandInTextMode(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    return bytes.find("\r\n") == std::string_view::npos && bytes.find('\x1A') == std::string_view::npos;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (std::memchr(data, PrecompiledSignatureByte, size) != nullptr || !ReadAsTheyStandInTextMode(data, size)) {
        return -1;
    }
    PutMaterialFile(data, size);
    const MaterialOutcome expected = ExpectedMaterialOutcome();
    std::string problem;
    ReadLikeTheProgram([&] { problem = CheckMaterialRead(expected, fake::MessageBoxes()); });
    RequireSoundRun(problem);
    return 0;
}

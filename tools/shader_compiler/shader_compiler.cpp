// Compiles one HLSL shader's function main into Direct3D 9 byte code with its constant table
// embedded, the form the program reads from its shader files. The same source and profile always
// give the same bytes.
//
// The initial values of uniform float constants (see uniform_initialisers.h) are the constants'
// defaults in the table. A compiler that takes such initialisers writes them there itself; one that
// refuses them (Wine's) is given the source without them, and the tool writes them in.
//
//   shader_compiler PROFILE INPUT.hlsl OUTPUT     (PROFILE: vs_3_0 or ps_3_0)
//
// Exit status 0 when the file was written; 1, with the reason on standard error, otherwise.
#include "tools/shader_compiler/constant_table_defaults.h"
#include "tools/shader_compiler/uniform_initialisers.h"
#include "tools/whole_file.h"

#include <d3dx9.h>

#include <cstdio>
#include <string>
#include <vector>

namespace {

void ReleaseBuffer(ID3DXBuffer* buffer) {
    if (buffer != nullptr) {
        buffer->Release();
    }
}

// One compile of source: its tokens, and what the compiler said (warnings too).
struct Compiled {
    bool succeeded = false;
    std::vector<std::uint32_t> tokens;
    std::string messages;
};

Compiled Compile(const std::string& source, const char* sourceName, const char* profile) {
    ID3DXBuffer* code = nullptr;
    ID3DXBuffer* errors = nullptr;
    const HRESULT result = D3DXCompileShader(source.data(), static_cast<UINT>(source.size()), nullptr, nullptr, "main",
                                             profile, 0, &code, &errors, nullptr);
    Compiled compiled;
    if (errors != nullptr && errors->GetBufferSize() > 0) {
        compiled.messages.assign(static_cast<const char*>(errors->GetBufferPointer()), errors->GetBufferSize());
        compiled.messages += '\n';
    }
    ReleaseBuffer(errors);
    compiled.succeeded = SUCCEEDED(result) && code != nullptr && code->GetBufferSize() % sizeof(std::uint32_t) == 0;
    if (compiled.succeeded) {
        const auto* const first = static_cast<const std::uint32_t*>(code->GetBufferPointer());
        compiled.tokens.assign(first, first + code->GetBufferSize() / sizeof(std::uint32_t));
    } else {
        char failure[160];
        std::snprintf(failure, sizeof failure, "%s: error: compiling for %s failed (0x%08lX)\n", sourceName, profile,
                      static_cast<unsigned long>(result));
        compiled.messages += failure;
    }
    ReleaseBuffer(code);
    return compiled;
}

}  // namespace

int main(int argumentCount, char** arguments) {
    if (argumentCount != 4) {
        std::fprintf(stderr, "usage: shader_compiler PROFILE INPUT.hlsl OUTPUT\n");
        return 1;
    }
    const char* const profile = arguments[1];
    const char* const inputPath = arguments[2];
    const char* const outputPath = arguments[3];

    std::string source;
    if (!ReadWholeFile(inputPath, &source)) {
        std::fprintf(stderr, "%s: error: cannot be read\n", inputPath);
        return 1;
    }
    InitialisedSource initialised;
    std::string error;
    if (!FindUniformInitialisers(source, inputPath, &initialised, &error)) {
        std::fprintf(stderr, "%s\n", error.c_str());
        return 1;
    }

    Compiled compiled = Compile(source, inputPath, profile);
    if (!compiled.succeeded && !initialised.initialisers.empty()) {
        compiled = Compile(initialised.withoutInitialisers, inputPath, profile);
        if (compiled.succeeded &&
            !WriteConstantDefaults(compiled.tokens, initialised.initialisers, inputPath, &error)) {
            std::fprintf(stderr, "%s\n", error.c_str());
            return 1;
        }
    }
    std::fputs(compiled.messages.c_str(), stderr);
    if (!compiled.succeeded) {
        return 1;
    }

    if (!WriteWholeFile(outputPath, compiled.tokens.data(), compiled.tokens.size() * sizeof(std::uint32_t))) {
        std::fprintf(stderr, "%s: error: cannot be written\n", outputPath);
        return 1;
    }
    return 0;
}

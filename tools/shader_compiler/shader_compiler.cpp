// Compiles one HLSL shader's function main into Direct3D 9 byte code with its constant table
// embedded, the form the program reads from its shader files. The same source and profile always
// give the same bytes.
//
//   shader_compiler PROFILE INPUT.hlsl OUTPUT     (PROFILE: vs_3_0 or ps_3_0)
#include "tools/whole_file.h"

#include <d3dx9.h>

#include <cstdio>
#include <string>

namespace {

void ReleaseBuffer(ID3DXBuffer* buffer) {
    if (buffer != nullptr) {
        buffer->Release();
    }
}

}  // namespace

int main(int argumentCount, char** arguments) {
    if (argumentCount != 4) {
        std::fprintf(stderr, "usage: shader_compiler PROFILE INPUT.hlsl OUTPUT\n");
        return 2;
    }
    const char* const profile = arguments[1];
    const char* const inputPath = arguments[2];
    const char* const outputPath = arguments[3];

    std::string source;
    if (!ReadWholeFile(inputPath, &source)) {
        std::fprintf(stderr, "%s: cannot be read\n", inputPath);
        return 1;
    }

    ID3DXBuffer* code = nullptr;
    ID3DXBuffer* errors = nullptr;
    const HRESULT result = D3DXCompileShader(source.data(), static_cast<UINT>(source.size()), nullptr, nullptr, "main",
                                             profile, 0, &code, &errors, nullptr);
    if (errors != nullptr && errors->GetBufferSize() > 0) {
        std::fprintf(stderr, "%.*s\n", static_cast<int>(errors->GetBufferSize()),
                     static_cast<const char*>(errors->GetBufferPointer()));
    }
    ReleaseBuffer(errors);
    if (FAILED(result) || code == nullptr) {
        std::fprintf(stderr, "%s: compiling for %s failed (0x%08lX)\n", inputPath, profile,
                     static_cast<unsigned long>(result));
        ReleaseBuffer(code);
        return 1;
    }

    const bool written = WriteWholeFile(outputPath, code->GetBufferPointer(), code->GetBufferSize());
    ReleaseBuffer(code);
    if (!written) {
        std::fprintf(stderr, "%s: cannot be written\n", outputPath);
        return 1;
    }
    return 0;
}

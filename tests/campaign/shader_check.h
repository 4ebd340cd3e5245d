// One shader case on the real device: the fragment or vertex shader's creation from the file, with
// the code block ending at an inaccessible page, then what it made, wrote and showed against what
// the case allows.
#pragma once

#include "tests/campaign/shader_cases.h"
#include "tests/support/platform_test.h"

#include <string>
#include <vector>

// The creation of the shader at path (as the material names it; the file holds bad.bytes) on
// Renderer::device, with boxes recorded into boxes. Allowed: the reader's refusal (exactly one line
// of its own on standard error, the creation box, nothing made), which a case that must be refused
// must get; a made shader (with the constant table when the file has one, each handle there exactly
// when the table has a top-level constant of its name, nothing on standard error, no box); or
// Direct3D's refusal (the box, no shader, nothing on standard error). Empty when the outcome is
// allowed, else what was wrong.
std::string CheckShaderCreation(const ShaderCase& bad, const std::string& path, std::vector<MessageBoxCall>& boxes);

// Blocks that end exactly where an inaccessible page begins, so that a read past a block's end
// crashes: platform::malloc and platform::free are these while a case runs.
void* AllocateBeforeAGuardPage(std::size_t size);
void FreeBeforeAGuardPage(void* block);

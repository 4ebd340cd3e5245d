// One material case: Material::ReadAssetFile on a fresh Material, then what went to standard error,
// the boxes and the fields against what the chunk calls for.
#pragma once

#include "tests/oracles/material_outcome.h"
#include "tests/support/message_box_call.h"

#include <string>
#include <vector>

// Reads data/material.material of the working directory, with boxes recorded into boxes, and holds
// the read to beforeTheRead (ExpectedMaterialOutcome), or for a precompiled chunk to
// ExpectedPrecompiledOutcome of what the read wrote. Empty when all agrees, else what differed.
std::string CheckMaterialRead(const MaterialOutcome& beforeTheRead, std::vector<MessageBoxCall>& boxes);

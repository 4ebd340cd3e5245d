// What the fuzz targets share: their start-up (target_support.cpp defines LLVMFuzzerInitialize),
// which puts the fakes in place and makes a fresh temporary folder holding data/ the working
// directory, for the material file that Lua opens by name; and the end of a run that went wrong as
// a finding.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

// Writes the input where the material reader finds it: data/material.material in the working
// directory, for Lua's own loading, and the fake file of that path.
void PutMaterialFile(const std::uint8_t* data, std::size_t size);

// Ends the process as a finding when problem is not empty, or when the run left a file open or
// an object alive on the device.
void RequireSoundRun(const std::string& problem);

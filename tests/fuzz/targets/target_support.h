// What the fuzz targets share: their start-up (target_support.cpp defines LLVMFuzzerInitialize),
// which puts the fakes in place and makes a fresh temporary folder holding data/ the working
// directory, for the material file that Lua opens by name; and the end of a run that went wrong as
// a finding.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

// Writes the input where the material reader finds it: data/material.material in the working
// directory, for Lua's own loading, and the fake file of that path.
void PutMaterialFile(const std::uint8_t* data, std::size_t size);

// Runs read, which reads the material once with Material::ReadAssetFile, as the program would: on a
// thread with the stack of the program's main thread (2 MiB), so that a recursion too deep for the
// program overflows here too. Ends the process as a finding when the chunk took more than a second
// to load (until the reader first read the clock, which it does as the chunk starts, or to the end)
// or, after that, more than the reader's time limit and a second to run. The time is the thread's
// processor time: on a shared machine the wall clock also counts the time that others took.
void ReadLikeTheProgram(const std::function<void()>& read);

// Ends the process as a finding when problem is not empty, or when the run left a file open or
// an object alive on the device.
void RequireSoundRun(const std::string& problem);

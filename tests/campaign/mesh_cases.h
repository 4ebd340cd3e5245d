// Bad mesh files for the campaign: the shipped meshes and a few small files, mutated at random.
#pragma once

#include "tests/campaign/dice.h"

#include <cstdint>
#include <string>
#include <vector>

struct MeshSource {
    std::string name;
    std::vector<std::uint8_t> bytes;
};

// The shipped meshes, read from data/ of the working directory (empty ones when they are missing),
// and small files: one triangle, a square, an unfinished triangle, a bare header, an empty file.
std::vector<MeshSource> MeshSources();

struct MeshCase {
    std::vector<std::uint8_t> bytes;
    std::string description;  // the source and what was done to it
    std::string sort;         // for the tally: a kind of case worth counting apart, or empty
};

// One to three mutations of a source: bit flips, a cut at some kind of place, a count word set to
// a telling value or above what the file holds (such cases are of the sort "overstated"), an index
// pointed past the last vertex, a random tail.
MeshCase MakeMeshCase(const std::vector<MeshSource>& sources, Dice& dice);

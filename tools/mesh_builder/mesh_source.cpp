#include "tools/mesh_builder/mesh_source.h"

#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <sstream>

namespace {

constexpr std::uint32_t OpaqueAlpha = 0xFF000000u;

// The fault of one line, said with the line's number.
struct LineFault {
    std::size_t line = 0;
    std::string what;
};

bool ParseFloat(const std::string& field, float* value) {
    char* end = nullptr;
    errno = 0;
    const float parsed = std::strtof(field.c_str(), &end);
    if (end == field.c_str() || *end != '\0' || errno == ERANGE || !std::isfinite(parsed)) {
        return false;
    }
    *value = parsed;
    return true;
}

bool ParseColor(const std::string& field, std::uint32_t* color) {
    const bool hexadecimal = field.find_first_not_of("0123456789abcdefABCDEF") == std::string::npos;
    if ((field.size() != 6 && field.size() != 8) || !hexadecimal) {
        return false;
    }
    const auto value = static_cast<std::uint32_t>(std::strtoul(field.c_str(), nullptr, 16));
    *color = field.size() == 6 ? (OpaqueAlpha | value) : value;
    return true;
}

bool ParseIndex(const std::string& field, std::uint32_t* index) {
    if (field.empty() || field.size() > 9 || field.find_first_not_of("0123456789") != std::string::npos) {
        return false;
    }
    *index = static_cast<std::uint32_t>(std::strtoul(field.c_str(), nullptr, 10));
    return true;
}

std::vector<std::string> Fields(const std::string& line) {
    std::istringstream stream(line.substr(0, line.find('#')));
    std::vector<std::string> fields;
    for (std::string field; stream >> field;) {
        fields.push_back(field);
    }
    return fields;
}

bool ParseVertex(const std::vector<std::string>& fields, MeshSource& mesh, std::string* what) {
    if (fields.size() != 5) {
        *what = "'vertex' takes X Y Z COLOR";
        return false;
    }
    MeshSourceVertex vertex{};
    float* const coordinates[] = {&vertex.x, &vertex.y, &vertex.z};
    for (std::size_t i = 0; i < 3; ++i) {
        if (!ParseFloat(fields[i + 1], coordinates[i])) {
            *what = "'" + fields[i + 1] + "' is not a finite number";
            return false;
        }
    }
    if (!ParseColor(fields[4], &vertex.color)) {
        *what = "'" + fields[4] + "' is not a colour RRGGBB or AARRGGBB";
        return false;
    }
    mesh.vertices.push_back(vertex);
    return true;
}

// A triangle (three corners) or a quad (four corners, split along its first diagonal).
bool ParseFace(const std::vector<std::string>& fields, std::size_t corners, MeshSource& mesh, std::string* what) {
    if (fields.size() != corners + 1) {
        *what = "'" + fields[0] + "' takes " + std::to_string(corners) + " vertex numbers";
        return false;
    }
    std::uint32_t corner[4] = {};
    for (std::size_t i = 0; i < corners; ++i) {
        if (!ParseIndex(fields[i + 1], &corner[i])) {
            *what = "'" + fields[i + 1] + "' is not a vertex number";
            return false;
        }
    }
    mesh.indices.insert(mesh.indices.end(), {corner[0], corner[1], corner[2]});
    if (corners == 4) {
        mesh.indices.insert(mesh.indices.end(), {corner[0], corner[2], corner[3]});
    }
    return true;
}

bool ParseLine(const std::string& line, MeshSource& mesh, std::string* what) {
    const std::vector<std::string> fields = Fields(line);
    if (fields.empty()) {
        return true;
    }
    if (fields[0] == "vertex") {
        return ParseVertex(fields, mesh, what);
    }
    if (fields[0] == "triangle") {
        return ParseFace(fields, 3, mesh, what);
    }
    if (fields[0] == "quad") {
        return ParseFace(fields, 4, mesh, what);
    }
    *what = "unknown line kind '" + fields[0] + "' (expected vertex, triangle or quad)";
    return false;
}

}  // namespace

bool ParseMeshSource(const std::string& text, const std::string& sourceName, MeshSource* mesh, std::string* error) {
    MeshSource parsed;
    // Where each index came from, so that one naming a missing vertex is blamed on its own line.
    std::vector<std::size_t> indexLines;
    std::istringstream stream(text);
    std::size_t lineNumber = 0;
    for (std::string line; std::getline(stream, line);) {
        ++lineNumber;
        std::string what;
        if (!ParseLine(line, parsed, &what)) {
            *error = sourceName + "(" + std::to_string(lineNumber) + "): error: " + what;
            return false;
        }
        indexLines.resize(parsed.indices.size(), lineNumber);
    }
    for (std::size_t i = 0; i < parsed.indices.size(); ++i) {
        if (parsed.indices[i] >= parsed.vertices.size()) {
            *error = sourceName + "(" + std::to_string(indexLines[i]) + "): error: vertex " +
                     std::to_string(parsed.indices[i]) + " does not exist (the source has " +
                     std::to_string(parsed.vertices.size()) + " vertices)";
            return false;
        }
    }
    if (parsed.indices.empty()) {
        *error = sourceName + ": error: the source has no triangles";
        return false;
    }
    *mesh = std::move(parsed);
    return true;
}

namespace {

void Put32(std::vector<std::uint8_t>& bytes, std::uint32_t value) {
    for (int shift = 0; shift < 32; shift += 8) {
        bytes.push_back(static_cast<std::uint8_t>(value >> shift));
    }
}

void PutFloat(std::vector<std::uint8_t>& bytes, float value) {
    std::uint32_t bits = 0;
    std::memcpy(&bits, &value, sizeof bits);
    Put32(bytes, bits);
}

}  // namespace

std::vector<std::uint8_t> EncodeMeshFile(const MeshSource& mesh) {
    std::vector<std::uint8_t> bytes;
    bytes.reserve(8 + 16 * mesh.vertices.size() + 4 * mesh.indices.size());
    Put32(bytes, static_cast<std::uint32_t>(mesh.vertices.size()));
    Put32(bytes, static_cast<std::uint32_t>(mesh.indices.size()));
    for (const MeshSourceVertex& vertex : mesh.vertices) {
        PutFloat(bytes, vertex.x);
        PutFloat(bytes, vertex.y);
        PutFloat(bytes, vertex.z);
        Put32(bytes, vertex.color);
    }
    for (const std::uint32_t index : mesh.indices) {
        Put32(bytes, index);
    }
    return bytes;
}

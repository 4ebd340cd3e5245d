#include "tests/fuzz/fakes/shader_walk.h"

#include "tests/fuzz/fakes/platform_fakes.h"

#include <d3d9types.h>
#include <d3dx9shader.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <memory>

namespace {

constexpr DWORD VersionTypeMask = 0xFFFF0000u;
constexpr DWORD OpcodeMask = 0x0000FFFFu;
constexpr DWORD ConstantTableTag = MAKEFOURCC('C', 'T', 'A', 'B');
// D3DX builds a tree of a table's types; this deep a nesting is taken as a cycle.
constexpr int DeepestType = 64;

DWORD CommentLength(DWORD token) {
    return (token & D3DSI_COMMENTSIZE_MASK) >> D3DSI_COMMENTSIZE_SHIFT;
}

// Tokens are read one by one, none skipped over, so that a stream that runs on past its block is
// read into the redzone right after it instead of jumping beyond it.
DWORD TokenAt(const DWORD* code, std::size_t position) {
    return static_cast<const volatile DWORD*>(code)[position];
}

// Walks the tokens after the version token up to the end token, or until onComment, which sees each
// comment's words after its token and their count, returns false; every token on the way is read.
// Counting instructions, as Direct3D's runtime does, an instruction spans its parameter words, which
// it counts from model 2.0 on; before that the runtime counts them by opcode, and those streams, like
// D3DX's search for comments in any stream, are walked token by token.
template <typename OnComment>
void WalkTokens(const DWORD* code, bool countingInstructions, OnComment onComment) {
    const bool lengthInInstruction = countingInstructions && ((TokenAt(code, 0) >> 8) & 0xFF) >= 2;
    std::size_t position = 1;
    for (DWORD token = TokenAt(code, position); token != D3DSIO_END; token = TokenAt(code, position)) {
        const bool comment = (token & OpcodeMask) == D3DSIO_COMMENT;
        std::size_t following = 0;
        if (comment) {
            following = CommentLength(token);
        } else if (lengthInInstruction) {
            following = (token & D3DSI_INSTLENGTH_MASK) >> D3DSI_INSTLENGTH_SHIFT;
        }
        for (std::size_t next = 1; next <= following; ++next) {
            TokenAt(code, position + next);
        }
        if (comment && following > 0 && !onComment(code + position + 1, following)) {
            return;
        }
        position += following + 1;
    }
}

// D3DX's own copy of the table, and the reads of its records at the offsets the table gives.
class TableCopy {
public:
    TableCopy(const DWORD* comment, std::size_t length)
        : size((length - 1) * sizeof(DWORD)), bytes(new unsigned char[size]) {
        std::memcpy(bytes.get(), comment + 1, size);
    }

    template <typename Record>
    Record Read(std::uint64_t offset, const char* what) const {
        Check(offset, sizeof(Record), what);
        Record record;
        std::memcpy(&record, bytes.get() + offset, sizeof record);
        return record;
    }

    std::string String(std::uint64_t offset, const char* what) const {
        Check(offset, 1, what);
        const void* const end = std::memchr(bytes.get() + offset, '\0', size - offset);
        if (end == nullptr) {
            fake::StopWithFinding(std::string("D3DX would read the ") + what + " at " + std::to_string(offset) +
                               " past the end of the constant table (" + std::to_string(size) + " bytes)");
        }
        return std::string(reinterpret_cast<const char*>(bytes.get() + offset));
    }

    void Check(std::uint64_t offset, std::uint64_t count, const char* what) const {
        if (offset > size || count > size - offset) {
            fake::StopWithFinding(std::string("D3DX would read the ") + what + " at " + std::to_string(offset) + " (" +
                               std::to_string(count) + " bytes) past the end of the constant table (" +
                               std::to_string(size) + " bytes)");
        }
    }

private:
    std::size_t size;
    std::unique_ptr<unsigned char[]> bytes;
};

// Reads a type and its members as D3DX does; the bytes of a value of it.
std::uint64_t ReadType(const TableCopy& table, std::uint64_t offset, int depth) {
    if (depth > DeepestType) {
        fake::StopWithFinding("D3DX would follow the constant table's types deeper than " +
                           std::to_string(DeepestType) + " levels");
    }
    const auto type = table.Read<D3DXSHADER_TYPEINFO>(offset, "type");
    const std::uint64_t elements = type.Elements > 0 ? type.Elements : 1;
    if (type.Class != D3DXPC_STRUCT) {
        return std::uint64_t{type.Rows} * type.Columns * elements * sizeof(float);
    }
    std::uint64_t memberBytes = 0;
    for (DWORD member = 0; member < type.StructMembers; ++member) {
        const auto info = table.Read<D3DXSHADER_STRUCTMEMBERINFO>(
            type.StructMemberInfo + std::uint64_t{member} * sizeof(D3DXSHADER_STRUCTMEMBERINFO), "member");
        table.String(info.Name, "member name");
        memberBytes += ReadType(table, info.TypeInfo, depth + 1);
    }
    return memberBytes * elements;
}

}  // namespace

bool ReadTokenStream(const DWORD* code, DWORD versionType) {
    if ((code[0] & VersionTypeMask) != versionType) {
        return false;
    }
    WalkTokens(code, true, [](const DWORD*, std::size_t) { return true; });
    return true;
}

std::optional<std::vector<std::string>> ReadConstantTable(const DWORD* code) {
    const DWORD* tableComment = nullptr;
    std::size_t tableLength = 0;
    WalkTokens(code, false, [&](const DWORD* comment, std::size_t length) {
        if (comment[0] != ConstantTableTag) {
            return true;
        }
        tableComment = comment;
        tableLength = length;
        return false;
    });
    if (tableComment == nullptr) {
        return std::nullopt;
    }
    const TableCopy table(tableComment, tableLength);
    const auto header = table.Read<D3DXSHADER_CONSTANTTABLE>(0, "header");
    table.String(header.Creator, "creator");
    table.String(header.Target, "target");
    std::vector<std::string> names;
    for (DWORD constant = 0; constant < header.Constants; ++constant) {
        const auto info = table.Read<D3DXSHADER_CONSTANTINFO>(
            header.ConstantInfo + std::uint64_t{constant} * sizeof(D3DXSHADER_CONSTANTINFO), "constant");
        names.push_back(table.String(info.Name, "constant name"));
        // SetDefaults reads a register's worth per register (a component per bool register); a
        // caller of GetConstantDesc may read the type's value.
        const std::uint64_t valueBytes = ReadType(table, info.TypeInfo, 0);
        const std::uint64_t registerBytes =
            std::uint64_t{info.RegisterCount} * (info.RegisterSet == D3DXRS_BOOL ? sizeof(BOOL) : 4 * sizeof(float));
        if (info.DefaultValue != 0) {
            table.Check(info.DefaultValue, std::max(valueBytes, registerBytes), "default value");
        }
    }
    return names;
}

#include "tools/shader_compiler/constant_table_defaults.h"

#include <d3dx9shader.h>

#include <cstring>

namespace {

// A comment token has 0xFFFE in its low word and the count of dwords that follow it in bits 16-30.
constexpr std::uint32_t CommentOpcode = 0xFFFEu;
constexpr std::uint32_t CommentLengthShift = 16;
constexpr std::uint32_t LongestComment = 0x7FFFu;
constexpr std::uint32_t TableTag = 'C' | ('T' << 8) | ('A' << 16) | (static_cast<std::uint32_t>('B') << 24);
constexpr int FloatsPerRegister = 4;

std::size_t CommentLength(std::uint32_t token) {
    return (token >> CommentLengthShift) & LongestComment;
}

// The index of the comment token that holds the table, or 0 when there is none.
std::size_t FindTableComment(const std::vector<std::uint32_t>& tokens) {
    std::size_t index = 1;
    while (index < tokens.size() && (tokens[index] & 0xFFFFu) == CommentOpcode) {
        const std::size_t length = CommentLength(tokens[index]);
        if (index + length >= tokens.size()) {
            return 0;
        }
        if (length > 0 && tokens[index + 1] == TableTag) {
            return index;
        }
        index += 1 + length;
    }
    return 0;
}

// The bytes of the table, from the byte after its tag, where all of its offsets count from.
class TableBytes {
public:
    TableBytes(std::uint32_t* first, std::size_t dwords)
        : bytes(reinterpret_cast<unsigned char*>(first)), size(dwords * sizeof(std::uint32_t)) {}

    std::size_t Size() const { return size; }

    template <typename Record>
    bool Read(std::size_t offset, Record* record) const {
        if (offset > size || size - offset < sizeof(Record)) {
            return false;
        }
        std::memcpy(record, bytes + offset, sizeof(Record));
        return true;
    }
    template <typename Record>
    void Write(std::size_t offset, const Record& record) {
        std::memcpy(bytes + offset, &record, sizeof(Record));
    }
    bool ReadName(std::size_t offset, std::string* name) const {
        const void* const end = offset < size ? std::memchr(bytes + offset, '\0', size - offset) : nullptr;
        if (end == nullptr) {
            return false;
        }
        name->assign(reinterpret_cast<const char*>(bytes + offset), reinterpret_cast<const char*>(end));
        return true;
    }

private:
    unsigned char* bytes;
    std::size_t size;
};

const UniformInitialiser* FindInitialiser(const std::vector<UniformInitialiser>& initialisers,
                                          const std::string& name) {
    for (const UniformInitialiser& initialiser : initialisers) {
        if (initialiser.name == name) {
            return &initialiser;
        }
    }
    return nullptr;
}

// Four floats for each register the constant occupies. A column-major matrix keeps a column in each
// register; a row-major one, a vector or a scalar keeps a row in each. Unused components are 0.
void AppendRegisters(const UniformInitialiser& constant, WORD typeClass, WORD registerCount,
                     std::vector<std::uint32_t>& values) {
    const bool columnPerRegister = typeClass == D3DXPC_MATRIX_COLUMNS;
    for (int reg = 0; reg < registerCount; ++reg) {
        for (int component = 0; component < FloatsPerRegister; ++component) {
            const int row = columnPerRegister ? component : reg;
            const int column = columnPerRegister ? reg : component;
            const float value = row < constant.rows && column < constant.columns
                                    ? constant.values[static_cast<std::size_t>(row * constant.columns + column)]
                                    : 0.0f;
            std::uint32_t bits = 0;
            std::memcpy(&bits, &value, sizeof(bits));
            values.push_back(bits);
        }
    }
}

bool Fail(const std::string& where, const std::string& what, std::string* error) {
    *error = where + ": error: " + what;
    return false;
}

}  // namespace

bool WriteConstantDefaults(std::vector<std::uint32_t>& tokens, const std::vector<UniformInitialiser>& initialisers,
                           const std::string& sourceName, std::string* error) {
    const std::size_t comment = FindTableComment(tokens);
    if (comment == 0) {
        return Fail(sourceName, "the compiled code has no constant table", error);
    }
    const std::size_t tableStart = comment + 2;
    const std::size_t tableDwords = CommentLength(tokens[comment]) - 1;
    TableBytes table(tokens.data() + tableStart, tableDwords);
    D3DXSHADER_CONSTANTTABLE header{};
    if (!table.Read(0, &header) || header.ConstantInfo > table.Size() ||
        header.Constants > (table.Size() - header.ConstantInfo) / sizeof(D3DXSHADER_CONSTANTINFO)) {
        return Fail(sourceName, "the compiled constant table is malformed", error);
    }

    std::vector<std::uint32_t> defaults;
    for (DWORD index = 0; index < header.Constants; ++index) {
        const std::size_t infoOffset = header.ConstantInfo + index * sizeof(D3DXSHADER_CONSTANTINFO);
        D3DXSHADER_CONSTANTINFO info{};
        D3DXSHADER_TYPEINFO type{};
        std::string name;
        if (!table.Read(infoOffset, &info) || !table.ReadName(info.Name, &name) || !table.Read(info.TypeInfo, &type)) {
            return Fail(sourceName, "the compiled constant table is malformed", error);
        }
        const UniformInitialiser* const constant = FindInitialiser(initialisers, name);
        if (constant == nullptr) {
            continue;
        }
        if (info.RegisterSet != D3DXRS_FLOAT4 || type.Type != D3DXPT_FLOAT || type.Rows != constant->rows ||
            type.Columns != constant->columns || type.Elements > 1) {
            return Fail(sourceName + "(" + std::to_string(constant->line) + ")",
                        "the compiled constant table does not hold " + name + " in float registers as declared", error);
        }
        info.DefaultValue = static_cast<DWORD>(table.Size() + defaults.size() * sizeof(std::uint32_t));
        AppendRegisters(*constant, type.Class, info.RegisterCount, defaults);
        table.Write(infoOffset, info);
    }

    const std::size_t commentLength = 1 + tableDwords + defaults.size();
    if (commentLength > LongestComment) {
        return Fail(sourceName, "the default values do not fit in the constant table", error);
    }
    const auto tableEnd = tokens.begin() + static_cast<std::ptrdiff_t>(tableStart + tableDwords);
    tokens.insert(tableEnd, defaults.begin(), defaults.end());
    tokens[comment] = CommentOpcode | static_cast<std::uint32_t>(commentLength << CommentLengthShift);
    return true;
}

#include "tests/campaign/shader_cases.h"

#include "tests/oracles/mesh_layout.h"
#include "tests/support/file_contents.h"
#include "tests/support/shader_tokens.h"

#include <algorithm>
#include <cstdio>

namespace {

using namespace ShaderTokens;

constexpr std::uint64_t ConstantBytes = 20;
constexpr std::uint64_t TypeBytes = 16;
constexpr std::uint32_t StructClass = 5;

std::uint64_t WordCount(const std::vector<std::uint8_t>& bytes) {
    return bytes.size() / 4;
}

std::uint32_t Token(const std::vector<std::uint8_t>& bytes, std::uint64_t word) {
    return WordAt(bytes, static_cast<std::size_t>(4 * word));
}

void SetToken(std::vector<std::uint8_t>& bytes, std::uint64_t word, std::uint32_t value) {
    SetWordAt(bytes, static_cast<std::size_t>(4 * word), value);
}

std::uint32_t Half(const std::vector<std::uint8_t>& bytes, std::uint64_t offset) {
    return offset + 2 <= bytes.size() ? static_cast<std::uint32_t>(bytes[offset] | bytes[offset + 1] << 8) : 0;
}

void SetHalf(std::vector<std::uint8_t>& bytes, std::uint64_t offset, std::uint32_t value) {
    if (offset + 2 <= bytes.size()) {
        bytes[offset] = static_cast<std::uint8_t>(value);
        bytes[offset + 1] = static_cast<std::uint8_t>(value >> 8);
    }
}

std::string Hex(std::uint32_t value) {
    char text[16] = {};
    std::snprintf(text, sizeof text, "0x%08X", value);
    return text;
}

// The words after the constant table's comment up to the end token: the instructions.
struct Instructions {
    std::uint64_t first;
    std::uint64_t end;  // the end token's index
};

Instructions InstructionsOf(const std::vector<std::uint8_t>& bytes) {
    const ShaderTableLayout table = FindShaderTable(bytes);
    const std::uint64_t words = WordCount(bytes);
    const std::uint64_t first =
        table.size != 0 ? table.commentWord + 1 + CommentLength(Token(bytes, table.commentWord)) : 1;
    const std::uint64_t end = words > 0 ? words - 1 : 0;
    return {std::min(first, end), end};
}

// Where the instruction tokens start, counted by instruction lengths as Direct3D's runtime does.
std::vector<std::uint64_t> InstructionTokens(const std::vector<std::uint8_t>& bytes) {
    std::vector<std::uint64_t> tokens;
    const Instructions instructions = InstructionsOf(bytes);
    for (std::uint64_t word = instructions.first; word < instructions.end;) {
        const std::uint32_t token = Token(bytes, word);
        if (IsComment(token)) {
            word += 1 + CommentLength(token);
            continue;
        }
        tokens.push_back(word);
        word += 1 + ((token >> 24) & 0xFu);
    }
    return tokens;
}

std::uint64_t PickWord(std::uint64_t first, std::uint64_t end, Dice& dice) {
    return end > first ? first + dice.Below(static_cast<std::uint32_t>(end - first)) : first;
}

// Cuts: a file that ends before its end token can only be refused.
std::string Cut(ShaderCase& bad, Dice& dice) {
    const std::uint64_t size = bad.bytes.size();
    const ShaderTableLayout table = FindShaderTable(bad.bytes);
    const Instructions instructions = InstructionsOf(bad.bytes);
    struct Place {
        const char* name;
        std::uint64_t length;
    };
    const std::vector<Place> places = {
        {"inside the version token", dice.Below(4)},
        {"inside the constant table", table.first + dice.Below(static_cast<std::uint32_t>(table.size + 1))},
        {"inside the instructions", 4 * PickWord(instructions.first, instructions.end, dice) + dice.Below(4)},
        {"before the end token", size - 4},
        {"inside the end token", size - dice.Between(1, 3)},
        {"at a word boundary", 4 * PickWord(0, WordCount(bad.bytes), dice)},
        {"anywhere", dice.Below(static_cast<std::uint32_t>(size))},
    };
    const Place& place = dice.Pick(places);
    const std::uint64_t length = std::min(place.length, size - 1);
    bad.bytes.resize(static_cast<std::size_t>(length));
    bad.mustBeRefused = true;
    return "cut to " + std::to_string(length) + " bytes (" + place.name + ")";
}

// Comment lengths: past the end (or empty before the tag, which a search takes as a table one word
// short of nothing) must be refused; a shorter length inside the file may be taken.
std::string LieAboutACommentLength(ShaderCase& bad, Dice& dice) {
    const ShaderTableLayout table = FindShaderTable(bad.bytes);
    const std::uint64_t last = WordCount(bad.bytes) - 1;
    const std::uint64_t word = table.commentWord;
    const std::uint32_t length = CommentLength(Token(bad.bytes, word));
    const std::uint32_t reach = static_cast<std::uint32_t>(last - word);  // a length of this covers the end token
    switch (dice.Below(6)) {
        case 0: {
            const std::vector<std::uint32_t> values = {reach, reach + dice.Between(1, 64), LongestComment,
                                                       dice.Between(reach, LongestComment)};
            const std::uint32_t value = std::min(dice.Pick(values), LongestComment);
            SetToken(bad.bytes, word, Comment(value));
            bad.mustBeRefused = true;
            return "the table's comment length set to " + std::to_string(value) + " (past the end)";
        }
        case 1:
            SetToken(bad.bytes, word, Comment(0));
            bad.mustBeRefused = true;
            return "the table's comment length set to 0 (the tag follows)";
        case 2: {
            const std::uint32_t value =
                dice.OneIn(2) ? length - std::min(length, dice.Between(1, 4)) : dice.Between(1, reach - 1);
            SetToken(bad.bytes, word, Comment(value));
            bad.mustBeRefused = value == 0;
            return "the table's comment length set to " + std::to_string(value) + " (inside the file)";
        }
        case 3: {
            // A comment token where an instruction starts or before the end token, which claims more
            // words than follow it: Direct3D's walk reads it as a comment (among an instruction's words
            // it may be a literal, which neither walk reads as one after the table).
            std::vector<std::uint64_t> places = InstructionTokens(bad.bytes);
            places.push_back(InstructionsOf(bad.bytes).end);
            const std::uint64_t at = dice.Pick(places);
            const std::uint32_t least = static_cast<std::uint32_t>(last + 1 - at);
            const std::uint32_t value = dice.OneIn(4) ? 0xFFFFFFFEu : Comment(dice.Between(least, LongestComment));
            bad.bytes.insert(bad.bytes.begin() + static_cast<std::ptrdiff_t>(4 * at), 4, 0);
            SetToken(bad.bytes, at, value);
            bad.mustBeRefused = true;
            return "comment token " + Hex(value) + " inserted at word " + std::to_string(at) + " (past the end)";
        }
        case 4: {
            // A comment token among the instructions whose length stays inside the file.
            const Instructions instructions = InstructionsOf(bad.bytes);
            const std::uint64_t at = PickWord(instructions.first, instructions.end, dice);
            const std::uint32_t value = Comment(dice.Below(static_cast<std::uint32_t>(last - at)));
            bad.bytes.insert(bad.bytes.begin() + static_cast<std::ptrdiff_t>(4 * at), 4, 0);
            SetToken(bad.bytes, at, value);
            return "comment token " + Hex(value) + " inserted at word " + std::to_string(at) + " (inside the file)";
        }
        default: {
            // The file that crashed D3DX: a version token, a comment of the longest length, the end token.
            const std::uint32_t version = Token(bad.bytes, 0);
            bad.bytes.clear();
            for (const std::uint32_t token : {version, 0xFFFFFFFEu, End}) {
                SetToken(bad.bytes, WordCount(bad.bytes), token);
            }
            bad.mustBeRefused = true;
            return "replaced by the version token, comment token 0xFFFFFFFE and the end token";
        }
    }
}

// A table field that holds an offset, with the bytes that must lie inside the table from it.
struct OffsetField {
    std::string name;
    std::uint64_t offset;  // of the field, from the table's first byte
    std::uint64_t needed;  // bytes from the offset it holds that must lie inside the table
};

std::vector<OffsetField> OffsetFields(const std::vector<std::uint8_t>& bytes, const ShaderTableLayout& table) {
    const std::uint64_t at = table.first;
    const std::uint32_t constants = WordAt(bytes, static_cast<std::size_t>(at + 12));
    const std::uint32_t records = WordAt(bytes, static_cast<std::size_t>(at + 16));
    std::vector<OffsetField> fields = {{"the creator string's offset", 4, 1},
                                       {"the target string's offset", 24, 1},
                                       {"the constant records' offset", 16, std::uint64_t{constants} * ConstantBytes}};
    for (std::uint32_t constant = 0; constant < constants; ++constant) {
        const std::uint64_t record = records + constant * ConstantBytes;
        const std::string name = "constant " + std::to_string(constant) + "'s ";
        const std::uint64_t registers = Half(bytes, at + record + 8);
        fields.push_back({name + "name offset", record, 1});
        fields.push_back({name + "type offset", record + 12, TypeBytes});
        fields.push_back({name + "default value offset", record + 16, std::max<std::uint64_t>(1, registers * 16)});
    }
    return fields;
}

// Offsets: an offset from which the part it points at does not fit inside the table must be refused.
std::string LieAboutATableOffset(ShaderCase& bad, Dice& dice) {
    const ShaderTableLayout table = FindShaderTable(bad.bytes);
    const std::vector<OffsetField> fields = OffsetFields(bad.bytes, table);
    const OffsetField& field = dice.Pick(fields);
    const std::uint32_t size = static_cast<std::uint32_t>(table.size);
    std::vector<std::uint32_t> past = {size + dice.Below(64), 0xFFFFFFFFu, 0x80000000u, 0xFFFFFFFFu - dice.Below(64)};
    if (field.needed > 1 && field.needed <= size) {
        past.push_back(size - dice.Between(1, static_cast<std::uint32_t>(field.needed - 1)));
    }
    const bool pastTheEnd = dice.OneIn(2);
    const std::uint32_t value = pastTheEnd      ? dice.Pick(past)
                                : dice.OneIn(2) ? dice.Below(size)
                                                : 4 * dice.Below(size / 4);
    SetWordAt(bad.bytes, static_cast<std::size_t>(table.first + field.offset), value);
    bad.mustBeRefused = pastTheEnd;
    return field.name + " set to " + std::to_string(value) + (pastTheEnd ? " (past the end)" : " (inside the table)");
}

// Appends words at the table's end; its comment grows to hold them.
void AppendToTable(ShaderCase& bad, const std::vector<std::uint32_t>& words) {
    const ShaderTableLayout table = FindShaderTable(bad.bytes);
    const std::uint64_t end = table.first + table.size;
    bad.bytes.insert(bad.bytes.begin() + static_cast<std::ptrdiff_t>(end), 4 * words.size(), 0);
    for (std::size_t word = 0; word < words.size(); ++word) {
        SetWordAt(bad.bytes, static_cast<std::size_t>(end + 4 * word), words[word]);
    }
    const std::uint32_t length = CommentLength(Token(bad.bytes, table.commentWord));
    SetToken(bad.bytes, table.commentWord, Comment(length + static_cast<std::uint32_t>(words.size())));
}

// Counts: the number of constants, registers, rows, columns, elements, the enums, and structs made
// of the constant's own type.
std::string LieAboutATableCount(ShaderCase& bad, Dice& dice) {
    const ShaderTableLayout table = FindShaderTable(bad.bytes);
    const std::uint64_t at = table.first;
    const std::uint32_t constants = WordAt(bad.bytes, static_cast<std::size_t>(at + 12));
    const std::uint32_t records = WordAt(bad.bytes, static_cast<std::size_t>(at + 16));
    const std::uint32_t constant = dice.Below(constants);
    const std::uint64_t record = at + records + constant * ConstantBytes;
    const std::uint32_t typeOffset = WordAt(bad.bytes, static_cast<std::size_t>(record + 12));
    const std::uint64_t type = at + typeOffset;
    const std::string which = "constant " + std::to_string(constant) + "'s ";
    const std::vector<std::uint32_t> halves = {0, 1, 2, 4, 0xFFFFu, dice.Below(0x10000u), dice.Between(2, 64)};
    switch (dice.Below(6)) {
        case 0: {
            const std::vector<std::uint32_t> values = {
                0, constants + 1, constants + dice.Between(2, 10), 0xFFFFu, 0xFFFFFFFFu, 0x80000000u, dice.Word()};
            const std::uint32_t value = dice.Pick(values);
            SetWordAt(bad.bytes, static_cast<std::size_t>(at + 12), value);
            bad.mustBeRefused = records + std::uint64_t{value} * ConstantBytes > table.size;
            return "the number of constants set to " + std::to_string(value);
        }
        case 1: {
            const std::uint32_t value = dice.Pick(halves);
            const bool index = dice.OneIn(2);
            SetHalf(bad.bytes, record + (index ? 6 : 8), value);
            return which + (index ? "register index" : "register count") + " set to " + std::to_string(value);
        }
        case 2: {
            const char* const names[] = {"rows", "columns", "elements"};
            const std::uint32_t field = dice.Below(3);
            const std::uint32_t value = dice.Pick(halves);
            SetHalf(bad.bytes, type + 4 + 2 * field, value);
            return which + "type's " + names[field] + " set to " + std::to_string(value);
        }
        case 3: {
            const char* const names[] = {"register set", "class", "type"};
            const std::uint32_t field = dice.Below(3);
            const std::uint32_t value = dice.OneIn(4) ? dice.Below(0x10000u) : dice.Below(22);
            SetHalf(bad.bytes, field == 0 ? record + 4 : type + 2 * (field - 1), value);
            return which + names[field] + " set to " + std::to_string(value);
        }
        default: {
            // A struct of members of the constant's own type, which holds itself when it is the struct.
            const bool itself = dice.OneIn(2);
            const std::uint32_t members = dice.Between(1, 3);
            const std::uint32_t name = WordAt(bad.bytes, static_cast<std::size_t>(record));
            std::vector<std::uint32_t> words;
            std::uint32_t memberType = typeOffset;
            if (!itself) {
                memberType = static_cast<std::uint32_t>(table.size);
                for (std::uint64_t word = 0; word < TypeBytes / 4; ++word) {
                    words.push_back(WordAt(bad.bytes, static_cast<std::size_t>(type + 4 * word)));
                }
            }
            const std::uint32_t memberRecords = static_cast<std::uint32_t>(table.size + 4 * words.size());
            for (std::uint32_t member = 0; member < members; ++member) {
                words.insert(words.end(), {name, memberType});
            }
            AppendToTable(bad, words);
            SetHalf(bad.bytes, type, StructClass);
            SetHalf(bad.bytes, type + 10, members);
            SetWordAt(bad.bytes, static_cast<std::size_t>(type + 12), memberRecords);
            if (!itself && dice.OneIn(2)) {
                // An array of them, whose element D3DX finds by dividing by the struct's components.
                SetHalf(bad.bytes, type + 8, dice.OneIn(2) ? 0xFFFFu : dice.Between(2, 16));
                if (dice.OneIn(2)) {
                    SetHalf(bad.bytes, type + 4 + 2 * dice.Below(2), dice.Below(2));  // rows or columns 0 or 1
                }
            }
            bad.mustBeRefused = itself;
            return which + "type made a struct of " + std::to_string(members) + " members of " +
                   (itself ? "itself" : "its old type") + ", " + std::to_string(Half(bad.bytes, type + 8)) +
                   " elements of " + std::to_string(Half(bad.bytes, type + 4)) + " x " +
                   std::to_string(Half(bad.bytes, type + 6));
        }
    }
}

// One damaged token: flipped bits, a telling value, an instruction's length or opcode, swapped,
// removed or added words, another version, or the other kind's creation.
std::string DamageAToken(ShaderCase& bad, Dice& dice) {
    const std::uint64_t words = WordCount(bad.bytes);
    const Instructions instructions = InstructionsOf(bad.bytes);
    const std::vector<std::uint64_t> tokens = InstructionTokens(bad.bytes);
    const std::uint64_t somewhere =
        dice.OneIn(4) ? PickWord(0, words, dice) : PickWord(instructions.first, instructions.end, dice);
    switch (dice.Below(9)) {
        case 0: {
            const std::uint32_t flips = dice.Between(1, 3);
            std::uint32_t token = Token(bad.bytes, somewhere);
            std::string description = "word " + std::to_string(somewhere) + ": bits";
            for (std::uint32_t flip = 0; flip < flips; ++flip) {
                const std::uint32_t bit = dice.Below(32);
                token ^= 1u << bit;
                description += " " + std::to_string(bit);
            }
            SetToken(bad.bytes, somewhere, token);
            return description + " flipped";
        }
        case 1: {
            const std::vector<std::uint32_t> values = {End,         0xFFFFFFFEu, Comment(0), Comment(1),
                                                       0x8000FFFEu, Tag,         0,          dice.Word()};
            const std::uint32_t value = dice.Pick(values);
            SetToken(bad.bytes, somewhere, value);
            return "word " + std::to_string(somewhere) + " set to " + Hex(value);
        }
        case 2:
        case 3: {
            if (tokens.empty()) {
                return "no instruction to damage";
            }
            const std::uint64_t word = dice.Pick(tokens);
            std::uint32_t token = Token(bad.bytes, word);
            if (dice.OneIn(2)) {
                token = (token & ~0x0F000000u) | dice.Below(16) << 24;
            } else {
                const std::vector<std::uint32_t> opcodes = {0x00,
                                                            0x01,
                                                            0x02,
                                                            0x04,
                                                            0x05,
                                                            0x09,
                                                            0x0B,
                                                            0x14,
                                                            0x19,
                                                            0x1B,
                                                            0x1C,
                                                            0x1D,
                                                            0x1F,
                                                            0x26,
                                                            0x28,
                                                            0x2E,
                                                            0x30,
                                                            0x42,
                                                            0x51,
                                                            0x5D,
                                                            0x60,
                                                            0xFFFD,
                                                            dice.Below(0x10000u)};
                token = (token & ~0xFFFFu) | dice.Pick(opcodes);
            }
            SetToken(bad.bytes, word, token);
            return "instruction at word " + std::to_string(word) + " set to " + Hex(token);
        }
        case 4: {
            const std::uint64_t other = PickWord(instructions.first, instructions.end, dice);
            const std::uint32_t token = Token(bad.bytes, somewhere);
            SetToken(bad.bytes, somewhere, Token(bad.bytes, other));
            SetToken(bad.bytes, other, token);
            return "words " + std::to_string(somewhere) + " and " + std::to_string(other) + " swapped";
        }
        case 5:
            bad.bytes.erase(bad.bytes.begin() + static_cast<std::ptrdiff_t>(4 * somewhere),
                            bad.bytes.begin() + static_cast<std::ptrdiff_t>(4 * somewhere + 4));
            return "word " + std::to_string(somewhere) + " removed";
        case 6: {
            const std::uint32_t value = dice.OneIn(2) ? dice.Word() : Token(bad.bytes, somewhere);
            bad.bytes.insert(bad.bytes.begin() + static_cast<std::ptrdiff_t>(4 * somewhere), 4, 0);
            SetToken(bad.bytes, somewhere, value);
            return "word " + Hex(value) + " inserted at word " + std::to_string(somewhere);
        }
        case 7: {
            const std::uint32_t type = Token(bad.bytes, 0) & 0xFFFF0000u;
            const std::vector<std::uint32_t> versions = {type ^ 0x00010000u, type | 0x0101u,
                                                         type | 0x0200u,     type | 0x0201u,
                                                         type | 0x0400u,     type | dice.Below(0x10000u)};
            const std::uint32_t version = dice.Pick(versions);
            SetToken(bad.bytes, 0, version);
            return "version token set to " + Hex(version);
        }
        default:
            bad.kind = bad.kind == ShaderKind::Vertex ? ShaderKind::Pixel : ShaderKind::Vertex;
            return std::string("given to the ") + (bad.kind == ShaderKind::Vertex ? "vertex" : "fragment") +
                   " shader's creation";
    }
}

std::string DamageTokens(ShaderCase& bad, Dice& dice) {
    const std::uint32_t count = dice.OneIn(2) ? 1 : dice.Between(2, 4);
    std::string description;
    for (std::uint32_t damage = 0; damage < count && bad.bytes.size() >= 8; ++damage) {
        description += (damage == 0 ? "" : "; ") + DamageAToken(bad, dice);
    }
    return description;
}

}  // namespace

std::vector<ShaderSource> ShaderSources() {
    std::vector<ShaderSource> sources;
    for (const auto& [name, kind] : {std::pair<const char*, ShaderKind>{"vertex.shader", ShaderKind::Vertex},
                                     std::pair<const char*, ShaderKind>{"fragment.shader", ShaderKind::Pixel}}) {
        const std::string contents = FileContents(std::string("data/") + name);
        sources.push_back({name, std::vector<std::uint8_t>(contents.begin(), contents.end()), kind});
    }
    return sources;
}

ShaderCase MakeShaderCase(const std::vector<ShaderSource>& sources, Dice& dice) {
    using Mutation = std::string (*)(ShaderCase&, Dice&);
    struct Sort {
        const char* name;
        Mutation mutation;
    };
    const std::vector<Sort> sorts = {{"cuts", Cut},
                                     {"lying comment lengths", LieAboutACommentLength},
                                     {"lying table offsets", LieAboutATableOffset},
                                     {"lying table counts", LieAboutATableCount},
                                     {"damaged tokens", DamageTokens}};
    const ShaderSource& source = dice.Pick(sources);
    const Sort& sort = dice.Pick(sorts);
    ShaderCase made{source.bytes, source.kind, source.name + ": ", sort.name};
    if (FindShaderTable(made.bytes).size == 0) {
        made.description += "no shader to mutate";  // a missing source is refused as it is
        made.mustBeRefused = true;
        return made;
    }
    made.description += sort.mutation(made, dice);
    return made;
}

ShaderTableLayout FindShaderTable(const std::vector<std::uint8_t>& bytes) {
    const std::uint64_t words = WordCount(bytes);
    for (std::uint64_t word = 1; word + 1 < words && Token(bytes, word) != End; ++word) {
        const std::uint32_t token = Token(bytes, word);
        if (!IsComment(token)) {
            continue;
        }
        const std::uint32_t length = CommentLength(token);
        if (length > 0 && Token(bytes, word + 1) == Tag) {
            return {word, 4 * (word + 2), 4 * std::uint64_t{length - 1}};
        }
        word += length;
    }
    return {};
}

std::vector<std::string> TopLevelConstantNames(const std::vector<std::uint8_t>& bytes) {
    const ShaderTableLayout table = FindShaderTable(bytes);
    const std::uint64_t end = std::min<std::uint64_t>(table.first + table.size, bytes.size());
    std::vector<std::string> names;
    if (table.size < 28 || end < table.first + 28) {
        return names;
    }
    const std::uint64_t constants = WordAt(bytes, static_cast<std::size_t>(table.first + 12));
    const std::uint64_t records = WordAt(bytes, static_cast<std::size_t>(table.first + 16));
    for (std::uint64_t constant = 0; constant < constants; ++constant) {
        const std::uint64_t record = table.first + records + constant * ConstantBytes;
        if (record + ConstantBytes > end) {
            break;
        }
        const std::uint64_t name = table.first + WordAt(bytes, static_cast<std::size_t>(record));
        const auto first = bytes.begin() + static_cast<std::ptrdiff_t>(std::min(name, end));
        const auto terminator = std::find(first, bytes.begin() + static_cast<std::ptrdiff_t>(end), 0);
        if (name < end && terminator != bytes.begin() + static_cast<std::ptrdiff_t>(end)) {
            names.emplace_back(first, terminator);
        }
    }
    return names;
}

// The check of compiled shader files: each rule refuses a small hand-made file with its own reason,
// and the shipped shaders pass.
#include "assets/compiled_shader_check.h"
#include "tests/support/file_contents.h"
#include "tests/support/shader_tokens.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <functional>
#include <vector>

namespace {

using namespace ShaderTokens;
using Words = std::vector<std::uint32_t>;

constexpr std::uint32_t PixelVersion = 0xFFFF0300u;   // ps_3_0
constexpr std::uint32_t VertexVersion = 0xFFFE0300u;  // vs_3_0

// A pixel shader whose constant table holds one float3 "c" with a default value, in this layout
// (offsets from the byte after the tag): header 0, constant record 28, name 48, type record 52,
// creator and target 68, default value 72, an unused struct member record 88 (name 48, type 52);
// 96 bytes. Then one mov of two parameters and the end token.
struct Table {
    // clang-format off
    Words words = {28, 68, PixelVersion, 1, 28, 0, 68,           // header
                   48, 2u | 4u << 16, 1, 52, 72,                 // constant: name, FLOAT4 register 4, 1 register,
                                                                 // type, default value
                   'c',                                          // name
                   1u | 3u << 16, 1u | 3u << 16, 1, 0,           // type: vector, float, 1 row, 3 columns,
                                                                 // 1 element, no members
                   'x',                                          // creator and target
                   0x3F800000u, 0x3F800000u, 0x3F800000u, 0,     // default value
                   48, 52};                                      // struct member: name, type
    // clang-format on

    // Sets the 16-bit field at a byte offset of the table.
    void SetHalf(std::size_t offset, std::uint32_t value) {
        std::uint32_t& word = words[offset / 4];
        const unsigned shift = offset % 4 == 0 ? 0 : 16;
        word = (word & ~(0xFFFFu << shift)) | (value & 0xFFFFu) << shift;
    }
    void Set(std::size_t offset, std::uint32_t value) { words[offset / 4] = value; }

    Words File() const {
        Words file = {PixelVersion, Comment(static_cast<std::uint32_t>(1 + words.size())), Tag};
        file.insert(file.end(), words.begin(), words.end());
        file.insert(file.end(), {0x02000001u, 0x800F0800u, 0x80E40000u, End});
        return file;
    }
};

Words TableWith(const std::function<void(Table&)>& change) {
    Table table;
    change(table);
    return table.File();
}

std::string Bytes(const Words& words) {
    std::string bytes(words.size() * 4, '\0');
    std::memcpy(&bytes[0], words.data(), bytes.size());
    return bytes;
}

struct Rule {
    const char* name;
    std::string bytes;
    ShaderKind kind;
    const char* reason;  // empty when the file passes
};

std::ostream& operator<<(std::ostream& stream, const Rule& rule) {
    return stream << rule.name;
}

std::vector<Rule> Rules() {
    const ShaderKind pixel = ShaderKind::Pixel;
    std::vector<Rule> rules = {
        {"WholeTable", Bytes(Table().File()), pixel, ""},
        // A defi after the table whose literals, read as tokens, are an end token and a comment of
        // 32767 words: D3DX's search stops at the table, and Direct3D reads them as literals.
        {"LiteralsAfterTheTable", Bytes([] {
             Words file = Table().File();
             file.insert(file.end() - 1, {0x05000030u, 0xF00F0000u, 0xFFFFu, 0, 0xFFFFFFFEu, 0});
             return file;
         }()),
         pixel, ""},
        {"PartWord", Bytes({PixelVersion, End}) + "x", pixel, "its length of 9 bytes is not a whole number of words"},
        {"OneWord", Bytes({PixelVersion}), pixel,
         "its length of 4 bytes leaves no room for a version token and an end token"},
        {"OtherKind", Bytes({VertexVersion, End}), pixel,
         "its first word 0xFFFE0300 is not the version token of a pixel shader"},
        {"NoEndToken", Bytes({PixelVersion, Nop}), pixel, "its last word 0x00000000 is not the end token 0x0000FFFF"},
        // The file that crashed D3DX: a comment that claims the longest length.
        {"CommentPastTheEnd", Bytes({PixelVersion, 0x7FFFFFFEu, End}), pixel,
         "the comment at word 1 runs past the end of the file"},
        // A comment of no words by its documented length, of 32768 by all its high bits.
        {"CommentWithTopBit", Bytes({PixelVersion, 0x8000FFFEu, End}), pixel,
         "the comment at word 1 has its top bit set, which makes its length unclear"},
        {"InstructionWithTopBit", Bytes({PixelVersion, 0x80000000u, End}), pixel,
         "the word at 1 (counting instruction lengths) has its top bit set, as only parameters have"},
        {"CommentOverTheEndToken", Bytes({PixelVersion, Comment(1), End}), pixel,
         "the comment at word 1 runs past the end of the file"},
        {"EmptyCommentBeforeTag", Bytes({PixelVersion, Comment(0), Tag, Nop, End}), pixel,
         "the comment at word 1 is empty but followed by the tag CTAB"},
        {"EarlyEndToken", Bytes({PixelVersion, End, End}), pixel,
         "the end token at word 1 comes before the last word, 2"},
        {"InstructionPastTheEnd", Bytes({PixelVersion, 0x03000001u, 0x800F0800u, 0x80E40000u, End}), pixel,
         "the instruction at word 1 runs past the end of the file"},
        // Walked token by token the comment at word 3 hides the end token at word 5; walked by
        // instruction lengths the comment token is the literal of the defb of b0 at word 1, and the
        // end token comes early.
        {"EarlyEndTokenByLengths", Bytes({PixelVersion, 0x0200002Fu, 0xE0000800u, Comment(2), Nop, End, Nop, End}),
         pixel, "the end token at word 5 (counting instruction lengths) comes before the last word, 7"},
        {"UnknownOpcode", Bytes({PixelVersion, 0x02005443u, 0x800F0800u, 0x80E40000u, End}), pixel,
         "the instruction at word 1 has the opcode 0x00005443, which Direct3D 9 does not take in a pixel shader of "
         "model 3.0"},
        {"OpcodeOfAnotherModel", Bytes({0xFFFF0200u, 0x03000040u, 0x800F0800u, 0x80E40000u, End}), pixel,
         "the instruction at word 1 has the opcode 0x00000040, which Direct3D 9 does not take in a pixel shader of "
         "model 2.0"},
        // A mad takes a destination and three sources.
        {"ParametersPastTheLength", Bytes({PixelVersion, 0x02000004u, 0x800F0800u, 0x80E40000u, End}), pixel,
         "the parameters of the instruction at word 1 run past its length"},
        // A mov into rasterizer output 3, where Direct3D has position, fog and point size (0 to 2);
        // one from output 2 by an address register that names output 7; a pixel shader's definition
        // of constant 224, of a label, and declaration of sampler 16; and a depth output, which a
        // vertex shader does not have.
        {"RasterizerOutput", Bytes({VertexVersion, 0x02000001u, 0xC00F0003u, 0x80E40000u, End}), ShaderKind::Vertex,
         "the instruction at word 1 names rasterizer output register 3, past the 3 that a vertex shader of "
         "Direct3D 9 has"},
        {"RasterizerOutputAddress", Bytes({VertexVersion, 0x03000001u, 0x800F0000u, 0xC0E42002u, 0xC0000007u, End}),
         ShaderKind::Vertex,
         "the instruction at word 1 names rasterizer output register 7, past the 3 that a vertex shader of "
         "Direct3D 9 has"},
        {"PixelConstant", Bytes({PixelVersion, 0x05000051u, 0xA00F00E0u, 0, 0, 0, 0, End}), pixel,
         "the instruction at word 1 names constant register 224, past the 224 that a pixel shader of Direct3D 9 has"},
        {"DefinitionOfALabel", Bytes({PixelVersion, 0x05000051u, 0xA00F17FFu, 0, 0, 0, 0, End}), pixel,
         "the instruction at word 1 defines a register of type 18 instead of type 2 (constant)"},
        {"SamplerDeclaration", Bytes({PixelVersion, 0x0200001Fu, 0x90000000u, 0xA00F0810u, End}), pixel,
         "the instruction at word 1 names sampler register 16, past the 16 that a pixel shader of Direct3D 9 has"},
        {"RegisterTypeOfTheOtherKind", Bytes({VertexVersion, 0x02000001u, 0x900F0800u, 0x80E40000u, End}),
         ShaderKind::Vertex,
         "the instruction at word 1 names a register of type 9, which a vertex shader of Direct3D 9 does not have"},
        {"AboveShaderModelThree", Bytes({0xFFFF0400u, End}), pixel,
         "its version token 0xFFFF0400 names shader model 4.0, and Direct3D 9 runs models up to 3.0"},
        // Before shader model 2.0 the length bits are not a length: a mov spans two parameters.
        {"ShaderModelOneMov", Bytes({0xFFFF0104u, 0x03000001u, 0x800F0800u, 0x80E40000u, End}), pixel, ""},
        {"ShaderModelOneMad", Bytes({0xFFFF0104u, 0x00000004u, 0x800F0800u, 0x80E40000u, End}), pixel,
         "the instruction at word 1 runs past the end of the file"},
        {"ShortTable", Bytes({PixelVersion, Comment(7), Tag, 28, 0, 0, 0, 0, 0, End}), pixel,
         "the constant table in the comment at word 1: it is 24 bytes long, shorter than its 28-byte header"},
        {"HeaderSize", Bytes(TableWith([](Table& t) { t.Set(0, 32); })), pixel,
         "the constant table in the comment at word 1: its header gives its own size as 32 instead of 28"},
        {"Creator", Bytes(TableWith([](Table& t) { t.Set(4, 96); })), pixel,
         "the constant table in the comment at word 1: its creator string at offset 96 does not end inside it"},
        {"Target", Bytes(TableWith([](Table& t) { t.Set(24, 0xFFFFFFFFu); })), pixel,
         "the constant table in the comment at word 1: its target string at offset 4294967295 does not end inside it"},
        {"ConstantRecords", Bytes(TableWith([](Table& t) { t.Set(12, 4); })), pixel,
         "the constant table in the comment at word 1: its 4 constant records at offset 28 run past its end"},
        {"ConstantName", Bytes(TableWith([](Table& t) {
             t.Set(88, 0x78787878u);
             t.Set(92, 0x78787878u);
             t.Set(28, 88);
         })),
         pixel,
         "the constant table in the comment at word 1: constant 0: its name at offset 88 does not end inside the "
         "table"},
        {"RegisterSet", Bytes(TableWith([](Table& t) { t.SetHalf(32, 4); })), pixel,
         "the constant table in the comment at word 1: constant 0: its register set 4 is not one of D3DX's"},
        {"TypeRecord", Bytes(TableWith([](Table& t) { t.Set(40, 84); })), pixel,
         "the constant table in the comment at word 1: constant 0: its type record at offset 84 runs past the end of "
         "the table"},
        {"TypeClass", Bytes(TableWith([](Table& t) { t.SetHalf(52, 6); })), pixel,
         "the constant table in the comment at word 1: constant 0: its type record at offset 52 has the class 6, not "
         "one of D3DX's"},
        {"TypeType", Bytes(TableWith([](Table& t) { t.SetHalf(54, 20); })), pixel,
         "the constant table in the comment at word 1: constant 0: its type record at offset 52 has the type 20, not "
         "one of D3DX's"},
        {"StructMembers", Bytes(TableWith([](Table& t) {
             t.SetHalf(52, 5);
             t.SetHalf(62, 2);
             t.Set(64, 88);
         })),
         pixel,
         "the constant table in the comment at word 1: constant 0: its 2 struct member records at offset 88 run past "
         "the end of the table"},
        {"StructMemberName", Bytes(TableWith([](Table& t) {
             t.SetHalf(52, 5);
             t.SetHalf(62, 1);
             t.Set(64, 88);
             t.Set(88, 96);
         })),
         pixel,
         "the constant table in the comment at word 1: constant 0: the name of its struct member at offset 88 does "
         "not end inside the table"},
        // A struct whose member is the struct itself.
        {"StructNesting", Bytes(TableWith([](Table& t) {
             t.SetHalf(52, 5);
             t.SetHalf(62, 1);
             t.Set(64, 88);
         })),
         pixel, "the constant table in the comment at word 1: constant 0: its structs nest deeper than 8 levels"},
        {"Expansion", Bytes(TableWith([](Table& t) {
             t.SetHalf(60, 4096);
             t.Set(44, 0);
         })),
         pixel, "the constant table in the comment at word 1: constant 0: it expands to more than 4096 constants"},
        // D3DX sets at most four components a register, and divides by a struct's components.
        {"TypeColumns", Bytes(TableWith([](Table& t) { t.SetHalf(58, 5); })), pixel,
         "the constant table in the comment at word 1: constant 0: its type record at offset 52 has 1 rows and 5 "
         "columns, which D3DX cannot set"},
        {"TypeElements", Bytes(TableWith([](Table& t) { t.SetHalf(60, 0); })), pixel,
         "the constant table in the comment at word 1: constant 0: its type record at offset 52 has no elements"},
        {"StructWithoutComponents", Bytes(TableWith([](Table& t) {
             t.SetHalf(52, 5);
             t.SetHalf(56, 0);
         })),
         pixel,
         "the constant table in the comment at word 1: constant 0: its type record at offset 52 has 0 rows and 3 "
         "columns, which D3DX cannot set"},
        // A struct of one float3 member (type record at 96) that claims four components.
        {"StructComponents", Bytes(TableWith([](Table& t) {
             t.SetHalf(52, 5);
             t.SetHalf(58, 4);
             t.SetHalf(62, 1);
             t.Set(64, 88);
             t.Set(92, 96);
             t.words.insert(t.words.end(), {1u | 3u << 16, 1u | 3u << 16, 1, 0});
         })),
         pixel,
         "the constant table in the comment at word 1: constant 0: its struct type record at offset 52 gives 1 x 4 "
         "components, where its members hold 3"},
        {"DefaultValueRegisters", Bytes(TableWith([](Table& t) { t.SetHalf(36, 2); })), pixel,
         "the constant table in the comment at word 1: constant 0: its default value of 32 bytes at offset 72 runs "
         "past the end of the table"},
        {"DefaultValueType", Bytes(TableWith([](Table& t) {
             t.SetHalf(58, 4);
             t.SetHalf(60, 2);
         })),
         pixel,
         "the constant table in the comment at word 1: constant 0: its default value of 32 bytes at offset 72 runs "
         "past the end of the table"},
    };
    return rules;
}

class CompiledShaderCheckRule : public ::testing::TestWithParam<Rule> {};

TEST_P(CompiledShaderCheckRule, GivesItsReason) {
    const Rule& rule = GetParam();
    std::string reason = "untouched";
    const bool whole = CheckCompiledShader(rule.bytes.data(), rule.bytes.size(), rule.kind, &reason);
    EXPECT_EQ(whole, rule.reason[0] == '\0');
    EXPECT_EQ(reason, whole ? "untouched" : rule.reason);
}

INSTANTIATE_TEST_SUITE_P(Rules, CompiledShaderCheckRule, ::testing::ValuesIn(Rules()),
                         [](const ::testing::TestParamInfo<Rule>& rule) { return std::string(rule.param.name); });

TEST(CompiledShaderCheck, TheShippedShadersPass) {
    const std::string vertex = FileContents("data/vertex.shader");
    const std::string fragment = FileContents("data/fragment.shader");
    std::string reason;
    EXPECT_TRUE(CheckCompiledShader(vertex.data(), vertex.size(), ShaderKind::Vertex, &reason)) << reason;
    EXPECT_TRUE(CheckCompiledShader(fragment.data(), fragment.size(), ShaderKind::Pixel, &reason)) << reason;
}

}  // namespace

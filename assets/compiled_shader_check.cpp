// The check of compiled shader files: the stream walked twice, as D3DX's comment search and as
// Direct3D's runtime walk it, and every constant table taken apart as D3DX takes it apart. All
// positions are 64-bit, so that no offset or length read from the file can wrap.
#include "assets/compiled_shader_check.h"

#include <d3dx9shader.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <iterator>

namespace {

// Tokens, as d3d9types.h defines them. The high word of the first tells the kind; a comment's low
// word is D3DSIO_COMMENT and bits 16-30 count the words that follow it; from shader model 2.0 an
// instruction's bits 24-27 count its parameter words; the stream ends with the end token.
constexpr std::uint32_t VersionTypeMask = 0xFFFF0000u;
constexpr std::uint32_t VertexVersionType = D3DVS_VERSION(0, 0);
constexpr std::uint32_t PixelVersionType = D3DPS_VERSION(0, 0);
constexpr std::uint32_t EndToken = D3DPS_END();
constexpr std::uint32_t OpcodeMask = D3DSI_OPCODE_MASK;
constexpr std::uint32_t CommentOpcode = D3DSIO_COMMENT;
constexpr std::uint32_t CommentLengthMask = D3DSI_COMMENTSIZE_MASK;
constexpr unsigned CommentLengthShift = D3DSI_COMMENTSIZE_SHIFT;
// Never set in an instruction or comment token, always in a parameter: a reader that counts a
// comment's length from all 16 high bits takes one with it set for 32768 words or more.
constexpr std::uint32_t TopBit = 0x80000000u;
constexpr std::uint32_t VersionMask = 0xFFFFu;          // the major version in bits 8-15, the minor in bits 0-7
constexpr std::uint32_t LastVersion = 0x0300u;          // 3.0, the last that Direct3D 9 runs
constexpr std::uint32_t FirstCountedVersion = 0x0200u;  // from 2.0 instructions carry their length
constexpr std::uint32_t InstructionLengthMask = D3DSI_INSTLENGTH_MASK;
constexpr unsigned InstructionLengthShift = D3DSI_INSTLENGTH_SHIFT;
constexpr std::uint32_t Predicated = D3DSHADER_INSTRUCTION_PREDICATED;
// In a parameter token: an address token follows.
constexpr std::uint32_t RelativelyAddressed = D3DSHADER_ADDRMODE_RELATIVE;
constexpr std::uint64_t WordBytes = sizeof(DWORD);

// The registers of each type (the index) that a shader of each kind has in Direct3D 9, in the
// largest of its models. Under Wine a shader's drawing looks some of them up by their number in
// tables of these sizes: a rasterizer output past the three and a pixel shader's sampler past the
// sixteen crashed it, and a pixel shader's input past the ten or a float constant past the 224 (256 in
// a vertex shader, as many as Direct3D 9 promises and drivers give) read past a table. The reserved and
// label types take any number the token holds.
struct RegisterFile {
    const char* name;
    std::uint32_t vertex;
    std::uint32_t pixel;
};
constexpr std::uint32_t AnyNumber = D3DSP_REGNUM_MASK + 1;
constexpr RegisterFile RegisterFiles[] = {
    {"temporary", 32, 32},                         // D3DSPR_TEMP
    {"input", 16, 10},                             // D3DSPR_INPUT
    {"constant", 256, 224},                        // D3DSPR_CONST
    {"address or texture", 1, 8},                  // D3DSPR_ADDR, D3DSPR_TEXTURE
    {"rasterizer output", 3, 0},                   // D3DSPR_RASTOUT: position, fog and point size
    {"colour output", 2, 0},                       // D3DSPR_ATTROUT
    {"output", 12, 0},                             // D3DSPR_OUTPUT, D3DSPR_TEXCRDOUT
    {"integer constant", 16, 16},                  // D3DSPR_CONSTINT
    {"render target output", 0, 4},                // D3DSPR_COLOROUT
    {"depth output", 0, 1},                        // D3DSPR_DEPTHOUT
    {"sampler", 4, 16},                            // D3DSPR_SAMPLER
    {"constant", 0, 0},                            // D3DSPR_CONST2
    {"constant", 0, 0},                            // D3DSPR_CONST3
    {"constant", 0, 0},                            // D3DSPR_CONST4
    {"boolean constant", 16, 16},                  // D3DSPR_CONSTBOOL
    {"loop counter", 1, 1},                        // D3DSPR_LOOP
    {"half temporary", AnyNumber, AnyNumber},      // D3DSPR_TEMPFLOAT16
    {"position or face input", 0, 2},              // D3DSPR_MISCTYPE
    {"label", AnyNumber, AnyNumber},               // D3DSPR_LABEL
    {"predicate", 1, 1},                           // D3DSPR_PREDICATE
};
static_assert(std::size(RegisterFiles) == D3DSPR_PREDICATE + 1, "one file for every register type");

std::uint32_t RegisterType(std::uint32_t token) {
    return (token & D3DSP_REGTYPE_MASK) >> D3DSP_REGTYPE_SHIFT | (token & D3DSP_REGTYPE_MASK2) >> D3DSP_REGTYPE_SHIFT2;
}

std::uint32_t RegistersOfType(std::uint32_t type, ShaderKind kind) {
    if (type >= std::size(RegisterFiles)) {
        return 0;
    }
    return kind == ShaderKind::Vertex ? RegisterFiles[type].vertex : RegisterFiles[type].pixel;
}

// Whether a parameter token (a register, or the address register that follows a relatively addressed
// one) names a register that a shader of the kind has.
bool RegisterNamed(std::uint32_t token, ShaderKind kind) {
    return (token & D3DSP_REGNUM_MASK) < RegistersOfType(RegisterType(token), kind);
}

// The constant table: a comment whose first word is 'CTAB'; its offsets count from the next byte.
// Its records are D3DX's own, read as D3DX reads them: in place, in the machine's byte order, which
// on Windows is the file's little-endian one.
constexpr std::uint32_t TableTag = 0x42415443u;  // "CTAB"
static_assert(sizeof(DWORD) == 4 && sizeof(WORD) == 2, "D3DX's records are read as they lie in the file");
// A register holds four components, but a bool register holds one.
constexpr std::uint64_t BytesPerRegister = 16;
constexpr std::uint64_t BytesPerComponent = 4;
// D3DX makes one constant for every element and member, recursively: these bound its work and ours.
constexpr unsigned DeepestNesting = 8;
constexpr std::uint64_t MostConstants = 4096;

// Sums and products of sizes read from the file stop here instead of wrapping.
constexpr std::uint64_t Saturated = std::uint64_t{1} << 62;

std::uint64_t Add(std::uint64_t a, std::uint64_t b) {
    return a >= Saturated || b >= Saturated - a ? Saturated : a + b;
}

std::uint64_t Multiply(std::uint64_t a, std::uint64_t b) {
    return a != 0 && b > Saturated / a ? Saturated : a * b;
}

std::string Hex(std::uint32_t value) {
    static const char digits[] = "0123456789ABCDEF";
    std::string text = "0x";
    for (int shift = 28; shift >= 0; shift -= 4) {
        text += digits[(value >> shift) & 0xFu];
    }
    return text;
}

std::string Number(std::uint64_t value) {
    return std::to_string(value);
}

// The instructions that Direct3D 9 reads, with their destination and parameter counts and the
// shader models (major << 8 | minor, both ends included) in which it takes them. Direct3D's runtime
// reads an instruction's parameters by these counts before it validates anything, and under Wine
// an instruction it does not know is skipped by a search that can run far past its length: so a
// stream holds only these. What the instructions do stays Direct3D's to validate, but for the
// register numbers that Wine's drawing takes on trust (RegisterNamed, above).
struct Instruction {
    std::uint32_t opcode;
    std::uint32_t destinations;
    std::uint32_t parameters;  // the destination, sources and literal words: what model 1 skips
    std::uint32_t first;
    std::uint32_t last;
};

constexpr std::uint32_t Dcl = D3DSIO_DCL;
constexpr std::uint32_t Def = D3DSIO_DEF;
constexpr std::uint32_t Defb = D3DSIO_DEFB;
constexpr std::uint32_t Defi = D3DSIO_DEFI;
constexpr std::uint32_t AnyModel = 0x0000;
constexpr std::uint32_t Model1_0 = 0x0100, Model1_2 = 0x0102, Model1_3 = 0x0103, Model1_4 = 0x0104;
constexpr std::uint32_t Model2_0 = 0x0200, Model2_1 = 0x0201, Model3_0 = 0x0300;

// Instructions of both kinds.
constexpr Instruction CommonInstructions[] = {
    {D3DSIO_NOP, 0, 0, AnyModel, Model3_0},
    {D3DSIO_MOV, 1, 2, AnyModel, Model3_0},
    {D3DSIO_ADD, 1, 3, AnyModel, Model3_0},
    {D3DSIO_SUB, 1, 3, AnyModel, Model3_0},
    {D3DSIO_MAD, 1, 4, AnyModel, Model3_0},
    {D3DSIO_MUL, 1, 3, AnyModel, Model3_0},
    {D3DSIO_RCP, 1, 2, AnyModel, Model3_0},
    {D3DSIO_RSQ, 1, 2, AnyModel, Model3_0},
    {D3DSIO_DP3, 1, 3, AnyModel, Model3_0},
    {D3DSIO_DP4, 1, 3, AnyModel, Model3_0},
    {D3DSIO_MIN, 1, 3, AnyModel, Model3_0},
    {D3DSIO_MAX, 1, 3, AnyModel, Model3_0},
    {D3DSIO_SLT, 1, 3, AnyModel, Model3_0},
    {D3DSIO_SGE, 1, 3, AnyModel, Model3_0},
    {D3DSIO_EXP, 1, 2, AnyModel, Model3_0},
    {D3DSIO_LOG, 1, 2, AnyModel, Model3_0},
    {D3DSIO_DST, 1, 3, AnyModel, Model3_0},
    {D3DSIO_LRP, 1, 4, AnyModel, Model3_0},
    {D3DSIO_FRC, 1, 2, AnyModel, Model3_0},
    {D3DSIO_M4x4, 1, 3, AnyModel, Model3_0},
    {D3DSIO_M4x3, 1, 3, AnyModel, Model3_0},
    {D3DSIO_M3x4, 1, 3, AnyModel, Model3_0},
    {D3DSIO_M3x3, 1, 3, AnyModel, Model3_0},
    {D3DSIO_M3x2, 1, 3, AnyModel, Model3_0},
    {D3DSIO_DCL, 0, 2, AnyModel, Model3_0},
    {D3DSIO_POW, 1, 3, AnyModel, Model3_0},
    {D3DSIO_CRS, 1, 3, AnyModel, Model3_0},
    {D3DSIO_ABS, 1, 2, AnyModel, Model3_0},
    {D3DSIO_NRM, 1, 2, AnyModel, Model3_0},
    {D3DSIO_SINCOS, 1, 4, Model2_0, Model2_1},
    {D3DSIO_SINCOS, 1, 2, Model3_0, Model3_0},
    {D3DSIO_IFC, 0, 2, Model2_1, Model3_0},
    {D3DSIO_BREAK, 0, 0, Model2_1, Model3_0},
    {D3DSIO_BREAKC, 0, 2, Model2_1, Model3_0},
    {D3DSIO_DEFB, 1, 2, AnyModel, Model3_0},
    {D3DSIO_DEFI, 1, 5, AnyModel, Model3_0},
    {D3DSIO_EXPP, 1, 2, AnyModel, Model3_0},
    {D3DSIO_LOGP, 1, 2, AnyModel, Model3_0},
    {D3DSIO_DEF, 1, 5, AnyModel, Model3_0},
    {D3DSIO_SETP, 1, 3, AnyModel, Model3_0},
    {D3DSIO_TEXLDL, 1, 3, Model3_0, Model3_0},
    {D3DSIO_BREAKP, 0, 1, AnyModel, Model3_0},
};

constexpr Instruction VertexInstructions[] = {
    {D3DSIO_LIT, 1, 2, AnyModel, Model3_0},
    {D3DSIO_CALL, 0, 1, Model2_0, Model3_0},
    {D3DSIO_CALLNZ, 0, 2, Model2_0, Model3_0},
    {D3DSIO_LOOP, 0, 2, Model2_0, Model3_0},
    {D3DSIO_RET, 0, 0, Model2_0, Model3_0},
    {D3DSIO_ENDLOOP, 0, 0, Model2_0, Model3_0},
    {D3DSIO_LABEL, 0, 1, Model2_0, Model3_0},
    {D3DSIO_SGN, 1, 4, Model2_0, Model2_1},
    {D3DSIO_SGN, 1, 2, Model3_0, Model3_0},
    {D3DSIO_REP, 0, 1, Model2_0, Model3_0},
    {D3DSIO_ENDREP, 0, 0, Model2_0, Model3_0},
    {D3DSIO_IF, 0, 1, Model2_0, Model3_0},
    {D3DSIO_ELSE, 0, 0, Model2_0, Model3_0},
    {D3DSIO_ENDIF, 0, 0, Model2_0, Model3_0},
    {D3DSIO_MOVA, 1, 2, Model2_0, Model3_0},
};

constexpr Instruction PixelInstructions[] = {
    {D3DSIO_CALL, 0, 1, Model2_1, Model3_0},
    {D3DSIO_CALLNZ, 0, 2, Model2_1, Model3_0},
    {D3DSIO_LOOP, 0, 2, Model3_0, Model3_0},
    {D3DSIO_RET, 0, 0, Model2_1, Model3_0},
    {D3DSIO_ENDLOOP, 0, 0, Model3_0, Model3_0},
    {D3DSIO_LABEL, 0, 1, Model2_1, Model3_0},
    {D3DSIO_REP, 0, 1, Model2_1, Model3_0},
    {D3DSIO_ENDREP, 0, 0, Model2_1, Model3_0},
    {D3DSIO_IF, 0, 1, Model2_1, Model3_0},
    {D3DSIO_ELSE, 0, 0, Model2_1, Model3_0},
    {D3DSIO_ENDIF, 0, 0, Model2_1, Model3_0},
    {D3DSIO_TEXCOORD, 1, 1, AnyModel, Model1_3},
    {D3DSIO_TEXCOORD, 1, 2, Model1_4, Model1_4},  // texcrd
    {D3DSIO_TEXKILL, 1, 1, Model1_0, Model3_0},
    {D3DSIO_TEX, 1, 1, AnyModel, Model1_3},
    {D3DSIO_TEX, 1, 2, Model1_4, Model1_4},  // texld
    {D3DSIO_TEX, 1, 3, Model2_0, Model3_0},  // texld
    {D3DSIO_TEXBEM, 1, 2, AnyModel, Model1_3},
    {D3DSIO_TEXBEML, 1, 2, Model1_0, Model1_3},
    {D3DSIO_TEXREG2AR, 1, 2, Model1_0, Model1_3},
    {D3DSIO_TEXREG2GB, 1, 2, Model1_0, Model1_3},
    {D3DSIO_TEXM3x2PAD, 1, 2, Model1_0, Model1_3},
    {D3DSIO_TEXM3x2TEX, 1, 2, Model1_0, Model1_3},
    {D3DSIO_TEXM3x3PAD, 1, 2, Model1_0, Model1_3},
    {D3DSIO_TEXM3x3TEX, 1, 2, Model1_0, Model1_3},
    {D3DSIO_TEXM3x3SPEC, 1, 3, Model1_0, Model1_3},
    {D3DSIO_TEXM3x3VSPEC, 1, 2, Model1_0, Model1_3},
    {D3DSIO_CND, 1, 4, Model1_0, Model1_4},
    {D3DSIO_TEXREG2RGB, 1, 2, Model1_2, Model1_3},
    {D3DSIO_TEXDP3TEX, 1, 2, Model1_2, Model1_3},
    {D3DSIO_TEXM3x2DEPTH, 1, 2, Model1_3, Model1_3},
    {D3DSIO_TEXDP3, 1, 2, Model1_2, Model1_3},
    {D3DSIO_TEXM3x3, 1, 2, Model1_2, Model1_3},
    {D3DSIO_TEXDEPTH, 1, 1, Model1_4, Model1_4},
    {D3DSIO_CMP, 1, 4, Model1_2, Model3_0},
    {D3DSIO_BEM, 1, 3, Model1_4, Model1_4},
    {D3DSIO_DP2ADD, 1, 4, Model2_0, Model3_0},
    {D3DSIO_DSX, 1, 2, Model2_1, Model3_0},
    {D3DSIO_DSY, 1, 2, Model2_1, Model3_0},
    {D3DSIO_TEXLDD, 1, 5, Model2_1, Model3_0},
    {D3DSIO_PHASE, 0, 0, AnyModel, Model3_0},
};

template <std::size_t Count>
const Instruction* FindIn(const Instruction (&table)[Count], std::uint32_t opcode, std::uint32_t version) {
    for (const Instruction& instruction : table) {
        if (instruction.opcode == opcode && version >= instruction.first && version <= instruction.last) {
            return &instruction;
        }
    }
    return nullptr;
}

const Instruction* FindInstruction(ShaderKind kind, std::uint32_t opcode, std::uint32_t version) {
    const Instruction* const common = FindIn(CommonInstructions, opcode, version);
    if (common != nullptr) {
        return common;
    }
    return kind == ShaderKind::Vertex ? FindIn(VertexInstructions, opcode, version)
                                      : FindIn(PixelInstructions, opcode, version);
}

// A byte range: its tokens, little-endian, and D3DX's records, read without assuming alignment.
// Callers check the range first.
class Bytes {
public:
    Bytes(const unsigned char* start, std::uint64_t length) : first(start), count(length) {}

    std::uint64_t Size() const { return count; }
    // Whether length bytes from offset lie inside.
    bool Holds(std::uint64_t offset, std::uint64_t length) const { return offset <= count && length <= count - offset; }
    // Whether a NUL-terminated string starts at offset and ends inside.
    bool HoldsString(std::uint64_t offset) const {
        return offset < count && std::memchr(first + offset, 0, static_cast<std::size_t>(count - offset)) != nullptr;
    }
    std::uint32_t Dword(std::uint64_t offset) const {
        return static_cast<std::uint32_t>(first[offset]) | static_cast<std::uint32_t>(first[offset + 1]) << 8 |
               static_cast<std::uint32_t>(first[offset + 2]) << 16 |
               static_cast<std::uint32_t>(first[offset + 3]) << 24;
    }
    template <typename Record>
    Record Read(std::uint64_t offset) const {
        Record record;
        std::memcpy(&record, first + offset, sizeof record);
        return record;
    }
    const unsigned char* At(std::uint64_t offset) const { return first + offset; }

private:
    const unsigned char* first;
    std::uint64_t count;
};

// One constant table, as D3DX reads it: the header, the constant records, their names, types,
// struct members and default values, and the creator and target strings. Each check gives an empty
// string when the part is whole, else what is wrong.
class TableCheck {
public:
    explicit TableCheck(Bytes bytes) : table(bytes) {}

    std::string Run() {
        constexpr std::uint64_t HeaderBytes = sizeof(D3DXSHADER_CONSTANTTABLE);
        if (!table.Holds(0, HeaderBytes)) {
            return "it is " + Number(table.Size()) + " bytes long, shorter than its " + Number(HeaderBytes) +
                   "-byte header";
        }
        const auto header = table.Read<D3DXSHADER_CONSTANTTABLE>(0);
        if (header.Size != HeaderBytes) {
            return "its header gives its own size as " + Number(header.Size) + " instead of " + Number(HeaderBytes);
        }
        if (!table.HoldsString(header.Creator)) {
            return "its creator string at offset " + Number(header.Creator) + " does not end inside it";
        }
        if (!table.HoldsString(header.Target)) {
            return "its target string at offset " + Number(header.Target) + " does not end inside it";
        }
        const std::uint64_t records = header.ConstantInfo;
        if (!table.Holds(records, std::uint64_t{header.Constants} * sizeof(D3DXSHADER_CONSTANTINFO))) {
            return "its " + Number(header.Constants) + " constant records at offset " + Number(records) +
                   " run past its end";
        }
        for (std::uint64_t constant = 0; constant < header.Constants; ++constant) {
            const std::string problem = CheckConstant(records + constant * sizeof(D3DXSHADER_CONSTANTINFO));
            if (!problem.empty()) {
                return "constant " + Number(constant) + ": " + problem;
            }
        }
        return {};
    }

private:
    std::string CheckConstant(std::uint64_t offset) {
        const auto constant = table.Read<D3DXSHADER_CONSTANTINFO>(offset);
        if (!table.HoldsString(constant.Name)) {
            return "its name at offset " + Number(constant.Name) + " does not end inside the table";
        }
        if (constant.RegisterSet > D3DXRS_SAMPLER) {
            return "its register set " + Number(constant.RegisterSet) + " is not one of D3DX's";
        }
        std::uint64_t bytes = 0;
        const std::string problem = CheckType(constant.TypeInfo, false, 0, 1, bytes);
        if (!problem.empty()) {
            return problem;
        }
        // D3DX's SetDefaults reads a register's worth per register; a caller may read the type's bytes.
        const std::uint64_t registerBytes =
            std::uint64_t{constant.RegisterCount} *
            (constant.RegisterSet == D3DXRS_BOOL ? BytesPerComponent : BytesPerRegister);
        const std::uint64_t needed = std::max(bytes, registerBytes);
        if (constant.DefaultValue != 0 && !table.Holds(constant.DefaultValue, needed)) {
            return "its default value of " + Number(needed) + " bytes at offset " + Number(constant.DefaultValue) +
                   " runs past the end of the table";
        }
        return {};
    }

    // The type record at offset, as D3DX expands it: an array (not yet an element) into its elements,
    // a struct into its members. Each expansion stands for `copies` constants of D3DX's; *bytes
    // becomes the type's size: 4 bytes per component over all elements and members.
    std::string CheckType(std::uint64_t offset, bool element, unsigned nesting, std::uint64_t copies,
                          std::uint64_t& bytes) {
        std::string problem = CheckTypeRecord(offset);
        if (problem.empty()) {
            problem = CountConstants(copies);
        }
        if (!problem.empty()) {
            return problem;
        }
        const auto type = table.Read<D3DXSHADER_TYPEINFO>(offset);
        const std::uint64_t elements = element ? 1 : type.Elements;
        const std::uint64_t components = BytesPerComponent * type.Rows;
        bytes = Multiply(Multiply(components, type.Columns), std::max<std::uint64_t>(elements, 1));
        std::uint64_t inside = 0;
        if (elements > 1) {
            problem = CheckElements(offset, nesting, copies, elements, inside);
        } else if (type.Class == D3DXPC_STRUCT) {
            problem = CheckMembers(offset, type, nesting, copies, inside);
        }
        bytes = std::max(bytes, inside);
        return problem;
    }

    // Whether the type record lies inside and names a class and a type that D3DX has.
    std::string CheckTypeRecord(std::uint64_t offset) const {
        if (!table.Holds(offset, sizeof(D3DXSHADER_TYPEINFO))) {
            return "its type record at offset " + Number(offset) + " runs past the end of the table";
        }
        const auto type = table.Read<D3DXSHADER_TYPEINFO>(offset);
        if (type.Class > D3DXPC_STRUCT) {
            return "its type record at offset " + Number(offset) + " has the class " + Number(type.Class) +
                   ", not one of D3DX's";
        }
        if (type.Type > D3DXPT_UNSUPPORTED) {
            return "its type record at offset " + Number(offset) + " has the type " + Number(type.Type) +
                   ", not one of D3DX's";
        }
        if (type.Elements == 0) {
            return "its type record at offset " + Number(offset) + " has no elements";
        }
        // D3DX sets a register's components through a local of four, and divides by a struct's
        // components (checked against its members) to find the element it sets.
        const bool shaped = type.Class == D3DXPC_STRUCT
                                ? std::uint64_t{type.Rows} * type.Columns > 0
                                : type.Rows >= 1 && type.Rows <= 4 && type.Columns >= 1 && type.Columns <= 4;
        if (!shaped) {
            return "its type record at offset " + Number(offset) + " has " + Number(type.Rows) + " rows and " +
                   Number(type.Columns) + " columns, which D3DX cannot set";
        }
        return {};
    }

    // Counts the constants that D3DX makes for one more expansion.
    std::string CountConstants(std::uint64_t copies) {
        expanded = Add(expanded, copies);
        if (expanded > MostConstants) {
            return "it expands to more than " + Number(MostConstants) + " constants";
        }
        return {};
    }

    // The elements of an array are all of its type: one walk of the type as an element stands for
    // all of them. *inside becomes their bytes.
    std::string CheckElements(std::uint64_t offset, unsigned nesting, std::uint64_t copies, std::uint64_t elements,
                              std::uint64_t& inside) {
        std::uint64_t elementBytes = 0;
        const std::string problem = CheckType(offset, true, nesting, Multiply(copies, elements), elementBytes);
        inside = Multiply(elementBytes, elements);
        return problem;
    }

    // Each member record of a struct, its name and its type, one level deeper; their components add
    // up to the struct's, as D3DX's own compiler writes them. *inside becomes the members' bytes.
    std::string CheckMembers(std::uint64_t offset, const D3DXSHADER_TYPEINFO& type, unsigned nesting,
                             std::uint64_t copies, std::uint64_t& inside) {
        if (nesting == DeepestNesting) {
            return "its structs nest deeper than " + Number(DeepestNesting) + " levels";
        }
        constexpr std::uint64_t MemberBytes = sizeof(D3DXSHADER_STRUCTMEMBERINFO);
        const std::uint64_t members = type.StructMembers;
        if (!table.Holds(type.StructMemberInfo, members * MemberBytes)) {
            return "its " + Number(members) + " struct member records at offset " +
                   Number(type.StructMemberInfo) + " run past the end of the table";
        }
        std::uint64_t components = 0;
        for (std::uint64_t member = 0; member < members; ++member) {
            const std::uint64_t memberOffset = type.StructMemberInfo + member * MemberBytes;
            const auto record = table.Read<D3DXSHADER_STRUCTMEMBERINFO>(memberOffset);
            if (!table.HoldsString(record.Name)) {
                return "the name of its struct member at offset " + Number(memberOffset) +
                       " does not end inside the table";
            }
            std::uint64_t memberBytes = 0;
            const std::string problem = CheckType(record.TypeInfo, false, nesting + 1, copies, memberBytes);
            if (!problem.empty()) {
                return problem;
            }
            inside = Add(inside, memberBytes);
            const auto memberType = table.Read<D3DXSHADER_TYPEINFO>(record.TypeInfo);
            components = Add(components, Multiply(std::uint64_t{memberType.Rows} * memberType.Columns,
                                                  memberType.Elements));
        }
        if (components != std::uint64_t{type.Rows} * type.Columns) {
            return "its struct type record at offset " + Number(offset) + " gives " + Number(type.Rows) + " x " +
                   Number(type.Columns) + " components, where its members hold " + Number(components);
        }
        return {};
    }

    Bytes table;
    std::uint64_t expanded = 0;  // constants that D3DX would make so far
};

class StreamCheck {
public:
    StreamCheck(Bytes bytes, ShaderKind expected) : file(bytes), kind(expected) {}

    std::string Run() {
        const std::uint64_t length = file.Size();
        if (length % WordBytes != 0) {
            return "its length of " + Number(length) + " bytes is not a whole number of words";
        }
        if (length < 2 * WordBytes) {
            return "its length of " + Number(length) + " bytes leaves no room for a version token and an end token";
        }
        last = length / WordBytes - 1;
        const std::uint32_t version = Token(0);
        const bool vertex = kind == ShaderKind::Vertex;
        if ((version & VersionTypeMask) != (vertex ? VertexVersionType : PixelVersionType)) {
            return "its first word " + Hex(version) + " is not the version token of a " +
                   (vertex ? "vertex" : "pixel") + " shader";
        }
        if (Token(last) != EndToken) {
            return "its last word " + Hex(Token(last)) + " is not the end token " + Hex(EndToken);
        }
        model = version & VersionMask;
        if (model > LastVersion) {
            return "its version token " + Hex(version) + " names shader model " + ModelName() +
                   ", and Direct3D 9 runs models up to 3.0";
        }
        std::string problem = WalkTokenByToken();
        if (problem.empty()) {
            problem = WalkInstructionByInstruction();
        }
        return problem;
    }

private:
    std::uint32_t Token(std::uint64_t word) const { return file.Dword(word * WordBytes); }

    static bool IsComment(std::uint32_t token) { return (token & OpcodeMask) == CommentOpcode; }
    static std::uint64_t CommentLength(std::uint32_t token) {
        return (token & CommentLengthMask) >> CommentLengthShift;
    }

    // As D3DX's comment search: every token that is not a comment counts as one word.
    std::string WalkTokenByToken() {
        std::uint64_t word = 1;
        for (; Token(word) != EndToken; ++word) {
            const std::uint32_t token = Token(word);
            if (!IsComment(token)) {
                continue;
            }
            if ((token & TopBit) != 0) {
                return "the comment at word " + Number(word) + " has its top bit set, which makes its length unclear";
            }
            const std::uint64_t length = CommentLength(token);
            if (word + length >= last) {
                return "the comment at word " + Number(word) + " runs past the end of the file";
            }
            // A search reads the word after any comment token as its tag, and takes the table as one
            // word shorter than the comment.
            if (Token(word + 1) == TableTag) {
                if (length == 0) {
                    return "the comment at word " + Number(word) + " is empty but followed by the tag CTAB";
                }
                const std::uint64_t first = (word + 2) * WordBytes;
                const std::string problem = TableCheck(Bytes(file.At(first), (length - 1) * WordBytes)).Run();
                if (!problem.empty()) {
                    return "the constant table in the comment at word " + Number(word) + ": " + problem;
                }
                // The search ends at the first table and reads nothing after it, where the literals of
                // a definition may look like any token. A stream of a model before 2.0, whose
                // instructions do not say their length, is still walked to its end: a reader without
                // every opcode's parameter count can only walk it token by token.
                if (model >= FirstCountedVersion) {
                    return {};
                }
            }
            word += length;
        }
        return word == last ? std::string() : EarlyEnd(word, "");
    }

    // As Direct3D's runtime: from shader model 2.0 an instruction spans its token and as many
    // parameter words as its length says; before 2.0 as many as the instruction takes. Within its
    // span, the runtime reads the parameters the instruction takes.
    std::string WalkInstructionByInstruction() const {
        const bool counted = model >= FirstCountedVersion;
        std::uint64_t word = 1;
        while (Token(word) != EndToken) {
            const std::uint32_t token = Token(word);
            if ((token & TopBit) != 0) {
                return "the word at " + Number(word) + " (counting instruction lengths) has its top bit set, as only "
                       "parameters have";
            }
            if (IsComment(token)) {
                if (word + CommentLength(token) >= last) {
                    return "the comment at word " + Number(word) +
                           " (counting instruction lengths) runs past the end of the file";
                }
                word += 1 + CommentLength(token);
                continue;
            }
            const Instruction* const instruction = FindInstruction(kind, token & OpcodeMask, model);
            if (instruction == nullptr) {
                return "the instruction at word " + Number(word) + " has the opcode " + Hex(token & OpcodeMask) +
                       ", which Direct3D 9 does not take in a " + (kind == ShaderKind::Vertex ? "vertex" : "pixel") +
                       " shader of model " + ModelName();
            }
            const std::uint64_t span =
                counted ? (token & InstructionLengthMask) >> InstructionLengthShift : instruction->parameters;
            if (word + span >= last) {
                return "the instruction at word " + Number(word) + " runs past the end of the file";
            }
            std::uint32_t unnamed = 0;
            switch (ParametersFault(token, *instruction, word + 1, word + 1 + span, counted, unnamed)) {
                case ParameterFault::PastTheLength:
                    return "the parameters of the instruction at word " + Number(word) + " run past its length";
                case ParameterFault::UnnamedRegister:
                    return "the instruction at word " + Number(word) + " names " + UnnamedRegister(unnamed);
                case ParameterFault::DefinitionOfAnotherType: {
                    const std::uint32_t type = DefinedType(token & OpcodeMask);
                    return "the instruction at word " + Number(word) + " defines a register of type " +
                           Number(RegisterType(unnamed)) + " instead of type " + Number(type) + " (" +
                           RegisterFiles[type].name + ")";
                }
                case ParameterFault::None: break;
            }
            word += 1 + span;
        }
        return word == last ? std::string() : EarlyEnd(word, " (counting instruction lengths)");
    }

    enum class ParameterFault { None, PastTheLength, UnnamedRegister, DefinitionOfAnotherType };

    // Direct3D 9 defines only constants of the definition's own type; Wine takes any register that a
    // definition names for that constant, of the register's number.
    static std::uint32_t DefinedType(std::uint32_t opcode) {
        return opcode == Def ? D3DSPR_CONST : opcode == Defi ? D3DSPR_CONSTINT : D3DSPR_CONSTBOOL;
    }

    // Whether the words that the runtime reads for the instruction lie in [first, end): its
    // destination, its predicate when predicated, its sources, each of them followed by an address
    // token when relatively addressed (from 2.0); a declaration's two words; a definition's literals.
    // Then whether every register among them is one that the shader has, and a definition's one of
    // the type it defines; the first that is not is left in unnamed.
    ParameterFault ParametersFault(std::uint32_t token, const Instruction& instruction, std::uint64_t first,
                                   std::uint64_t end, bool counted, std::uint32_t& unnamed) const {
        std::uint64_t word = first;
        bool named = true;
        const auto name = [&](std::uint32_t parameter) {
            if (named && !RegisterNamed(parameter, kind)) {
                named = false;
                unnamed = parameter;
            }
        };
        const auto parameter = [&]() {
            if (word >= end) {
                return false;
            }
            const std::uint64_t lastWord = word + (counted && (Token(word) & RelativelyAddressed) != 0 ? 1 : 0);
            if (lastWord >= end) {
                return false;
            }
            for (; word <= lastWord; ++word) {
                name(Token(word));
            }
            return true;
        };
        const std::uint32_t opcode = token & OpcodeMask;
        bool fit = true;
        if (opcode == Dcl) {
            fit = end - first >= 2;
            if (fit) {
                name(Token(first + 1));
            }
        } else if (opcode == Def || opcode == Defi || opcode == Defb) {
            fit = parameter() && end - word >= (opcode == Defb ? 1u : 4u);
            if (fit && named && RegisterType(Token(first)) != DefinedType(opcode)) {
                unnamed = Token(first);
                return ParameterFault::DefinitionOfAnotherType;
            }
        } else {
            fit = (instruction.destinations == 0 || parameter()) && ((token & Predicated) == 0 || parameter());
            for (std::uint32_t source = instruction.destinations; fit && source < instruction.parameters; ++source) {
                fit = parameter();
            }
        }
        return !fit ? ParameterFault::PastTheLength : named ? ParameterFault::None : ParameterFault::UnnamedRegister;
    }

    std::string UnnamedRegister(std::uint32_t token) const {
        const std::uint32_t type = RegisterType(token);
        const std::string shader = kind == ShaderKind::Vertex ? "a vertex shader" : "a pixel shader";
        const std::uint32_t registers = RegistersOfType(type, kind);
        if (registers == 0) {
            return "a register of type " + Number(type) + ", which " + shader + " of Direct3D 9 does not have";
        }
        return RegisterFiles[type].name + std::string(" register ") + Number(token & D3DSP_REGNUM_MASK) +
               ", past the " + Number(registers) + " that " + shader + " of Direct3D 9 has";
    }

    std::string ModelName() const { return Number(model >> 8) + "." + Number(model & 0xFFu); }

    std::string EarlyEnd(std::uint64_t word, const char* how) const {
        return "the end token at word " + Number(word) + how + " comes before the last word, " + Number(last);
    }

    Bytes file;
    ShaderKind kind;
    std::uint64_t last = 0;   // the index of the last word, once the length is known to hold two
    std::uint32_t model = 0;  // major << 8 | minor, from the version token
};

}  // namespace

bool CheckCompiledShader(const void* bytes, std::size_t length, ShaderKind kind, std::string* reason) {
    const std::string problem = bytes == nullptr
                                    ? std::string("there are no bytes")
                                    : StreamCheck(Bytes(static_cast<const unsigned char*>(bytes), length), kind).Run();
    if (!problem.empty() && reason != nullptr) {
        *reason = problem;
    }
    return problem.empty();
}

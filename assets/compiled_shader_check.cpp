// The check of compiled shader files: the stream walked twice, as D3DX's comment search and as
// Direct3D's runtime walk it, and every constant table taken apart as D3DX takes it apart. All
// positions are 64-bit, so that no offset or length read from the file can wrap.
#include "assets/compiled_shader_check.h"

#include <cstdint>
#include <cstring>

namespace {

// Tokens. The high word of the first tells the kind; a comment's low word is 0xFFFE and bits 16-30
// count the words that follow it; from shader model 2.0 an instruction's bits 24-27 count its
// parameter words; the stream ends with the end token.
constexpr std::uint32_t VersionTypeMask = 0xFFFF0000u;
constexpr std::uint32_t VertexVersionType = 0xFFFE0000u;
constexpr std::uint32_t PixelVersionType = 0xFFFF0000u;
constexpr std::uint32_t EndToken = 0x0000FFFFu;
constexpr std::uint32_t OpcodeMask = 0x0000FFFFu;
constexpr std::uint32_t CommentOpcode = 0x0000FFFEu;
constexpr std::uint32_t CommentLengthMask = 0x7FFF0000u;
// Never set in an instruction or comment token, always in a parameter: a reader that counts a
// comment's length from all 16 high bits takes one with it set for 32768 words or more.
constexpr std::uint32_t TopBit = 0x80000000u;
constexpr unsigned CommentLengthShift = 16;
constexpr std::uint32_t InstructionLengthMask = 0x0F000000u;
constexpr unsigned InstructionLengthShift = 24;
constexpr std::uint32_t VersionMask = 0xFFFFu;          // the major version in bits 8-15, the minor in bits 0-7
constexpr std::uint32_t LastVersion = 0x0300u;          // 3.0, the last that Direct3D 9 runs
constexpr std::uint32_t FirstCountedVersion = 0x0200u;  // from 2.0 instructions carry their length
constexpr std::uint32_t Predicated = 0x10000000u;
constexpr std::uint32_t RelativelyAddressed = 0x00002000u;  // in a parameter token: an address token follows
constexpr std::uint64_t WordBytes = 4;

// The constant table: a comment whose first word is 'CTAB'; its offsets count from the next byte.
constexpr std::uint32_t TableTag = 0x42415443u;  // "CTAB"
// D3DXSHADER_CONSTANTTABLE: Size, Creator, Version, Constants, ConstantInfo, Flags, Target.
constexpr std::uint64_t HeaderBytes = 28;
// D3DXSHADER_CONSTANTINFO: Name, RegisterSet, RegisterIndex, RegisterCount, Reserved, TypeInfo, DefaultValue.
constexpr std::uint64_t ConstantBytes = 20;
// D3DXSHADER_TYPEINFO: Class, Type, Rows, Columns, Elements, StructMembers, StructMemberInfo.
constexpr std::uint64_t TypeBytes = 16;
// D3DXSHADER_STRUCTMEMBERINFO: Name, TypeInfo.
constexpr std::uint64_t MemberBytes = 8;
// A register holds four components, but a bool register (D3DXRS_BOOL) holds one.
constexpr std::uint64_t BytesPerRegister = 16;
constexpr std::uint32_t BoolRegisterSet = 0;
constexpr std::uint64_t BytesPerComponent = 4;
// The last value of D3DXREGISTER_SET (D3DXRS_SAMPLER), D3DXPARAMETER_CLASS (D3DXPC_STRUCT) and
// D3DXPARAMETER_TYPE (D3DXPT_UNSUPPORTED).
constexpr std::uint32_t LastRegisterSet = 3;
constexpr std::uint32_t StructClass = 5;
constexpr std::uint32_t LastClass = StructClass;
constexpr std::uint32_t LastType = 19;
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
// stream holds only these. What the instructions do stays Direct3D's to validate.
struct Instruction {
    std::uint32_t opcode;
    std::uint32_t destinations;
    std::uint32_t parameters;  // the destination, sources and literal words: what model 1 skips
    std::uint32_t first;
    std::uint32_t last;
};

constexpr std::uint32_t Dcl = 0x1F;
constexpr std::uint32_t Def = 0x51;
constexpr std::uint32_t Defb = 0x2F;
constexpr std::uint32_t Defi = 0x30;
constexpr std::uint32_t AnyModel = 0x0000;
constexpr std::uint32_t Model1_0 = 0x0100, Model1_2 = 0x0102, Model1_3 = 0x0103, Model1_4 = 0x0104;
constexpr std::uint32_t Model2_0 = 0x0200, Model2_1 = 0x0201, Model3_0 = 0x0300;

// Instructions of both kinds.
constexpr Instruction CommonInstructions[] = {
    {0x00, 0, 0, AnyModel, Model3_0},  // nop
    {0x01, 1, 2, AnyModel, Model3_0},  // mov
    {0x02, 1, 3, AnyModel, Model3_0},  // add
    {0x03, 1, 3, AnyModel, Model3_0},  // sub
    {0x04, 1, 4, AnyModel, Model3_0},  // mad
    {0x05, 1, 3, AnyModel, Model3_0},  // mul
    {0x06, 1, 2, AnyModel, Model3_0},  // rcp
    {0x07, 1, 2, AnyModel, Model3_0},  // rsq
    {0x08, 1, 3, AnyModel, Model3_0},  // dp3
    {0x09, 1, 3, AnyModel, Model3_0},  // dp4
    {0x0A, 1, 3, AnyModel, Model3_0},  // min
    {0x0B, 1, 3, AnyModel, Model3_0},  // max
    {0x0C, 1, 3, AnyModel, Model3_0},  // slt
    {0x0D, 1, 3, AnyModel, Model3_0},  // sge
    {0x0E, 1, 2, AnyModel, Model3_0},  // exp
    {0x0F, 1, 2, AnyModel, Model3_0},  // log
    {0x11, 1, 3, AnyModel, Model3_0},  // dst
    {0x12, 1, 4, AnyModel, Model3_0},  // lrp
    {0x13, 1, 2, AnyModel, Model3_0},  // frc
    {0x14, 1, 3, AnyModel, Model3_0},  // m4x4
    {0x15, 1, 3, AnyModel, Model3_0},  // m4x3
    {0x16, 1, 3, AnyModel, Model3_0},  // m3x4
    {0x17, 1, 3, AnyModel, Model3_0},  // m3x3
    {0x18, 1, 3, AnyModel, Model3_0},  // m3x2
    {Dcl, 0, 2, AnyModel, Model3_0},  // dcl
    {0x20, 1, 3, AnyModel, Model3_0},  // pow
    {0x21, 1, 3, AnyModel, Model3_0},  // crs
    {0x23, 1, 2, AnyModel, Model3_0},  // abs
    {0x24, 1, 2, AnyModel, Model3_0},  // nrm
    {0x25, 1, 4, Model2_0, Model2_1},  // sincos
    {0x25, 1, 2, Model3_0, Model3_0},  // sincos
    {0x29, 0, 2, Model2_1, Model3_0},  // ifc
    {0x2C, 0, 0, Model2_1, Model3_0},  // break
    {0x2D, 0, 2, Model2_1, Model3_0},  // breakc
    {Defb, 1, 2, AnyModel, Model3_0},  // defb
    {Defi, 1, 5, AnyModel, Model3_0},  // defi
    {0x4E, 1, 2, AnyModel, Model3_0},  // expp
    {0x4F, 1, 2, AnyModel, Model3_0},  // logp
    {Def, 1, 5, AnyModel, Model3_0},  // def
    {0x5E, 1, 3, AnyModel, Model3_0},  // setp
    {0x5F, 1, 3, Model3_0, Model3_0},  // texldl
    {0x60, 0, 1, AnyModel, Model3_0},  // breakp
};

constexpr Instruction VertexInstructions[] = {
    {0x10, 1, 2, AnyModel, Model3_0},  // lit
    {0x19, 0, 1, Model2_0, Model3_0},  // call
    {0x1A, 0, 2, Model2_0, Model3_0},  // callnz
    {0x1B, 0, 2, Model2_0, Model3_0},  // loop
    {0x1C, 0, 0, Model2_0, Model3_0},  // ret
    {0x1D, 0, 0, Model2_0, Model3_0},  // endloop
    {0x1E, 0, 1, Model2_0, Model3_0},  // label
    {0x22, 1, 4, Model2_0, Model2_1},  // sgn
    {0x22, 1, 2, Model3_0, Model3_0},  // sgn
    {0x26, 0, 1, Model2_0, Model3_0},  // rep
    {0x27, 0, 0, Model2_0, Model3_0},  // endrep
    {0x28, 0, 1, Model2_0, Model3_0},  // if
    {0x2A, 0, 0, Model2_0, Model3_0},  // else
    {0x2B, 0, 0, Model2_0, Model3_0},  // endif
    {0x2E, 1, 2, Model2_0, Model3_0},  // mova
};

constexpr Instruction PixelInstructions[] = {
    {0x19, 0, 1, Model2_1, Model3_0},  // call
    {0x1A, 0, 2, Model2_1, Model3_0},  // callnz
    {0x1B, 0, 2, Model3_0, Model3_0},  // loop
    {0x1C, 0, 0, Model2_1, Model3_0},  // ret
    {0x1D, 0, 0, Model3_0, Model3_0},  // endloop
    {0x1E, 0, 1, Model2_1, Model3_0},  // label
    {0x26, 0, 1, Model2_1, Model3_0},  // rep
    {0x27, 0, 0, Model2_1, Model3_0},  // endrep
    {0x28, 0, 1, Model2_1, Model3_0},  // if
    {0x2A, 0, 0, Model2_1, Model3_0},  // else
    {0x2B, 0, 0, Model2_1, Model3_0},  // endif
    {0x40, 1, 1, AnyModel, Model1_3},  // texcoord
    {0x40, 1, 2, Model1_4, Model1_4},  // texcrd
    {0x41, 1, 1, Model1_0, Model3_0},  // texkill
    {0x42, 1, 1, AnyModel, Model1_3},  // tex
    {0x42, 1, 2, Model1_4, Model1_4},  // texld
    {0x42, 1, 3, Model2_0, Model3_0},  // texld
    {0x43, 1, 2, AnyModel, Model1_3},  // texbem
    {0x44, 1, 2, Model1_0, Model1_3},  // texbeml
    {0x45, 1, 2, Model1_0, Model1_3},  // texreg2ar
    {0x46, 1, 2, Model1_0, Model1_3},  // texreg2gb
    {0x47, 1, 2, Model1_0, Model1_3},  // texm3x2pad
    {0x48, 1, 2, Model1_0, Model1_3},  // texm3x2tex
    {0x49, 1, 2, Model1_0, Model1_3},  // texm3x3pad
    {0x4A, 1, 2, Model1_0, Model1_3},  // texm3x3tex
    {0x4C, 1, 3, Model1_0, Model1_3},  // texm3x3spec
    {0x4D, 1, 2, Model1_0, Model1_3},  // texm3x3vspec
    {0x50, 1, 4, Model1_0, Model1_4},  // cnd
    {0x52, 1, 2, Model1_2, Model1_3},  // texreg2rgb
    {0x53, 1, 2, Model1_2, Model1_3},  // texdp3tex
    {0x54, 1, 2, Model1_3, Model1_3},  // texm3x2depth
    {0x55, 1, 2, Model1_2, Model1_3},  // texdp3
    {0x56, 1, 2, Model1_2, Model1_3},  // texm3x3
    {0x57, 1, 1, Model1_4, Model1_4},  // texdepth
    {0x58, 1, 4, Model1_2, Model3_0},  // cmp
    {0x59, 1, 3, Model1_4, Model1_4},  // bem
    {0x5A, 1, 4, Model2_0, Model3_0},  // dp2add
    {0x5B, 1, 2, Model2_1, Model3_0},  // dsx
    {0x5C, 1, 2, Model2_1, Model3_0},  // dsy
    {0x5D, 1, 5, Model2_1, Model3_0},  // texldd
    {0xFFFD, 0, 0, AnyModel, Model3_0},  // phase
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

// Little-endian fields of a byte range, read without assuming alignment. Callers check the range first.
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
    std::uint32_t Half(std::uint64_t offset) const {
        return static_cast<std::uint32_t>(first[offset]) | static_cast<std::uint32_t>(first[offset + 1]) << 8;
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
        if (!table.Holds(0, HeaderBytes)) {
            return "it is " + Number(table.Size()) + " bytes long, shorter than its " + Number(HeaderBytes) +
                   "-byte header";
        }
        if (table.Dword(0) != HeaderBytes) {
            return "its header gives its own size as " + Number(table.Dword(0)) + " instead of " + Number(HeaderBytes);
        }
        if (!table.HoldsString(table.Dword(4))) {
            return "its creator string at offset " + Number(table.Dword(4)) + " does not end inside it";
        }
        if (!table.HoldsString(table.Dword(24))) {
            return "its target string at offset " + Number(table.Dword(24)) + " does not end inside it";
        }
        const std::uint64_t constants = table.Dword(12);
        const std::uint64_t records = table.Dword(16);
        if (!table.Holds(records, constants * ConstantBytes)) {
            return "its " + Number(constants) + " constant records at offset " + Number(records) + " run past its end";
        }
        for (std::uint64_t constant = 0; constant < constants; ++constant) {
            const std::string problem = CheckConstant(records + constant * ConstantBytes);
            if (!problem.empty()) {
                return "constant " + Number(constant) + ": " + problem;
            }
        }
        return {};
    }

private:
    std::string CheckConstant(std::uint64_t record) {
        const std::uint32_t name = table.Dword(record);
        const std::uint32_t registerSet = table.Half(record + 4);
        const std::uint64_t registerCount = table.Half(record + 8);
        const std::uint32_t type = table.Dword(record + 12);
        const std::uint32_t defaultValue = table.Dword(record + 16);
        if (!table.HoldsString(name)) {
            return "its name at offset " + Number(name) + " does not end inside the table";
        }
        if (registerSet > LastRegisterSet) {
            return "its register set " + Number(registerSet) + " is not one of D3DX's";
        }
        std::uint64_t bytes = 0;
        const std::string problem = CheckType(type, false, 0, 1, bytes);
        if (!problem.empty()) {
            return problem;
        }
        // D3DX's SetDefaults reads a register's worth per register; a caller may read the type's bytes.
        const std::uint64_t registerBytes =
            registerCount * (registerSet == BoolRegisterSet ? BytesPerComponent : BytesPerRegister);
        const std::uint64_t needed = bytes > registerBytes ? bytes : registerBytes;
        if (defaultValue != 0 && !table.Holds(defaultValue, needed)) {
            return "its default value of " + Number(needed) + " bytes at offset " + Number(defaultValue) +
                   " runs past the end of the table";
        }
        return {};
    }

    // The type record at offset, as D3DX expands it: an array (not yet an element) into its elements,
    // a struct into its members. Each expansion stands for `copies` constants of D3DX's; *bytes
    // becomes the type's size: 4 bytes per component over all elements and members.
    std::string CheckType(std::uint64_t offset, bool element, unsigned nesting, std::uint64_t copies,
                          std::uint64_t& bytes) {
        if (!table.Holds(offset, TypeBytes)) {
            return "its type record at offset " + Number(offset) + " runs past the end of the table";
        }
        const std::uint32_t typeClass = table.Half(offset);
        const std::uint32_t type = table.Half(offset + 2);
        const std::uint64_t rows = table.Half(offset + 4);
        const std::uint64_t columns = table.Half(offset + 6);
        const std::uint64_t elements = element ? 1 : table.Half(offset + 8);
        const std::uint64_t members = table.Half(offset + 10);
        const std::uint32_t memberRecords = table.Dword(offset + 12);
        if (typeClass > LastClass) {
            return "its type record at offset " + Number(offset) + " has the class " + Number(typeClass) +
                   ", not one of D3DX's";
        }
        if (type > LastType) {
            return "its type record at offset " + Number(offset) + " has the type " + Number(type) +
                   ", not one of D3DX's";
        }
        expanded = Add(expanded, copies);
        if (expanded > MostConstants) {
            return "it expands to more than " + Number(MostConstants) + " constants";
        }
        const std::uint64_t copiesOfEach = elements > 1 ? elements : 1;
        bytes = Multiply(Multiply(BytesPerComponent * rows, columns), copiesOfEach);
        std::uint64_t inside = 0;
        if (elements > 1) {
            // The elements are all of this type: one walk stands for all of them.
            std::uint64_t elementBytes = 0;
            const std::string problem = CheckType(offset, true, nesting, Multiply(copies, elements), elementBytes);
            if (!problem.empty()) {
                return problem;
            }
            inside = Multiply(elementBytes, elements);
        } else if (typeClass == StructClass && members > 0) {
            if (nesting == DeepestNesting) {
                return "its structs nest deeper than " + Number(DeepestNesting) + " levels";
            }
            if (!table.Holds(memberRecords, members * MemberBytes)) {
                return "its " + Number(members) + " struct member records at offset " + Number(memberRecords) +
                       " run past the end of the table";
            }
            for (std::uint64_t member = 0; member < members; ++member) {
                const std::uint64_t record = memberRecords + member * MemberBytes;
                const std::uint32_t name = table.Dword(record);
                if (!table.HoldsString(name)) {
                    return "the name of its struct member at offset " + Number(record) +
                           " does not end inside the table";
                }
                std::uint64_t memberBytes = 0;
                const std::string problem = CheckType(table.Dword(record + 4), false, nesting + 1, copies, memberBytes);
                if (!problem.empty()) {
                    return problem;
                }
                inside = Add(inside, memberBytes);
            }
        }
        if (inside > bytes) {
            bytes = inside;
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
            if (!ParametersFit(token, *instruction, word + 1, word + 1 + span, counted)) {
                return "the parameters of the instruction at word " + Number(word) + " run past its length";
            }
            word += 1 + span;
        }
        return word == last ? std::string() : EarlyEnd(word, " (counting instruction lengths)");
    }

    // Whether the words that the runtime reads for the instruction lie in [first, end): its
    // destination, its predicate when predicated, its sources, each of them followed by an address
    // token when relatively addressed (from 2.0); a declaration's two words; a definition's literals.
    bool ParametersFit(std::uint32_t token, const Instruction& instruction, std::uint64_t first, std::uint64_t end,
                       bool counted) const {
        std::uint64_t word = first;
        const auto parameter = [&]() {
            if (word >= end) {
                return false;
            }
            const bool addressed = counted && (Token(word) & RelativelyAddressed) != 0;
            word += addressed ? 2 : 1;
            return word <= end;
        };
        const std::uint32_t opcode = token & OpcodeMask;
        if (opcode == Dcl) {
            return end - first >= 2;
        }
        if (opcode == Def || opcode == Defi || opcode == Defb) {
            return parameter() && end - word >= (opcode == Defb ? 1u : 4u);
        }
        if (instruction.destinations != 0 && !parameter()) {
            return false;
        }
        if ((token & Predicated) != 0 && !parameter()) {
            return false;
        }
        for (std::uint32_t source = instruction.destinations; source < instruction.parameters; ++source) {
            if (!parameter()) {
                return false;
            }
        }
        return true;
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

// Precompiled chunks are read field by field in the order and sizes of Lua 5.2's loader (lundump.c),
// so that what is checked is exactly what the loader will build, and the code is then held to the
// shape of a material: straight-line code that builds tables from constants, locals, arithmetic and
// concatenation and returns them. Instructions are read with Lua's own lopcodes.h, and each rule
// names the place in Lua's virtual machine that it answers.
#include "assets/precompiled_material_check.h"

#include <cstdint>
#include <cstring>
#include <vector>

#include <lua.hpp>

extern "C" {
#include "lopcodes.h"
#include "lundump.h"
}

namespace {

// Naming a variable in an error message (ldebug.c: getobjname, kname) follows the instructions that
// set its register back towards the start of the code, one level of C recursion for each earlier
// instruction, and each level scans the code from its start (findsetreg) and every local name
// (lfunc.c: luaF_getlocalname), all inside one instruction, where no count hook runs. A level takes
// 176 bytes of stack in the Windows build (getobjname 128, kname 48), so at these caps the naming
// takes at most 352 KiB of the main thread's 2 MiB and some 10 million steps (11 ms under Wine). The
// shipped material has 15 instructions and no local names.
constexpr std::uint64_t LongestCode = 2048;
constexpr std::uint64_t MostLocalNames = 2048;
// Table sizes are far beyond what a material's memory can hold from here on, and the virtual
// machine's own arithmetic on them stays inside an int.
constexpr std::int64_t LargestTableSize = std::int64_t{1} << 24;

// A table size as NEWTABLE encodes it: three bits of mantissa and five of exponent. Lua's own
// decoding (lobject.c: luaO_fb2int) shifts inside an int, past its end for the largest exponents.
std::int64_t DecodedTableSize(int encoded) {
    const int exponent = (encoded >> 3) & 0x1F;
    return exponent == 0 ? encoded : (std::int64_t{encoded & 7} + 8) << (exponent - 1);
}

// What the checks need of the chunk's one function.
struct Function {
    unsigned parameterCount = 0;
    unsigned stackSize = 0;
    std::vector<Instruction> code;
    std::uint64_t constantCount = 0;
    std::uint64_t upvalueCount = 0;
    std::uint64_t lineCount = 0;
};

// Reads the chunk's bytes as Lua's loader does and stops at the first thing that the loader
// refuses by itself (the chunk cut short, a negative count) or that must not reach it.
class ChunkReader {
public:
    ChunkReader(const unsigned char* chunk, std::size_t length) : bytes(chunk), size(length) {}

    bool Stopped() const { return luaRefuses || !fault.empty(); }
    bool LuaRefuses() const { return luaRefuses; }
    const std::string& Fault() const { return fault; }
    void Refuse(const std::string& reason) {
        if (!Stopped()) {
            fault = reason;
        }
    }

    // The next count bytes, or null when the chunk ends first.
    const unsigned char* Take(std::uint64_t count) {
        if (Stopped() || count > size - offset) {
            luaRefuses = luaRefuses || fault.empty();
            return nullptr;
        }
        const unsigned char* const taken = bytes + offset;
        offset += static_cast<std::size_t>(count);
        return taken;
    }
    template <typename Value>
    Value Read() {
        Value value{};
        if (const unsigned char* const taken = Take(sizeof value)) {
            std::memcpy(&value, taken, sizeof value);
        }
        return value;
    }
    // An int that the loader takes as a count or a position; it calls a negative one corrupted.
    std::uint64_t Count() {
        const int value = Read<int>();
        if (value < 0) {
            luaRefuses = luaRefuses || fault.empty();
            return 0;
        }
        return static_cast<std::uint64_t>(value);
    }
    // A string: its size with the terminating NUL, then its bytes; size 0 is no string at all.
    std::uint64_t String() {
        const std::size_t stringSize = Read<std::size_t>();
        Take(stringSize);
        return stringSize;
    }

private:
    const unsigned char* bytes;
    std::size_t size;
    std::size_t offset = 0;
    bool luaRefuses = false;
    std::string fault;
};

// The header that this build of Lua writes and accepts; any other makes the loader refuse the chunk.
bool HasThisLuasHeader(const unsigned char* bytes, std::size_t size) {
    lu_byte header[LUAC_HEADERSIZE];
    luaU_header(header);
    return size >= LUAC_HEADERSIZE && std::memcmp(bytes, header, LUAC_HEADERSIZE) == 0;
}

void ReadConstants(ChunkReader& reader, Function& function) {
    function.constantCount = reader.Count();
    for (std::uint64_t constant = 0; constant < function.constantCount && !reader.Stopped(); ++constant) {
        switch (reader.Read<signed char>()) {
            case LUA_TNIL: break;
            case LUA_TBOOLEAN: reader.Read<char>(); break;
            case LUA_TNUMBER: reader.Read<lua_Number>(); break;
            case LUA_TSTRING:
                if (reader.String() == 0) {
                    reader.Refuse("constant " + std::to_string(constant) + " is a string without bytes");
                }
                break;
            default: reader.Refuse("constant " + std::to_string(constant) + " is of no kind a material holds");
        }
    }
}

// The debug information that error messages read: local names must exist, and names for upvalues
// the function does not have would be written past the loader's array.
void ReadDebugInformation(ChunkReader& reader, Function& function) {
    reader.String();  // the source's name; none is allowed
    function.lineCount = reader.Count();
    reader.Take(function.lineCount * sizeof(int));
    const std::uint64_t localCount = reader.Count();
    if (localCount > MostLocalNames) {
        reader.Refuse("it names more than " + std::to_string(MostLocalNames) + " locals");
    }
    for (std::uint64_t local = 0; local < localCount && !reader.Stopped(); ++local) {
        if (reader.String() == 0) {
            reader.Refuse("local " + std::to_string(local) + " has no name");
        }
        reader.Count();
        reader.Count();
    }
    const std::uint64_t upvalueNameCount = reader.Count();
    if (upvalueNameCount > function.upvalueCount) {
        reader.Refuse("it names more upvalues than its function has");
    }
    for (std::uint64_t name = 0; name < upvalueNameCount && !reader.Stopped(); ++name) {
        reader.String();
    }
}

void ReadFunction(ChunkReader& reader, Function& function) {
    reader.Count();  // the lines the function spans
    reader.Count();
    function.parameterCount = reader.Read<unsigned char>();
    reader.Read<unsigned char>();  // takes extra arguments: the main function does, and nothing reads them here
    function.stackSize = reader.Read<unsigned char>();
    const std::uint64_t codeSize = reader.Count();
    if (codeSize > LongestCode) {
        reader.Refuse("its code has more than " + std::to_string(LongestCode) + " instructions");
    }
    if (const unsigned char* const code = reader.Take(codeSize * sizeof(Instruction))) {
        function.code.resize(static_cast<std::size_t>(codeSize));
        for (std::size_t at = 0; at < function.code.size(); ++at) {
            std::memcpy(&function.code[at], code + at * sizeof(Instruction), sizeof(Instruction));
        }
    }
    ReadConstants(reader, function);
    if (reader.Count() != 0) {
        reader.Refuse("it holds nested functions");
    }
    function.upvalueCount = reader.Count();
    reader.Take(function.upvalueCount * 2);
    ReadDebugInformation(reader, function);
}

// Holds each instruction to the shape of a material, with every operand inside what it names.
class CodeCheck {
public:
    explicit CodeCheck(const Function& checked) : function(checked), holdsNewTable(checked.stackSize, false) {}

    std::string Fault() {
        const std::vector<Instruction>& code = function.code;
        if (code.empty() || GET_OPCODE(code.back()) != OP_RETURN || GETARG_B(code.back()) == 0) {
            return "its code does not end with a return of a fixed number of values";
        }
        for (std::size_t pc = 0; pc < code.size(); ++pc) {
            const OpCode op = GET_OPCODE(code[pc]);
            const bool takesExtraArgument = op == OP_LOADKX || (op == OP_SETLIST && GETARG_C(code[pc]) == 0);
            const Instruction* const extra =
                takesExtraArgument && pc + 1 < code.size() && GET_OPCODE(code[pc + 1]) == OP_EXTRAARG ? &code[pc + 1]
                                                                                                    : nullptr;
            const std::string fault = InstructionFault(code[pc], extra);
            if (!fault.empty()) {
                return "instruction " + std::to_string(pc + 1) + " (" +
                       (Known(op) ? luaP_opnames[op] : "opcode " + std::to_string(op)) + ") " + fault;
            }
            pc += takesExtraArgument ? 1 : 0;
        }
        return {};
    }

private:
    static bool Known(OpCode op) { return static_cast<int>(op) < NUM_OPCODES; }
    bool Register(std::int64_t index) const { return index < function.stackSize; }
    bool Constant(std::int64_t index) const { return static_cast<std::uint64_t>(index) < function.constantCount; }
    bool RegisterOrConstant(int operand) const { return ISK(operand) ? Constant(INDEXK(operand)) : Register(operand); }
    bool Upvalue(int index) const { return static_cast<std::uint64_t>(index) < function.upvalueCount; }

    // An operand as luaP_opmodes types it: OpArgR a register, OpArgK a register or a constant (only a
    // constant in Bx), OpArgU one that each instruction reads in its own way.
    bool Inside(OpArgMask mode, int operand, bool wide) const {
        switch (mode) {
            case OpArgR: return Register(operand);
            case OpArgK: return wide ? Constant(operand) : RegisterOrConstant(operand);
            default: return true;
        }
    }
    bool OperandsInside(Instruction instruction, const Instruction* extra) const {
        const OpCode op = GET_OPCODE(instruction);
        const int a = GETARG_A(instruction);
        const int b = GETARG_B(instruction);
        const bool wide = getOpMode(op) == iABx;
        const bool typed = Inside(getBMode(op), wide ? GETARG_Bx(instruction) : b, wide) &&
                           Inside(getCMode(op), GETARG_C(instruction), false);
        switch (op) {
            case OP_LOADKX: return Register(a) && Constant(GETARG_Ax(*extra));
            case OP_LOADNIL: return Register(a + b);  // registers A to A + B
            case OP_GETUPVAL: case OP_GETTABUP: case OP_SETUPVAL: return typed && Register(a) && Upvalue(b);
            case OP_SETTABUP: return typed && Upvalue(a);
            case OP_RETURN: return std::int64_t{a} + b - 1 <= function.stackSize;  // registers A to A + B - 2
            default: return typed && Register(a);
        }
    }

    // A register written from here on no longer holds the table that a constructor made.
    void Writes(std::int64_t first, std::int64_t last) {
        for (std::int64_t index = first; index <= last && Register(index); ++index) {
            holdsNewTable[static_cast<std::size_t>(index)] = false;
        }
    }
    // A collection marks the running function's registers only below the stack top, and when it
    // finishes it sets the type of every register above the top to nil, while their values still
    // point at what it frees (lgc.c: traversestack). So where the virtual machine may collect with
    // the top lowered to first, no register from there on holds a table any more.
    void MayClearFrom(std::int64_t first) { Writes(first, function.stackSize); }

    // What the instruction leaves in the registers, for SETLIST (below).
    void FollowWrites(Instruction instruction) {
        const OpCode op = GET_OPCODE(instruction);
        const int a = GETARG_A(instruction);
        const int b = GETARG_B(instruction);
        const int c = GETARG_C(instruction);
        switch (op) {
            case OP_NEWTABLE:  // its step of the collector runs with the top at A + 1 (lvm.c: checkGC)
                MayClearFrom(a + 1);
                holdsNewTable[static_cast<std::size_t>(a)] = true;
                break;
            case OP_CONCAT:
                // The operands become strings, and the partial results lie among them. While it
                // concatenates, the top is at C + 1 (lvm.c: OP_CONCAT), and an allocation that fails
                // there collects everything before it tries again (lmem.c: luaM_realloc_), whatever A
                // is; the step after it (from A + 1 or B) clears no more than that.
                Writes(a, a);
                Writes(b, c);
                MayClearFrom(c + 1);
                break;
            case OP_LOADNIL: Writes(a, a + b); break;
            default:
                if (testAMode(op)) {
                    Writes(a, a);
                }
        }
    }

    std::string InstructionFault(Instruction instruction, const Instruction* extra) {
        const OpCode op = GET_OPCODE(instruction);
        const int a = GETARG_A(instruction);
        const int b = GETARG_B(instruction);
        const int c = GETARG_C(instruction);
        if (!Known(op) || op == OP_EXTRAARG) {
            return "is no instruction a material needs";
        }
        if (testTMode(op) || getOpMode(op) == iAsBx) {
            return "is a test or a jump, which a material does not need";
        }
        switch (op) {
            case OP_CALL: case OP_TAILCALL: case OP_TFORCALL: case OP_SELF:
                return "is a call, which a material does not need";
            case OP_CLOSURE: return "makes a function, which a material does not need";
            case OP_VARARG: return "reads extra arguments, which a material does not need";
            case OP_LOADKX:
                if (extra == nullptr) return "lacks its extra argument";
                break;
            case OP_LOADBOOL:
                if (c != 0) return "skips the next instruction, which a material does not need";
                break;
            case OP_NEWTABLE:
                if (DecodedTableSize(b) > LargestTableSize || DecodedTableSize(c) > LargestTableSize) {
                    return "asks for a table larger than a material can hold";
                }
                break;
            case OP_CONCAT:
                if (b >= c || !Register(c)) return "concatenates outside its function's registers";
                break;
            case OP_RETURN:
                if (b == 0) return "returns a number of values that only a call could set";
                break;
            case OP_SETLIST: return ListStoreFault(a, b, c == 0 ? (extra != nullptr ? GETARG_Ax(*extra) : 0) : c);
            default: break;
        }
        if (!OperandsInside(instruction, extra)) {
            return "names a register, constant or upvalue that its function does not have";
        }
        FollowWrites(instruction);
        return {};
    }

    // SETLIST takes its register as a table without looking (lvm.c: luai_runtimecheck does nothing),
    // so only one that a constructor filled and nothing overwrote or may have cleared since will do.
    std::string ListStoreFault(int a, int count, std::int64_t block) {
        if (count == 0) return "stores a number of values that only a call could set";
        if (block == 0) return "lacks its block number";
        if (!Register(a + count)) return "stores values from outside its function's registers";
        if (!holdsNewTable[static_cast<std::size_t>(a)]) {
            return "stores into a register that holds no table of its own making";
        }
        if ((block - 1) * LFIELDS_PER_FLUSH + count > LargestTableSize) {
            return "stores past what a material can hold";
        }
        return {};
    }

    const Function& function;
    std::vector<bool> holdsNewTable;
};

std::string FunctionFault(const Function& function) {
    if (function.upvalueCount > 1) {
        return "its function has more than one upvalue";
    }
    if (function.parameterCount > function.stackSize) {
        return "its function has more parameters than registers";
    }
    if (function.lineCount != 0 && function.lineCount != function.code.size()) {
        return "its line information does not match its code";
    }
    return CodeCheck(function).Fault();
}

}  // namespace

bool CheckPrecompiledMaterial(const unsigned char* bytes, std::size_t size, std::string& fault) {
    if (!HasThisLuasHeader(bytes, size)) {
        return true;  // the loader refuses any other header, or a shorter chunk, by itself
    }
    ChunkReader reader(bytes + LUAC_HEADERSIZE, size - LUAC_HEADERSIZE);
    Function function;
    ReadFunction(reader, function);
    if (reader.LuaRefuses()) {
        return true;
    }
    fault = reader.Stopped() ? reader.Fault() : FunctionFault(function);
    return fault.empty();
}

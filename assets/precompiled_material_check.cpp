// Precompiled chunks are read field by field in the order and sizes of Lua 5.2's loader, so that
// what is checked is exactly what the loader will build, and the code is then held to the shape of
// a material: straight-line code that builds tables from constants, locals, arithmetic and
// concatenation and returns them.
#include "assets/precompiled_material_check.h"

#include <lua.hpp>

#include <cstdint>
#include <cstring>
#include <limits>
#include <vector>

namespace {

// Lua 5.2's instruction format: the opcode in the low 6 bits, then A (8 bits), C (9), B (9); Bx is
// B and C together, Ax all 26 bits above the opcode. An RK operand with bit 8 set names a constant.
enum Opcode : unsigned {
    Move, LoadK, LoadKx, LoadBool, LoadNil, GetUpval, GetTabUp, GetTable, SetTabUp, SetUpval, SetTable,
    NewTable, Self, Add, Sub, Mul, Div, Mod, Pow, Unm, Not, Len, Concat, Jmp, Eq, Lt, Le, Test, TestSet,
    Call, TailCall, Return, ForLoop, ForPrep, TForCall, TForLoop, SetList, Closure, VarArg, ExtraArg,
    OpcodeCount
};
const char* const OpcodeNames[OpcodeCount] = {
    "MOVE", "LOADK", "LOADKX", "LOADBOOL", "LOADNIL", "GETUPVAL", "GETTABUP", "GETTABLE", "SETTABUP",
    "SETUPVAL", "SETTABLE", "NEWTABLE", "SELF", "ADD", "SUB", "MUL", "DIV", "MOD", "POW", "UNM", "NOT",
    "LEN", "CONCAT", "JMP", "EQ", "LT", "LE", "TEST", "TESTSET", "CALL", "TAILCALL", "RETURN", "FORLOOP",
    "FORPREP", "TFORCALL", "TFORLOOP", "SETLIST", "CLOSURE", "VARARG", "EXTRAARG"};

constexpr unsigned ConstantBit = 1u << 8;
constexpr std::int64_t ListItemsPerStore = 50;  // the compiler's fields per SETLIST block
// Table sizes are far beyond what a material's memory can hold from here on, and the virtual
// machine's own arithmetic on them stays inside an int.
constexpr std::int64_t LargestTableSize = std::int64_t{1} << 24;

struct Instruction {
    std::uint32_t word;
    unsigned Op() const { return word & 0x3Fu; }
    unsigned A() const { return (word >> 6) & 0xFFu; }
    unsigned C() const { return (word >> 14) & 0x1FFu; }
    unsigned B() const { return word >> 23; }
    unsigned Bx() const { return word >> 14; }
    unsigned Ax() const { return word >> 6; }
};

// A table size as NEWTABLE encodes it: three bits of mantissa and five of exponent.
std::int64_t DecodedTableSize(unsigned encoded) {
    const unsigned exponent = (encoded >> 3) & 0x1Fu;
    return exponent == 0 ? encoded : (std::int64_t{encoded & 7u} + 8) << (exponent - 1);
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
std::vector<unsigned char> ExpectedHeader() {
    const int one = 1;
    const char signature[] = LUA_SIGNATURE;
    std::vector<unsigned char> header(signature, signature + sizeof signature - 1);
    header.insert(header.end(), {static_cast<unsigned char>(LUA_VERSION_NUM / 100 * 16 + LUA_VERSION_NUM % 100), 0,
                                 *reinterpret_cast<const unsigned char*>(&one), sizeof(int), sizeof(std::size_t),
                                 sizeof(std::uint32_t), sizeof(lua_Number),
                                 static_cast<unsigned char>(static_cast<lua_Number>(0.5) == 0)});
    const char tail[] = "\x19\x93\r\n\x1a\n";
    header.insert(header.end(), tail, tail + sizeof tail - 1);
    return header;
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
    if (const unsigned char* const code = reader.Take(codeSize * sizeof(std::uint32_t))) {
        function.code.resize(static_cast<std::size_t>(codeSize));
        for (std::size_t at = 0; at < function.code.size(); ++at) {
            std::memcpy(&function.code[at].word, code + at * sizeof(std::uint32_t), sizeof(std::uint32_t));
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
        if (code.empty() || code.back().Op() != Return || code.back().B() == 0) {
            return "its code does not end with a return of a fixed number of values";
        }
        for (std::size_t pc = 0; pc < code.size(); ++pc) {
            const bool takesExtraArgument =
                code[pc].Op() == LoadKx || (code[pc].Op() == SetList && code[pc].C() == 0);
            const Instruction* const extra =
                takesExtraArgument && pc + 1 < code.size() && code[pc + 1].Op() == ExtraArg ? &code[pc + 1] : nullptr;
            const std::string fault = InstructionFault(code[pc], extra);
            if (!fault.empty()) {
                const unsigned op = code[pc].Op();
                return "instruction " + std::to_string(pc + 1) + " (" +
                       (op < OpcodeCount ? OpcodeNames[op] : "opcode " + std::to_string(op)) + ") " + fault;
            }
            pc += takesExtraArgument ? 1 : 0;
        }
        return {};
    }

private:
    bool Register(std::uint64_t index) const { return index < function.stackSize; }
    bool Constant(std::uint64_t index) const { return index < function.constantCount; }
    bool RegisterOrConstant(unsigned operand) const {
        return (operand & ConstantBit) != 0 ? Constant(operand & ~ConstantBit) : Register(operand);
    }
    bool Upvalue(unsigned index) const { return index < function.upvalueCount; }

    // A register written from here on no longer holds the table that a constructor made.
    void Writes(std::uint64_t first, std::uint64_t last) {
        for (std::uint64_t index = first; index <= last && index < holdsNewTable.size(); ++index) {
            holdsNewTable[index] = false;
        }
    }
    // Where the virtual machine may collect garbage, it takes every register from first on as
    // dead and may clear it.
    void MayClearFrom(std::uint64_t first) { Writes(first, holdsNewTable.size()); }

    std::string InstructionFault(const Instruction& instruction, const Instruction* extra) {
        const unsigned a = instruction.A();
        const unsigned b = instruction.B();
        const unsigned c = instruction.C();
        bool inside = true;
        switch (instruction.Op()) {
            case Move: case Unm: case Not: case Len: inside = Register(a) && Register(b); break;
            case LoadK: inside = Register(a) && Constant(instruction.Bx()); break;
            case LoadKx:
                if (extra == nullptr) return "lacks its extra argument";
                inside = Register(a) && Constant(extra->Ax());
                break;
            case LoadBool:
                if (c != 0) return "skips the next instruction, which a material does not need";
                inside = Register(a);
                break;
            case LoadNil: inside = Register(std::uint64_t{a} + b); break;
            case GetUpval: inside = Register(a) && Upvalue(b); break;
            case GetTabUp: inside = Register(a) && Upvalue(b) && RegisterOrConstant(c); break;
            case GetTable: inside = Register(a) && Register(b) && RegisterOrConstant(c); break;
            case SetTabUp: inside = Upvalue(a) && RegisterOrConstant(b) && RegisterOrConstant(c); break;
            case SetUpval: inside = Register(a) && Upvalue(b); break;
            case SetTable: inside = Register(a) && RegisterOrConstant(b) && RegisterOrConstant(c); break;
            case Add: case Sub: case Mul: case Div: case Mod: case Pow:
                inside = Register(a) && RegisterOrConstant(b) && RegisterOrConstant(c);
                break;
            case NewTable:
                if (DecodedTableSize(b) > LargestTableSize || DecodedTableSize(c) > LargestTableSize) {
                    return "asks for a table larger than a material can hold";
                }
                if (!Register(a)) {
                    inside = false;
                    break;
                }
                MayClearFrom(a + 1);
                holdsNewTable[a] = true;
                return {};
            case Concat:
                if (b >= c || !Register(a) || !Register(c)) return "concatenates outside its function's registers";
                Writes(a, a);
                Writes(b, c);  // the operands become strings, and the partial results lie among them
                MayClearFrom(a >= b ? a + 1 : b);
                return {};
            case SetList: return ListStoreFault(a, b, c == 0 ? (extra != nullptr ? extra->Ax() : 0) : c);
            case Return:
                if (b == 0) return "returns a number of values that only a call could set";
                inside = std::uint64_t{a} + b - 1 <= function.stackSize;
                break;
            case Jmp: case Eq: case Lt: case Le: case Test: case TestSet: case ForLoop: case ForPrep:
            case TForLoop:
                return "is a test or a jump, which a material does not need";
            case Call: case TailCall: case TForCall: case Self:
                return "is a call, which a material does not need";
            case Closure: return "makes a function, which a material does not need";
            case VarArg: return "reads extra arguments, which a material does not need";
            default: return "is no instruction a material needs";
        }
        if (!inside) {
            return "names a register, constant or upvalue that its function does not have";
        }
        // Stores into tables and upvalues, and the return, write no register.
        const unsigned op = instruction.Op();
        if (op != SetTabUp && op != SetUpval && op != SetTable && op != Return) {
            Writes(a, op == LoadNil ? std::uint64_t{a} + b : a);
        }
        return {};
    }

    // SETLIST takes its register as a table without looking, so only one that a constructor filled
    // and nothing overwrote since will do.
    std::string ListStoreFault(unsigned a, unsigned count, std::uint64_t block) {
        if (count == 0) return "stores a number of values that only a call could set";
        if (block == 0) return "lacks its block number";
        if (!Register(std::uint64_t{a} + count)) return "stores values from outside its function's registers";
        if (!holdsNewTable[a]) return "stores into a register that holds no table of its own making";
        if ((block - 1) * ListItemsPerStore + count > LargestTableSize) {
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
    const std::vector<unsigned char> header = ExpectedHeader();
    if (size < header.size() || std::memcmp(bytes, header.data(), header.size()) != 0) {
        return true;  // the loader refuses any other header, or a shorter chunk, by itself
    }
    ChunkReader reader(bytes + header.size(), size - header.size());
    Function function;
    ReadFunction(reader, function);
    if (reader.LuaRefuses()) {
        return true;
    }
    fault = reader.Stopped() ? reader.Fault() : FunctionFault(function);
    return fault.empty();
}

// The precompiled target's mutator. It reads a chunk's one function field by field as Lua's loader
// does (lundump.c), changes an instruction's opcode or operands, a constant, a size, or the length
// of the code (repeating a run of instructions, so that long chains arise), and writes a whole chunk
// again, so that the fuzzer's time goes past the loader and the check into the virtual machine. An
// input that is no such chunk, and now and then one that is, is mutated byte by byte instead.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include <lua.hpp>

extern "C" {
#include "lopcodes.h"
#include "lundump.h"
}

extern "C" std::size_t LLVMFuzzerMutate(std::uint8_t* data, std::size_t size, std::size_t maxSize);

namespace {

struct Constant {
    char tag;
    std::string value;  // a string's stored bytes (the loader takes their count as its size), or the value's
};
struct Local {
    std::string name;
    int start;
    int end;
};
// A chunk's one function, which has no nested functions; strings are kept as stored.
struct Chunk {
    int lineDefined = 0;
    int lastLineDefined = 0;
    unsigned char parameters = 0;
    unsigned char vararg = 0;
    unsigned char stackSize = 0;
    std::vector<Instruction> code;
    std::vector<Constant> constants;
    std::vector<std::uint16_t> upvalues;  // where each comes from, two bytes that the main function ignores
    std::string source;
    std::vector<int> lines;
    std::vector<Local> locals;
    std::vector<std::string> upvalueNames;
};

std::string Header() {
    lu_byte header[LUAC_HEADERSIZE];
    luaU_header(header);
    return std::string(reinterpret_cast<const char*>(header), LUAC_HEADERSIZE);
}

// Reads (with Reader) or writes (with Writer) the chunk's fields in the order of the loader.
template <typename Transfer>
void Fields(Transfer& transfer, Chunk& chunk) {
    transfer.Value(chunk.lineDefined);
    transfer.Value(chunk.lastLineDefined);
    transfer.Value(chunk.parameters);
    transfer.Value(chunk.vararg);
    transfer.Value(chunk.stackSize);
    transfer.Each(chunk.code, [&](Instruction& instruction) { transfer.Value(instruction); });
    transfer.Each(chunk.constants, [&](Constant& constant) {
        transfer.Value(constant.tag);
        const std::size_t size = constant.tag == LUA_TNUMBER ? sizeof(lua_Number) : constant.tag == LUA_TBOOLEAN;
        constant.tag == LUA_TSTRING ? transfer.String(constant.value) : transfer.Bytes(constant.value, size);
    });
    std::vector<Chunk> nested;
    transfer.Each(nested, [&](Chunk&) { transfer.Fail(); });
    transfer.Each(chunk.upvalues, [&](std::uint16_t& upvalue) { transfer.Value(upvalue); });
    transfer.String(chunk.source);
    transfer.Each(chunk.lines, [&](int& line) { transfer.Value(line); });
    transfer.Each(chunk.locals, [&](Local& local) {
        transfer.String(local.name);
        transfer.Value(local.start);
        transfer.Value(local.end);
    });
    transfer.Each(chunk.upvalueNames, [&](std::string& name) { transfer.String(name); });
}

class Reader {
public:
    Reader(const std::uint8_t* data, std::size_t size) : bytes(data), left(size) {}
    bool Whole() const { return whole && left == 0; }
    void Fail() { whole = false; }

    template <typename Value>
    void Value(Value& value) {
        std::string taken;
        Bytes(taken, sizeof value);
        std::memcpy(&value, taken.data(), taken.size());
    }
    void Bytes(std::string& value, std::size_t count) {
        whole = whole && count <= left;
        value.assign(reinterpret_cast<const char*>(bytes), whole ? count : 0);
        bytes += value.size();
        left -= value.size();
    }
    void String(std::string& text) {
        std::size_t size = 0;
        Value(size);
        Bytes(text, size);
    }
    // A count of things of a byte or more each, so that none asks for more than the input holds.
    template <typename Thing, typename Transfer>
    void Each(std::vector<Thing>& things, Transfer transfer) {
        int count = 0;
        Value(count);
        whole = whole && count >= 0 && static_cast<std::size_t>(count) <= left;
        things.resize(whole ? static_cast<std::size_t>(count) : 0);
        std::for_each(things.begin(), things.end(), transfer);
    }

private:
    const std::uint8_t* bytes;
    std::size_t left;
    bool whole = true;
};

class Writer {
public:
    void Fail() {}
    template <typename Value>
    void Value(const Value& value) {
        bytes.append(reinterpret_cast<const char*>(&value), sizeof value);
    }
    void Bytes(const std::string& value, std::size_t) { bytes += value; }
    void String(const std::string& text) {
        Value(text.size());
        bytes += text;
    }
    template <typename Thing, typename Transfer>
    void Each(std::vector<Thing>& things, Transfer transfer) {
        Value(static_cast<int>(things.size()));
        std::for_each(things.begin(), things.end(), transfer);
    }
    std::string bytes = Header();
};

bool Decode(const std::uint8_t* data, std::size_t size, Chunk& chunk) {
    if (size < LUAC_HEADERSIZE || std::memcmp(data, Header().data(), LUAC_HEADERSIZE) != 0) {
        return false;
    }
    Reader reader(data + LUAC_HEADERSIZE, size - LUAC_HEADERSIZE);
    Fields(reader, chunk);
    return reader.Whole();
}

std::string Encode(Chunk& chunk) {
    Writer writer;
    Fields(writer, chunk);
    return writer.bytes;
}

class Mutation {
public:
    Mutation(Chunk& mutated, unsigned seed, std::size_t room) : chunk(mutated), random(seed), bytesLeft(room) {}

    void Apply() {
        std::vector<Instruction>& code = chunk.code;
        const auto at = code.begin() + static_cast<std::ptrdiff_t>(Below(code.size()));
        switch (code.empty() ? 7 : Below(10)) {
            case 0: case 1: case 2: ChangeInstruction(*at); break;
            case 3: RepeatRun(at); break;
            case 4: code.erase(at, at + std::min<std::ptrdiff_t>(code.end() - at, 1 + Below(8))); break;
            case 5: code.insert(at, Below(2) == 0 ? code[Below(code.size())] : NewInstruction()); break;
            case 6: std::swap(*at, code[Below(code.size())]); break;
            case 7: ChangeSizes(); break;
            case 8: ChangeConstant(); break;
            default: ChangeDebugInformation(); break;
        }
        if (!chunk.lines.empty()) {
            chunk.lines.resize(code.size(), chunk.lines.back());
        }
    }

private:
    std::size_t Below(std::size_t bound) { return bound == 0 ? 0 : random() % bound; }

    // A value for an operand: near the one there, one that another instruction names, a register, a
    // constant, or anything of its width.
    int Operand(int now, int bits) {
        const Instruction other = chunk.code.empty() ? 0 : chunk.code[Below(chunk.code.size())];
        const int named[] = {GETARG_A(other), GETARG_B(other), GETARG_C(other)};
        const int choices[] = {now + 1 - static_cast<int>(Below(3)), named[Below(3)],
                               static_cast<int>(Below(chunk.stackSize + 1u)),
                               RKASK(static_cast<int>(Below(chunk.constants.size() + 1))),
                               static_cast<int>(Below(std::size_t{1} << bits))};
        return choices[Below(5)] & ((1 << bits) - 1);
    }

    // An instruction of the kinds that a material's code is made of, on operands of the chunk.
    Instruction NewInstruction() {
        const OpCode kinds[] = {OP_MOVE, OP_LOADK, OP_LOADNIL, OP_GETTABUP, OP_GETTABLE, OP_SETTABLE, OP_NEWTABLE,
                                OP_ADD, OP_LEN, OP_CONCAT, OP_SETLIST, OP_RETURN};
        return CREATE_ABC(kinds[Below(sizeof kinds / sizeof kinds[0])], Operand(0, SIZE_A), Operand(0, SIZE_B),
                          Operand(0, SIZE_C));
    }

    void ChangeInstruction(Instruction& instruction) {
        switch (Below(5)) {
            case 0: SET_OPCODE(instruction, Below(NUM_OPCODES)); break;
            case 1: SETARG_A(instruction, Operand(GETARG_A(instruction), SIZE_A)); break;
            case 2: SETARG_B(instruction, Operand(GETARG_B(instruction), SIZE_B)); break;
            case 3: SETARG_C(instruction, Operand(GETARG_C(instruction), SIZE_C)); break;
            default: SETARG_Bx(instruction, Operand(GETARG_Bx(instruction), SIZE_Bx)); break;
        }
    }

    // Up to thousands of copies of a run of up to eight instructions, as far as the input may grow
    // (an instruction takes four bytes, and four more for its line where the chunk has lines).
    void RepeatRun(std::vector<Instruction>::iterator at) {
        const std::vector<Instruction> run(at, at + std::min<std::ptrdiff_t>(chunk.code.end() - at, 1 + Below(8)));
        const std::size_t bytesEach = (chunk.lines.empty() ? 4 : 8) * run.size();
        const std::size_t copies = std::min(1 + Below(std::size_t{1} << Below(14)), bytesLeft / bytesEach);
        std::vector<Instruction> repeated;
        for (std::size_t copy = 0; copy < copies; ++copy) {
            repeated.insert(repeated.end(), run.begin(), run.end());
        }
        chunk.code.insert(at, repeated.begin(), repeated.end());
    }

    void ChangeSizes() {
        switch (Below(4)) {
            case 0: chunk.stackSize = static_cast<unsigned char>(Operand(chunk.stackSize, SIZE_A)); break;
            case 1: chunk.parameters = static_cast<unsigned char>(Operand(chunk.parameters, SIZE_A)); break;
            case 2: chunk.vararg = static_cast<unsigned char>(!chunk.vararg); break;
            default: chunk.upvalues.resize(chunk.upvalues.empty() ? 1 : 0, 1); break;
        }
    }

    // A new or changed constant: a number, or a string of up to 32 KiB (which concatenations make
    // into strings that reach the memory's bounds); or the last one gone.
    void ChangeConstant() {
        if (Below(4) == 0) {
            chunk.constants.resize(chunk.constants.empty() ? 0 : chunk.constants.size() - 1);
            return;
        }
        if (chunk.constants.empty() || Below(2) == 0) {
            chunk.constants.push_back({LUA_TNIL, {}});
        }
        Constant& constant = chunk.constants[Below(chunk.constants.size())];
        const double numbers[] = {0, 1, -1, 0.5, 1e308, -0.0, std::numeric_limits<double>::infinity(),
                                  static_cast<double>(random())};
        if (Below(2) == 0) {
            const double number = numbers[Below(8)];
            constant = {LUA_TNUMBER, std::string(reinterpret_cast<const char*>(&number), sizeof number)};
        } else {
            const std::size_t length = std::min(Below(std::size_t{1} << Below(16)), bytesLeft);
            constant = {LUA_TSTRING, std::string(length, static_cast<char>('a' + Below(26))) + '\0'};
        }
    }

    void ChangeDebugInformation() {
        switch (Below(3)) {
            case 0: chunk.lines.assign(chunk.lines.empty() ? chunk.code.size() : 0, 1); break;
            case 1:
                chunk.locals.resize(Below(chunk.locals.size() + 2),
                                    {std::string("x", 2), 0, static_cast<int>(chunk.code.size())});
                break;
            default: chunk.upvalueNames.resize(Below(3), std::string("_ENV", 5)); break;
        }
    }

    Chunk& chunk;
    std::minstd_rand random;
    std::size_t bytesLeft;
};

}  // namespace

extern "C" std::size_t LLVMFuzzerCustomMutator(std::uint8_t* data, std::size_t size, std::size_t maxSize,
                                               unsigned int seed) {
    Chunk chunk;
    if (seed % 8 == 0 || !Decode(data, size, chunk)) {
        return LLVMFuzzerMutate(data, size, maxSize);
    }
    Mutation(chunk, seed, maxSize > size ? maxSize - size : 0).Apply();
    const std::string bytes = Encode(chunk);
    if (bytes.size() > maxSize) {
        return LLVMFuzzerMutate(data, size, maxSize);
    }
    std::memcpy(data, bytes.data(), bytes.size());
    return bytes.size();
}

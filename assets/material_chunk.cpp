#include "assets/material_chunk.h"

#include "assets/precompiled_material_check.h"
#include "assets/whole_file.h"

#include <lua.hpp>

#include <cerrno>
#include <cstring>
#include <memory>
#include <optional>
#include <string_view>

namespace {

constexpr unsigned char ByteOrderMark[] = {0xEF, 0xBB, 0xBF};

// The error number that the C runtime sets for the Windows error of a failed open or read, so that
// the message is the one that Lua's own loader, which opens with fopen, gives.
int RuntimeErrorNumber(DWORD windowsError) {
    switch (windowsError) {
        case ERROR_FILE_NOT_FOUND: case ERROR_PATH_NOT_FOUND: case ERROR_INVALID_DRIVE: case ERROR_NO_MORE_FILES:
        case ERROR_BAD_NETPATH: case ERROR_BAD_NET_NAME: case ERROR_BAD_PATHNAME: case ERROR_FILENAME_EXCED_RANGE:
            return ENOENT;
        case ERROR_TOO_MANY_OPEN_FILES: return EMFILE;
        case ERROR_ACCESS_DENIED: case ERROR_CURRENT_DIRECTORY: case ERROR_LOCK_VIOLATION:
        case ERROR_SHARING_VIOLATION: case ERROR_NETWORK_ACCESS_DENIED: case ERROR_CANNOT_MAKE: case ERROR_DRIVE_LOCKED:
            return EACCES;
        case ERROR_INVALID_HANDLE: return EBADF;
        case ERROR_NOT_ENOUGH_MEMORY: case ERROR_OUTOFMEMORY: case ERROR_NOT_ENOUGH_QUOTA: return ENOMEM;
        default: return EINVAL;
    }
}

// The file as the C runtime's text mode reads it, as Lua's loader opens a file that is not
// precompiled: CR LF becomes LF, and Ctrl+Z ends the file.
std::string AsText(std::string_view bytes) {
    bytes = bytes.substr(0, bytes.find('\x1A'));
    std::string text;
    text.reserve(bytes.size());
    for (std::size_t at = 0; at < bytes.size(); ++at) {
        if (bytes[at] != '\r' || at + 1 == bytes.size() || bytes[at + 1] != '\n') {
            text += bytes[at];
        }
    }
    return text;
}

// Where luaL_loadfile's stream starts: after a UTF-8 byte-order mark (the bytes of a mark that is
// cut short stay) and after a first line that begins with '#'.
struct StreamStart {
    std::string_view kept;
    std::size_t next = 0;
    bool skippedLine = false;
};

StreamStart FindStart(std::string_view stream) {
    StreamStart start;
    while (start.next < sizeof ByteOrderMark && start.next < stream.size() &&
           static_cast<unsigned char>(stream[start.next]) == ByteOrderMark[start.next]) {
        ++start.next;
    }
    start.kept = start.next < sizeof ByteOrderMark ? stream.substr(0, start.next) : std::string_view();
    if (start.next < stream.size() && stream[start.next] == '#') {
        const std::size_t lineEnd = stream.find('\n', start.next);
        start.next = lineEnd == std::string_view::npos ? stream.size() : lineEnd + 1;
        start.skippedLine = true;
    }
    return start;
}

// The chunk that luaL_loadfile gives lua_load: read as text, unless its first character after the
// mark and the comment line is the signature's, when the file is read again as it stands. Text keeps
// a skipped line's end, so that line numbers stay those of the file.
std::string ChunkAsLuaReadsIt(std::string_view bytes) {
    const std::string text = AsText(bytes);
    const StreamStart textStart = FindStart(text);
    if (textStart.next < text.size() && text[textStart.next] == LUA_SIGNATURE[0]) {
        const StreamStart start = FindStart(bytes);
        return std::string(start.kept).append(bytes.substr(start.next));
    }
    return std::string(textStart.kept)
        .append(textStart.skippedLine ? "\n" : "")
        .append(std::string_view(text).substr(textStart.next));
}

const char* GiveChunk(lua_State*, void* data, std::size_t* size) {
    auto& chunk = *static_cast<std::string_view*>(data);
    *size = chunk.size();
    const char* const piece = chunk.data();
    chunk = {};
    return piece;
}

}  // namespace

int LoadMaterialChunk(lua_State* luaState, const char* path, std::string& refusal) {
    WholeFile file;
    std::optional<FileStep> failedStep;
    int errorNumber = 0;
    ReadWholeFile(path, MaterialFileByteLimit, file, [&](FileStep step) {
        failedStep = step;
        errorNumber = step == FileStep::Allocate ? ENOMEM : RuntimeErrorNumber(platform::GetLastError());
    });
    const std::unique_ptr<void, void (*)(void*)> block(file.block, [](void* owned) { platform::free(owned); });
    // Lua's loader pays no heed to a failed close, and neither does this: the bytes are all there.
    if (failedStep == FileStep::Limit) {
        refusal = "the file holds " + std::to_string(file.size) + " bytes, more than the " +
                  std::to_string(MaterialFileByteLimit) + " that a material may hold";
        return ChunkRefused;
    }
    if (failedStep && *failedStep != FileStep::Close) {
        lua_pushfstring(luaState, "cannot %s %s: %s", *failedStep == FileStep::Open ? "open" : "read", path,
                        std::strerror(errorNumber));
        return LUA_ERRFILE;
    }

    const std::string chunk =
        ChunkAsLuaReadsIt(std::string_view(static_cast<const char*>(file.block), file.bytesRead));
    const bool precompiled = !chunk.empty() && chunk[0] == LUA_SIGNATURE[0];
    std::string fault;
    if (precompiled &&
        !CheckPrecompiledMaterial(reinterpret_cast<const unsigned char*>(chunk.data()), chunk.size(), fault)) {
        refusal = "refused precompiled chunk: " + fault;
        return ChunkRefused;
    }
    std::string_view unread(chunk);
    const std::string chunkName = std::string("@") + path;
    return lua_load(luaState, GiveChunk, &unread, chunkName.c_str(), precompiled ? "b" : "t");
}

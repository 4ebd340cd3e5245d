#include "tests/support/material_test_support.h"

#include "tests/support/file_contents.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <fcntl.h>
#include <io.h>
#include <lua.hpp>

#include <cstdio>
#include <iostream>
#include <memory>

TemporaryFolder::TemporaryFolder() {
    char temporary[MAX_PATH] = {};
    char unique[MAX_PATH] = {};
    // The unique name comes as an empty file, which makes way for the folder.
    if (GetTempPathA(MAX_PATH, temporary) == 0 || GetTempFileNameA(temporary, "mat", 0, unique) == 0) {
        ADD_FAILURE() << "no temporary file name";
        return;
    }
    DeleteFileA(unique);
    path = unique;
    if (!CreateDirectoryA(path.c_str(), nullptr)) {
        ADD_FAILURE() << "cannot make " << path;
    }
}

TemporaryFolder::~TemporaryFolder() {
    for (auto file = files.rbegin(); file != files.rend(); ++file) {
        DeleteFileA(file->c_str());
    }
    for (auto folder = folders.rbegin(); folder != folders.rend(); ++folder) {
        RemoveDirectoryA(folder->c_str());
    }
    RemoveDirectoryA(path.c_str());
}

std::string TemporaryFolder::MakeFolder(const std::string& name) {
    const std::string full = path + "\\" + name;
    if (CreateDirectoryA(full.c_str(), nullptr)) {
        folders.push_back(full);
    }
    return full;
}

std::string TemporaryFolder::Write(const std::string& name, const std::string& bytes) {
    for (std::size_t slash = name.find('/'); slash != std::string::npos; slash = name.find('/', slash + 1)) {
        MakeFolder(name.substr(0, slash));
    }
    const std::string full = path + "\\" + name;
    EXPECT_TRUE(WriteFileContents(full, bytes.data(), bytes.size())) << "cannot write " << full;
    files.push_back(full);
    return full;
}

WorkingDirectoryChange::WorkingDirectoryChange(const std::string& folder) {
    char current[MAX_PATH] = {};
    GetCurrentDirectoryA(MAX_PATH, current);
    original = current;
    EXPECT_TRUE(SetCurrentDirectoryA(folder.c_str())) << folder;
}

WorkingDirectoryChange::~WorkingDirectoryChange() {
    SetCurrentDirectoryA(original.c_str());
}

StandardErrorCapture::StandardErrorCapture() {
    file = folder.Path() + "\\stderr.txt";
    std::cerr.flush();
    std::fflush(stderr);
    const int descriptor = _open(file.c_str(), _O_CREAT | _O_TRUNC | _O_WRONLY | _O_BINARY, _S_IREAD | _S_IWRITE);
    if (descriptor < 0) {
        ADD_FAILURE() << "cannot open " << file;
        return;
    }
    savedDescriptor = _dup(2);
    _dup2(descriptor, 2);
    _close(descriptor);
}

StandardErrorCapture::~StandardErrorCapture() {
    Stop();
    DeleteFileA(file.c_str());
}

std::string StandardErrorCapture::Stop() {
    if (savedDescriptor < 0) {
        return {};
    }
    std::cerr.flush();
    std::fflush(stderr);
    _dup2(savedDescriptor, 2);
    _close(savedDescriptor);
    savedDescriptor = -1;
    return FileContents(file);
}

namespace {

int AppendChunk(lua_State*, const void* bytes, std::size_t size, void* chunk) {
    static_cast<std::string*>(chunk)->append(static_cast<const char*>(bytes), size);
    return 0;
}

}  // namespace

std::string Precompiled(const std::string& source, const char* chunkName) {
    const std::unique_ptr<lua_State, decltype(&lua_close)> luaState(luaL_newstate(), &lua_close);
    std::string chunk;
    EXPECT_NE(luaState, nullptr);
    if (luaState != nullptr) {
        EXPECT_EQ(luaL_loadbuffer(luaState.get(), source.data(), source.size(), chunkName), LUA_OK);
        EXPECT_EQ(lua_dump(luaState.get(), AppendChunk, &chunk), 0);
    }
    EXPECT_EQ(chunk.compare(0, 4, "\x1bLua"), 0);
    return chunk;
}

// What the material's tests share: a temporary folder to hold asset and shader files, a change of
// working directory into it, a capture of everything written to the standard error stream, and
// precompiled chunks.
#pragma once

#include "tests/support/file_contents.h"

#include <string>
#include <vector>

// A fresh folder under the system's temporary folder, removed with what was written into it.
class TemporaryFolder {
public:
    TemporaryFolder();
    TemporaryFolder(const TemporaryFolder&) = delete;
    TemporaryFolder& operator=(const TemporaryFolder&) = delete;
    ~TemporaryFolder();

    const std::string& Path() const { return path; }
    // Writes bytes to the file at name (relative, with '/' between folders, made as needed) and
    // gives its full path.
    std::string Write(const std::string& name, const std::string& bytes);
    // Makes the folder at name and gives its full path.
    std::string MakeFolder(const std::string& name);

private:
    std::string path;
    std::vector<std::string> files;
    std::vector<std::string> folders;
};

// The working directory is the given folder while this object lives.
class WorkingDirectoryChange {
public:
    explicit WorkingDirectoryChange(const std::string& folder);
    WorkingDirectoryChange(const WorkingDirectoryChange&) = delete;
    WorkingDirectoryChange& operator=(const WorkingDirectoryChange&) = delete;
    ~WorkingDirectoryChange();

private:
    std::string original;
};

// Sends the process's standard error (the descriptor under both stdio and std::cerr) to a file
// while this object lives; Stop gives the bytes written, exactly as they arrived.
class StandardErrorCapture {
public:
    StandardErrorCapture();
    StandardErrorCapture(const StandardErrorCapture&) = delete;
    StandardErrorCapture& operator=(const StandardErrorCapture&) = delete;
    ~StandardErrorCapture();

    std::string Stop();

private:
    TemporaryFolder folder;
    std::string file;
    int savedDescriptor = -1;
};

// The source compiled as luac does (the same bytes), under the chunk name that luac gives a source
// file ("@" and its path).
std::string Precompiled(const std::string& source, const char* chunkName);

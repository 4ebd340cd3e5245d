// Writes a crafted precompiled material to standard output, for the end-to-end tests:
//   write_crafted_chunk concatenation     a table that a concatenation's collection may free
//   write_crafted_chunk lookups LENGTH    a chain of LENGTH lookups, stripped of line information
#include "tests/support/crafted_chunks.h"

#include <fcntl.h>
#include <io.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

int main(int argc, char** argv) {
    std::string chunk;
    if (argc == 2 && std::strcmp(argv[1], "concatenation") == 0) {
        chunk = TableAboveAConcatenation(3, 5, 19, 21);
    } else if (argc == 3 && std::strcmp(argv[1], "lookups") == 0) {
        chunk = LookUpChain(static_cast<std::uint32_t>(std::strtoul(argv[2], nullptr, 10)), true);
    } else {
        std::fputs("usage: write_crafted_chunk concatenation | lookups LENGTH\n", stderr);
        return 1;
    }
    _setmode(_fileno(stdout), _O_BINARY);
    return std::fwrite(chunk.data(), 1, chunk.size(), stdout) == chunk.size() ? 0 : 1;
}

// The command-line tools pass bytes through standard input and output unchanged, as on Linux:
// no CR LF translation, and a Ctrl+Z byte in a capture does not end the input.

#include <cstdio>
#include <fcntl.h>
#include <io.h>

namespace {

[[maybe_unused]] const bool binaryStdio = [] {
    _setmode(_fileno(stdin), _O_BINARY);
    _setmode(_fileno(stdout), _O_BINARY);
    return true;
}();

} // namespace

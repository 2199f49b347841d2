#pragma once
// A stream that first gives back bytes already taken from another stream
// (the first line of standard input, read to tell what kind of file it is)
// and then the rest of that stream.
#include <cstdio>
#include <string>

namespace mantlept {

// Reads the first line of `file` (up to and including its line end, at most
// `limit` bytes) into `head`.
void readHead(std::FILE* file, std::string& head, std::size_t limit = 1 << 16);

// A new stream of `head` followed by the rest of `rest`; closing it does not
// close `rest`. nullptr when it cannot be made.
std::FILE* prefixedStream(std::string head, std::FILE* rest);

}  // namespace mantlept

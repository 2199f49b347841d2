#include "core/prefixed_stream.hpp"

#include <cstring>

namespace mantlept {

namespace {

struct Prefixed {
  std::string head;
  std::size_t at = 0;
  std::FILE* rest = nullptr;
};

ssize_t readPrefixed(void* cookie, char* buffer, std::size_t size) {
  auto* p = static_cast<Prefixed*>(cookie);
  if (p->at < p->head.size()) {
    std::size_t n = std::min(size, p->head.size() - p->at);
    std::memcpy(buffer, p->head.data() + p->at, n);
    p->at += n;
    return static_cast<ssize_t>(n);
  }
  std::size_t n = std::fread(buffer, 1, size, p->rest);
  if (n == 0 && std::ferror(p->rest)) return -1;
  return static_cast<ssize_t>(n);
}

int closePrefixed(void* cookie) {
  delete static_cast<Prefixed*>(cookie);
  return 0;
}

}  // namespace

void readHead(std::FILE* file, std::string& head, std::size_t limit) {
  head.clear();
  for (int c; head.size() < limit && (c = std::fgetc(file)) != EOF;) {
    head += static_cast<char>(c);
    if (c == '\n') break;
  }
}

std::FILE* prefixedStream(std::string head, std::FILE* rest) {
  auto* p = new Prefixed{std::move(head), 0, rest};
  cookie_io_functions_t io{};
  io.read = readPrefixed;
  io.close = closePrefixed;
  std::FILE* f = fopencookie(p, "r", io);
  if (f == nullptr) delete p;
  return f;
}

}  // namespace mantlept

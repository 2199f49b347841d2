#pragma once
// Reads a text file line by line through one fixed buffer: memory does not
// grow with the file or with the length of a line. Only the first `keep`
// characters of each line are kept; a carriage return that ends a line is
// dropped first.
#include <array>
#include <cstdio>
#include <string_view>
#include <vector>

namespace mantlept {

class LineReader {
 public:
  static constexpr std::size_t kKeep = 144;

  explicit LineReader(std::FILE* file) : file_(file), buffer_(1 << 16) {}

  // Advances to the next line; false at the end of the file or on a read
  // error (see failed()).
  bool next();
  std::string_view text() const { return std::string_view(line_.data(), length_); }
  long lineNumber() const { return number_; }
  bool failed() const { return failed_; }

 private:
  bool refill();

  std::FILE* file_;
  std::vector<char> buffer_;
  std::size_t pos_ = 0;
  std::size_t end_ = 0;
  bool atEnd_ = false;
  bool failed_ = false;
  std::array<char, kKeep + 1> line_{};
  std::size_t length_ = 0;
  long number_ = 0;
};

}  // namespace mantlept

#pragma once
// A text file opened by name for sequential reading.
#include <cstdio>
#include <string>

namespace mantlept {

class InputFile {
 public:
  InputFile() = default;
  ~InputFile() { close(); }
  InputFile(const InputFile&) = delete;
  InputFile& operator=(const InputFile&) = delete;

  // Opens an existing regular file (or other readable non-directory); false
  // with `error()` describing why otherwise.
  bool open(const std::string& path);
  void close();
  std::FILE* handle() const { return file_; }
  // Hands the open stream to the caller, who closes it.
  std::FILE* release() {
    std::FILE* f = file_;
    file_ = nullptr;
    return f;
  }
  const std::string& path() const { return path_; }
  const std::string& error() const { return error_; }

 private:
  std::FILE* file_ = nullptr;
  std::string path_;
  std::string error_;
};

}  // namespace mantlept

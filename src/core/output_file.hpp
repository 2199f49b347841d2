#pragma once
// A text file the program creates new (never overwriting one that exists) and
// writes sequentially, with its write errors kept for the caller.
#include <cstdio>
#include <string>
#include <string_view>

namespace mantlept {

class OutputFile {
 public:
  OutputFile() = default;
  ~OutputFile();
  OutputFile(const OutputFile&) = delete;
  OutputFile& operator=(const OutputFile&) = delete;

  // Creates `path` exclusively; false (with errno set) when it exists or
  // cannot be created.
  bool create(const std::string& path);
  bool isOpen() const { return file_ != nullptr; }
  const std::string& path() const { return path_; }

  void write(std::string_view text);
  // True while every write so far has succeeded.
  bool good() const;
  // Closes the file; false when a write or the close failed.
  bool close();
  // Closes and deletes the file (used when a run ends before its first row).
  void discard();

 private:
  std::FILE* file_ = nullptr;
  std::string path_;
  bool failed_ = false;
};

}  // namespace mantlept

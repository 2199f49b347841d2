#pragma once
// A text file the program creates new (never overwriting one that exists) and
// writes record by record: text written is kept until `commit`, which writes
// it in one piece. A commit that fails (a full disk) cuts the file back to
// its last complete record, so the file never ends inside a record.
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
  bool isOpen() const { return fd_ >= 0; }
  const std::string& path() const { return path_; }

  // Adds text to the record being written.
  void write(std::string_view text);
  // Writes the record to the file; false when that failed (the file then
  // holds what the earlier commits wrote, and no later commit writes).
  bool commit();
  // The errno value of the failed commit or close (0 while none failed).
  int error() const { return error_; }
  // Commits what is left and closes the file; false when a commit or the
  // close failed.
  bool close();
  // Closes and deletes the file (used when a run ends before its first row).
  void discard();

 private:
  int fd_ = -1;
  std::string path_;
  std::string pending_;
  long long committed_ = 0;
  bool failed_ = false;
  int error_ = 0;
};

}  // namespace mantlept

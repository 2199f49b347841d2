#pragma once
// A text file the program writes record by record: text written is kept until
// `commit`, which writes it in one piece. A commit that fails (a full disk)
// cuts the file back to its last complete record, so the file never ends
// inside a record.
//
// A file is made in one of two ways. `create` makes it new under its own name
// (never overwriting one that exists). `replace` writes a new file beside the
// old one under a temporary name and puts it in the old one's place only when
// it is complete (`close`), so a run that fails leaves the old file as it was;
// a device or a FIFO of that name is written into, never removed.
#include <string>
#include <string_view>

namespace mantlept {

class OutputFile {
 public:
  OutputFile() = default;
  // Closes the file; a replacement not closed explicitly is discarded.
  ~OutputFile();
  OutputFile(const OutputFile&) = delete;
  OutputFile& operator=(const OutputFile&) = delete;

  // Creates `path` exclusively; false (with errno set) when it exists or
  // cannot be created.
  bool create(const std::string& path);
  // Opens a file that will replace `path` at `close` (or `path` itself when
  // it is not a regular file, a directory excepted); false with errno set
  // (EISDIR for a directory).
  bool replace(const std::string& path);
  bool isOpen() const { return fd_ >= 0; }
  const std::string& path() const { return path_; }

  // Adds text to the record being written.
  void write(std::string_view text);
  // Writes the record to the file; false when that failed (the file then
  // holds what the earlier commits wrote, and no later commit writes).
  bool commit();
  // From now on records after the first are gathered up to `bytes` and
  // written together (a file of many short records, removed anyway when the
  // run fails): a commit only marks the record's end until then, and a failed
  // write cuts the file back to the end of the last batch written. 0: every
  // record at its commit.
  void batchRecords(std::size_t bytes) { batch_ = bytes; }
  // The errno value of the failed commit or close (0 while none failed).
  int error() const { return error_; }
  // Commits what is left and closes the file, but leaves a replacing file
  // under its temporary name; false when a commit or the close failed.
  // `discard` still removes the file after it.
  bool finish();
  // Puts a finished replacing file in place of the old one (nothing to do for
  // the other kinds); false when that failed.
  bool publish();
  // finish() and publish(): false when either failed.
  bool close();
  // Closes the file and removes what this object created (used when a run
  // fails or is stopped): the new file or the temporary one; the old file a
  // `replace` was for stays. Nothing once the file is published.
  void discard();

 private:
  enum class Kind { None, Created, Replacing, Device };
  void reset();

  int fd_ = -1;
  Kind kind_ = Kind::None;
  std::string path_;     // the name the user gave
  std::string written_;  // the name the bytes go to (temporary when replacing)
  std::string target_;   // the file a replacement takes the place of
  bool writeRecords();  // the complete records pending
  std::string pending_;
  std::size_t records_ = 0;  // bytes of `pending_` that end a committed record
  std::size_t batch_ = 0;
  long long committed_ = 0;
  bool failed_ = false;
  int error_ = 0;
};

}  // namespace mantlept

#include "core/output_file.hpp"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace mantlept {

namespace {

// The folder part of `path` ("." for a bare name) and the name part.
void splitPath(const std::string& path, std::string& folder, std::string& name) {
  std::size_t slash = path.find_last_of('/');
  if (slash == std::string::npos) {
    folder = ".";
    name = path;
  } else {
    folder = slash == 0 ? "/" : path.substr(0, slash);
    name = path.substr(slash + 1);
  }
}

// The file a symbolic link leads to, so that replacing through a link
// replaces its target and keeps the link; `path` itself otherwise.
std::string linkTarget(const std::string& path) {
  struct stat info {};
  if (::lstat(path.c_str(), &info) != 0 || !S_ISLNK(info.st_mode)) return path;
  char resolved[PATH_MAX];
  if (::realpath(path.c_str(), resolved) == nullptr) return path;
  return resolved;
}

}  // namespace

OutputFile::~OutputFile() {
  // A replacement is put in place only by an explicit close.
  if (kind_ == Kind::Replacing) {
    discard();
  } else {
    close();
  }
}

void OutputFile::reset() {
  pending_.clear();
  records_ = 0;
  committed_ = 0;
  failed_ = false;
  error_ = 0;
}

bool OutputFile::create(const std::string& path) {
  close();
  // O_EXCL: fail if the file exists, atomically with its creation.
  fd_ = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
  if (fd_ < 0) return false;
  kind_ = Kind::Created;
  path_ = written_ = path;
  reset();
  return true;
}

bool OutputFile::replace(const std::string& path) {
  close();
  const std::string target = linkTarget(path);
  struct stat info {};
  if (::stat(target.c_str(), &info) == 0 && !S_ISREG(info.st_mode)) {
    if (S_ISDIR(info.st_mode)) {
      errno = EISDIR;
      return false;
    }
    // A device or a FIFO: written into, as a shell redirection would.
    fd_ = ::open(target.c_str(), O_WRONLY | O_NOCTTY | O_CLOEXEC);
    if (fd_ < 0) return false;
    kind_ = Kind::Device;
    path_ = path;
    written_ = target;
    reset();
    return true;
  }
  // A new file beside the old one; mkstemp picks a name no other file has.
  std::string folder, name;
  splitPath(target, folder, name);
  std::string pattern = folder + "/." + name + ".new-XXXXXX";
  std::vector<char> buffer(pattern.begin(), pattern.end());
  buffer.push_back('\0');
  fd_ = ::mkostemp(buffer.data(), O_CLOEXEC);
  if (fd_ < 0) return false;
  // mkstemp makes the file for its owner alone; give it the mode a new file
  // gets (or the old file's mode).
  mode_t mode = 0;
  if (::stat(target.c_str(), &info) == 0) {
    mode = info.st_mode & 07777;
  } else {
    mode_t mask = ::umask(0);
    ::umask(mask);
    mode = 0666 & ~mask;
  }
  ::fchmod(fd_, mode);
  kind_ = Kind::Replacing;
  path_ = path;
  written_ = buffer.data();
  target_ = target;
  reset();
  return true;
}

void OutputFile::write(std::string_view text) {
  if (fd_ >= 0 && !failed_) pending_.append(text);
}

bool OutputFile::commit() {
  if (fd_ < 0 || failed_) return false;
  records_ = pending_.size();
  // The first record (a header, mostly) is written at once.
  if (records_ < batch_ && committed_ > 0) return true;
  return writeRecords();
}

bool OutputFile::writeRecords() {
  std::size_t done = 0;
  while (done < records_) {
    ssize_t n = ::write(fd_, pending_.data() + done, records_ - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      // Cut the piece of the records that did reach the file.
      error_ = n < 0 ? errno : ENOSPC;
      failed_ = true;
      pending_.clear();
      records_ = 0;
      if (kind_ != Kind::Device && ::ftruncate(fd_, static_cast<off_t>(committed_)) == 0) {
        ::lseek(fd_, static_cast<off_t>(committed_), SEEK_SET);
      }
      return false;
    }
    done += static_cast<std::size_t>(n);
  }
  committed_ += static_cast<long long>(done);
  pending_.erase(0, records_);
  records_ = 0;
  return true;
}

bool OutputFile::finish() {
  if (fd_ < 0) return !failed_;
  bool ok = !failed_;
  if (ok) {
    records_ = pending_.size();
    ok = writeRecords();
  }
  if (::close(fd_) != 0 && ok) {
    error_ = errno;
    ok = false;
  }
  fd_ = -1;
  failed_ = !ok;
  return ok;
}

bool OutputFile::publish() {
  if (kind_ != Kind::Replacing) return !failed_;
  if (failed_ || fd_ >= 0) return false;
  if (::rename(written_.c_str(), target_.c_str()) != 0) {
    error_ = errno;
    failed_ = true;
    return false;
  }
  kind_ = Kind::None;  // in place: nothing left for discard to remove
  return true;
}

bool OutputFile::close() {
  if (kind_ == Kind::None) return !failed_;
  bool ok = finish();
  if (ok && kind_ == Kind::Replacing) {
    ok = publish();
  } else if (!ok && kind_ == Kind::Replacing) {
    // An incomplete replacement never takes the old file's place.
    ::unlink(written_.c_str());
  }
  kind_ = Kind::None;
  return ok;
}

void OutputFile::discard() {
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
  pending_.clear();
  if (kind_ == Kind::Created || kind_ == Kind::Replacing) std::remove(written_.c_str());
  kind_ = Kind::None;
}

}  // namespace mantlept

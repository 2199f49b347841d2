#include "core/output_file.hpp"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>

namespace mantlept {

OutputFile::~OutputFile() { close(); }

bool OutputFile::create(const std::string& path) {
  close();
  // O_EXCL: fail if the file exists, atomically with its creation.
  fd_ = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
  if (fd_ < 0) return false;
  path_ = path;
  pending_.clear();
  committed_ = 0;
  failed_ = false;
  error_ = 0;
  return true;
}

void OutputFile::write(std::string_view text) {
  if (fd_ >= 0 && !failed_) pending_.append(text);
}

bool OutputFile::commit() {
  if (fd_ < 0 || failed_) return false;
  std::size_t done = 0;
  while (done < pending_.size()) {
    ssize_t n = ::write(fd_, pending_.data() + done, pending_.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      // Cut the piece of the record that did reach the file.
      error_ = n < 0 ? errno : ENOSPC;
      failed_ = true;
      pending_.clear();
      if (::ftruncate(fd_, static_cast<off_t>(committed_)) == 0) {
        ::lseek(fd_, static_cast<off_t>(committed_), SEEK_SET);
      }
      return false;
    }
    done += static_cast<std::size_t>(n);
  }
  committed_ += static_cast<long long>(done);
  pending_.clear();
  return true;
}

bool OutputFile::close() {
  if (fd_ < 0) return !failed_;
  bool ok = commit();
  if (::close(fd_) != 0 && ok) {
    error_ = errno;
    ok = false;
  }
  fd_ = -1;
  failed_ = !ok;
  return ok;
}

void OutputFile::discard() {
  if (fd_ < 0) return;
  ::close(fd_);
  fd_ = -1;
  pending_.clear();
  std::remove(path_.c_str());
}

}  // namespace mantlept

#include "cli/new_file.hpp"

#include <sys/stat.h>

#include <cerrno>
#include <cstring>
#include <filesystem>

namespace mantlept {

void createOutput(OutputFile& file, const std::string& path, bool force, const char* what) {
  struct stat info {};
  const bool exists = ::stat(path.c_str(), &info) == 0;
  const bool isFolder = exists && S_ISDIR(info.st_mode);
  if (!isFolder && (force ? file.replace(path) : file.create(path))) {
    // The commands' files are removed when a run fails: their rows go out in
    // pieces of 64 KiB, not a write a sample.
    file.batchRecords(std::size_t{64} << 10);
    return;
  }
  std::string reason;
  if (isFolder || errno == EISDIR) {
    reason = "it is a directory";
  } else if (errno == EEXIST) {
    reason = exists && !S_ISREG(info.st_mode)
                 ? "it exists already, and is no regular file (--force writes into it)"
                 : "it exists already (--force replaces it)";
  } else {
    reason = std::strerror(errno);
  }
  throw OutputError("mantlept: the " + std::string(what) + " \"" + path +
                    "\" cannot be created: " + reason);
}

void commitOutput(OutputFile& file, const char* what) {
  if (file.commit()) return;
  throw OutputError("mantlept: writing the " + std::string(what) + " \"" + file.path() +
                    "\" failed: " + std::strerror(file.error()));
}

void closeOutput(OutputFile& file, const char* what) {
  if (!file.isOpen() || file.close()) return;
  throw OutputError("mantlept: closing the " + std::string(what) + " \"" + file.path() +
                    "\" failed: " + std::strerror(file.error()));
}

bool sameFile(const std::string& a, const std::string& b) {
  namespace fs = std::filesystem;
  if (fs::path(a).lexically_normal() == fs::path(b).lexically_normal()) return true;
  // Files not made yet: the same place once the folders' links are followed.
  std::error_code ea, eb;
  fs::path ca = fs::weakly_canonical(a, ea), cb = fs::weakly_canonical(b, eb);
  if (!ea && !eb && ca == cb) return true;
  struct stat x {
  }, y{};
  return ::stat(a.c_str(), &x) == 0 && ::stat(b.c_str(), &y) == 0 && x.st_dev == y.st_dev &&
         x.st_ino == y.st_ino;
}

}  // namespace mantlept

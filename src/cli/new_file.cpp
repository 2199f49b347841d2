#include "cli/new_file.hpp"

#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace mantlept {

void createOutput(OutputFile& file, const std::string& path, bool force, const char* what) {
  if (force) ::unlink(path.c_str());
  if (file.create(path)) return;
  std::string reason =
      errno == EEXIST ? "it exists already (--force replaces it)" : std::strerror(errno);
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

}  // namespace mantlept

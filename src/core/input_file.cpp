#include "core/input_file.hpp"

#include <sys/stat.h>

#include <cerrno>
#include <cstring>

namespace mantlept {

bool InputFile::open(const std::string& path) {
  close();
  struct stat info {};
  if (::stat(path.c_str(), &info) != 0) {
    error_ = std::strerror(errno);
    return false;
  }
  if (S_ISDIR(info.st_mode)) {
    error_ = "is a directory";
    return false;
  }
  file_ = std::fopen(path.c_str(), "rb");
  if (file_ == nullptr) {
    error_ = std::strerror(errno);
    return false;
  }
  path_ = path;
  error_.clear();
  return true;
}

void InputFile::close() {
  if (file_ != nullptr) std::fclose(file_);
  file_ = nullptr;
}

}  // namespace mantlept

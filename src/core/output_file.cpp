#include "core/output_file.hpp"

#include <cstdio>

namespace mantlept {

OutputFile::~OutputFile() { close(); }

bool OutputFile::create(const std::string& path) {
  close();
  // "x": fail if the file exists, atomically with its creation.
  file_ = std::fopen(path.c_str(), "wx");
  if (file_ == nullptr) return false;
  path_ = path;
  failed_ = false;
  return true;
}

void OutputFile::write(std::string_view text) {
  if (file_ == nullptr) return;
  if (std::fwrite(text.data(), 1, text.size(), file_) != text.size()) failed_ = true;
}

bool OutputFile::good() const { return file_ != nullptr && !failed_ && !std::ferror(file_); }

bool OutputFile::close() {
  if (file_ == nullptr) return !failed_;
  bool ok = !std::ferror(file_) && !failed_;
  if (std::fclose(file_) != 0) ok = false;
  file_ = nullptr;
  failed_ = !ok;
  return ok;
}

void OutputFile::discard() {
  if (file_ == nullptr) return;
  std::fclose(file_);
  file_ = nullptr;
  std::remove(path_.c_str());
}

}  // namespace mantlept

#include "minerals/line_reader.hpp"

#include <cstring>

namespace mantlept {

bool LineReader::refill() {
  if (atEnd_) return false;
  end_ = std::fread(buffer_.data(), 1, buffer_.size(), file_);
  pos_ = 0;
  if (end_ == 0) {
    atEnd_ = true;
    if (std::ferror(file_)) failed_ = true;
    return false;
  }
  return true;
}

bool LineReader::next() {
  length_ = 0;
  std::size_t total = 0;
  bool any = false;
  for (;;) {
    if (pos_ == end_ && !refill()) {
      if (!any || failed_) return false;
      break;  // a last line without a line end
    }
    any = true;
    const char* start = buffer_.data() + pos_;
    std::size_t available = end_ - pos_;
    const void* newline = std::memchr(start, '\n', available);
    std::size_t chunk = newline ? static_cast<std::size_t>(static_cast<const char*>(newline) - start)
                                : available;
    std::size_t room = line_.size() - length_;
    std::size_t copy = chunk < room ? chunk : room;
    std::memcpy(line_.data() + length_, start, copy);
    length_ += copy;
    total += chunk;
    pos_ += chunk;
    if (newline) {
      ++pos_;
      break;
    }
  }
  ++number_;
  if (total == length_ && length_ > 0 && line_[length_ - 1] == '\r') --length_;
  if (length_ > kKeep) length_ = kKeep;
  return true;
}

}  // namespace mantlept

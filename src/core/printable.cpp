#include "core/printable.hpp"

namespace mantlept {

std::string printable(std::string_view text, std::size_t maxLength) {
  static constexpr char kHex[] = "0123456789abcdef";
  const bool cut = text.size() > maxLength;
  if (cut) text = text.substr(0, maxLength);
  std::string shown;
  for (char c : text) {
    auto byte = static_cast<unsigned char>(c);
    if (byte < 0x20 || byte == 0x7f) {
      shown += "\\x";
      shown += kHex[byte >> 4];
      shown += kHex[byte & 15];
    } else {
      shown += c;
    }
  }
  if (cut) shown += "...";
  return shown;
}

}  // namespace mantlept

#pragma once
// Text from a file as a message shows it: control bytes (a tab, NUL, an
// escape that would drive the terminal) written as \xNN, other bytes as they are.
#include <cstddef>
#include <limits>
#include <string>
#include <string_view>

namespace mantlept {

// At most `maxLength` bytes of `text` are shown, then "..." when cut.
std::string printable(std::string_view text,
                      std::size_t maxLength = std::numeric_limits<std::size_t>::max());

}  // namespace mantlept

#pragma once
// `mantlept methods`: the catalogue of methods, the minerals each needs and
// what it reads beyond them, from the dispatch tables themselves.
#include <optional>
#include <ostream>
#include <string>

namespace mantlept {

struct MethodsOptions {
  std::optional<int> number;
  std::string kind;             // "", "thermometer", "barometer", "oxybarometer"
  std::string format = "text";  // "text" or "csv"
};

// Exit status: 0, or 2 when no method has the number asked for.
int runMethods(const MethodsOptions& options, std::ostream& out, std::ostream& err);

}  // namespace mantlept

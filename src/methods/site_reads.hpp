#pragma once
// The site parameters each method reads from the store, by the names the
// site table of `formula --sites` gives them.
#include <string_view>

#include "methods/method_needs.hpp"

namespace mantlept {

// "XMg_Opx, AlM1_Opx", in the order the method first reads them; "" for a
// method that reads none (or a number without a method).
std::string_view siteParametersRead(MethodKind kind, int number);

}  // namespace mantlept

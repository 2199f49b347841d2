// Text cells of the tidy rows: quoted as CSV wants, and never a raw control
// byte from a file on the terminal.
#include "report/tidy_rows.hpp"

#include <gtest/gtest.h>

namespace mantlept {
namespace {

TEST(TidyCells, QuotingAndControlBytes) {
  const std::pair<std::string, std::string> cases[] = {
      {"KX-101", "KX-101"},
      {"a,b", "\"a,b\""},
      {"say \"x\"", "\"say \"\"x\"\"\""},
      {std::string("CIM\x1b[2J", 7), "CIM\\x1b[2J"},  // a terminal escape
      {"two\nlines", "two\\x0alines"},                  // a line end inside a name
      {"tab\t,", "\"tab\\x09,\""},                      // escaped, then quoted for its comma
  };
  for (const auto& [text, expected] : cases) {
    std::string out;
    appendCsvCell(out, text);
    EXPECT_EQ(out, expected) << text;
  }
}

}  // namespace
}  // namespace mantlept

#pragma once
// The opening dialogue: banner, questions in a fixed order with their re-ask
// loops and defaults, the analysis file opened and the results file created.
#include <functional>
#include <istream>
#include <ostream>
#include <stdexcept>
#include <string>

#include "core/input_file.hpp"
#include "core/output_file.hpp"
#include "core/terminal.hpp"
#include "solver/run_settings.hpp"

namespace mantlept {

// The dialogue could not finish (end of input, unreadable starting values).
class DialogueAborted : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

struct DialogueFiles {
  InputFile analysis;
  OutputFile results;
};

using HeaderWriter = std::function<void(const RunSettings&, OutputFile&)>;

// Runs the whole dialogue on `in` (answers, one per line) and `out` (prompts).
// Explanations of refused file names go to `err`. `writeHeader` is called right
// after the coefficient answer. Throws DialogueAborted when it cannot finish;
// the caller then discards the results file.
RunSettings runDialogue(std::istream& in, Terminal& out, std::ostream& err, DialogueFiles& files,
                        const HeaderWriter& writeHeader);

// The banner's title line.
inline constexpr const char* kTitleLine = "    Program for Mantle peridotites PT estimates";

}  // namespace mantlept

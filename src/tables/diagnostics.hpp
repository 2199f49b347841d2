#pragma once
// Warnings and notes about a table, collected while it is read and printed
// once each at the end, with the number of times they arose.
#include <iosfwd>
#include <string>
#include <unordered_map>
#include <vector>

namespace mantlept::tables {

class Diagnostics {
 public:
  // Records a note or a warning under `key`; the text of the first call with a
  // key is the one printed, later calls with that key only count.
  void note(const std::string& key, const std::string& text) { add(false, key, text); }
  void warn(const std::string& key, const std::string& text) { add(true, key, text); }

  // Times `key` was recorded (0 when never).
  long count(const std::string& key) const;
  int warningCount() const;

  // One line per key, in the order they first arose: "mantlept: note: TEXT"
  // or "mantlept: warning: TEXT", followed by " (N times)" when counted more
  // than once. Keys of one family ("mineral:Amph", "mineral:Hbl", one per
  // unknown name) give at most kShownPerFamily lines, then one line counting
  // the rest. `quiet` leaves out the notes, never the warnings.
  void print(std::ostream& err, bool quiet) const;

  static constexpr long kShownPerFamily = 20;

 private:
  struct Entry {
    bool warning;
    std::string key;
    std::string text;
    long count;
  };
  void add(bool warning, const std::string& key, const std::string& text);
  std::vector<Entry> entries_;
  std::unordered_map<std::string, std::size_t> index_;  // key -> entry
};

}  // namespace mantlept::tables

#pragma once
// Warnings and notes about a table, collected while it is read and printed
// once each at the end, with the number of times they arose.
#include <iosfwd>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

namespace mantlept::tables {

class Diagnostics {
 public:
  // Records a note or a warning under `key`; the text of the first call with a
  // key is the one printed, later calls with that key only count.
  void note(const std::string& key, const std::string& text) { add(false, key, text); }
  void warn(const std::string& key, const std::string& text) { add(true, key, text); }

  // Counts one more `item` under `key`: a note printed once as `lead` and the
  // items with their counts, as `lead: "A" (3), "B" (1)`.
  void tally(const std::string& key, const std::string& lead, const std::string& item);

  // Adds `item` once under `key`: a note printed as `lead: "A", "B"`.
  void list(const std::string& key, const std::string& lead, const std::string& item);

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
    std::vector<std::pair<std::string, long>> items;  // of a tally or a list
    std::unordered_map<std::string, std::size_t> itemIndex;  // item -> its place in items
    bool counted = true;                              // items printed with their counts
  };
  void add(bool warning, const std::string& key, const std::string& text);
  Entry& item(const std::string& key, const std::string& lead, const std::string& item);
  std::vector<Entry> entries_;
  std::unordered_map<std::string, std::size_t> index_;  // key -> entry
};

}  // namespace mantlept::tables

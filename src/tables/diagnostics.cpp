#include "tables/diagnostics.hpp"

#include <algorithm>
#include <ostream>

namespace mantlept::tables {

void Diagnostics::add(bool warning, const std::string& key, const std::string& text) {
  // Few distinct keys arise in one table, so a linear search is enough.
  auto found =
      std::find_if(entries_.begin(), entries_.end(), [&](const Entry& e) { return e.key == key; });
  if (found != entries_.end()) {
    ++found->count;
    return;
  }
  entries_.push_back({warning, key, text, 1, {}, true});
}

Diagnostics::Entry& Diagnostics::item(const std::string& key, const std::string& lead,
                                      const std::string& item) {
  add(false, key, lead);
  Entry& entry = *std::find_if(entries_.begin(), entries_.end(),
                               [&](const Entry& e) { return e.key == key; });
  auto found = std::find_if(entry.items.begin(), entry.items.end(),
                            [&](const std::pair<std::string, long>& i) { return i.first == item; });
  if (found != entry.items.end()) {
    ++found->second;
  } else {
    entry.items.emplace_back(item, 1);
  }
  return entry;
}

void Diagnostics::tally(const std::string& key, const std::string& lead, const std::string& name) {
  item(key, lead, name);
}

void Diagnostics::list(const std::string& key, const std::string& lead, const std::string& name) {
  item(key, lead, name).counted = false;
}

long Diagnostics::count(const std::string& key) const {
  for (const Entry& e : entries_)
    if (e.key == key) return e.count;
  return 0;
}

int Diagnostics::warningCount() const {
  return static_cast<int>(
      std::count_if(entries_.begin(), entries_.end(), [](const Entry& e) { return e.warning; }));
}

void Diagnostics::print(std::ostream& err, bool quiet) const {
  for (const Entry& e : entries_) {
    if (quiet && !e.warning) continue;
    err << (e.warning ? "mantlept: warning: " : "mantlept: note: ") << e.text;
    if (!e.items.empty()) {
      const char* separator = ": ";
      for (const auto& [item, count] : e.items) {
        err << separator << '"' << item << '"';
        if (e.counted) err << " (" << count << ')';
        separator = ", ";
      }
    } else if (e.count > 1) {
      err << " (" << e.count << " times)";
    }
    err << '\n';
  }
}

}  // namespace mantlept::tables

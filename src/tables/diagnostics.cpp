#include "tables/diagnostics.hpp"

#include <algorithm>
#include <ostream>

namespace mantlept::tables {

namespace {

// The family of a key: the part before its first ':' ("mineral" of "mineral:Amph").
std::string_view familyOf(std::string_view key) { return key.substr(0, key.find(':')); }

}  // namespace

void Diagnostics::add(bool warning, const std::string& key, const std::string& text) {
  auto [found, inserted] = index_.try_emplace(key, entries_.size());
  if (!inserted) {
    ++entries_[found->second].count;
    return;
  }
  entries_.push_back({warning, key, text, 1, {}, {}, true});
}

Diagnostics::Entry& Diagnostics::item(const std::string& key, const std::string& lead,
                                      const std::string& item) {
  add(false, key, lead);
  Entry& entry = entries_[index_.at(key)];
  // Items found by hash: a table can name a hundred thousand unknown minerals.
  auto [found, inserted] = entry.itemIndex.try_emplace(item, entry.items.size());
  if (inserted) {
    entry.items.emplace_back(item, 1);
  } else {
    ++entry.items[found->second].second;
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
  auto found = index_.find(key);
  return found == index_.end() ? 0 : entries_[found->second].count;
}

int Diagnostics::warningCount() const {
  return static_cast<int>(
      std::count_if(entries_.begin(), entries_.end(), [](const Entry& e) { return e.warning; }));
}

void Diagnostics::print(std::ostream& err, bool quiet) const {
  // Lines shown so far, and lines left out, per family of keys.
  std::unordered_map<std::string_view, std::pair<long, long>> families;
  std::vector<std::pair<std::string_view, bool>> cut;  // family, warning
  for (const Entry& e : entries_) {
    if (quiet && !e.warning) continue;
    std::string_view family = familyOf(e.key);
    auto& [shown, left] = families[family];
    if (family.size() < e.key.size() && shown >= kShownPerFamily) {
      if (left++ == 0) cut.emplace_back(family, e.warning);
      continue;
    }
    ++shown;
    err << (e.warning ? "mantlept: warning: " : "mantlept: note: ") << e.text;
    if (!e.items.empty()) {
      const char* separator = ": ";
      // A list or a tally shows its first 20 names, then how many more there are.
      constexpr std::size_t kShown = 20;
      std::size_t shown = 0;
      for (const auto& [item, count] : e.items) {
        if (shown == kShown) break;
        err << separator << '"' << item << '"';
        if (e.counted) err << " (" << count << ')';
        separator = ", ";
        ++shown;
      }
      if (shown < e.items.size()) err << " and " << e.items.size() - shown << " more";
    } else if (e.count > 1) {
      err << " (" << e.count << " times)";
    }
    err << '\n';
  }
  for (auto [family, warning] : cut)
    err << (warning ? "mantlept: warning: " : "mantlept: note: ") << families[family].second
        << " more like the " << kShownPerFamily << " above (" << family << ") are not listed\n";
}

}  // namespace mantlept::tables

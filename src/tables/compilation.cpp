// This module computes in double precision.
#include "tables/compilation.hpp"

#include <algorithm>
#include <cctype>
#include <functional>

#include "tables/text_cells.hpp"

namespace mantlept::tables {

namespace {

bool beginsWith(std::string_view text, std::string_view word) {
  if (text.size() < word.size()) return false;
  for (std::size_t i = 0; i < word.size(); ++i)
    if (std::tolower(static_cast<unsigned char>(text[i])) != word[i]) return false;
  return true;
}

}  // namespace

Compilation::Compilation(Diagnostics& diagnostics, RimCore choice)
    : diagnostics_(diagnostics), choice_(choice) {
  static_assert(sizeof(Group) == 64, "one cache line");
}

bool Compilation::kept(const TableRow& row) {
  if (choice_ == RimCore::All || !row.hasPosition) return true;
  if (beginsWith(row.position, choice_ == RimCore::Core ? "core" : "rim")) return true;
  leftOut_ += static_cast<long>(row.analyses.size());
  return false;
}

TableRows tableRows(bool wide, bool eachAlone) {
  if (!wide) return TableRows::BySample;
  return eachAlone ? TableRows::EachAlone : TableRows::Samples;
}

void RepeatedNames::grow() {
  std::vector<std::uint64_t> old = std::move(index_);
  index_.assign(std::max<std::size_t>(1024, 2 * old.size()), 0);
  for (std::uint64_t entry : old) {
    if (entry == 0) continue;
    std::size_t at = static_cast<std::size_t>(entry >> 32) & (index_.size() - 1);
    while (index_[at] != 0) at = (at + 1) & (index_.size() - 1);
    index_[at] = entry;
  }
}

bool RepeatedNames::add(std::string_view name, long row) {
  if (index_.size() < 2 * (seen_.size() + 1)) grow();
  const std::uint64_t hash = std::hash<std::string_view>{}(name) & 0xFFFFFFFFu;
  std::size_t at = static_cast<std::size_t>(hash) & (index_.size() - 1);
  for (; index_[at] != 0; at = (at + 1) & (index_.size() - 1)) {
    const std::uint64_t entry = index_[at];
    if ((entry >> 32) != hash) continue;
    Seen& seen = seen_[static_cast<std::size_t>((entry & 0xFFFFFFFFu) - 1u)];
    if (nameOf(seen) != name) continue;
    if (!seen.repeated) {
      seen.repeated = true;
      sharing_ += 2;  // the first row of the name and this one
    } else {
      ++sharing_;
    }
    if (firstRow_ == 0) firstName_ = name, firstRow_ = row, earlierRow_ = seen.row;
    return true;
  }
  Seen& seen = seen_.push();
  seen = Seen{characters_.size(), static_cast<std::uint32_t>(name.size()), false, row};
  characters_ += name;
  index_[at] = hash << 32 | seen_.size();
  return false;
}

void RepeatedNames::clear() {
  std::string().swap(characters_);  // gives the memory back
  seen_ = BlockArray<Seen>();
  std::vector<std::uint64_t>().swap(index_);
  sharing_ = 0;
  firstName_.clear();
  firstRow_ = earlierRow_ = 0;
}

void Compilation::growIndex() {
  if (index_.size() >= 2 * (groups_.size() + 1)) return;
  // At most half full: rebuilt as many times as large as that takes (a wide
  // table adds all its groups before they are indexed).
  std::vector<std::uint64_t> old = std::move(index_);
  std::size_t size = std::max<std::size_t>(1024, old.size());
  while (size < 2 * (groups_.size() + 1)) size *= 2;
  index_.assign(size, 0);
  for (std::uint64_t entry : old) {
    if (entry == 0) continue;
    std::size_t at = static_cast<std::size_t>(entry >> 32) & (index_.size() - 1);
    while (index_[at] != 0) at = (at + 1) & (index_.size() - 1);
    index_[at] = entry;
  }
}

std::int64_t Compilation::lookUp(const std::string& sample, std::size_t& at) const {
  const std::uint64_t hash = std::hash<std::string_view>{}(sample) & 0xFFFFFFFFu;
  for (at = static_cast<std::size_t>(hash) & (index_.size() - 1);;
       at = (at + 1) & (index_.size() - 1)) {
    std::uint64_t entry = index_[at];
    if (entry == 0) return -1;
    auto group = static_cast<std::uint32_t>((entry & 0xFFFFFFFFu) - 1u);
    if ((entry >> 32) == hash && groups_[group].sample == sample) return group;
  }
}

void Compilation::expectIndex(const TableRow& row) const {
  if (index_.empty()) return;
  const std::uint64_t hash = std::hash<std::string_view>{}(row.sample) & 0xFFFFFFFFu;
  __builtin_prefetch(&index_[static_cast<std::size_t>(hash) & (index_.size() - 1)]);
}

std::int64_t Compilation::likelyGroup(std::string_view sample) const {
  if (index_.empty()) return -1;
  const std::uint64_t hash = std::hash<std::string_view>{}(sample) & 0xFFFFFFFFu;
  for (std::size_t at = static_cast<std::size_t>(hash) & (index_.size() - 1);;
       at = (at + 1) & (index_.size() - 1)) {
    const std::uint64_t entry = index_[at];
    if (entry == 0) return -1;
    if ((entry >> 32) == hash) return static_cast<std::int64_t>((entry & 0xFFFFFFFFu) - 1u);
  }
}

void Compilation::expectGroup(const TableRow& row) const {
  const std::int64_t group = likelyGroup(row.sample);
  if (group >= 0) __builtin_prefetch(&groups_[static_cast<std::size_t>(group)]);
}

void Compilation::expectSums(const TableRow& row) const {
  const std::int64_t group = likelyGroup(row.sample);
  if (group < 0) return;
  const Group& g = groups_[static_cast<std::size_t>(group)];
  for (const RowAnalysis& analysis : row.analyses) {
    const std::int32_t i = g.sums[static_cast<std::size_t>(analysis.slot)];
    if (i >= 0) __builtin_prefetch(&sums_[static_cast<std::size_t>(i)]);
  }
}

void Compilation::place(std::size_t at, std::uint32_t group) {
  const std::uint64_t hash = std::hash<std::string_view>{}(groups_[group].sample) & 0xFFFFFFFFu;
  index_[at] = hash << 32 | (group + 1u);
}

std::uint32_t Compilation::groupOf(const std::string& sample) {
  growIndex();
  std::size_t at = 0;
  const std::int64_t found = lookUp(sample, at);
  if (found >= 0) return static_cast<std::uint32_t>(found);
  const std::uint32_t group = newGroup(sample);
  place(at, group);
  return group;
}

std::uint32_t Compilation::newGroup(const std::string& sample) {
  auto group = static_cast<std::uint32_t>(groups_.size());
  descriptions_.push();
  Group& g = groups_.push();
  g.sample = sample;
  g.sums.fill(-1);
  return group;
}

void Compilation::beginTable(const std::string& fileName, TableRows rows) {
  rows_ = rows;
  fileName_ = fileName;
  tableStart_ = groups_.size();
  names_.clear();
}

void Compilation::add(const TableRow& row) {
  std::uint32_t at = 0;
  if (rows_ == TableRows::BySample) {
    at = groupOf(row.sample);
  } else {
    // Each row held apart until the table's names are known.
    at = newGroup(row.sample);
    if (rows_ == TableRows::Samples) names_.add(row.sample, row.row);
  }
  Group& g = groups_[at];
  if (!g.described && !row.description.empty()) {
    descriptions_[at] = row.description;
    g.described = true;
  }
  if (!kept(row)) return;
  for (const RowAnalysis& analysis : row.analyses) {
    std::int32_t& i = g.sums[static_cast<std::size_t>(analysis.slot)];
    if (i < 0) {
      i = static_cast<std::int32_t>(sums_.size());
      sums_.push();
    }
    Sums& s = sums_[static_cast<std::size_t>(i)];
    if (s.analyses == kMaxAnalyses)
      throw TableError("mantlept: sample \"" + printable(row.sample) + "\" has more than " +
                       std::to_string(kMaxAnalyses) + " analyses of one mineral (row " +
                       std::to_string(row.row) + ")");
    ++s.analyses;
    if (analysis.niPpm > 0) s.niPpm += analysis.niPpm, ++s.niPpmCount;
    for (int k = 0; k < OxideValues::kCount; ++k) {
      if ((analysis.determined & (1u << k)) == 0) continue;
      s.sum[static_cast<std::size_t>(k)] += analysis.ox[static_cast<std::size_t>(k)];
      ++s.count[static_cast<std::size_t>(k)];
    }
  }
}

void Compilation::joinInto(std::uint32_t from, std::uint32_t into) {
  Group& f = groups_[from];
  Group& g = groups_[into];
  f.joined = true;
  ++joined_;
  if (!g.described && f.described) {
    descriptions_[into] = std::move(descriptions_[from]);
    g.described = true;
  }
  for (std::size_t slot = 0; slot < kSlotCount; ++slot) {
    if (f.sums[slot] < 0) continue;
    if (g.sums[slot] < 0) {
      g.sums[slot] = f.sums[slot];
      continue;
    }
    Sums& to = sums_[static_cast<std::size_t>(g.sums[slot])];
    const Sums& add = sums_[static_cast<std::size_t>(f.sums[slot])];
    if (to.analyses + add.analyses > kMaxAnalyses)
      throw TableError("mantlept: sample \"" + printable(g.sample) + "\" has more than " +
                       std::to_string(kMaxAnalyses) + " analyses of one mineral");
    to.analyses = static_cast<std::uint16_t>(to.analyses + add.analyses);
    to.niPpm += add.niPpm;
    to.niPpmCount = static_cast<std::uint16_t>(to.niPpmCount + add.niPpmCount);
    for (std::size_t k = 0; k < OxideValues::kCount; ++k) {
      to.sum[k] += add.sum[k];
      to.count[k] = static_cast<std::uint16_t>(to.count[k] + add.count[k]);
    }
  }
}

void Compilation::endTable() {
  if (rows_ == TableRows::Samples) {
    if (names_.rowsSharing() > 0) {
      diagnostics_.note("apart:" + fileName_,
                        fileName_ + ": " + std::to_string(names_.rowsSharing()) +
                            " rows share a sample name with another row; each row is "
                            "evaluated on its own");
    } else {
      // A table of samples: each row joins the earlier rows of its name.
      growIndex();
      for (std::size_t k = tableStart_; k < groups_.size(); ++k) {
        const auto group = static_cast<std::uint32_t>(k);
        std::size_t at = 0;
        const std::int64_t earlier = lookUp(groups_[group].sample, at);
        if (earlier >= 0) {
          joinInto(group, static_cast<std::uint32_t>(earlier));
        } else {
          place(at, group);
        }
      }
    }
  }
  rows_ = TableRows::BySample;
  names_.clear();
}

bool Compilation::next(Association& a) {
  if (take(a)) return true;
  finish();
  return false;
}

bool Compilation::nextHeld(Association& a) {
  const bool taken = take(a);
  if (next_ >= groups_.size()) {
    groups_.clear();
    descriptions_.clear();
    sums_.clear();
    next_ = 0;
    tableStart_ = 0;
  }
  return taken;
}

bool Compilation::take(Association& a) {
  for (;;) {
    if (next_ >= groups_.size()) return false;
    const Group& g = groups_[next_++];
    if (g.joined) continue;
    a.clear();
    a.sample = g.sample;
    a.info.set(g.sample, descriptions_[next_ - 1]);
    bool any = false;
    for (std::size_t slot = 0; slot < kSlotCount; ++slot) {
      if (g.sums[slot] < 0) continue;
      const Sums& s = sums_[static_cast<std::size_t>(g.sums[slot])];
      if (s.analyses > 1) ++averagedGroups_, averagedAnalyses_ += s.analyses;
      OxideValues& ox = a.ox[slot];
      for (int k = 0; k < OxideValues::kCount; ++k) {
        auto kk = static_cast<std::size_t>(k);
        // One analysis keeps its value as read; more are averaged in double,
        // rounded to single precision once.
        ox[k] = s.count[kk] == 0 ? 0.0f
                                 : static_cast<Real>(s.sum[kk] / static_cast<double>(s.count[kk]));
        if (s.count[kk] == 0) a.undetermined[slot] |= static_cast<std::uint16_t>(1u << k);
        if (ox[k] != 0) a.present[slot] = true;
      }
      if (s.niPpmCount > 0) a.niPpm[slot] = s.niPpm / s.niPpmCount;
      any = any || a.present[slot];
    }
    if (any) return true;
    ++emptySamples_;
  }
}

void Compilation::finish() {
  if (next_ > groups_.size()) return;  // said already
  next_ = groups_.size() + 1;
  if (leftOut_ > 0)
    diagnostics_.note("rimcore", std::to_string(leftOut_) +
                                     " analyses left out by the rim/core choice (" +
                                     (choice_ == RimCore::Core ? "core" : "rim") + ")");
  if (averagedGroups_ > 0)
    diagnostics_.note("averaged", std::to_string(averagedGroups_) +
                                      " sample-mineral groups were averaged from " +
                                      std::to_string(averagedAnalyses_) + " analyses");
  if (emptySamples_ > 0)
    diagnostics_.note("nothing", std::to_string(emptySamples_) +
                                     (emptySamples_ == 1 ? " sample has" : " samples have") +
                                     " no analysis of a mineral the program uses and gives "
                                     "no rows");
}

}  // namespace mantlept::tables

#pragma once
// Rows of analyses from any number of tables joined into one association per
// sample, in the order samples first appear. Several analyses of one mineral
// in one sample (spots of a grain, grains of a xenolith) are averaged oxide by
// oxide over the analyses in which the oxide was determined. Memory holds one
// accumulator per sample and mineral, never the rows.
#include <array>
#include <cstdint>
#include <deque>
#include <string>
#include <string_view>
#include <unordered_map>

#include "minerals/association.hpp"
#include "tables/association_table.hpp"
#include "tables/diagnostics.hpp"

namespace mantlept::tables {

// Which spot analyses to keep where a table has a rim/core column.
enum class RimCore { All, Core, Rim };

class Compilation {
 public:
  Compilation(Diagnostics& diagnostics, RimCore choice);

  // Adds the analyses of one row to its sample.
  void add(const TableRow& row);

  // The associations, after the last add; false at the end. The notes on
  // averaging and on samples without a usable mineral come with the end.
  bool next(Association& a);

  std::size_t sampleCount() const { return groups_.size(); }

 private:
  struct Sums {
    std::array<double, OxideValues::kCount> sum{};
    std::array<std::uint32_t, OxideValues::kCount> count{};
    std::uint32_t analyses = 0;
  };
  struct Group {
    std::string sample;
    std::string description;
    std::array<std::int32_t, kSlotCount> sums;  // index into sums_, -1: none
  };
  bool kept(const TableRow& row);
  void finish();

  Diagnostics& diagnostics_;
  RimCore choice_;
  // Deques: elements stay where they are (the index holds views of the names)
  // and growing never copies them all.
  std::deque<Group> groups_;
  std::deque<Sums> sums_;
  std::unordered_map<std::string_view, std::uint32_t> index_;
  std::size_t next_ = 0;
  long leftOut_ = 0;  // analyses left out by the rim/core choice
  long averagedGroups_ = 0, averagedAnalyses_ = 0, emptySamples_ = 0;
};

}  // namespace mantlept::tables

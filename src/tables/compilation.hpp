#pragma once
// Rows of analyses from any number of tables joined into one association per
// sample, in the order samples first appear. Several analyses of one mineral
// in one sample (spots of a grain, grains of a xenolith) are averaged oxide by
// oxide over the analyses in which the oxide was determined. Memory holds one
// accumulator per sample and mineral, never the rows.
#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "minerals/association.hpp"
#include "tables/association_table.hpp"
#include "tables/diagnostics.hpp"

namespace mantlept::tables {

// Which spot analyses to keep where a table has a rim/core column.
enum class RimCore { All, Core, Rim };

// A growing array in blocks of 4096 elements: growing never copies what is
// there (no doubling peak of memory) and allocates seldom.
template <typename T>
class BlockArray {
 public:
  T& push() {
    if (size_ % kBlock == 0) blocks_.push_back(std::make_unique<T[]>(kBlock));
    return (*this)[size_++];
  }
  T& operator[](std::size_t i) { return blocks_[i / kBlock][i % kBlock]; }
  const T& operator[](std::size_t i) const { return blocks_[i / kBlock][i % kBlock]; }
  std::size_t size() const { return size_; }

 private:
  static constexpr std::size_t kBlock = 4096;
  std::vector<std::unique_ptr<T[]>> blocks_;
  std::size_t size_ = 0;
};

class Compilation {
 public:
  Compilation(Diagnostics& diagnostics, RimCore choice);

  // Adds the analyses of one row to its sample; a row `alone` is a sample of
  // its own whatever its name (a wide row that is one grain).
  void add(const TableRow& row, bool alone = false);

  // The associations, after the last add; false at the end. The notes on
  // averaging and on samples without a usable mineral come with the end.
  bool next(Association& a);

  std::size_t sampleCount() const { return groups_.size(); }

 private:
  // One sample-mineral accumulator.
  struct Sums {
    std::array<double, OxideValues::kCount> sum{};
    double niPpm = 0;  // over the analyses with Ni in ppm
    std::array<std::uint16_t, OxideValues::kCount> count{};  // analyses determining each oxide
    std::uint16_t niPpmCount = 0;
    std::uint16_t analyses = 0;
  };
  // What a row of a sample touches, in one cache line; the description apart.
  struct alignas(64) Group {
    std::array<std::int32_t, kSlotCount> sums;  // index into sums_, -1: none
    bool described = false;
    std::string sample;
  };
  static constexpr std::uint32_t kMaxAnalyses = 0xFFFF;
  bool kept(const TableRow& row);
  std::uint32_t groupOf(const std::string& sample);
  std::uint32_t newGroup(const std::string& sample);
  void finish();

  Diagnostics& diagnostics_;
  RimCore choice_;
  BlockArray<Group> groups_;
  BlockArray<std::string> descriptions_;  // of each group
  BlockArray<Sums> sums_;
  // The groups by name: open addressing, each slot the name's hash (high 32
  // bits) and the group's index + 1 (0: empty). Rows of a compilation come in
  // any order, so a lookup should touch little memory besides its group.
  std::vector<std::uint64_t> index_;
  std::size_t next_ = 0;
  long leftOut_ = 0;  // analyses left out by the rim/core choice
  long averagedGroups_ = 0, averagedAnalyses_ = 0, emptySamples_ = 0;
};

}  // namespace mantlept::tables

#pragma once
// Rows of analyses from any number of tables grouped into associations, in
// the order samples first appear:
//  - the rows of a long table (one row per mineral analysis) join every row
//    of the same sample name, in any table;
//  - a wide table (one row per sample) in which no sample name repeats is a
//    table of samples: its rows join the other tables by name;
//  - a wide table in which a sample name repeats is a table of grains or
//    pairs: each row is an association of its own, in row order, and joins
//    nothing.
// Several analyses of one mineral in one association (spots of a grain,
// grains of a xenolith) are averaged oxide by oxide over the analyses in
// which the oxide was determined. Memory holds one accumulator per
// association and mineral, never the rows.
#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "minerals/association.hpp"
#include "tables/association_table.hpp"
#include "tables/diagnostics.hpp"

namespace mantlept::tables {

// Which spot analyses to keep where a table has a rim/core column.
enum class RimCore { All, Core, Rim };

// A growing array in blocks of 4096 elements: growing never copies what is
// there (no doubling peak of memory) and allocates seldom. Elements past the
// size are always as new.
template <typename T>
class BlockArray {
 public:
  T& push() {
    if (size_ / kBlock == blocks_.size()) blocks_.push_back(std::make_unique<T[]>(kBlock));
    return (*this)[size_++];
  }
  // Empties the array, keeping its blocks for what is pushed next.
  void clear() {
    for (std::size_t i = 0; i < size_; ++i) (*this)[i] = T{};
    size_ = 0;
  }
  T& operator[](std::size_t i) { return blocks_[i / kBlock][i % kBlock]; }
  const T& operator[](std::size_t i) const { return blocks_[i / kBlock][i % kBlock]; }
  std::size_t size() const { return size_; }

 private:
  static constexpr std::size_t kBlock = 4096;
  std::vector<std::unique_ptr<T[]>> blocks_;
  std::size_t size_ = 0;
};

// How the rows of one table are grouped.
enum class TableRows {
  BySample,  // each row joins the rows of its sample name (a long table)
  Samples,   // a wide table: joined by name, unless a name repeats in it
  EachAlone, // each row an association of its own whatever its name (grains)
};

// The grouping of a table's rows, from its layout: a wide table is one of
// samples unless every row is asked to stand alone.
TableRows tableRows(bool wide, bool eachAlone);

// The sample names of one table, to tell whether a name repeats. The names
// are held (one entry per distinct name, its characters side by side in one
// store), never the rows.
class RepeatedNames {
 public:
  // Counts row `row` named `name`; true when an earlier row had the name.
  bool add(std::string_view name, long row);
  // Rows whose name another row has too (every row of a repeated name).
  long rowsSharing() const { return sharing_; }
  // The first repeat: the name, its row and the earlier row with that name.
  const std::string& firstName() const { return firstName_; }
  long firstRow() const { return firstRow_; }
  long earlierRow() const { return earlierRow_; }
  void clear();

 private:
  struct Seen {
    std::uint64_t start;  // of the name in `characters_`
    std::uint32_t length;
    bool repeated;  // a later row has it too
    long row;       // the first row of the name
  };
  std::string_view nameOf(const Seen& seen) const {
    return std::string_view(characters_).substr(seen.start, seen.length);
  }
  void grow();
  std::string characters_;
  BlockArray<Seen> seen_;
  // The names by hash: open addressing, each slot the hash (high 32 bits)
  // and the index in `seen_` + 1 (0: empty); at most half full.
  std::vector<std::uint64_t> index_;
  long sharing_ = 0;
  std::string firstName_;
  long firstRow_ = 0, earlierRow_ = 0;
};

class Compilation {
 public:
  Compilation(Diagnostics& diagnostics, RimCore choice);

  // Begins the rows of one table (`fileName` for the notes). Rows added
  // without a table begun join by sample.
  void beginTable(const std::string& fileName, TableRows rows);
  // Adds the analyses of one row.
  void add(const TableRow& row);
  // Hints for a caller reading a long table ahead: `row` is to be added a
  // few rows from now, so the memory its joining touches is fetched
  // meanwhile, a step a row: the index, its sample's group, then the sums of
  // its minerals. Nothing else changes.
  void expectIndex(const TableRow& row) const;
  void expectGroup(const TableRow& row) const;
  void expectSums(const TableRow& row) const;
  // Ends the table begun: a wide table whose names are all distinct joins
  // the tables before it by name; one with a repeated name keeps each row
  // apart, with a note.
  void endTable();
  // The names of the wide table being added (for a caller that cannot take
  // rows that share a name).
  const RepeatedNames& tableNames() const { return names_; }

  // The associations, after the last add; false at the end. The notes on
  // averaging and on samples without a usable mineral come with the end.
  bool next(Association& a);
  // For rows that join nothing (a single wide table, read as it streams):
  // the next association of the rows added so far, false when none is left;
  // once all are taken their memory is used again. The end is still told by
  // `next`, after `endTable`.
  bool nextHeld(Association& a);

  std::size_t sampleCount() const { return groups_.size() - joined_; }

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
    bool joined = false;  // its rows were added to an earlier group of its name
    std::string sample;
  };
  static constexpr std::uint32_t kMaxAnalyses = 0xFFFF;
  bool kept(const TableRow& row);
  std::uint32_t groupOf(const std::string& sample);  // found or made
  void growIndex();  // room for every group
  // The indexed group of `sample` or -1; `at` receives its place or the free
  // place for it.
  std::int64_t lookUp(const std::string& sample, std::size_t& at) const;
  // The group the index gives for `sample` by its hash alone (a hint), or -1.
  std::int64_t likelyGroup(std::string_view sample) const;
  void place(std::size_t at, std::uint32_t group);
  std::uint32_t newGroup(const std::string& sample);
  void joinInto(std::uint32_t from, std::uint32_t into);
  bool take(Association& a);  // the next group not joined into another
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
  std::size_t joined_ = 0;  // groups joined into an earlier one
  // The table being added.
  TableRows rows_ = TableRows::BySample;
  std::string fileName_;
  std::size_t tableStart_ = 0;  // its first group
  RepeatedNames names_;
  long leftOut_ = 0;  // analyses left out by the rim/core choice
  long averagedGroups_ = 0, averagedAnalyses_ = 0, emptySamples_ = 0;
};

}  // namespace mantlept::tables

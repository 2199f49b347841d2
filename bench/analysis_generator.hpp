#pragma once
// Deterministic synthetic analysis files for throughput runs: every
// association is one mantle sample with orthopyroxene, clinopyroxene, olivine,
// spinel, garnet and ilmenite lines within published mantle composition
// ranges, some minerals missing at random. The same seed and count always give
// the same bytes, on any platform (own generator and own uniform mapping, no
// library distributions).
#include <array>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace mantlept::bench {

// SplitMix64: a small, fully specified 64-bit generator.
class Random {
 public:
  explicit Random(std::uint64_t seed) : state_(seed) {}
  std::uint64_t next();
  // Uniform in [0, 1) with 53 random bits.
  double unit();
  double uniform(double low, double high) { return low + (high - low) * unit(); }
  bool chance(double p) { return unit() < p; }

 private:
  std::uint64_t state_;
};

// The twelve oxide wt% of one line, in file column order: SiO2 TiO2 Al2O3
// Cr2O3 FeO MnO MgO CaO Na2O K2O NiO Fe2O3.
using Oxides = std::array<double, 12>;

// One 144-column analysis line (without its line end): the 8-character sample
// name, the code letter in column 9, twelve F8.2 oxide fields from column 17
// and the description in columns 113-144 (cut or blank-padded to 32).
std::string analysisLine(const std::string& name, char code, const Oxides& oxides,
                         const std::string& description);

// The sample name of association `index` (0-based): "S" and 7 digits.
std::string sampleName(long index);

// The minerals of one sample in the order Opx, Cpx, Ol, Sp, Gt, Ilm (code
// letters E D O S G I); the oxides of an absent mineral are all zero.
constexpr std::size_t kMinerals = 6;
struct Sample {
  std::string name;
  std::string rock;  // the description of its lines
  std::array<bool, kMinerals> present{};
  std::array<Oxides, kMinerals> oxides{};
};

// Draws sample `index` from `random`: the one source of both file layouts.
Sample drawSample(long index, Random& random);

// Appends the lines of association `index` (each with its line end) to `out`.
void appendAssociation(std::string& out, long index, Random& random);

// Writes `count` associations made from `seed`, then one blank line so that
// the last association is followed by another sample name. False on a write
// error.
bool writeAnalysisFile(std::FILE* file, std::uint64_t seed, long count);

// The same samples as a wide CSV table: a header "Sample,SiO2_Opx,...,
// Fe2O3_Ilm" (oxides in file column order within each mineral), then one row
// per sample with each value as the fixed-column file writes it (2 decimals)
// and empty cells for an absent mineral.
std::string tableHeader();
void appendTableRow(std::string& out, long index, Random& random);
bool writeAnalysisTable(std::FILE* file, std::uint64_t seed, long count);

// The same samples as three long tables of spot analyses, as a database
// compilation gives them: Opx and Cpx, Ol and Sp, Gt and Ilm. Each present
// mineral is two rows "Sample,Mineral,Spot,SiO2,...,Fe2O3" whose values
// average to the wide table's (one hundredth above and below it); the rows of
// each table are in random order.
constexpr std::size_t kSpotTables = 3;
std::string spotTableHeader();
void appendSpotRows(std::vector<std::string> (&tables)[kSpotTables], long index, Random& random);
bool writeSpotTables(std::FILE* (&files)[kSpotTables], std::uint64_t seed, long count);

}  // namespace mantlept::bench

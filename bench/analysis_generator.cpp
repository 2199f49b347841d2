#include "analysis_generator.hpp"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace mantlept::bench {

std::uint64_t Random::next() {
  state_ += 0x9E3779B97F4A7C15ULL;
  std::uint64_t z = state_;
  z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
  z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
  return z ^ (z >> 31);
}

double Random::unit() { return static_cast<double>(next() >> 11) * 0x1.0p-53; }

namespace {

constexpr const char* kOxideNames[12] = {"SiO2", "TiO2", "Al2O3", "Cr2O3", "FeO", "MnO",
                                        "MgO",  "CaO",  "Na2O",  "K2O",   "NiO", "Fe2O3"};
constexpr char kCodes[kMinerals + 1] = "EDOSGI";
constexpr const char* kTableMinerals[kMinerals] = {"Opx", "Cpx", "Ol", "Sp", "Gt", "Ilm"};

enum Oxide { SiO2, TiO2, Al2O3, Cr2O3, FeO, MnO, MgO, CaO, Na2O, K2O, NiO, Fe2O3 };

constexpr double kFeOWeight = 71.846;
constexpr double kMgOWeight = 40.311;
constexpr double kAl2O3Weight = 101.961;
constexpr double kCr2O3Weight = 151.9902;

// A value between its depleted (f = 0) and fertile (f = 1) end, scattered by
// up to +-scatter and never negative.
double trend(Random& r, double depleted, double fertile, double f, double scatter) {
  double v = depleted + (fertile - depleted) * f + r.uniform(-scatter, scatter);
  return v > 0.0 ? v : 0.0;
}

double sumOf(const Oxides& ox) {
  double s = 0.0;
  for (double v : ox) s += v;
  return s;
}

// Fills FeO and MgO with what the analysis total leaves, split so that the
// molar Fe/(Fe+Mg) of the mineral is `xFe`.
void splitFeMg(Oxides& ox, double total, double xFe) {
  double rest = std::max(total - sumOf(ox), 0.0);
  double feMass = xFe * kFeOWeight;
  double mgMass = (1.0 - xFe) * kMgOWeight;
  ox[FeO] = rest * feMass / (feMass + mgMass);
  ox[MgO] = rest - ox[FeO];
}

// Orthopyroxene of a peridotite: Al, Ca, Na and Ti rise with fertility.
Oxides orthopyroxene(Random& r, double f, double xFe) {
  Oxides ox{};
  ox[SiO2] = trend(r, 57.8, 55.0, f, 0.5);
  ox[TiO2] = trend(r, 0.01, 0.20, f, 0.03);
  ox[Al2O3] = trend(r, 0.6, 4.5, f, 0.3);
  ox[Cr2O3] = trend(r, 0.25, 0.65, f, 0.1);
  ox[MnO] = r.uniform(0.10, 0.15);
  ox[CaO] = trend(r, 0.4, 1.6, f, 0.2);
  ox[Na2O] = trend(r, 0.05, 0.30, f, 0.05);
  ox[K2O] = r.uniform(0.0, 0.02);
  ox[NiO] = r.uniform(0.07, 0.14);
  splitFeMg(ox, r.uniform(99.2, 100.6), xFe);
  return ox;
}

// Chrome diopside: jadeite and Tschermak components rise with fertility.
Oxides clinopyroxene(Random& r, double f, double xFe) {
  Oxides ox{};
  ox[SiO2] = trend(r, 55.2, 52.5, f, 0.5);
  ox[TiO2] = trend(r, 0.02, 0.50, f, 0.05);
  ox[Al2O3] = trend(r, 1.0, 6.5, f, 0.4);
  ox[Cr2O3] = trend(r, 1.8, 0.7, f, 0.4);
  ox[MnO] = r.uniform(0.06, 0.12);
  ox[CaO] = trend(r, 21.5, 17.0, f, 1.0);
  ox[Na2O] = trend(r, 0.8, 2.2, f, 0.3);
  ox[K2O] = r.uniform(0.0, 0.08);
  ox[NiO] = r.uniform(0.03, 0.07);
  splitFeMg(ox, r.uniform(99.2, 100.6), xFe);
  return ox;
}

// Mantle olivine, Fo 88-94, with its nickel.
Oxides olivine(Random& r, double xFe) {
  Oxides ox{};
  ox[SiO2] = r.uniform(40.6, 41.6);
  ox[TiO2] = r.uniform(0.0, 0.02);
  ox[Al2O3] = r.uniform(0.0, 0.05);
  ox[Cr2O3] = r.uniform(0.0, 0.06);
  ox[MnO] = r.uniform(0.09, 0.14);
  ox[CaO] = r.uniform(0.02, 0.10);
  ox[NiO] = r.uniform(0.32, 0.42);
  splitFeMg(ox, r.uniform(99.3, 100.6), xFe);
  return ox;
}

// Spinel to chromite: Cr/(Cr+Al) from 0.12 (fertile) to 0.6 (depleted); the
// trivalent oxides take their share of an ideal AB2O4 formula.
Oxides spinel(Random& r, double f, double xFe) {
  Oxides ox{};
  double crNumber = std::clamp(trend(r, 0.55, 0.12, f, 0.05), 0.08, 0.80);
  ox[SiO2] = r.uniform(0.02, 0.15);
  ox[TiO2] = trend(r, 0.30, 0.05, f, 0.05);
  ox[MnO] = r.uniform(0.10, 0.25);
  ox[NiO] = r.uniform(0.20, 0.40);
  double total = r.uniform(99.0, 100.5);
  double al = (1.0 - crNumber) * kAl2O3Weight;
  double cr = crNumber * kCr2O3Weight;
  double divalent = xFe * kFeOWeight + (1.0 - xFe) * kMgOWeight;
  double trivalent = (total - sumOf(ox)) * (al + cr) / (al + cr + divalent);
  ox[Al2O3] = trivalent * al / (al + cr);
  ox[Cr2O3] = trivalent * cr / (al + cr);
  splitFeMg(ox, total, xFe);
  return ox;
}

// Pyrope garnet of the lherzolite trend: Cr replaces Al on the octahedral
// site and drags Ca with it; depleted garnets are the Cr-rich ones.
Oxides garnet(Random& r, double f, double xFe) {
  Oxides ox{};
  ox[Cr2O3] = trend(r, 7.0, 1.5, f, 1.0);
  ox[Al2O3] = std::max(23.8 - ox[Cr2O3] * kAl2O3Weight / kCr2O3Weight + r.uniform(-0.3, 0.3), 0.0);
  ox[SiO2] = r.uniform(41.2, 42.4);
  ox[TiO2] = trend(r, 0.03, 0.60, f, 0.1);
  ox[MnO] = r.uniform(0.28, 0.42);
  ox[CaO] = 3.2 + 0.35 * ox[Cr2O3] + r.uniform(-0.4, 0.4);
  ox[Na2O] = r.uniform(0.01, 0.08);
  ox[NiO] = r.uniform(0.0, 0.02);
  splitFeMg(ox, r.uniform(99.2, 100.6), xFe);
  return ox;
}

// Picroilmenite of kimberlite concentrates; all iron reported as FeO.
Oxides ilmenite(Random& r) {
  Oxides ox{};
  ox[SiO2] = r.uniform(0.02, 0.10);
  ox[TiO2] = r.uniform(47.0, 53.0);
  ox[Al2O3] = r.uniform(0.3, 0.8);
  ox[Cr2O3] = r.uniform(0.2, 2.5);
  ox[MnO] = r.uniform(0.20, 0.35);
  ox[MgO] = r.uniform(7.0, 14.0);
  ox[CaO] = r.uniform(0.0, 0.05);
  ox[NiO] = r.uniform(0.05, 0.20);
  ox[FeO] = std::max(r.uniform(98.5, 100.0) - sumOf(ox), 0.0);
  return ox;
}

std::string rockName(bool opx, bool cpx, bool ol, bool sp, bool gar) {
  std::string name = gar && sp ? "garnet-spinel " : gar ? "garnet " : sp ? "spinel " : "";
  if (ol) {
    name += opx && cpx ? "lherzolite" : opx ? "harzburgite" : cpx ? "wehrlite" : "dunite";
  } else {
    name += opx || cpx ? "websterite" : "megacryst suite";
  }
  return name;
}

}  // namespace

std::string sampleName(long index) {
  char text[16];
  std::snprintf(text, sizeof text, "S%07ld", index % 10000000);
  return text;
}

std::string analysisLine(const std::string& name, char code, const Oxides& oxides,
                         const std::string& description) {
  std::string line = name.substr(0, 8);
  line.resize(8, ' ');
  line += code;
  line.resize(16, ' ');
  char field[32];
  for (double v : oxides) {
    std::snprintf(field, sizeof field, "%8.2f", v);
    line += field;
  }
  std::string text = description.substr(0, 32);
  text.resize(32, ' ');
  line += text;
  return line;
}

Sample drawSample(long index, Random& random) {
  // Fertility of the sample and the Fe/(Fe+Mg) of its olivine (Fo 88-94);
  // the other minerals follow with their usual Fe-Mg partitioning.
  double f = random.unit();
  double xOl = 0.065 + 0.045 * f + random.uniform(-0.008, 0.008);
  Sample s;
  bool& opx = s.present[0];
  bool& cpx = s.present[1];
  bool& ol = s.present[2];
  bool& sp = s.present[3];
  bool& gar = s.present[4];
  bool& ilm = s.present[5];
  opx = random.chance(0.90);
  cpx = random.chance(0.80);
  ol = random.chance(0.92);
  sp = random.chance(0.35);
  gar = random.chance(0.70);
  ilm = random.chance(0.12);
  if (!(opx || cpx || ol || sp || gar || ilm)) ol = true;

  s.name = sampleName(index);
  s.rock = rockName(opx, cpx, ol, sp, gar);
  // The draws of each mineral in this order, its Fe-Mg factor first.
  if (opx) s.oxides[0] = orthopyroxene(random, f, xOl * random.uniform(0.92, 1.00));
  if (cpx) s.oxides[1] = clinopyroxene(random, f, xOl * random.uniform(0.75, 0.95));
  if (ol) s.oxides[2] = olivine(random, xOl);
  if (sp) s.oxides[3] = spinel(random, f, std::min(xOl * random.uniform(2.2, 3.2), 0.45));
  if (gar) s.oxides[4] = garnet(random, f, std::min(xOl * random.uniform(1.8, 2.3), 0.25));
  if (ilm) s.oxides[5] = ilmenite(random);
  return s;
}

void appendAssociation(std::string& out, long index, Random& random) {
  Sample s = drawSample(index, random);
  for (std::size_t m = 0; m < kMinerals; ++m) {
    if (!s.present[m]) continue;
    out += analysisLine(s.name, kCodes[m], s.oxides[m], s.rock);
    out += '\n';
  }
}

std::string tableHeader() {
  std::string header = "Sample";
  for (const char* mineral : kTableMinerals) {
    for (const char* oxide : kOxideNames) {
      header += ',';
      header += oxide;
      header += '_';
      header += mineral;
    }
  }
  return header;
}

void appendTableRow(std::string& out, long index, Random& random) {
  Sample s = drawSample(index, random);
  out += s.name;
  char field[32];
  for (std::size_t m = 0; m < kMinerals; ++m) {
    for (double v : s.oxides[m]) {
      out += ',';
      if (!s.present[m]) continue;
      // The text of the fixed-column F8.2 field without its leading blanks.
      int n = std::snprintf(field, sizeof field, "%.2f", v);
      out.append(field, static_cast<std::size_t>(n));
    }
  }
  out += '\n';
}

namespace {

bool writeChunked(std::FILE* file, std::uint64_t seed, long count, std::string chunk,
                  void (*append)(std::string&, long, Random&), const char* end) {
  Random random(seed);
  chunk.reserve(1 << 17);
  for (long i = 0; i < count; ++i) {
    append(chunk, i, random);
    if (chunk.size() >= (1 << 16)) {
      if (std::fwrite(chunk.data(), 1, chunk.size(), file) != chunk.size()) return false;
      chunk.clear();
    }
  }
  chunk += end;
  if (std::fwrite(chunk.data(), 1, chunk.size(), file) != chunk.size()) return false;
  return std::fflush(file) == 0;
}

}  // namespace

bool writeAnalysisFile(std::FILE* file, std::uint64_t seed, long count) {
  return writeChunked(file, seed, count, std::string(), appendAssociation, "\n");
}

bool writeAnalysisTable(std::FILE* file, std::uint64_t seed, long count) {
  return writeChunked(file, seed, count, tableHeader() + '\n', appendTableRow, "");
}

}  // namespace mantlept::bench

namespace mantlept::bench {

std::string spotTableHeader() {
  std::string header = "Sample,Mineral,Spot";
  for (const char* oxide : kOxideNames) {
    header += ',';
    header += oxide;
  }
  return header;
}

void appendSpotRows(std::vector<std::string> (&tables)[kSpotTables], long index,
                    Random& random) {
  Sample s = drawSample(index, random);
  char field[32];
  for (std::size_t m = 0; m < kMinerals; ++m) {
    if (!s.present[m]) continue;
    for (int spot = 0; spot < 2; ++spot) {
      std::string row = s.name + ',' + kTableMinerals[m] + ',' + std::to_string(spot + 1);
      for (double v : s.oxides[m]) {
        // The wide table's 2-decimal text in hundredths, one hundredth up in
        // the first spot and down in the second (equal when that would go
        // below 0.01).
        std::snprintf(field, sizeof field, "%.2f", v);
        long hundredths = std::lround(std::strtod(field, nullptr) * 100);
        if (hundredths >= 2) hundredths += spot == 0 ? 1 : -1;
        std::snprintf(field, sizeof field, ",%ld.%02ld", hundredths / 100, hundredths % 100);
        row += field;
      }
      tables[m / 2].push_back(std::move(row));
    }
  }
}

bool writeSpotTables(std::FILE* (&files)[kSpotTables], std::uint64_t seed, long count) {
  std::vector<std::string> tables[kSpotTables];
  Random random(seed);
  for (long i = 0; i < count; ++i) appendSpotRows(tables, i, random);
  // Rows in random order (Fisher-Yates), from a stream apart from the samples'.
  Random order(seed ^ 0x5DEECE66DULL);
  for (std::size_t t = 0; t < kSpotTables; ++t) {
    std::vector<std::string>& rows = tables[t];
    for (std::size_t i = rows.size(); i > 1; --i)
      std::swap(rows[i - 1], rows[static_cast<std::size_t>(order.next() % i)]);
    std::string chunk = spotTableHeader() + '\n';
    for (const std::string& row : rows) {
      chunk += row;
      chunk += '\n';
      if (chunk.size() >= (1 << 16)) {
        if (std::fwrite(chunk.data(), 1, chunk.size(), files[t]) != chunk.size()) return false;
        chunk.clear();
      }
    }
    if (std::fwrite(chunk.data(), 1, chunk.size(), files[t]) != chunk.size()) return false;
    if (std::fflush(files[t]) != 0) return false;
  }
  return true;
}

}  // namespace mantlept::bench

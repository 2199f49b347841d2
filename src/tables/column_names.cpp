#include "tables/column_names.hpp"

#include <array>
#include <cctype>

#include "minerals/mineral_types.hpp"

namespace mantlept::tables {

namespace {

constexpr std::array<std::string_view, 12> kOxides = {
    "SiO2", "TiO2", "Al2O3", "Cr2O3", "FeO", "MnO", "MgO", "CaO", "Na2O", "K2O", "NiO", "Fe2O3"};
constexpr int kFeO = 4;
constexpr int kNiO = 10;
constexpr int kFe2O3 = 11;
constexpr double kFe2O3ToFeO = 0.8998;     // 2 FeO / Fe2O3 by formula weight
constexpr double kNiPpmToNiO = 1.2725e-4;  // ppm Ni to wt% NiO

// Lower case without blanks, dots, underscores and hyphens.
std::string squeeze(std::string_view text) {
  std::string out;
  for (char c : text) {
    if (c == ' ' || c == '.' || c == '_' || c == '-' || c == '\t') continue;
    out += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  }
  return out;
}

struct Name {
  std::string_view key;
  int value;
};

// Abbreviations, code letters and the mineral words of database compilations
// (squeezed: "CR-DIOPSIDE" is "crdiopside").
constexpr Name kMinerals[] = {
    {"opx", Opx},           {"orthopyroxene", Opx},    {"en", Opx},
    {"e", Opx},             {"enstatite", Opx},        {"bronzite", Opx},
    {"hypersthene", Opx},   {"cpx", Cpx},              {"clinopyroxene", Cpx},
    {"di", Cpx},            {"d", Cpx},                {"diopside", Cpx},
    {"crdiopside", Cpx},    {"chromediopside", Cpx},   {"augite", Cpx},
    {"omphacite", Cpx},     {"ol", Ol},                {"olivine", Ol},
    {"o", Ol},              {"forsterite", Ol},        {"sp", Sp},
    {"spl", Sp},            {"spinel", Sp},            {"chr", Sp},
    {"chm", Sp},            {"chromite", Sp},          {"s", Sp},
    {"crspinel", Sp},       {"chromianspinel", Sp},    {"magnesiochromite", Sp},
    {"hercynite", Sp},      {"gt", Gar},               {"grt", Gar},
    {"gar", Gar},           {"garnet", Gar},           {"g", Gar},
    {"pyrope", Gar},        {"ilm", Ilm},              {"ilmenite", Ilm},
    {"i", Ilm},             {"picroilmenite", Ilm},    {"mgilmenite", Ilm},
    {"r", Slot6}};

// A unit suffix of compilation headers, "sio2(wt%)" or "ni(ppm)": the name
// without it, and whether it was ppm. Other names are returned as they are.
std::string withoutUnit(const std::string& key, bool& ppm) {
  ppm = false;
  if (key.ends_with("(wt%)")) return key.substr(0, key.size() - 5);
  if (key.ends_with("(ppm)")) {
    ppm = true;
    return key.substr(0, key.size() - 5);
  }
  return key;
}

// A quantity without its mineral: the meaning of a whole (squeezed) name.
ColumnMeaning baseMeaning(const std::string& fullKey) {
  ColumnMeaning m;
  bool ppm = false;
  const std::string key = withoutUnit(fullKey, ppm);
  if (ppm) {
    // Only nickel among the trace elements is read (as NiO).
    if (key == "ni") {
      m.kind = ColumnMeaning::Oxide;
      m.oxide = kNiO;
      m.factor = kNiPpmToNiO;
      m.nickelPpm = true;
    }
    return m;
  }
  static constexpr Name kSamples[] = {{"sample", 0},   {"sampleid", 0}, {"samplename", 0},
                                      {"sampleno", 0}, {"name", 1},     {"id", 2}};
  for (const Name& n : kSamples)
    if (key == n.key) {
      m.kind = ColumnMeaning::Sample;
      m.rank = n.value;
      return m;
    }
  for (std::string_view k : {"mineral", "phase", "min"})
    if (key == k) {
      m.kind = ColumnMeaning::Mineral;
      return m;
    }
  for (std::string_view k :
       {"description", "comment", "comments", "rock", "lithology", "rockname", "rocktype"})
    if (key == k) {
      m.kind = ColumnMeaning::Description;
      return m;
    }
  for (std::string_view k :
       {"rim/core(mineralgrains)", "rim/core", "rimcore", "corerim", "core/rim", "position"})
    if (key == k) {
      m.kind = ColumnMeaning::Position;
      return m;
    }
  m.kind = ColumnMeaning::Oxide;
  for (int k = 0; k < 12; ++k)
    if (key == squeeze(kOxides[static_cast<std::size_t>(k)])) {
      m.oxide = k;
      if (k == kFeO) m.iron = ColumnMeaning::FeOPlain;
      if (k == kFe2O3) m.iron = ColumnMeaning::Fe2O3Plain;
      return m;
    }
  for (std::string_view k : {"feot", "feo*", "feotot", "feototal", "feo(t)"})
    if (key == k) {
      m.oxide = kFeO;
      m.iron = ColumnMeaning::FeOTotal;
      return m;
    }
  for (std::string_view k : {"fe2o3t", "fe2o3*", "fe2o3tot", "fe2o3total", "fe2o3(t)"})
    if (key == k) {
      m.oxide = kFeO;
      m.factor = kFe2O3ToFeO;
      m.iron = ColumnMeaning::Fe2O3Total;
      return m;
    }
  if (key == "ni" || key == "nippm" || key == "ni(ppm)") {
    m.oxide = kNiO;
    m.factor = kNiPpmToNiO;
    m.nickelPpm = true;
    return m;
  }
  return {};
}

bool isWord(std::string_view text) {
  if (text.empty()) return false;
  for (char c : text)
    if (!std::isalpha(static_cast<unsigned char>(c))) return false;
  return true;
}

}  // namespace

std::string_view oxideName(int oxide) { return kOxides[static_cast<std::size_t>(oxide)]; }

int slotOfMineralName(std::string_view name) {
  std::string key = squeeze(name);
  for (const Name& n : kMinerals)
    if (key == n.key) return n.value;
  return -1;
}

ColumnMeaning columnMeaning(std::string_view header) {
  ColumnMeaning whole = baseMeaning(squeeze(header));
  if (whole.kind != ColumnMeaning::Ignored) return whole;

  // A quantity and a mineral joined by "_", " " or ".": the mineral after it
  // ("SiO2_Opx", "Ni_ppm_Gt") or before it ("Opx_SiO2").
  for (std::size_t at = header.size(); at-- > 0;) {
    char c = header[at];
    if (c != '_' && c != ' ' && c != '.') continue;
    std::string_view before = header.substr(0, at), after = header.substr(at + 1);
    ColumnMeaning base = baseMeaning(squeeze(before));
    int slot = slotOfMineralName(after);
    if (base.kind == ColumnMeaning::Oxide || base.kind == ColumnMeaning::Sample ||
        base.kind == ColumnMeaning::Description) {
      if (slot >= 0) {
        base.slot = slot;
        return base;
      }
      if (base.kind == ColumnMeaning::Oxide && isWord(after)) {
        base.mineral = std::string(after);
        return base;
      }
    }
    ColumnMeaning prefixed = baseMeaning(squeeze(after));
    if (prefixed.kind == ColumnMeaning::Oxide && slotOfMineralName(before) >= 0) {
      prefixed.slot = slotOfMineralName(before);
      return prefixed;
    }
  }
  return {};
}

}  // namespace mantlept::tables

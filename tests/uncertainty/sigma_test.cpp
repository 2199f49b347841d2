// The sigma table: combination rule, the default and the sigma file.
#include "uncertainty/sigma.hpp"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace mantlept {
namespace {

using Table = std::vector<std::vector<std::string>>;

class Rows final : public tables::RowSource {
 public:
  explicit Rows(Table rows) : rows_(std::move(rows)) {}
  bool next(std::vector<std::string>& cells) override {
    if (at_ == rows_.size()) return false;
    cells = rows_[at_++];
    return true;
  }
  long rowNumber() const override { return static_cast<long>(at_); }
  const std::string& fileName() const override { return name_; }

 private:
  Table rows_;
  std::size_t at_ = 0;
  std::string name_ = "s.csv";
};

std::string errorOf(Table rows) {
  try {
    Rows source(std::move(rows));
    readSigmaFile(source);
  } catch (const tables::TableError& e) {
    return e.what();
  }
  return "no error";
}

TEST(Sigma, CombinesAbsoluteAndRelativeParts) {
  SigmaTable t = SigmaTable::relative(2.0);
  EXPECT_DOUBLE_EQ(t.sigma(Gar, 6, 20.0), 0.4);
  t.abs[Gar][6] = 0.3;
  EXPECT_DOUBLE_EQ(t.sigma(Gar, 6, 20.0), 0.5);  // sqrt(0.09 + 0.16)
  const SigmaTable d = defaultMicroprobe();
  EXPECT_NEAR(d.sigma(Opx, 0, 57.52), 0.575, 0.01);  // major oxide: about 1 %
  EXPECT_NEAR(d.sigma(Opx, 9, 0.0), 0.01, 0.005);    // minor oxide: absolute
}

TEST(Sigma, FileWithWildcardsSynonymsAndOverrides) {
  Rows source({{"Oxide", "rel", "Mineral", "abs"},
               {"*", "1", "*", "0.02"},
               {"feot", "", "Grt", "0.08"},
               {"*", "0.5", "e", "0.01"},
               {" K2O ", "0", "En", "0.003"}});
  const SigmaTable t = readSigmaFile(source);
  EXPECT_DOUBLE_EQ(t.abs[Cpx][0], 0.02);
  EXPECT_DOUBLE_EQ(t.rel[Ilm][11], 1.0);
  EXPECT_DOUBLE_EQ(t.abs[Gar][4], 0.08);
  EXPECT_DOUBLE_EQ(t.rel[Gar][4], 0.0);  // an empty cell is 0
  EXPECT_DOUBLE_EQ(t.rel[Gar][3], 1.0);
  EXPECT_DOUBLE_EQ(t.rel[Opx][6], 0.5);
  EXPECT_DOUBLE_EQ(t.abs[Opx][9], 0.003);
  EXPECT_EQ(mineralSlot("chromite"), Sp);
  EXPECT_EQ(mineralSlot("R"), Slot6);
  EXPECT_EQ(oxideColumn("FeO*"), 4);
}

TEST(Sigma, FileErrorsNameFileAndRow) {
  const std::vector<std::string> header = {"mineral", "oxide", "abs", "rel"};
  EXPECT_EQ(errorOf({header, {"Opx", "SiO2", "0", "1"}, {"Plag", "SiO2", "0", "1"}}),
            "mantlept: s.csv, row 3: unknown mineral \"Plag\"");
  EXPECT_EQ(errorOf({header, {"Opx", "P2O5", "0", "1"}}),
            "mantlept: s.csv, row 2: unknown oxide \"P2O5\"");
  EXPECT_EQ(errorOf({header, {"Opx", "SiO2", "-0.1", "1"}}),
            "mantlept: s.csv, row 2: abs -0.1 is negative");
  EXPECT_EQ(errorOf({header, {"Opx", "SiO2", "0.1", "1 %"}}),
            "mantlept: s.csv, row 2: rel \"1 %\" is not a number");
  EXPECT_EQ(errorOf({{"mineral", "oxide", "rel"}}), "mantlept: s.csv, row 1: missing column \"abs\"");
}

TEST(Sigma, RowsWithoutValuesHeaderOnlyAndControlBytes) {
  const std::vector<std::string> header = {"mineral", "oxide", "abs", "rel"};
  struct Case {
    Table rows;
    std::string message;
  } cases[] = {
      {{header, {"Opx", "SiO2", "", " "}},
       "mantlept: s.csv, row 2: the row gives neither abs nor rel (give 0 for no uncertainty)"},
      {{header, {"Opx", "SiO2"}},
       "mantlept: s.csv, row 2: the row gives neither abs nor rel (give 0 for no uncertainty)"},
      {{header}, "mantlept: s.csv: the header has no rows below it"},
      {{header, {"", "", "", ""}}, "mantlept: s.csv: the header has no rows below it"},
      {{}, "mantlept: s.csv: empty; the header mineral,oxide,abs,rel is missing"},
      {{header, {"Op\x1b[2Jx", "SiO2", "0", "1"}},
       "mantlept: s.csv, row 2: unknown mineral \"Op\\x1b[2Jx\""},
  };
  for (const Case& c : cases)
    EXPECT_TRUE(errorOf(c.rows).starts_with(c.message)) << errorOf(c.rows);

  // One value is enough; blank rows before the header are skipped.
  Rows source({{"", ""}, header, {"Gt", "*", "", "2"}});
  const SigmaTable t = readSigmaFile(source);
  EXPECT_DOUBLE_EQ(t.sigma(Gar, 0, 40.0), 0.8);
  EXPECT_DOUBLE_EQ(t.sigma(Opx, 0, 40.0), 0.0);
}

}  // namespace
}  // namespace mantlept

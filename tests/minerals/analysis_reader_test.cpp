// Grouping analysis lines into associations, and reading their columns.
#include "minerals/analysis_reader.hpp"
#include "solver/engine.hpp"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

namespace mantlept {
namespace {

std::string line(const std::string& name, char code, const std::string& oxides,
                 const std::string& description = "") {
  std::string l = name;
  l.resize(8, ' ');
  l += code;
  l.resize(16, ' ');
  l += oxides;
  if (!description.empty()) {
    l.resize(112, ' ');
    l += description;
  }
  return l + "\n";
}

// SiO2 40.0 and MgO 50.0, FeO 9.0 written with points.
const std::string kOlivine = "   40.00    0.00    0.00    0.00    9.00    0.00   50.00";
const std::string kGarnetA = "   42.00    0.30   20.00    4.00    7.00    0.30   21.00    5.00";
const std::string kGarnetB = "   41.00    0.50   18.00    7.00    6.50    0.35   20.00    6.50";

struct Delivered {
  std::string name;
  std::string description;
  RunState state;
};

// Reads every association of `text`; `status` is the reader's last answer.
std::vector<Delivered> readAll(const std::string& text, AnalysisReader::Status* status = nullptr,
                               std::string* message = nullptr) {
  std::FILE* f = std::tmpfile();
  std::fwrite(text.data(), 1, text.size(), f);
  std::rewind(f);
  AnalysisReader reader(f, "rocks.txt");
  RunState s;
  Association a;
  const AssociationInfo& info = a.info;
  std::vector<Delivered> out;
  AnalysisReader::Status st;
  while ((st = reader.next(a)) == AnalysisReader::Status::Association) {
    loadAssociation(s, a, FerricRule::None);
    out.push_back({std::string(info.nameText()), std::string(info.descriptionText()), s});
  }
  if (status) *status = st;
  if (message) *message = reader.message();
  std::fclose(f);
  return out;
}

TEST(AnalysisReader, ConsecutiveLinesOfOneNameFormAnAssociation) {
  auto a = readAll(line("S1", 'O', kOlivine, "first") + line("S1", 'G', kGarnetA, "second") +
                   line("S2", 'G', kGarnetB) + "\n");
  ASSERT_EQ(a.size(), 2u);
  EXPECT_EQ(a[0].name, "S1      ");
  EXPECT_EQ(a[0].description, "first" + std::string(59, ' '));  // 32 + 32 blanks, first line's
  EXPECT_GT(a[0].state.cat[Ol].Si, 0.9f);
  EXPECT_GT(a[0].state.cat[Gar].Si, 2.9f);
  EXPECT_EQ(a[1].name, "S2      ");
  EXPECT_EQ(a[1].state.cat[Ol].Si, 0.0f);  // reset between associations
  EXPECT_EQ(a[1].state.ox[Ol].MgO, 0.0f);
  EXPECT_GT(a[1].state.cat[Ol].Sum, 2.9f);  // the cation sum of an empty slot is kept
}

TEST(AnalysisReader, GroupingRules) {
  struct Case {
    const char* what;
    std::string text;
    std::vector<std::string> names;
  } cases[] = {
      {"a second garnet replaces the first",
       line("S1", 'G', kGarnetA) + line("S1", 'G', kGarnetB), {"S1      "}},
      {"code A and lowercase e are skipped but group",
       line("S1", 'G', kGarnetA) + line("S1", 'A', kOlivine) + line("S1", 'e', kOlivine) +
           line("S2", 'G', kGarnetB),
       {"S1      ", "S2      "}},
      {"a skipped line of another name opens the next association",
       line("S1", 'G', kGarnetA) + line("S3", 'A', kOlivine) + line("S3", 'G', kGarnetB),
       {"S1      ", "S3      "}},
      {"one name separated by another is two associations",
       line("S1", 'G', kGarnetA) + line("S2", 'G', kGarnetB) + line("S1", 'O', kOlivine),
       {"S1      ", "S2      ", "S1      "}},
      {"names compare on all 8 characters",
       line("Sample01", 'G', kGarnetA) + line("Sample02", 'G', kGarnetB),
       {"Sample01", "Sample02"}},
      {"a blank line between samples is an association of its own",
       line("S1", 'G', kGarnetA) + "\n" + line("S2", 'G', kGarnetB),
       {"S1      ", "        ", "S2      "}},
      {"the trailing blank line is not evaluated",
       line("S1", 'G', kGarnetA) + "\n\n", {"S1      "}},
      {"the last association without a blank line is evaluated",
       line("S1", 'G', kGarnetA) + line("S2", 'G', kGarnetB), {"S1      ", "S2      "}},
      {"an empty file has none", "", {}},
      {"only blank lines have none", "\n\n\n", {}},
      {"a final line without a line end", line("S1", 'G', kGarnetA).substr(0, 40), {"S1      "}},
  };
  for (const Case& c : cases) {
    AnalysisReader::Status status;
    auto a = readAll(c.text, &status);
    EXPECT_EQ(status, AnalysisReader::Status::End) << c.what;
    std::vector<std::string> names;
    for (const Delivered& d : a) names.push_back(d.name);
    EXPECT_EQ(names, c.names) << c.what;
  }
  // Only the second garnet counts.
  auto two = readAll(line("S1", 'G', kGarnetA) + line("S1", 'G', kGarnetB));
  EXPECT_EQ(two[0].state.ox[Gar].Cr2O3, 7.0f);
}

TEST(AnalysisReader, ColumnsPointsAndImpliedDecimals) {
  // 45.12 at the left and at the right of its field, 4512 without a point,
  // a blank field, and a Windows line end.
  std::string oxides = "45.12      45.12    4512        ";
  auto a = readAll(line("S1", 'E', oxides).insert(0, "") + "\r\n");
  ASSERT_GE(a.size(), 1u);
  EXPECT_EQ(a[0].state.ox[Opx].SiO2, 45.12f);
  EXPECT_EQ(a[0].state.ox[Opx].TiO2, 45.12f);
  EXPECT_EQ(a[0].state.ox[Opx].Al2O3, 0.4512f);
  EXPECT_EQ(a[0].state.ox[Opx].Cr2O3, 0.0f);

  std::string crlf = line("S1", 'G', kGarnetA, "garnet");
  crlf.insert(crlf.size() - 1, "\r");
  auto b = readAll(crlf);
  ASSERT_EQ(b.size(), 1u);
  EXPECT_EQ(b[0].description, "garnet" + std::string(58, ' '));  // no carriage return kept

  // Characters after column 144 are ignored; a very long line is read.
  std::string longLine = line("S1", 'G', kGarnetA, std::string(32, 'x'));
  longLine.insert(longLine.size() - 1, std::string(10000, '9'));
  auto c = readAll(longLine);
  ASSERT_EQ(c.size(), 1u);
  EXPECT_EQ(c[0].description, std::string(32, 'x') + std::string(32, ' '));
}

TEST(AnalysisReader, UnreadableLinesAreReportedWithTheirPlace) {
  struct Case {
    std::string text;
    std::size_t delivered;
    std::string message;
  } cases[] = {
      {line("S1", 'G', "   42.00   0.3x0"), 0,
       "rocks.txt, line 1: the TiO2 field (columns 25-32) holds \"   0.3x0\""},
      {line("S1", 'G', kGarnetA) + line("S2", 'G', "   4..00"), 1,
       "rocks.txt, line 2: the SiO2 field (columns 17-24)"},
      {line("S1", 'G', kGarnetA) + line("S1", 'O', "   40.00\t9.0"), 0, "line 2: the TiO2 field"},
  };
  for (const Case& c : cases) {
    AnalysisReader::Status status;
    std::string message;
    auto a = readAll(c.text, &status, &message);
    EXPECT_EQ(status, AnalysisReader::Status::Unreadable) << c.text;
    EXPECT_EQ(a.size(), c.delivered) << c.text;
    EXPECT_NE(message.find(c.message), std::string::npos) << message;
  }
}

TEST(AnalysisReader, BytesOutsideAsciiPassThrough) {
  auto a = readAll(line("S\xe9-1", 'G', kGarnetA, "Gr\xfcne Erde"));
  ASSERT_EQ(a.size(), 1u);
  EXPECT_EQ(a[0].name, "S\xe9-1    ");
  EXPECT_EQ(a[0].description.substr(0, 10), "Gr\xfcne Erde");
}

}  // namespace
}  // namespace mantlept

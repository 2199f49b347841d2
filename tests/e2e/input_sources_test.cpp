// Where analyses come from: a file, standard input, a pipe given as a path,
// a workbook through any of them, UTF-16 text; and the inputs that hold no
// analyses or are not files at all.
#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>

#include "e2e/program_run.hpp"
#include "tables/table_files.hpp"

namespace mantlept::e2e {
namespace {

std::vector<std::string> split(const std::string& line) {
  std::vector<std::string> cells;
  std::stringstream s(line);
  for (std::string cell; std::getline(s, cell, ',');) cells.push_back(cell);
  if (!line.empty() && line.back() == ',') cells.emplace_back();
  return cells;
}

// A small wide table: the header and one garnet harzburgite of the example table.
std::string exampleTable() {
  std::stringstream in(readAll(std::string(MANTLEPT_SOURCE_DIR) + "/examples/xenoliths.csv"));
  std::string header, line, table;
  std::getline(in, header);
  while (std::getline(in, line))
    if (line.starts_with("KX-120,")) table = header + "\n" + line + "\n";
  return table;
}

std::string workbookOf(const std::string& csv) {
  std::vector<std::vector<std::string>> grid;
  std::stringstream in(csv);
  for (std::string line; std::getline(in, line);) grid.push_back(split(line));
  std::vector<std::string> shared;
  std::string rows = tables::testing::gridXml(grid, shared);
  return readAll(tables::testing::writeWorkbook("sources.xlsx", {{"Data", rows}}, shared));
}

std::string utf16le(const std::string& ascii) {
  std::string bytes = "\xFF\xFE";
  for (char c : ascii) bytes += std::string{c, '\0'};
  return bytes;
}

// Runs `command` with bash in the folder of `run` (for pipes given as paths).
ProgramRun runShell(const ProgramRun& files, const std::string& command) {
  ProgramRun run;
  run.dir = files.dir;
  std::string line = "cd '" + run.dir.string() + "' && bash -c '" + command +
                     "' > .stdout2 2> .stderr2 < /dev/null";
  int raw = std::system(line.c_str());
  run.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
  run.out = readAll(run.dir / ".stdout2");
  run.err = readAll(run.dir / ".stderr2");
  return run;
}

TEST(InputSources, EveryWayOfGivingATableGivesTheSameRows) {
  const std::string csv = exampleTable();
  ASSERT_FALSE(csv.empty());
  const std::string book = workbookOf(csv);
  const std::vector<std::pair<std::string, std::string>> files = {
      {"t.csv", csv}, {"t.xlsx", book}, {"t16.csv", utf16le(csv)}, {"blank.csv", "\n\n" + csv}};
  const std::vector<std::string> pair = {"-p", "7,5"};
  auto calc = [&](const std::string& input, const std::string& stdinText = "") {
    std::vector<std::string> args = {"calc", input};
    args.insert(args.end(), pair.begin(), pair.end());
    return runCommand(args, files, stdinText);
  };
  ProgramRun reference = calc("t.csv");
  const std::string bin = "\"" + programPath() + "\" ";
  ASSERT_EQ(reference.status, 0) << reference.err;
  ASSERT_EQ(split(reference.out.substr(reference.out.find('\n') + 1))[0], "KX-120");

  struct Case {
    std::string name;
    ProgramRun run;
  } cases[] = {
      {"workbook", calc("t.xlsx")},
      {"csv on stdin", calc("-", csv)},
      {"workbook on stdin", calc("-", book)},
      {"UTF-16", calc("t16.csv")},
      {"blank lines first", calc("blank.csv")},
      {"csv through a pipe", runShell(reference, bin + "calc <(cat t.csv) -p 7,5")},
      {"workbook through a pipe", runShell(reference, bin + "calc <(cat t.xlsx) -p 7,5")},
      {"workbook through /dev/fd", runShell(reference, bin + "calc /dev/fd/3 -p 7,5 3< t.xlsx")},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(c.run.status, 0) << c.name << ": " << c.run.err;
    EXPECT_EQ(c.run.out, reference.out) << c.name;
  }
}

TEST(InputSources, EmptyInputsAndDirectoriesAreDataErrors) {
  const std::string csv = exampleTable();
  ProgramRun setup = runCommand({"--version"}, {{"empty.csv", ""}, {"t.csv", csv}});
  std::filesystem::create_directory(setup.dir / "folder");
  const std::string bin = "\"" + programPath() + "\" ";
  struct Case {
    std::string command, message;
  } cases[] = {
      {bin + "calc empty.csv -p 7,5", "mantlept: empty.csv: no analyses (the input is empty)"},
      {bin + "calc - -p 7,5 < /dev/null",
       "mantlept: standard input: no analyses (the input is empty)"},
      {bin + "calc folder -p 7,5", "mantlept: folder: is a directory"},
      {bin + "calc t.csv -p 7,5 --mc 10 --sigma folder", "mantlept: folder: is a directory"},
      {bin + "geotherm folder", "mantlept: folder: is a directory"},
  };
  for (const Case& c : cases) {
    ProgramRun run = runShell(setup, c.command);
    EXPECT_EQ(run.status, 1) << c.command << ": " << run.err;
    EXPECT_NE(run.err.find(c.message), std::string::npos) << c.command << ": " << run.err;
    EXPECT_EQ(run.out.find("KX-120"), std::string::npos) << c.command;
  }
}

TEST(InputSources, ControlBytesFromAFileAreShownEscaped) {
  const std::string table =
      "Sample,Mineral,SiO2,MgO\n"
      "A,Ol,40.5,49.1\n"
      "A,\x1b]0;owned\x07Ol\x1b[2J,41,48\n";
  ProgramRun run = runCommand({"calc", "t.csv", "-p", "7,5"}, {{"t.csv", table}});
  EXPECT_EQ(run.err.find('\x1b'), std::string::npos) << run.err;
  EXPECT_EQ(run.err.find('\x07'), std::string::npos) << run.err;
  EXPECT_NE(run.err.find("\\x1b]0;owned\\x07Ol\\x1b[2J"), std::string::npos) << run.err;
}

}  // namespace
}  // namespace mantlept::e2e

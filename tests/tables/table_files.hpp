#pragma once
// Test tables written to the temporary directory: text files, and .xlsx
// workbooks put together with libzip from their minimal parts.
#include <gtest/gtest.h>
#include <unistd.h>
#include <zip.h>

#include <fstream>
#include <list>
#include <string>
#include <utility>
#include <vector>

namespace mantlept::tables::testing {

// Each test runs as a process of its own, several at once, and tests of one
// file write files of one name: the process id keeps them apart.
inline std::string tempPath(const std::string& name) {
  return ::testing::TempDir() + "mantlept-" + std::to_string(::getpid()) + "-" + name;
}

inline std::string writeFile(const std::string& name, const std::string& content) {
  std::string path = tempPath(name);
  std::ofstream(path, std::ios::binary) << content;
  return path;
}

struct Sheet {
  std::string name;
  std::string rowsXml;  // the content of <sheetData>
};

// A workbook of `sheets` whose cells of type "s" index `shared`.
inline std::string writeWorkbook(const std::string& name, const std::vector<Sheet>& sheets,
                                 const std::vector<std::string>& shared) {
  const std::string ns = "http://schemas.openxmlformats.org/spreadsheetml/2006/main";
  const std::string rel = "http://schemas.openxmlformats.org/officeDocument/2006/relationships";
  std::list<std::pair<std::string, std::string>> parts;
  std::string types =
      "<?xml version=\"1.0\"?><Types "
      "xmlns=\"http://schemas.openxmlformats.org/package/2006/content-types\">"
      "<Default Extension=\"xml\" ContentType=\"application/xml\"/></Types>";
  std::string workbook =
      "<?xml version=\"1.0\"?><workbook xmlns=\"" + ns + "\" xmlns:r=\"" + rel + "\"><sheets>";
  std::string rels =
      "<?xml version=\"1.0\"?><Relationships "
      "xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">";
  parts.emplace_back("[Content_Types].xml", types);
  for (std::size_t i = 0; i < sheets.size(); ++i) {
    std::string n = std::to_string(i + 1);
    workbook +=
        "<sheet name=\"" + sheets[i].name + "\" sheetId=\"" + n + "\" r:id=\"rId" + n + "\"/>";
    rels += "<Relationship Id=\"rId" + n + "\" Type=\"" + rel +
            "/worksheet\" Target=\"worksheets/sheet" + n + ".xml\"/>";
    parts.emplace_back("xl/worksheets/sheet" + n + ".xml",
                       "<?xml version=\"1.0\"?><worksheet xmlns=\"" + ns + "\"><sheetData>" +
                           sheets[i].rowsXml + "</sheetData></worksheet>");
  }
  parts.emplace_back("xl/workbook.xml", workbook + "</sheets></workbook>");
  parts.emplace_back("xl/_rels/workbook.xml.rels", rels + "</Relationships>");
  std::string sst = "<?xml version=\"1.0\"?><sst xmlns=\"" + ns + "\">";
  for (const std::string& s : shared) sst += s.starts_with("<") ? s : "<si><t>" + s + "</t></si>";
  parts.emplace_back("xl/sharedStrings.xml", sst + "</sst>");

  std::string path = tempPath(name);
  int error = 0;
  zip_t* zip = zip_open(path.c_str(), ZIP_CREATE | ZIP_TRUNCATE, &error);
  EXPECT_NE(zip, nullptr);
  for (const auto& [part, text] : parts) {
    zip_source_t* source = zip_source_buffer(zip, text.data(), text.size(), 0);
    EXPECT_GE(zip_file_add(zip, part.c_str(), source, ZIP_FL_OVERWRITE), 0);
  }
  EXPECT_EQ(zip_close(zip), 0);
  return path;
}

// Sheet rows from a grid of cells: numbers as number cells, other text as
// shared strings (appended to `shared`), empty cells left out.
inline std::string gridXml(const std::vector<std::vector<std::string>>& grid,
                           std::vector<std::string>& shared) {
  std::string xml;
  for (std::size_t r = 0; r < grid.size(); ++r) {
    std::string row = std::to_string(r + 1);
    xml += "<row r=\"" + row + "\">";
    for (std::size_t c = 0; c < grid[r].size(); ++c) {
      const std::string& text = grid[r][c];
      if (text.empty()) continue;
      std::string ref = std::string(1, static_cast<char>('A' + c % 26)) + row;
      if (c >= 26) ref = std::string(1, static_cast<char>('A' + c / 26 - 1)) + ref;
      bool number = text.find_first_not_of("0123456789.-") == std::string::npos;
      if (number) {
        xml += "<c r=\"" + ref + "\"><v>" + text + "</v></c>";
      } else {
        xml += "<c r=\"" + ref + "\" t=\"s\"><v>" + std::to_string(shared.size()) + "</v></c>";
        shared.push_back(text);
      }
    }
    xml += "</row>";
  }
  return xml;
}

}  // namespace mantlept::tables::testing

#include "cli/geotherm_command.hpp"

#include <filesystem>
#include <fstream>
#include <stdexcept>

#include "geotherm/run.hpp"
#include "tables/row_source.hpp"

namespace mantlept::cli {
namespace {

// A file that cannot be written; the message is complete.
struct WriteError : std::runtime_error {
  using std::runtime_error::runtime_error;
};

// Writes `text` to `path` through a temporary name in the same directory, so
// that a failure leaves no partial file.
void writeFile(const std::string& path, const std::string& text) {
  std::string tmp = path + ".tmp";
  {
    std::ofstream f(tmp, std::ios::binary | std::ios::trunc);
    f << text;
    f.flush();
    if (!f) {
      std::error_code ec;
      std::filesystem::remove(tmp, ec);
      throw WriteError("mantlept: " + path + ": cannot be written");
    }
  }
  std::error_code ec;
  std::filesystem::rename(tmp, path, ec);
  if (ec) {
    std::filesystem::remove(tmp, ec);
    throw WriteError("mantlept: " + path + ": cannot be written");
  }
}

geotherm::GeothermRequest request(const GeothermOptions& o) {
  geotherm::GeothermRequest r;
  r.points = {o.points, o.sheet, o.pair, o.pUnit, o.sigmaT_C, o.sigmaP, o.quiet};
  r.q0 = o.q0;
  r.format = o.format == "json" ? geotherm::SummaryFormat::Json : geotherm::SummaryFormat::Text;
  r.table = !o.outTable.empty();
  r.svg = !o.outSvg.empty();
  return r;
}

}  // namespace

int runGeotherm(const GeothermOptions& o, std::ostream& out, std::ostream& err) {
  try {
    if (o.format != "text" && o.format != "json")
      throw WriteError("mantlept: --format is text or json, not '" + o.format + "'");
    geotherm::GeothermOutcome g = geotherm::runGeotherm(request(o), err);
    if (!o.outTable.empty()) writeFile(o.outTable, g.tableText);
    if (!o.outSvg.empty()) writeFile(o.outSvg, g.svgText);
    out << g.summaryText;
    if (g.summary.fit.at_edge && !o.quiet)
      err << "mantlept: warning: the best heat flow lies on the edge of 25-120 mW/m²\n";
    return 0;
  } catch (const WriteError& e) {
    err << e.what() << '\n';
  } catch (const geotherm::PointsError& e) {
    err << e.what() << '\n';
  } catch (const tables::TableError& e) {
    err << e.what() << '\n';
  }
  return 1;
}

}  // namespace mantlept::cli

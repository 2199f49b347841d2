// This module computes in double precision.
#include "geotherm/points.hpp"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <memory>
#include <set>

#include "tables/open_table.hpp"
#include "tables/text_cells.hpp"

namespace mantlept::geotherm {
namespace {

constexpr double kMaxT_C = 2000.0;
constexpr double kMaxP_GPa = 15.0;

std::string lower(std::string s) {
  for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return s;
}

// A cell without its surrounding blanks.
std::string trim(std::string_view s) { return std::string(tables::trim(s)); }

std::string shortNumber(double v) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "%g", v);
  return buf;
}

// A finite number filling the whole cell.
std::optional<double> number(const std::string& cell) {
  std::string t = trim(cell);
  // Decimals only: strtod would also take "0x384", "inf" and "nan".
  if (t.empty() || t.find_first_not_of("0123456789+-.eE") != std::string::npos) return std::nullopt;
  char* end = nullptr;
  double v = std::strtod(t.c_str(), &end);
  if (end != t.c_str() + t.size() || !std::isfinite(v)) return std::nullopt;
  return v;
}

class PointsReader {
 public:
  PointsReader(const PointsOptions& o, std::ostream& err, const StopCheck& stopped)
      : o_(o), err_(err), stopped_(stopped) {}

  PointsRead read(tables::RowSource& src) {
    std::vector<std::string> header;
    if (!src.next(header)) throw PointsError("mantlept: " + o_.path + ": the table is empty");
    for (std::size_t i = 0; i < header.size(); ++i) {
      std::string name = lower(trim(header[i]));
      if (!name.empty() && !columns_.count(name)) columns_[name] = i;
    }
    std::vector<std::vector<std::string>> rows;
    std::vector<long> rowNumbers;
    std::vector<std::string> cells;
    for (std::size_t n = 1; src.next(cells); ++n) {
      pollStop(stopped_, n);
      if (std::all_of(cells.begin(), cells.end(),
                      [](const std::string& c) { return trim(c).empty(); }))
        continue;
      rows.push_back(cells);
      rowNumbers.push_back(src.rowNumber());
    }
    bool results =
        has("thermometer") && has("barometer") && has("status") && has("t_c") && has("p_kbar");
    return results ? readResults(rows, rowNumbers) : readTable(rows, rowNumbers);
  }

 private:
  bool has(const std::string& name) const { return columns_.count(name) > 0; }

  std::string cell(const std::vector<std::string>& row, const std::string& name) const {
    auto it = columns_.find(name);
    if (it == columns_.end() || it->second >= row.size()) return "";
    return trim(row[it->second]);
  }

  [[noreturn]] void fail(long row, const std::string& what) const {
    throw PointsError("mantlept: " + o_.path + ", row " + std::to_string(row) + ": " + what);
  }

  // A required number, or an error naming the row and the column.
  double required(const std::vector<std::string>& row, const std::string& name, long rowNo,
                  const char* what) const {
    auto v = number(cell(row, name));
    if (!v)
      fail(rowNo,
           std::string(what) + " is not a number ('" + tables::printable(cell(row, name)) + "')");
    return *v;
  }

  // An optional number: empty is absent; anything else must be a number.
  std::optional<double> optionalNumber(const std::vector<std::string>& row, const std::string& name,
                                       long rowNo) const {
    std::string c = cell(row, name);
    if (c.empty()) return std::nullopt;
    auto v = number(c);
    if (!v) fail(rowNo, name + " is not a number ('" + tables::printable(c) + "')");
    return v;
  }

  void check(const Point& p, long rowNo) const {
    if (p.T_C < 0.0 || p.T_C > kMaxT_C)
      fail(rowNo, "T " + shortNumber(p.T_C) + " °C lies outside 0-2000 °C");
    if (p.P_GPa < 0.0 || p.P_GPa > kMaxP_GPa)
      fail(rowNo, "P " + shortNumber(p.P_GPa) + " GPa lies outside 0-15 GPa");
    if (!(p.sigmaT_C > 0.0) || !(p.sigmaP_GPa > 0.0)) fail(rowNo, "an error is not above 0");
    if (p.rho < -1.0 || p.rho > 1.0) fail(rowNo, "the T-P correlation lies outside -1..1");
  }

  double defaultSigmaP(double toGPa) const {
    return o_.sigmaP ? *o_.sigmaP * toGPa : kDefaultSigmaP_GPa;
  }

  // The tidy results of the calc command: one thermometer-barometer pair.
  PointsRead readResults(const std::vector<std::vector<std::string>>& rows,
                         const std::vector<long>& rowNumbers) {
    // The pairs in order of their first row; the message lists the first 20.
    std::vector<std::string> pairs;
    std::set<std::string> seen;
    for (std::size_t i = 0; i < rows.size(); ++i) {
      pollStop(stopped_, i);
      std::string p = cell(rows[i], "thermometer") + "," + cell(rows[i], "barometer");
      if (seen.insert(p).second) pairs.push_back(std::move(p));
    }
    constexpr std::size_t kListed = 20;
    std::string present;
    for (std::size_t i = 0; i < std::min(pairs.size(), kListed); ++i)
      present += (present.empty() ? "" : "; ") + pairs[i];
    if (pairs.size() > kListed)
      present += "; and " + std::to_string(pairs.size() - kListed) + " more";
    std::string wanted = lower(o_.pair);
    wanted.erase(std::remove(wanted.begin(), wanted.end(), ' '), wanted.end());
    if (wanted.empty() && pairs.size() > 1)
      throw PointsError("mantlept: " + o_.path +
                        ": several thermometer-barometer pairs; choose one with --pair T,B (" +
                        present + ")");
    auto chosen = [&](const std::vector<std::string>& r) {
      if (wanted.empty()) return true;
      return lower(cell(r, "thermometer") + "," + cell(r, "barometer")) == wanted ||
             lower(cell(r, "thermometer_label") + "," + cell(r, "barometer_label")) == wanted;
    };
    PointsRead out;
    bool any = false;
    int flagged = 0;
    const bool mc = has("t_c_p16") && has("t_c_p84") && has("p_kbar_p16") && has("p_kbar_p84");
    for (std::size_t i = 0; i < rows.size(); ++i) {
      pollStop(stopped_, i);
      const auto& r = rows[i];
      long rowNo = rowNumbers[i];
      if (!chosen(r)) continue;
      any = true;
      std::string status = lower(cell(r, "status"));
      if (status != "ok") {
        ++out.excluded;
        if (status == "capped" && !o_.quiet)
          err_ << "mantlept: " << o_.path << ", row " << rowNo << ": capped result left out\n";
        continue;
      }
      // Rows with a published warning (calc's flags column, when present).
      if (!cell(r, "flags").empty()) {
        ++flagged;
        if (o_.dropFlagged) {
          ++out.excluded;
          continue;
        }
      }
      Point p;
      p.sample = cell(r, "sample");
      p.T_C = required(r, "t_c", rowNo, "T_C");
      p.P_GPa = required(r, "p_kbar", rowNo, "P_kbar") / 10.0;
      p.sigmaT_C = o_.sigmaT_C.value_or(kDefaultSigmaT_C);
      p.sigmaP_GPa = defaultSigmaP(0.1);
      std::string mcOk = lower(cell(r, "mc_ok"));
      bool mcUsable = mc && mcOk != "0" && mcOk != "false" && mcOk != "no";
      if (mcUsable) {
        auto t16 = optionalNumber(r, "t_c_p16", rowNo), t84 = optionalNumber(r, "t_c_p84", rowNo);
        auto p16 = optionalNumber(r, "p_kbar_p16", rowNo);
        auto p84 = optionalNumber(r, "p_kbar_p84", rowNo);
        if (t16 && t84) p.sigmaT_C = (*t84 - *t16) / 2.0;
        if (p16 && p84) p.sigmaP_GPa = (*p84 - *p16) / 2.0 / 10.0;
        if (auto rho = optionalNumber(r, "tp_corr", rowNo)) p.rho = *rho;
      }
      check(p, rowNo);
      out.points.push_back(p);
    }
    if (!any)
      throw PointsError("mantlept: " + o_.path + ": no results for the pair " + o_.pair +
                        "; pairs present: " + present);
    if (flagged > 0 && !o_.quiet) {
      err_ << "mantlept: " << o_.path << ": " << flagged << " flagged ok row"
           << (flagged == 1 ? "" : "s")
           << (o_.dropFlagged ? " left out\n" : " used (--drop-flagged leaves them out)\n");
    }
    return out;
  }

  // Any table with a temperature and a pressure column.
  PointsRead readTable(const std::vector<std::vector<std::string>>& rows,
                       const std::vector<long>& rowNumbers) {
    std::string tName;
    double tOffset = 0.0;
    for (const char* n : {"t_c", "t", "temp", "temperature"})
      if (tName.empty() && has(n)) tName = n;
    if (tName.empty() && has("t_k")) {
      tName = "t_k";
      tOffset = -kZeroCelsius;
    }
    if (tName.empty())
      throw PointsError("mantlept: " + o_.path +
                        ": no temperature column (T_C, T, Temp, Temperature or T_K)");
    std::string pName;
    double toGPa = 1.0;
    if (has("p_kbar")) {
      pName = "p_kbar";
      toGPa = 0.1;
    } else if (has("p_gpa")) {
      pName = "p_gpa";
    } else if (has("p")) {
      pName = "p";
      std::string unit = lower(o_.pUnit);
      if (unit == "kbar")
        toGPa = 0.1;
      else if (unit != "gpa")
        throw PointsError("mantlept: " + o_.path +
                          ": the unit of column P is not known; give --p-unit kbar or GPa");
    } else {
      throw PointsError("mantlept: " + o_.path + ": no pressure column (P_kbar, P_GPa or P)");
    }
    PointsRead out;
    for (std::size_t i = 0; i < rows.size(); ++i) {
      pollStop(stopped_, i);
      const auto& r = rows[i];
      long rowNo = rowNumbers[i];
      Point p;
      p.sample = cell(r, "sample");
      p.T_C = required(r, tName, rowNo, "T") + tOffset;
      p.P_GPa = required(r, pName, rowNo, "P") * toGPa;
      auto sT = optionalNumber(r, "sigma_t", rowNo);
      auto sP = optionalNumber(r, "sigma_p", rowNo);
      auto rho = optionalNumber(r, "corr_tp", rowNo);
      p.sigmaT_C = sT ? *sT : o_.sigmaT_C.value_or(kDefaultSigmaT_C);
      p.sigmaP_GPa = sP ? *sP * toGPa : defaultSigmaP(toGPa);
      p.rho = rho.value_or(0.0);
      check(p, rowNo);
      out.points.push_back(p);
    }
    return out;
  }

  const PointsOptions& o_;
  std::ostream& err_;
  const StopCheck& stopped_;
  std::map<std::string, std::size_t> columns_;
};

}  // namespace

PointsRead readPoints(tables::RowSource& rows, const PointsOptions& options, std::ostream& notes,
                      const StopCheck& stopped) {
  return PointsReader(options, notes, stopped).read(rows);
}

PointsRead readPoints(const PointsOptions& options, std::ostream& notes, const StopCheck& stopped) {
  std::unique_ptr<tables::RowSource> rows = tables::openTable(options.path, options.sheet);
  return readPoints(*rows, options, notes, stopped);
}

}  // namespace mantlept::geotherm

#include "dialogue/program.hpp"

#include <cstring>
#include <string>

#include "dialogue/dialogue.hpp"
#include "minerals/analysis_reader.hpp"
#include "report/result_lines.hpp"
#include "report/results_file.hpp"
#include "solver/engine.hpp"

namespace mantlept {

namespace {

// Writes the header or row added last; says so when that failed.
bool writeFailed(OutputFile& file, std::ostream& err) {
  if (file.commit()) return false;
  err << "mantlept: writing the results file \"" << file.path()
      << "\" failed: " << std::strerror(file.error())
      << "; the rows written before it are complete and kept\n";
  return true;
}

}  // namespace

void evaluateAssociation(RunState& s, const RunSettings& settings, std::string_view sampleName,
                         CombinationResults& results, Terminal& out) {
  // One buffer for the association's lines; each line is written (and, on an
  // interactive terminal, shown) as soon as its combination is done.
  std::string line;
  line.reserve(96);
  for (int k = 0; k < settings.evaluatedCount(); ++k) {
    CombinationOutcome o = evaluateCombination(s, settings, k, results, out);
    line.clear();
    if (o.status != CombinationStatus::Incomplete) {
      appendResultLine(line, sampleName, settings.combinations[static_cast<std::size_t>(k)],
                       o.result, settings.ferricOption);
    } else {
      appendFailureLine(line, sampleName);
    }
    line += '\n';
    out.write(line);
  }
}

int runProgram(std::istream& in, Terminal& out, std::ostream& err,
               const AssociationWatcher& watch) {
  DialogueFiles files;
  RunSettings settings;
  try {
    settings = runDialogue(in, out, err, files, [](const RunSettings& s, OutputFile& file) {
      file.write(resultsHeader(s));
      file.write("\n");
    });
  } catch (const DialogueAborted& e) {
    out.flush();
    files.results.discard();
    if (stopRequested != 0) {
      // The input ended because a signal interrupted the wait for an answer.
      err << "mantlept: stopped during the questions; no results file is left\n";
      return 128 + static_cast<int>(stopRequested);
    }
    err << e.what() << '\n';
    return 1;
  }
  if (writeFailed(files.results, err)) return 1;

  RunState s;
  s.startT = settings.startT;
  s.startP = settings.startP;
  CombinationResults results{};
  ReportState report;
  Association association;
  const AssociationInfo& info = association.info;
  AnalysisReader reader(files.analysis.handle(), settings.inputFileName);
  std::string row;
  const FerricRule ferric = settings.ferricRule();
  for (;;) {
    if (stopRequested != 0) {
      out.flush();
      files.results.close();
      err << "mantlept: stopped; the results file holds every association finished so far\n";
      return 128 + static_cast<int>(stopRequested);
    }
    AnalysisReader::Status status = reader.next(association);
    if (status == AnalysisReader::Status::End) break;
    if (status == AnalysisReader::Status::Unreadable && stopRequested != 0) continue;
    if (status == AnalysisReader::Status::Unreadable) {
      out.flush();
      err << reader.message() << "\nmantlept: the run stopped there; the results file \""
          << settings.resultsFileName << "\" keeps the samples finished before\n";
      files.results.close();
      return 1;
    }
    prepareAssociation(s, association, ferric, out);
    evaluateAssociation(s, settings, info.nameText(), results, out);
    FeNumbers fe = estimateFeNumbers(s, report);
    row.clear();
    appendResultsRow(row, s, settings, info, fe, results);
    row += '\n';
    files.results.write(row);
    if (writeFailed(files.results, err)) return 1;
    if (watch) watch(s, fe, results);
  }
  files.analysis.close();
  if (!files.results.close()) {
    err << "mantlept: closing the results file \"" << settings.resultsFileName
        << "\" failed: " << std::strerror(files.results.error()) << '\n';
    return 1;
  }
  out.line("Kolvex");
  out.flush();
  return 0;
}

}  // namespace mantlept

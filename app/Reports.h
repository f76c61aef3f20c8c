#pragma once

#include "evaluation/EvaluationResult.h"
#include "options/ParsedCommandLine.h"
#include "outputs/ResultWriter.h"

// The report after a run, in the user's locale: digit grouping and decimal
// separator follow the locale named by the empty name (on Linux the LANG and
// LC_* variables). Infinite and NaN values print as the C++ library prints
// them, "inf" and "nan".
void PrintReport(const EvaluationResult& result, const CParsedCommandLine& options);
// Settles the report's locale before the first tile is read. A locale that
// cannot be made gives the classic "C" locale, so a long run is never lost
// at its very end.
void ChooseReportLocale();
// The same report with one comma-separated line per band, for pasting into tables.
void PrintWikiReport(const EvaluationResult& result, const CParsedCommandLine& options);

// The console report as the run's output: an empty line, which also ends the
// progress line, then the report or, with -wiki, its comma-separated form.
class CConsoleReport : public IResultWriter {
public:
    explicit CConsoleReport(const CParsedCommandLine& runOptions) : options(runOptions) {}
    void Write(const FinishedRun& run) override;

private:
    const CParsedCommandLine& options;
};

void PrintDecodingSpeed(const BandTimings& originalReadTimes,
                        const BandTimings& compressedReadTimes);
void PrintTimingStats(const BandTimings& readTimes);

#pragma once

#include "report.h"

class TRepPrinter;

// One run of a report: walks the table and lays out pages band by band into a recorder. It
// works on a copy of the layout taken at the start, so a handler that changes the layout while
// pending input is handled affects the next run, not this one.
namespace report {

class ReportRun {
public:
    ReportRun(const TReport& report, TRepPrinter& recorder);
    ~ReportRun();
    ReportRun(const ReportRun&) = delete;
    ReportRun& operator=(const ReportRun&) = delete;

    // Returns when the run finished or was cancelled; raises when the table raises.
    void execute();

private:
    struct Impl;
    std::unique_ptr<Impl> d;
};

// Lets pending input be handled at most every few milliseconds (always when forced).
void handlePendingInput(bool force);

} // namespace report

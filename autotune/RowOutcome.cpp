#include "autotune/RowOutcome.h"

#include <cstdio>

#include "autotune/AlignmentReport.h"

std::string SearchEndReason(const TuningSearchResult& r) {
    char buf[160];
    switch (r.end) {
        case SearchEnd::RangeEnd:
            std::snprintf(buf, sizeof buf, "the slider stopped at %d, the end of its range",
                          r.position);
            return buf;
        case SearchEnd::ZeroSlope:
            std::snprintf(buf, sizeof buf, "the reading did not change from value %d to %d",
                          r.previousPosition, r.position);
            return buf;
        case SearchEnd::FirstStepZero:
            return "the first step is smaller than one position";
        case SearchEnd::PassBound:
            std::snprintf(buf, sizeof buf, "the search did not settle within %d passes", r.passes);
            return buf;
        case SearchEnd::OutOfReach:
            std::snprintf(buf, sizeof buf,
                          "the target is out of reach: the end of the range (value %d) gives %.4g",
                          r.position, r.reading);
            return buf;
        case SearchEnd::Noisy:
            return "the readings scatter more than the tolerance";
        case SearchEnd::ReadingBound:
            std::snprintf(buf, sizeof buf, "the search did not settle within %d readings",
                          r.readings);
            return buf;
        default:
            return {};
    }
}

std::string RowOutcome::StatusLine() const {
    const std::string n = std::to_string(row + 1);
    if (end == End::Judged && reading) {
        char tol[32];
        std::snprintf(tol, sizeof tol, "%g", tolerance);
        std::string line = "Row " + n + ": " + CAlignmentReport::FormatReading(*reading, unit) +
                           " at value " + std::to_string(finalPosition) + " (target " +
                           CAlignmentReport::FormatReading(target, unit) + " +/- " + tol + " " +
                           unit + "): " + (pass ? "within tolerance" : "outside the tolerance");
        if (!pass && search) {
            const std::string why = SearchEndReason(*search);
            if (!why.empty())
                line += "; " + why;
        }
        return line;
    }
    if (end == End::Stopped)
        return "Row " + n + ": stopped";
    std::string line = "Row " + n + " not tuned: " + reason;
    if (restored)
        line += "; its value is back at " + std::to_string(startPosition);
    return line;
}

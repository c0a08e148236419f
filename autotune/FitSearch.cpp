#include "autotune/FitSearch.h"

TuningSearchResult FitSearch::Run(const TuningSearch::Measure& measure,
                                  const TuningSearch::MoveAndReadBack& moveAndReadBack,
                                  const TuningSearch::Stop& stop) const {
    // Placeholder until the fitting search lands: the specified search.
    TuningSearch search;
    search.target = target;
    search.lower = lower;
    search.upper = upper;
    return search.Run(measure, moveAndReadBack, stop);
}

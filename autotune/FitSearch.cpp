#include "autotune/FitSearch.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <optional>
#include <vector>

namespace {

/// Weight of a reading against the one after it: recent readings count more, so the line
/// follows a curved response and a drifting one.
constexpr double kRecency = 0.6;
/// How far a reading may lie from what the line predicts, in spreads, before it is measured
/// again (outliers lie tens of spreads off; noise beyond four is rare).
constexpr double kOutlierSpreads = 4.5;
/// Share of the change over a step that the line's straightness is trusted to (curvature of
/// the response between readings).
constexpr double kCurvature = 0.2;
/// A change counts as the reading's own when it exceeds this many spreads of one reading.
constexpr double kSignificant = 4.0;
/// A step over which the slope would change the reading by this many spreads, but the
/// reading stays put, shows a flat (clipped or saturated) stretch.
constexpr double kFlatExpected = 20.0;
/// A radio's readings may scatter more than the feature's typical scatter: for telling a flat
/// stretch, a reading's scatter is taken to be at least this share of it.
constexpr double kFlatRelativeScatter = 0.01;
/// ... provided the reading moved by less than this share of what the slope expects.
constexpr double kFlatShareOfExpected = 0.1;

/// From a flat stretch, a step goes this share of the way: toward the end of the range the
/// target lies beyond, or into a bracket from its end that has a slope. A clipped or saturated
/// stretch says only on which side the target lies, not how far: the step is geometric, so a
/// response far steeper than the given slope is found in a few readings, where a straight line
/// to the flat end would creep.
constexpr double kFlatShare = 15.0 / 16.0;
constexpr double kFlatBracketShare = 1.0 / 6.0;

/// A slope learnt on a row is handed on only within this factor of the one given (of a guess,
/// the larger one).
constexpr double kLearnRatio = 4.0;
constexpr double kLearnRatioOfGuess = 16.0;

/// One reading of the row.
struct Sample {
    int position = 0;
    double value = 0.0;
    bool outlier = false;   ///< a repeat at its position showed it was off
    bool rejected = false;  ///< the other readings disagree with it (judged afresh each time)
    bool flat = false;      ///< lies on a flat stretch: no slope to learn there
    bool checked = false;   ///< a close prediction or a repeat bore it out
};

/// The nearest positions at which the readings put the target above and below.
struct Bracket {
    std::optional<int> below;  ///< the reading there is short of the target: aim higher
    std::optional<int> above;  ///< the target lies below this position
};

/// A straight line through readings near an anchor position, with a slope prior:
/// value ≈ at + slope · (position − anchor). Its covariance is in units of one reading's
/// variance.
struct Line {
    bool valid = false;
    int anchor = 0;
    double at = 0.0;
    double slope = 0.0;
    double c00 = 0.0, c01 = 0.0, c11 = 0.0;
    /// How badly the readings and the given slope fit the line, in squared spreads.
    double misfit = 0.0;

    double Value(double position) const { return at + slope * (position - anchor); }
    /// Variance of a new reading at a position around the line's value there; curved, with
    /// an allowance for a response that bends between the readings.
    double PredictionVariance(double position, double sigma, bool curved = true) const {
        const double x = position - anchor;
        const double fit = c00 + 2 * c01 * x + c11 * x * x;
        const double bend = curved ? kCurvature * slope * x : 0.0;
        return sigma * sigma * (1.0 + std::max(0.0, fit)) + bend * bend;
    }
    /// Spread of the line's value at its anchor.
    double AnchorSpread(double sigma) const { return sigma * std::sqrt(std::max(0.0, c00)); }
};

/// The search of one row: its readings, and the decisions taken from them.
class RowSearch {
public:
    RowSearch(const FitSearch& p, const TuningSearch::Measure& measure,
              const TuningSearch::MoveAndReadBack& move, const TuningSearch::Stop& stop)
        : m_p(p), m_measure(measure), m_move(move), m_stop(stop) {
        m_sign = p.priorSlope > 0 ? 1 : p.priorSlope < 0 ? -1 : 0;
        m_noise = p.noise > 0       ? p.noise
                  : p.tolerance > 0 ? p.tolerance / 8.0
                                    : 1e-6 * std::max(1.0, std::fabs(p.target));
        m_lo = std::min(p.lower, p.upper);
        m_hi = std::max(p.lower, p.upper);
    }

    TuningSearchResult Go();

private:
    /// Takes a reading where the slider stands; false when the search ended (stop, no reading).
    bool Read();
    /// Moves the slider; the position it shows.
    int MoveTo(int position);
    /// A fresh reading far from the line's prediction is measured again; the repeat decides
    /// which one stands. False when the search ended.
    bool Check(const Line& before);
    /// One more reading where the slider stands, checked. False when the search ended.
    bool ReadAgain(const Line& line) { return Read() && Check(line); }
    /// A reading at the position stands: borne out by a close prediction or by a repeat.
    bool Confirmed(int position) const;
    Bracket Bracketed() const;
    /// Judges the readings afresh: flat stretches and readings the others disagree with.
    void Review();
    /// The line through the readings that count (but skip), with the given slope as a prior
    /// unless withPrior is false.
    Line Fit(int skip = -1, bool withPrior = true) const;
    /// The scatter of one reading: the given noise, or what repeats show when more (without
    /// the latest reading when beforeLast).
    double Sigma(bool beforeLast = false) const;
    /// Where the target lies from a reading: +1 above its position, -1 below, 0 at it.
    int Side(const Sample& s) const;
    bool Active(const Sample& s) const { return !s.outlier && !s.rejected; }
    /// The next position when the line gives none or one outside the bracket.
    std::optional<int> BracketStep() const;
    /// Where a straight line through the readings at two positions meets the target.
    double Interpolate(int lo, int hi) const;
    /// The position of the reading closest to the target.
    int BestSoFar() const;
    /// A reading there lies on a flat stretch.
    bool FlatAt(int position) const;
    /// Of two neighbours that bracket the target, the one whose readings (their mean) lie
    /// closer to it.
    int CloserOf(int a, int b) const;
    TuningSearchResult Finish(SearchEnd end);

    const FitSearch& m_p;
    const TuningSearch::Measure& m_measure;
    const TuningSearch::MoveAndReadBack& m_move;
    const TuningSearch::Stop& m_stop;
    TuningSearchResult m_result;
    std::vector<Sample> m_samples;
    int m_sign = 0;    ///< the given slope's sign
    int m_learnt = 0;  ///< the sign the readings show, without a given slope
    double m_noise = 0.0;
    int m_lo = 0, m_hi = 0;
    int m_position = 0;
    bool m_readHere = false;  ///< the last reading was taken where the slider stands
};

double RowSearch::Sigma(bool beforeLast) const {
    // Repeats at one position show the scatter as it is, whatever the response's shape.
    double sum = 0;
    int pairs = 0;
    const std::size_t n = m_samples.size() - (beforeLast && !m_samples.empty() ? 1 : 0);
    for (std::size_t i = 1; i < n; ++i) {
        const Sample& a = m_samples[i - 1];
        const Sample& b = m_samples[i];
        if (a.position == b.position && Active(a) && Active(b)) {
            sum += (a.value - b.value) * (a.value - b.value) / 2.0;
            ++pairs;
        }
    }
    const double seen = pairs ? std::sqrt(sum / pairs) : 0.0;
    return std::max(m_noise, seen);
}

int RowSearch::Side(const Sample& s) const {
    const double off = m_p.target - s.value;
    if (std::fabs(off) <= 2.0 * Sigma())
        return 0;
    const int sign = m_sign != 0 ? m_sign : m_learnt;
    if (sign == 0)
        return 0;
    return (off > 0) == (sign > 0) ? 1 : -1;
}

Line RowSearch::Fit(int skip, bool withPrior) const {
    Line line;
    const double sigma = Sigma();
    // The anchor is the latest reading that counts.
    int last = -1;
    for (int i = static_cast<int>(m_samples.size()) - 1; i >= 0; --i) {
        if (i != skip && Active(m_samples[i]) && !m_samples[i].flat) {
            last = i;
            break;
        }
    }
    if (last < 0)
        return line;
    line.anchor = m_samples[last].position;
    double w = 1.0, sw = 0, sx = 0, sxx = 0, sy = 0, sxy = 0;
    for (int i = last; i >= 0; --i) {
        const Sample& s = m_samples[i];
        if (i == skip || !Active(s) || s.flat)
            continue;
        const double x = s.position - line.anchor;
        sw += w;
        sx += w * x;
        sxx += w * x * x;
        sy += w * s.value;
        sxy += w * x * s.value;
        w *= kRecency;
    }
    double prior = 0.0, priorWeight = 0.0;
    if (withPrior && m_p.priorSlope != 0.0) {
        const double spread = std::max(0.05, m_p.priorSpread) * m_p.priorSlope;
        prior = m_p.priorSlope;
        priorWeight = sigma * sigma / (spread * spread);
    }
    const double a = sw, b = sx, d = sxx + priorWeight;
    const double det = a * d - b * b;
    if (!(det > 1e-12 * std::max(1.0, a * d)))
        return line;  // one position and no slope to go by
    line.c00 = d / det;
    line.c01 = -b / det;
    line.c11 = a / det;
    const double r0 = sy, r1 = sxy + priorWeight * prior;
    line.at = line.c00 * r0 + line.c01 * r1;
    line.slope = line.c01 * r0 + line.c11 * r1;
    line.valid = std::isfinite(line.at) && std::isfinite(line.slope);
    w = 1.0;
    for (int i = last; i >= 0 && line.valid; --i) {
        const Sample& s = m_samples[i];
        if (i == skip || !Active(s) || s.flat)
            continue;
        const double r = s.value - line.Value(s.position);
        line.misfit += w * r * r / (sigma * sigma);
        w *= kRecency;
    }
    if (priorWeight > 0)
        line.misfit += priorWeight * (line.slope - prior) * (line.slope - prior) / (sigma * sigma);
    return line;
}

void RowSearch::Review() {
    const double sigma = Sigma();
    for (Sample& s : m_samples) {
        s.flat = false;
        s.rejected = false;
    }
    // Flat: two readings in a row at different positions that agree, where the slope would
    // have moved the reading far.
    const double slope = std::fabs(m_p.priorSlope);
    if (slope > 0) {
        int prev = -1;
        for (int i = 0; i < static_cast<int>(m_samples.size()); ++i) {
            Sample& s = m_samples[i];
            if (s.outlier)
                continue;
            if (prev >= 0 && m_samples[prev].position != s.position) {
                Sample& p = m_samples[prev];
                const double expected = slope * std::abs(s.position - p.position);
                const double scatter = std::max(
                    sigma, kFlatRelativeScatter * std::max(std::fabs(s.value), std::fabs(p.value)));
                const double moved = std::fabs(s.value - p.value);
                if (moved < kSignificant * scatter && moved < kFlatShareOfExpected * expected &&
                    expected > kFlatExpected * sigma) {
                    s.flat = true;
                    p.flat = true;
                }
            }
            prev = i;
        }
        // Repeats share their position's flatness.
        for (Sample& s : m_samples)
            for (const Sample& t : m_samples)
                if (t.flat && !t.outlier && t.position == s.position)
                    s.flat = true;
    }
    // A reading the others disagree with: the one whose leaving out makes the line fit the
    // rest (and the slope) much better, one at a time. It takes three positions, or two and a
    // given slope, to tell which one is off.
    std::vector<int> positions;
    for (const Sample& s : m_samples)
        if (Active(s) && !s.flat)
            positions.push_back(s.position);
    std::sort(positions.begin(), positions.end());
    positions.erase(std::unique(positions.begin(), positions.end()), positions.end());
    const std::size_t needed = m_p.priorSlope != 0.0 ? 2 : 3;
    if (positions.size() < needed)
        return;
    if (positions.size() == 2) {
        // Two positions whose readings go the given way: the given slope may be far off in
        // size (it is a guess on a row's first reading), and cannot say which one is wrong.
        const Line raw = Fit(-1, false);
        if (raw.valid && raw.slope * m_sign > 0)
            return;
    }
    const Line all = Fit();
    if (!all.valid)
        return;
    int worst = -1;
    double best = all.misfit - kOutlierSpreads * kOutlierSpreads;
    for (int i = 0; i < static_cast<int>(m_samples.size()); ++i) {
        const Sample& s = m_samples[i];
        if (!Active(s) || s.flat)
            continue;
        const Line others = Fit(i);
        if (others.valid && others.misfit < best) {
            best = others.misfit;
            worst = i;
        }
    }
    if (worst >= 0)
        m_samples[worst].rejected = true;
}

bool RowSearch::Read() {
    if (m_stop && m_stop()) {
        m_result.end = SearchEnd::Stopped;
        return false;
    }
    const std::optional<double> m = m_measure();
    ++m_result.readings;
    if (!m) {
        m_result.end = SearchEnd::NoReading;
        return false;
    }
    if (!m_samples.empty()) {
        m_result.previousPosition = m_samples.back().position;
        m_result.previousReading = m_samples.back().value;
    }
    Sample s;
    s.position = m_position;
    s.value = *m;
    m_samples.push_back(s);
    m_result.reading = *m;
    m_readHere = true;
    return true;
}

int RowSearch::MoveTo(int position) {
    position = std::clamp(position, m_lo, m_hi);
    m_position = m_move(position);
    if (m_samples.empty() || m_position != m_samples.back().position)
        m_readHere = false;
    return m_position;
}

bool RowSearch::Check(const Line& before) {
    if (!before.valid)
        return true;
    const double sigma = Sigma(true);
    const int at = m_samples.back().position;
    const double expected = before.Value(at);
    const double off = std::fabs(m_samples.back().value - expected);
    // Bears the reading out when an error of a tolerance would have shown: the line is
    // close there, and straight enough (a curved response shows as a miss, then a repeat).
    const double straight = std::sqrt(before.PredictionVariance(at, sigma, false));
    if (straight <= std::max(m_p.tolerance / kOutlierSpreads, 2.0 * sigma) &&
        off <= kOutlierSpreads * straight) {
        m_samples.back().checked = true;
        return true;
    }
    const double spread = std::sqrt(before.PredictionVariance(at, sigma, true));
    if (off <= kOutlierSpreads * spread || m_result.readings >= m_p.maxReadings)
        return true;
    // Far from what the line expects: measured again before it is believed.
    const double first = m_samples.back().value;
    if (!Read())
        return false;
    Sample& again = m_samples.back();
    Sample& fresh = m_samples[m_samples.size() - 2];
    if (std::fabs(again.value - expected) < std::fabs(again.value - first)) {
        fresh.outlier = true;  // the first one was off
    } else if (std::fabs(again.value - first) <= kOutlierSpreads * sigma * std::sqrt(2.0)) {
        // The two agree: the line was wrong here, and so was any other reading here.
        again.checked = fresh.checked = true;
        const double mean = (again.value + first) / 2;
        for (Sample& s : m_samples)
            if (s.position == at && std::fabs(s.value - mean) > kOutlierSpreads * sigma * 2)
                s.outlier = true;
    }
    return true;
}

bool RowSearch::Confirmed(int position) const {
    const double sigma = Sigma();
    const Sample* seen = nullptr;
    for (const Sample& s : m_samples) {
        if (s.position != position || !Active(s))
            continue;
        if (s.checked)
            return true;
        if (seen && std::fabs(seen->value - s.value) <= kOutlierSpreads * sigma * std::sqrt(2.0))
            return true;
        seen = &s;
    }
    return false;
}

Bracket RowSearch::Bracketed() const {
    Bracket b;
    for (const Sample& s : m_samples) {
        if (!Active(s))
            continue;
        const int side = Side(s);
        if (side > 0 && (!b.below || s.position > *b.below))
            b.below = s.position;
        if (side < 0 && (!b.above || s.position < *b.above))
            b.above = s.position;
    }
    if (b.below && b.above && *b.below >= *b.above)
        return {};  // the readings disagree: no bracket to trust
    return b;
}

std::optional<int> RowSearch::BracketStep() const {
    const Bracket b = Bracketed();
    if (b.below && b.above) {
        if (*b.above - *b.below <= 1)
            return CloserOf(*b.below, *b.above);  // between two neighbours: the closer one
        // Between the two ends, where a straight line through their readings meets the
        // target, kept off the ends (a clipped end reads short); else halfway.
        const int lo = std::min(*b.below, *b.above), hi = std::max(*b.below, *b.above);
        const bool flatLo = FlatAt(lo), flatHi = FlatAt(hi);
        if (flatLo != flatHi) {
            // One end flat: a step from the end that has a slope.
            const int step =
                std::max(1, static_cast<int>(std::lround((hi - lo) * kFlatBracketShare)));
            return flatHi ? lo + step : hi - step;
        }
        const double at = Interpolate(lo, hi);
        const double quarter = (hi - lo) / 4.0;
        if (std::isfinite(at) && at > lo + quarter && at < hi - quarter)
            return static_cast<int>(std::lround(at));
        return lo + (hi - lo) / 2;
    }
    // Open on one side: to the end of the range there, which bounds the target or shows it is
    // out of reach.
    const Sample& last = m_samples.back();
    const int side = Side(last);
    const int end = side > 0 ? m_hi : m_lo;
    if (side == 0 || m_position == end)
        return std::nullopt;
    if (last.flat && last.position == m_position) {
        const int step = static_cast<int>(std::lround((end - m_position) * kFlatShare));
        if (step != 0)
            return m_position + step;
    }
    return end;
}

double RowSearch::Interpolate(int lo, int hi) const {
    // The latest readings believed at either end.
    std::optional<double> a, b;
    for (const Sample& s : m_samples) {
        if (!Active(s))
            continue;
        if (s.position == lo)
            a = s.value;
        if (s.position == hi)
            b = s.value;
    }
    if (!a || !b || *a == *b)
        return std::numeric_limits<double>::quiet_NaN();
    return lo + (m_p.target - *a) / (*b - *a) * (hi - lo);
}

int RowSearch::CloserOf(int a, int b) const {
    const auto offAt = [&](int position) {
        double sum = 0;
        int n = 0;
        for (const Sample& s : m_samples)
            if (s.position == position && Active(s))
                sum += s.value, ++n;
        return n ? std::fabs(sum / n - m_p.target) : std::numeric_limits<double>::infinity();
    };
    return offAt(b) < offAt(a) ? b : a;
}

bool RowSearch::FlatAt(int position) const {
    for (const Sample& s : m_samples)
        if (s.position == position && s.flat && !s.outlier)
            return true;
    return false;
}

int RowSearch::BestSoFar() const {
    int best = m_position;
    double closest = std::numeric_limits<double>::infinity();
    for (const Sample& s : m_samples) {
        if (Active(s) && std::fabs(s.value - m_p.target) < closest) {
            closest = std::fabs(s.value - m_p.target);
            best = s.position;
        }
    }
    return best;
}

TuningSearchResult RowSearch::Finish(SearchEnd end) {
    m_result.end = end;
    m_result.position = m_position;
    m_result.readingAtFinal = m_readHere && end != SearchEnd::NoReading;
    if (m_readHere) {
        // The reading that stands at the final position: the latest one not shown to be off.
        for (auto it = m_samples.rbegin(); it != m_samples.rend(); ++it) {
            if (it->position != m_position)
                break;
            if (!it->outlier) {
                m_result.reading = it->value;
                break;
            }
        }
    }
    // The slope learnt, for the next row: only from a line through two positions or more off
    // any flat stretch, that goes the given way and is within reason of the given slope.
    m_result.slope = m_p.priorSlope;
    const Line line = Fit();
    const double ratio =
        m_p.priorSpread > FitSearch::kLearntSpread ? kLearnRatioOfGuess : kLearnRatio;
    std::vector<int> positions;
    for (const Sample& s : m_samples)
        if (Active(s) && !s.flat &&
            std::find(positions.begin(), positions.end(), s.position) == positions.end())
            positions.push_back(s.position);
    if (end == SearchEnd::Settled && line.valid && positions.size() >= 2 &&
        std::isfinite(line.slope) && (m_sign == 0 || line.slope * m_sign > 0) &&
        (m_p.priorSlope == 0.0 || (std::fabs(line.slope) < ratio * std::fabs(m_p.priorSlope) &&
                                   std::fabs(line.slope) * ratio > std::fabs(m_p.priorSlope))))
        m_result.slope = line.slope;
    m_result.passes = std::max(0, m_result.readings - 1);
    return m_result;
}

TuningSearchResult RowSearch::Go() {
    m_position = m_move(std::nullopt);
    m_result.position = m_position;
    if (m_p.maxReadings < 1)
        return Finish(SearchEnd::ReadingBound);
    if (!Read())
        return Finish(m_result.end);
    int probe = std::max(2, static_cast<int>(std::lround(0.04 * (m_hi - m_lo))));
    for (;;) {
        Review();
        const double sigma = Sigma();
        Line line = Fit();
        const Sample& last = m_samples.back();
        const bool here = m_readHere && Active(last);
        const int readingsLeft = m_p.maxReadings - m_result.readings;
        const bool noisy = m_p.tolerance > 0 && 2 * sigma > m_p.tolerance;

        // The slope: the line's, when it goes the given way (or, without a given slope, when
        // the readings change clearly more than their scatter).
        bool haveSlope =
            line.valid && line.slope != 0.0 && (m_sign == 0 || line.slope * m_sign > 0);
        if (haveSlope && m_sign == 0) {
            double lo = last.value, hi = last.value;
            for (const Sample& s : m_samples)
                if (Active(s) && !s.flat)
                    lo = std::min(lo, s.value), hi = std::max(hi, s.value);
            haveSlope = hi - lo > kSignificant * sigma;
        }
        if (!haveSlope && line.valid && m_sign != 0 && Active(last) && !last.flat) {
            // The readings go against the given slope: one of them is off, and no reading
            // turns the direction. The latest one, with the given slope, shows the way.
            line = Line();
            line.valid = true;
            line.anchor = last.position;
            line.at = last.value;
            line.slope = m_p.priorSlope;
            line.c00 = 1.0;
            haveSlope = true;
        }
        m_learnt = haveSlope && m_sign == 0 ? (line.slope > 0 ? 1 : -1) : 0;
        std::optional<double> aim;
        if (haveSlope && !(here && last.flat))
            aim = line.anchor + (m_p.target - line.at) / line.slope;

        // Settled: the line puts the best value here, within what the readings can tell, or the
        // reading here is within half a step of the target.
        if (here) {
            const double off = std::fabs(last.value - m_p.target);
            bool settle = off == 0.0 || (haveSlope && off <= std::fabs(line.slope) / 2);
            if (aim && !last.flat) {
                const double within =
                    std::max(0.5, 1.5 * line.AnchorSpread(sigma) / std::fabs(line.slope));
                const bool inTolerance =
                    m_p.tolerance <= 0 ||
                    std::fabs(line.Value(m_position) - m_p.target) <= m_p.tolerance / 2;
                settle = settle || (std::fabs(*aim - m_position) <= within &&
                                    (std::lround(*aim) == m_position || inTolerance));
            }
            // The target lies between this value and a neighbour read on its other side: the
            // closer of the two is the best value, whatever a line through farther readings
            // says (a curved response bends it).
            const Bracket b = Bracketed();
            if (!settle && b.below && b.above && *b.above - *b.below == 1 &&
                (m_position == *b.below || m_position == *b.above))
                settle = CloserOf(*b.below, *b.above) == m_position;
            if (settle) {
                if (!Confirmed(m_position) && readingsLeft > 0) {
                    if (!ReadAgain(line))
                        return Finish(m_result.end);
                    continue;
                }
                return Finish(noisy && off > m_p.tolerance ? SearchEnd::Noisy : SearchEnd::Settled);
            }
        }
        if (readingsLeft <= 0)
            return Finish(noisy ? SearchEnd::Noisy : SearchEnd::ReadingBound);

        // The next position: the line's aim within the bracket, else a bracketing step.
        std::optional<int> next;
        if (aim) {
            next = static_cast<int>(std::lround(
                std::clamp(*aim, static_cast<double>(m_lo), static_cast<double>(m_hi))));
            const Bracket b = Bracketed();
            if (b.below && b.above && *b.above - *b.below > 1) {
                const int lo = std::min(*b.below, *b.above), hi = std::max(*b.below, *b.above);
                // The line's aim in the half of the bracket next to a flat end comes from a
                // slope the flat end has not borne out: a bracketing step instead.
                const bool towardFlat = (FlatAt(hi) && !FlatAt(lo) && *next > lo + (hi - lo) / 2) ||
                                        (FlatAt(lo) && !FlatAt(hi) && *next < hi - (hi - lo) / 2);
                if (*next <= lo || *next >= hi || towardFlat)
                    next = BracketStep();
            }
        }
        if (!next && m_sign == 0 && !haveSlope) {
            // No direction yet: a modest probe toward the middle of the range, growing while
            // the reading does not move.
            const int dir = m_position - m_lo >= m_hi - m_position ? -1 : 1;
            next = std::clamp(m_position + dir * probe, m_lo, m_hi);
            probe *= 4;
        }
        if (!next)
            next = BracketStep();
        if (readingsLeft == 1 && !aim)
            next = BestSoFar();  // the last reading goes to the best value known
        if (!next || *next == m_position) {
            // Nowhere left to go from here: the target lies beyond an end of the range, or
            // between this value and its neighbour.
            if (!here)
                next = m_position;  // the reading here is still to take
            else if (!Confirmed(m_position)) {
                if (!ReadAgain(line))
                    return Finish(m_result.end);
                continue;
            } else {
                const int side = Side(last);
                if ((side > 0 && m_position >= m_hi) || (side < 0 && m_position <= m_lo))
                    return Finish(SearchEnd::OutOfReach);
                const Bracket b = Bracketed();
                if (side != 0 && !(b.below && b.above && *b.above - *b.below <= 1))
                    return Finish(SearchEnd::RangeEnd);
                return Finish(noisy ? SearchEnd::Noisy : SearchEnd::Settled);
            }
        }
        const int asked = *next;
        const int shown = MoveTo(asked);
        if (shown != asked && here && shown == last.position && Confirmed(shown) &&
            Side(last) != 0 && (asked > shown) == (Side(last) > 0))
            return Finish(SearchEnd::RangeEnd);  // the slider holds short of where it was asked
        if (!Read() || !Check(line))
            return Finish(m_result.end);
    }
}

}  // namespace

TuningSearchResult FitSearch::Run(const TuningSearch::Measure& measure,
                                  const TuningSearch::MoveAndReadBack& moveAndReadBack,
                                  const TuningSearch::Stop& stop) const {
    return RowSearch(*this, measure, moveAndReadBack, stop).Go();
}

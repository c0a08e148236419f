#include "Report.h"

#include <algorithm>
#include <charconv>

#include "TunerDoc.h"
#include "radio/MessageFields.h"

namespace {

const std::string kSeparator(53, '-');
const std::string kLongSeparator(83, '-');
const std::string kColumnTitle = "Frequency        Softpot";
const std::string kColumnGap(8, ' ');
constexpr char kBatteryLine[] = "Batt Cal";
constexpr char kOneMHzLine[] = " 1.0000";

/// Appends one line unless the report is full.
void Add(CReportLines& r, const std::string& left, const std::string& right = std::string()) {
    if (static_cast<int>(r.left.size()) >= CReportLines::kMaxLines)
        return;
    r.left.push_back(left);
    r.right.push_back(right);
}

/// A blank, then the frequency in MHz with four decimals and a point whatever the user's
/// locale: " 851.0125" (printf's "%s%3.4f" in the C locale).
std::string FormatMHz(std::int32_t freq) {
    char buf[64] = {' '};
    const auto result = std::to_chars(buf + 1, buf + sizeof buf, MessageFields::FreqToMHz(freq),
                                      std::chars_format::fixed, 4);
    return std::string(buf, result.ptr);
}

/// The saved pairs of a type and level (zeros when the document has no such record).
CSaveValues SavedPairs(CTunerDoc& doc, int type, int level) {
    if (const CSaveValues* rec = doc.FindSavedValues(type, level))
        return *rec;
    return CSaveValues{};
}

void AddFrequencySection(CReportLines& r, CTunerDoc& doc, const std::string& first,
                         const std::string& title, int type, int level) {
    Add(r, first);
    Add(r, title);
    Add(r, kSeparator);
    Add(r, kColumnTitle);
    const CSaveValues rec = SavedPairs(doc, type, level);
    for (int i = 0; i < CSaveValues::kPairs && rec.m_freq[i] > 0; ++i) {
        Add(r, FormatMHz(rec.m_freq[i]), std::to_string(rec.m_value[i]));
    }
}

/// Whether line i is the separator directly above the column title.
bool SeparatorBeforeTitle(const CReportLines& r, std::size_t i) {
    return r.left[i] == kSeparator && i + 1 < r.left.size() && r.left[i + 1] == kColumnTitle;
}

/// Number of report lines up to the first empty left column.
std::size_t LineCount(const CReportLines& r) {
    std::size_t n = std::min(r.left.size(), r.right.size());
    for (std::size_t i = 0; i < n; ++i) {
        if (r.left[i].empty())
            return i;
    }
    return n;
}

}  // namespace

CReportLines BuildReport(CTunerDoc& doc) {
    CReportLines r;
    r.header = "Model Number: " + doc.GetModelNumber() + std::string(33, ' ') +
               "Serial Number: " + doc.GetSerialNumber();
    const auto& present = doc.m_featurePresent;
    if (present[kRefOsc]) {
        AddFrequencySection(r, doc, kLongSeparator, "Reference Oscillator", kRefOsc, 0);
    }
    if (present[kTxPower]) {
        AddFrequencySection(r, doc, kSeparator, "Tx Power Low", kTxPower, 1);
        AddFrequencySection(r, doc, kSeparator, "Tx Power Mid", kTxPower, 2);
        AddFrequencySection(r, doc, kSeparator, "Tx Power High", kTxPower, 3);
    }
    if (present[kDevBalance]) {
        AddFrequencySection(r, doc, kSeparator, "Tx Deviation Balance", kDevBalance, 0);
    }
    if (present[kFrontEndFilter]) {
        AddFrequencySection(r, doc, kSeparator, "Rx Front End Filter", kFrontEndFilter, 0);
    }
    if (present[kCurrentLimit]) {
        AddFrequencySection(r, doc, kSeparator, "Tx Current Limit", kCurrentLimit, 0);
    }
    if (present[kDevLimit]) {
        AddFrequencySection(r, doc, kSeparator, "Tx Deviation Limit", kDevLimit, 0);
    }
    if (present[kBatteryCal]) {
        Add(r, kSeparator);
        Add(r, "Battery Calibration");
        Add(r, "Battery Reading");
        Add(r, kBatteryLine, std::to_string(SavedPairs(doc, kBatteryCal, 0).m_value[0]));
    }
    return r;
}

std::vector<std::string> ReportPrintLines(const CReportLines& report) {
    std::vector<std::string> out{report.header};
    const std::size_t n = LineCount(report);
    for (std::size_t i = 0; i < n; ++i) {
        const std::string& left = report.left[i];
        if (left == kOneMHzLine)
            continue;
        if (left == kSeparator && !SeparatorBeforeTitle(report, i)) {
            out.push_back(left);
        } else {
            out.push_back(left + kColumnGap + report.right[i]);
        }
    }
    return out;
}

std::vector<std::string> ReportDrawLines(const CReportLines& report) {
    std::vector<std::string> out{report.header};
    const std::size_t n = LineCount(report);
    for (std::size_t i = 0; i < n; ++i) {
        const std::string& left = report.left[i];
        if (left == kOneMHzLine || SeparatorBeforeTitle(report, i))
            continue;
        if (left == kSeparator) {
            out.push_back(left);
        } else if (left == kBatteryLine) {
            out.push_back(report.right[i]);
        } else {
            out.push_back(left + kColumnGap + report.right[i]);
        }
    }
    return out;
}

#include "autotune/AlignmentReport.h"

#include <cstdio>
#include <ctime>

#include "document/FileAccess.h"
#include "radio/MessageFields.h"

namespace {

std::string CsvField(const std::string& s) {
    if (s.find_first_of(",\"\r\n") == std::string::npos)
        return s;
    std::string out = "\"";
    for (char c : s) {
        if (c == '"')
            out += '"';
        out += c;
    }
    return out + "\"";
}

std::string CsvLine(const std::vector<std::string>& fields) {
    std::string line;
    for (std::size_t i = 0; i < fields.size(); ++i) {
        if (i > 0)
            line += ',';
        line += CsvField(fields[i]);
    }
    return line + "\r\n";
}

/// A number as the CSV carries it: plain decimal, no unit.
std::string Number(double value, const std::string& unit) {
    char buf[48];
    std::snprintf(buf, sizeof buf, unit == "W" ? "%.3f" : "%.1f", value);
    return buf;
}

std::string Verdict(bool pass) {
    return pass ? "PASS" : "FAIL";
}

/// A reading in a text column: the value with its unit, or "-" when none was taken.
std::string Shown(const CAlignmentReport::Check& c, const std::string& unit) {
    return c.measured ? CAlignmentReport::FormatReading(c.reading, unit) : "-";
}

}  // namespace

bool CAlignmentReport::Passed() const {
    if (stopped || rows.empty())
        return false;
    for (const Row& r : rows)
        if (!r.pass)
            return false;
    for (const Feature& f : features)
        if (f.programFailed)
            return false;
    return true;
}

std::string CAlignmentReport::Title() const {
    return kind == Kind::Test ? "Test Report" : "Alignment Report";
}

bool CAlignmentReport::AnyReading() const {
    for (const Row& r : rows)
        if (r.measured || r.found.measured || r.left.measured)
            return true;
    return false;
}

const CAlignmentReport::Feature* CAlignmentReport::FeatureOf(const Row& row) const {
    for (const Feature& f : features)
        if (f.feature == row.feature)
            return &f;
    return nullptr;
}

const CAlignmentReport::Check& CAlignmentReport::LeftOf(const Row& row) const {
    if (kind == Kind::Test || (verified && !leftTested && !row.aligned))
        return row.found;
    return row.left;
}

std::string CAlignmentReport::FormatReading(double value, const std::string& unit) {
    char buf[48];
    if (unit == "W")
        std::snprintf(buf, sizeof buf, "%.3f W", value);
    else
        std::snprintf(buf, sizeof buf, "%.0f Hz", value);
    return buf;
}

std::string CAlignmentReport::FormatTolerance(double tolerance) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%g", tolerance);
    return buf;
}

std::string CAlignmentReport::FormatMhz(std::int32_t freq) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%.4f", MessageFields::FreqToMHz(freq));
    return buf;
}

std::string CAlignmentReport::Now() {
    const std::time_t t = std::time(nullptr);
    std::tm tm{};
    localtime_r(&t, &tm);
    char buf[32];
    std::strftime(buf, sizeof buf, "%Y-%m-%d %H:%M", &tm);
    return buf;
}

std::string CAlignmentReport::ToCsv() const {
    std::string csv;
    csv += CsvLine({Title()});
    csv += CsvLine({"Shop", station.shop});
    csv += CsvLine({"Model Number", modelNumber});
    csv += CsvLine({"Serial Number", serialNumber});
    csv += CsvLine({"Host Version", hostVersion});
    csv += CsvLine({"DSP Version", dspVersion});
    csv += CsvLine({"XPM SW Version", xpmVersion});
    csv += CsvLine({"Tuning/Hardware Version", tuningHwVersion});
    csv += CsvLine({"Date", date});
    csv += CsvLine({"Technician", station.technician});
    csv += CsvLine({"Bench", station.bench});
    csv += CsvLine({"Test Set", station.testSet});
    csv += CsvLine({"Result", Overall()});
    if (stopped)
        csv += CsvLine({"Stopped", stopReason});
    csv += "\r\n";
    csv += CsvLine({"Feature", "Row", "Frequency (MHz)", "As Found", "As Found Result",
                    "Old Softpot", "New Softpot", "As Left", "Target", "Tolerance", "Unit",
                    "Result", "Reason", "Aligned", "Programmed"});
    for (const Row& r : rows) {
        const Feature* f = FeatureOf(r);
        const Check& left = LeftOf(r);
        csv +=
            CsvLine({r.feature, std::to_string(r.row), FormatMhz(r.freq),
                     r.found.measured ? Number(r.found.reading, r.unit) : "",
                     r.found.measured ? Verdict(r.found.pass) : "", std::to_string(r.oldValue),
                     std::to_string(r.newValue), left.measured ? Number(left.reading, r.unit) : "",
                     Number(r.target, r.unit), Number(r.tolerance, r.unit), r.unit, Verdict(r.pass),
                     r.reason, r.aligned ? "yes" : "no", f && f->programmed ? "yes" : "no"});
    }
    return csv;
}

bool CAlignmentReport::SaveCsv(const std::string& path, std::string& error) const {
    const std::string csv = ToCsv();
    if (FileAccess::ReplaceFile(path, {csv.begin(), csv.end()}, error))
        return true;
    error = path + ": cannot be written (" + error + ")";
    return false;
}

std::vector<std::string> CAlignmentReport::PrintLines() const {
    std::vector<std::string> lines;
    lines.push_back("Model Number: " + modelNumber + "    Serial Number: " + serialNumber + "    " +
                    date);
    lines.push_back(Title());
    std::string who;
    if (!station.technician.empty())
        who += "Technician: " + station.technician + "    ";
    if (!station.bench.empty())
        who += "Bench: " + station.bench + "    ";
    if (!station.testSet.empty())
        who += "Test set: " + station.testSet;
    if (!who.empty())
        lines.push_back(who);
    lines.push_back(std::string(83, '-'));
    const std::size_t before = lines.size();
    const bool test = kind == Kind::Test;
    char buf[256];
    std::string current;
    for (const Row& r : rows) {
        if (r.feature != current) {
            current = r.feature;
            if (lines.size() > before)
                lines.push_back("");
            std::string title = r.feature;
            if (const Feature* f = FeatureOf(r); f && !test)
                title += f->programmed ? "  (programmed)" : "  (" + f->note + ")";
            lines.push_back(title);
            if (test)
                std::snprintf(buf, sizeof buf, "%-4s %-10s %7s %12s %20s  %s", "Row", "Frequency",
                              "Softpot", "Reading", "Target", "Result");
            else
                std::snprintf(buf, sizeof buf, "%-3s %-9s %10s %4s %4s %10s %20s  %s", "Row",
                              "Frequency", "As found", "Old", "New", "As left", "Target", "Result");
            lines.push_back(buf);
        }
        const std::string target =
            FormatReading(r.target, r.unit) + " +/- " + FormatTolerance(r.tolerance);
        if (test)
            std::snprintf(buf, sizeof buf, "%-4d %-10s %7d %12s %20s  %s", r.row,
                          FormatMhz(r.freq).c_str(), r.oldValue, Shown(r.found, r.unit).c_str(),
                          target.c_str(), Verdict(r.pass).c_str());
        else
            std::snprintf(buf, sizeof buf, "%-3d %-9s %10s %4d %4d %10s %20s  %s", r.row,
                          FormatMhz(r.freq).c_str(), Shown(r.found, r.unit).c_str(), r.oldValue,
                          r.newValue, Shown(LeftOf(r), r.unit).c_str(), target.c_str(),
                          Verdict(r.pass).c_str());
        lines.push_back(buf);
        if (!r.pass && !r.reason.empty())
            lines.push_back("     " + r.reason);
    }
    lines.push_back(std::string(83, '-'));
    if (verified && !leftTested && !stopped)
        lines.push_back("Nothing needed aligning: the radio was left as it was found.");
    if (stopped)
        lines.push_back("Stopped: " + stopReason);
    lines.push_back("Overall result: " + Overall());
    return lines;
}

std::string CAlignmentReport::LogText() const {
    std::string text = "\n\n";
    for (const std::string& line : PrintLines()) text += line + "\n";
    return text;
}

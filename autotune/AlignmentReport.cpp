#include "autotune/AlignmentReport.h"

#include <cstdio>
#include <ctime>

#include "document/FileAccess.h"
#include "radio/MessageFields.h"

namespace {

std::string Mhz(std::int32_t freq) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%.4f", MessageFields::FreqToMHz(freq));
    return buf;
}

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

std::string CAlignmentReport::FormatReading(double value, const std::string& unit) {
    char buf[48];
    if (unit == "W")
        std::snprintf(buf, sizeof buf, "%.3f W", value);
    else
        std::snprintf(buf, sizeof buf, "%.0f Hz", value);
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
    csv += CsvLine({"Alignment Report"});
    csv += CsvLine({"Model Number", modelNumber});
    csv += CsvLine({"Serial Number", serialNumber});
    csv += CsvLine({"Date", date});
    csv += CsvLine({"Result", Overall()});
    if (stopped)
        csv += CsvLine({"Stopped", stopReason});
    csv += "\r\n";
    csv += CsvLine({"Feature", "Row", "Frequency (MHz)", "Old Softpot", "New Softpot", "Reading",
                    "Target", "Tolerance", "Unit", "Result", "Reason", "Programmed"});
    for (const Row& r : rows) {
        bool programmed = false;
        for (const Feature& f : features)
            if (f.feature == r.feature)
                programmed = f.programmed;
        csv += CsvLine({r.feature, std::to_string(r.row), Mhz(r.freq), std::to_string(r.oldValue),
                        std::to_string(r.newValue), r.measured ? Number(r.reading, r.unit) : "",
                        Number(r.target, r.unit), Number(r.tolerance, r.unit), r.unit,
                        r.pass ? "PASS" : "FAIL", r.reason, programmed ? "yes" : "no"});
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
    lines.push_back("Alignment Report");
    lines.push_back(std::string(83, '-'));
    char buf[256];
    std::string current;
    for (const Row& r : rows) {
        if (r.feature != current) {
            current = r.feature;
            if (lines.size() > 3)
                lines.push_back("");
            std::string title = r.feature;
            for (const Feature& f : features)
                if (f.feature == r.feature)
                    title += f.programmed ? "  (programmed)" : "  (" + f.note + ")";
            lines.push_back(title);
            std::snprintf(buf, sizeof buf, "%-4s %-10s %5s %5s %12s %18s  %s", "Row", "Frequency",
                          "Old", "New", "Reading", "Target", "Result");
            lines.push_back(buf);
        }
        char tol[32];
        std::snprintf(tol, sizeof tol, "%g", r.tolerance);
        const std::string target = FormatReading(r.target, r.unit) + " +/- " + tol;
        std::snprintf(buf, sizeof buf, "%-4d %-10s %5d %5d %12s %18s  %s", r.row,
                      Mhz(r.freq).c_str(), r.oldValue, r.newValue,
                      r.measured ? FormatReading(r.reading, r.unit).c_str() : "-", target.c_str(),
                      r.pass ? "PASS" : "FAIL");
        lines.push_back(buf);
        if (!r.pass && !r.reason.empty())
            lines.push_back("     " + r.reason);
    }
    lines.push_back(std::string(83, '-'));
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

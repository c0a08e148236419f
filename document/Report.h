#pragma once

#include <string>
#include <vector>

class CTunerDoc;

/// The tuning report as text lines: two columns (an empty left column ends the report) and
/// the header line with the model and serial number.
struct CReportLines {
    static constexpr int kMaxLines = 250;
    std::vector<std::string> left;
    std::vector<std::string> right;
    std::string header;
};

/// Builds the report of a document from its feature flags and saved pairs.
CReportLines BuildReport(CTunerDoc& doc);

/// The report as the report print path lays it out, one string per printed line, with the
/// header line first (page breaks are the printer's business).
std::vector<std::string> ReportPrintLines(const CReportLines& report);
/// The lines the one-page drawing path draws, header first.
std::vector<std::string> ReportDrawLines(const CReportLines& report);

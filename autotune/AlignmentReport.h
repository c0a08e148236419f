#pragma once

#include <cstdint>
#include <string>
#include <vector>

/// The sheet of one whole-radio alignment: the radio, the date, and per feature and row what
/// was found, changed and programmed, with PASS or FAIL against the limits.
struct CAlignmentReport {
    struct Row {
        std::string feature;    ///< the feature's title ("Tx Power High")
        int row = 0;            ///< 1 to 10
        std::int32_t freq = 0;  ///< test frequency in 5 Hz steps
        int oldValue = 0;       ///< softpot value before the run
        int newValue = 0;       ///< softpot value after the run (programmed or not)
        bool measured = false;  ///< a reading was taken
        int readings = 0;       ///< measurements the row took
        double reading = 0.0;   ///< the final reading
        double target = 0.0;
        double tolerance = 0.0;
        std::string unit;  ///< "Hz" or "W"
        bool pass = false;
        std::string reason;  ///< why the row failed; empty when it passed
    };
    /// What became of a feature after its rows.
    struct Feature {
        std::string feature;
        bool programmed = false;
        std::string note;  ///< e.g. "not programmed: a row failed"
        /// Programming was tried and did not succeed (the radio refused it, or the link failed).
        bool programFailed = false;
    };

    std::string modelNumber;
    std::string serialNumber;
    std::string date;  ///< "YYYY-MM-DD HH:MM" local time
    std::vector<Row> rows;
    std::vector<Feature> features;
    bool stopped = false;    ///< the run ended early (Stop Tuning, no answer, radio lost)
    std::string stopReason;  ///< why it ended early

    /// Every row passed, at least one row was tuned, the run was not cut short and no
    /// programming that was tried failed.
    bool Passed() const;
    /// "PASS" or "FAIL".
    std::string Overall() const { return Passed() ? "PASS" : "FAIL"; }

    /// The report as CSV (RFC 4180 quoting, CRLF line ends): a few identity lines, then one line
    /// per row under a column header.
    std::string ToCsv() const;
    /// Writes ToCsv to a file (replacing it). False with a message naming the path and the
    /// reason ("a.csv: cannot be written (Permission denied)").
    bool SaveCsv(const std::string& path, std::string& error) const;
    /// The printable report: the header line (model, serial, date) first, then the lines.
    std::vector<std::string> PrintLines() const;
    /// The same lines as one text for the tuning log, with "\n" line ends.
    std::string LogText() const;

    /// The current local time as the report shows it.
    static std::string Now();
    /// A reading with the precision of its unit ("2.503 W", "-3 Hz").
    static std::string FormatReading(double value, const std::string& unit);
};

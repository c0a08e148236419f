#pragma once

#include <cstdint>
#include <string>
#include <vector>

/// The sheet of one whole-radio run: the radio, who ran it where and when, and per feature and
/// row how it was found, what was changed and programmed, and how it was left, with PASS or
/// FAIL against the limits.
///
/// A test (Kind::Test) measures every row at the values in the radio and changes nothing: its
/// rows carry the as-found reading only. An alignment (Kind::Alignment) tests first (as
/// found), aligns the rows that need it and tests again (as left); a row's result is then the
/// verdict of its as-left reading. When nothing was aligned the radio was not touched, so the
/// as-found readings are the as-left ones (leftTested is false). An alignment without the two
/// tests (verified false) judges each row on the alignment's own final reading.
struct CAlignmentReport {
    enum class Kind { Alignment, Test };

    /// One test reading of a row: taken at the value in the radio, validated, and judged.
    struct Check {
        bool measured = false;  ///< a validated reading was taken
        double reading = 0.0;
        bool pass = false;   ///< the reading lies within the tolerance of the target
        std::string reason;  ///< why it failed or was not taken; empty when it passed
    };
    struct Row {
        std::string feature;    ///< the feature's title ("Tx Power High")
        int row = 0;            ///< 1 to 10
        std::int32_t freq = 0;  ///< test frequency in 5 Hz steps
        int oldValue = 0;       ///< softpot value before the run
        int newValue = 0;       ///< softpot value after the run (programmed or not)
        Check found;            ///< the as-found test
        Check left;             ///< the as-left test (or the alignment's own final reading)
        bool aligned = false;   ///< the row was tuned in this run
        bool measured = false;  ///< the alignment took a reading at the row's final value
        int readings = 0;       ///< measurements the alignment of the row took
        double reading = 0.0;   ///< the alignment's final reading
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
    /// Where, by whom and with what the run was made.
    struct Station {
        std::string shop;        ///< the service shop's name
        std::string technician;  ///< who ran it
        std::string bench;       ///< the computer's host name
        std::string testSet;     ///< the test-set port ("COM2", "/dev/ttyUSB1")
    };

    Kind kind = Kind::Alignment;
    std::string modelNumber;
    std::string serialNumber;
    std::string hostVersion;
    std::string dspVersion;
    std::string xpmVersion;
    std::string tuningHwVersion;
    std::string date;  ///< "YYYY-MM-DD HH:MM" local time
    Station station;
    bool verified = false;    ///< the as-found test ran before the alignment
    bool leftTested = false;  ///< the as-left test ran (something was aligned)
    std::vector<Row> rows;
    std::vector<Feature> features;
    bool stopped = false;    ///< the run ended early (Stop Tuning, no answer, radio lost)
    std::string stopReason;  ///< why it ended early

    /// Every row passed, at least one row was judged, the run was not cut short and no
    /// programming that was tried failed.
    bool Passed() const;
    /// "PASS" or "FAIL".
    std::string Overall() const { return Passed() ? "PASS" : "FAIL"; }
    /// "Alignment Report" or "Test Report".
    std::string Title() const;
    /// A validated reading was taken (by a test or by the alignment).
    bool AnyReading() const;
    /// The feature record of a row's feature; null when there is none.
    const Feature* FeatureOf(const Row& row) const;
    /// The row's as-left reading as the report shows it: the as-left test's, the as-found one
    /// when the radio was left as found, the alignment's own when the run had no tests.
    const Check& LeftOf(const Row& row) const;

    /// The report as CSV (RFC 4180 quoting, CRLF line ends): the identity lines, then one line
    /// per row under a line of column titles.
    std::string ToCsv() const;
    /// Writes ToCsv to a file (replacing it). False with a message naming the path and the
    /// reason ("a.csv: cannot be written (Permission denied)").
    bool SaveCsv(const std::string& path, std::string& error) const;
    /// The report as text: the header line (model, serial, date) first, then the lines.
    std::vector<std::string> PrintLines() const;
    /// The same lines as one text for the tuning log, with "\n" line ends.
    std::string LogText() const;

    /// The current local time as the report shows it.
    static std::string Now();
    /// A reading with the precision of its unit ("2.503 W", "-3 Hz").
    static std::string FormatReading(double value, const std::string& unit);
    /// A tolerance as the report shows it ("0.1", "50").
    static std::string FormatTolerance(double tolerance);
    /// The frequency of a row in MHz with four decimals ("851.0125").
    static std::string FormatMhz(std::int32_t freq);
};

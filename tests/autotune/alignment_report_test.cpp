#include "autotune/AlignmentReport.h"

#include <gtest/gtest.h>

#include <sstream>

namespace {

CAlignmentReport TwoFeatures() {
    CAlignmentReport r;
    r.modelNumber = "H18UCF9PW6AN";
    r.serialNumber = "428CTA1234";
    r.date = "2026-12-10 14:05";
    r.hostVersion = "R01.02";
    r.station = {"North Radio Service", "J. Smith", "bench3", "/dev/ttyUSB1"};
    r.verified = true;
    r.leftTested = true;
    CAlignmentReport::Row ok;
    ok.feature = "Reference Oscillator";
    ok.row = 1;
    ok.freq = 170202500;  // 851.0125 MHz
    ok.oldValue = 250;
    ok.newValue = 270;
    ok.measured = true;
    ok.reading = -1.2;
    ok.aligned = true;
    ok.found = {true, -262.0, false, "the reading is outside the tolerance"};
    ok.left = {true, -1.2, true, ""};
    ok.target = 0;
    ok.tolerance = 50;
    ok.unit = "Hz";
    ok.pass = true;
    r.rows.push_back(ok);
    CAlignmentReport::Row bad = ok;
    bad.feature = "Tx Deviation Balance";
    bad.oldValue = 24;
    bad.newValue = 63;
    bad.reading = 2661.0;
    bad.found = {true, 2400.0, false, "the reading is outside the tolerance"};
    bad.left = {true, 2661.0, false, "the reading is outside the tolerance"};
    bad.target = 3000;
    bad.tolerance = 60;
    bad.pass = false;
    bad.reason =
        "the slider stopped at 63, the end of its range; the reading is outside the "
        "tolerance";
    r.rows.push_back(bad);
    r.features = {{"Reference Oscillator", true, "programmed"},
                  {"Tx Deviation Balance", false, "not programmed: a row failed"}};
    return r;
}

std::vector<std::string> CsvLines(const std::string& csv) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    for (std::size_t end; (end = csv.find("\r\n", start)) != std::string::npos; start = end + 2)
        lines.push_back(csv.substr(start, end - start));
    EXPECT_EQ(start, csv.size()) << "every line ends in CR LF";
    return lines;
}

TEST(AlignmentReport, CsvHasTheIdentityAndOneQuotedLinePerRow) {
    const CAlignmentReport r = TwoFeatures();
    EXPECT_FALSE(r.Passed());
    const std::vector<std::string> lines = CsvLines(r.ToCsv());
    ASSERT_EQ(lines.size(), 17u);
    EXPECT_EQ(lines[0], "Alignment Report");
    EXPECT_EQ(lines[1], "Shop,North Radio Service");
    EXPECT_EQ(lines[2], "Model Number,H18UCF9PW6AN");
    EXPECT_EQ(lines[3], "Serial Number,428CTA1234");
    EXPECT_EQ(lines[4], "Host Version,R01.02");
    EXPECT_EQ(lines[8], "Date,2026-12-10 14:05");
    EXPECT_EQ(lines[9], "Technician,J. Smith");
    EXPECT_EQ(lines[10], "Bench,bench3");
    EXPECT_EQ(lines[11], "Test Set,/dev/ttyUSB1");
    EXPECT_EQ(lines[12], "Result,FAIL");
    EXPECT_EQ(lines[13], "");
    EXPECT_EQ(lines[14],
              "Feature,Row,Frequency (MHz),As Found,As Found Result,Old Softpot,New Softpot,"
              "As Left,Target,Tolerance,Unit,Result,Reason,Aligned,Programmed");
    EXPECT_EQ(lines[15],
              "Reference Oscillator,1,851.0125,-262.0,FAIL,250,270,-1.2,0.0,50.0,Hz,PASS,,yes,yes");
    EXPECT_EQ(lines[16],
              "Tx Deviation Balance,1,851.0125,2400.0,FAIL,24,63,2661.0,3000.0,60.0,Hz,FAIL,\"the "
              "slider stopped at 63, the end of its range; the reading is outside the "
              "tolerance\",yes,no");
}

// A test changes nothing: its rows carry the as-found reading only, and a row of an
// alignment that was not aligned is left as it was found.
TEST(AlignmentReport, ATestAndARowLeftAsFoundShowTheAsFoundReading) {
    CAlignmentReport r = TwoFeatures();
    r.kind = CAlignmentReport::Kind::Test;
    for (CAlignmentReport::Row& row : r.rows) {
        row.aligned = false;
        row.left = {};
        row.newValue = row.oldValue;
    }
    EXPECT_EQ(r.Title(), "Test Report");
    EXPECT_EQ(&r.LeftOf(r.rows[0]), &r.rows[0].found);
    const std::vector<std::string> lines = CsvLines(r.ToCsv());
    EXPECT_EQ(lines[0], "Test Report");
    EXPECT_EQ(lines[15].substr(0, 52), "Reference Oscillator,1,851.0125,-262.0,FAIL,250,250,");
    std::string all;
    for (const std::string& l : r.PrintLines()) all += l + "\n";
    EXPECT_NE(all.find("Test Report"), std::string::npos) << all;
    EXPECT_NE(all.find("-262 Hz"), std::string::npos) << all;
    EXPECT_EQ(all.find("programmed"), std::string::npos) << all;

    r.kind = CAlignmentReport::Kind::Alignment;
    r.leftTested = false;  // nothing needed aligning
    EXPECT_EQ(&r.LeftOf(r.rows[1]), &r.rows[1].found);
    const std::vector<std::string> print = r.PrintLines();
    EXPECT_EQ(print[print.size() - 2],
              "Nothing needed aligning: the radio was left as it was found.");
}

TEST(AlignmentReport, PrintLinesCarryTheHeaderRowsReasonsAndResult) {
    CAlignmentReport r = TwoFeatures();
    const std::vector<std::string> lines = r.PrintLines();
    ASSERT_GE(lines.size(), 8u);
    EXPECT_NE(lines[0].find("Model Number: H18UCF9PW6AN"), std::string::npos);
    EXPECT_NE(lines[0].find("Serial Number: 428CTA1234"), std::string::npos);
    EXPECT_NE(lines[0].find("2026-12-10 14:05"), std::string::npos);
    EXPECT_EQ(lines[2], "Technician: J. Smith    Bench: bench3    Test set: /dev/ttyUSB1");
    std::string all;
    for (const auto& l : lines) {
        EXPECT_LE(l.size(), 100u) << l;
        all += l + "\n";
    }
    EXPECT_NE(all.find("Reference Oscillator  (programmed)"), std::string::npos);
    EXPECT_NE(all.find("Tx Deviation Balance  (not programmed: a row failed)"), std::string::npos);
    EXPECT_NE(all.find("-1 Hz"), std::string::npos);
    EXPECT_NE(all.find("PASS"), std::string::npos);
    EXPECT_NE(all.find("     the slider stopped at 63"), std::string::npos);
    EXPECT_EQ(lines.back(), "Overall result: FAIL");
    EXPECT_EQ(r.LogText(), "\n\n" + all);

    r.rows[1].pass = true;
    EXPECT_TRUE(r.Passed());
    EXPECT_EQ(r.PrintLines().back(), "Overall result: PASS");
    r.stopped = true;
    r.stopReason = "the run was stopped";
    EXPECT_FALSE(r.Passed());
    const auto stopped = r.PrintLines();
    EXPECT_EQ(stopped[stopped.size() - 2], "Stopped: the run was stopped");
}

TEST(AlignmentReport, AnEmptyRunIsNoPass) {
    CAlignmentReport r;
    EXPECT_FALSE(r.Passed());
    EXPECT_EQ(r.FormatReading(2.5034, "W"), "2.503 W");
    EXPECT_EQ(r.FormatReading(-3.4, "Hz"), "-3 Hz");
}

}  // namespace

#include "autotune/AlignmentReport.h"

#include <gtest/gtest.h>

#include <sstream>

namespace {

CAlignmentReport TwoFeatures() {
    CAlignmentReport r;
    r.modelNumber = "H18UCF9PW6AN";
    r.serialNumber = "428CTA1234";
    r.date = "2026-12-10 14:05";
    CAlignmentReport::Row ok;
    ok.feature = "Reference Oscillator";
    ok.row = 1;
    ok.freq = 170202500;  // 851.0125 MHz
    ok.oldValue = 250;
    ok.newValue = 270;
    ok.measured = true;
    ok.reading = -1.2;
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
    ASSERT_EQ(lines.size(), 9u);
    EXPECT_EQ(lines[1], "Model Number,H18UCF9PW6AN");
    EXPECT_EQ(lines[2], "Serial Number,428CTA1234");
    EXPECT_EQ(lines[3], "Date,2026-12-10 14:05");
    EXPECT_EQ(lines[4], "Result,FAIL");
    EXPECT_EQ(lines[5], "");
    EXPECT_EQ(lines[6],
              "Feature,Row,Frequency (MHz),Old Softpot,New Softpot,Reading,Target,Tolerance,Unit,"
              "Result,Reason,Programmed");
    EXPECT_EQ(lines[7], "Reference Oscillator,1,851.0125,250,270,-1.2,0.0,50.0,Hz,PASS,,yes");
    EXPECT_EQ(lines[8],
              "Tx Deviation Balance,1,851.0125,24,63,2661.0,3000.0,60.0,Hz,FAIL,\"the slider "
              "stopped at 63, the end of its range; the reading is outside the tolerance\",no");
}

TEST(AlignmentReport, PrintLinesCarryTheHeaderRowsReasonsAndResult) {
    CAlignmentReport r = TwoFeatures();
    const std::vector<std::string> lines = r.PrintLines();
    ASSERT_GE(lines.size(), 8u);
    EXPECT_NE(lines[0].find("Model Number: H18UCF9PW6AN"), std::string::npos);
    EXPECT_NE(lines[0].find("Serial Number: 428CTA1234"), std::string::npos);
    EXPECT_NE(lines[0].find("2026-12-10 14:05"), std::string::npos);
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

// Report lines: the builder's sections and the two printing paths' layouts.

#include <gtest/gtest.h>

#include <clocale>

#include "TunTestSupport.h"
#include "document/Report.h"

using namespace tuntest;

namespace {

const std::string S(53, '-');
const std::string L(83, '-');
const std::string T = "Frequency        Softpot";
const std::string G(8, ' ');

class ReportTest : public ::testing::Test {
protected:
    ReportTest() {
        doc().m_serialNumber = "403CQT1234";
        doc().m_modelNumber = "H18QDF9PW6AN";
    }
    CTunerDoc& doc() { return *s.doc; }
    /// Lines of the report as "left|right".
    std::vector<std::string> Pairs(const CReportLines& r) {
        std::vector<std::string> out;
        for (std::size_t i = 0; i < r.left.size(); ++i) out.push_back(r.left[i] + "|" + r.right[i]);
        return out;
    }
    DocSetup s;
};

}  // namespace

TEST_F(ReportTest, ReferenceOscillatorOnly) {
    CSaveValues ref;  // 851.0125 MHz, 1 MHz, 852.5 MHz, then a zero frequency ends the list
    ref.m_freq = {170202500, 200000, 170500000, 0, 170600000};
    ref.m_value = {30123, 7, 255, 0, 99};
    SetRecords(doc(), {ref, Record(1, 1, 3), Record(8, 0, 1, 1000, 77)});
    doc().m_featurePresent[kRefOsc] = true;

    const CReportLines r = BuildReport(doc());
    EXPECT_EQ(r.header,
              "Model Number: H18QDF9PW6AN" + std::string(33, ' ') + "Serial Number: 403CQT1234");
    EXPECT_EQ(Pairs(r),
              (std::vector<std::string>{L + "|", "Reference Oscillator|", S + "|", T + "|",
                                        " 851.0125|30123", " 1.0000|7", " 852.5000|255"}));

    EXPECT_EQ(ReportPrintLines(r),
              (std::vector<std::string>{r.header, L + G, "Reference Oscillator" + G, S + G, T + G,
                                        " 851.0125" + G + "30123", " 852.5000" + G + "255"}));
    EXPECT_EQ(ReportDrawLines(r),
              (std::vector<std::string>{r.header, L + G, "Reference Oscillator" + G, T + G,
                                        " 851.0125" + G + "30123", " 852.5000" + G + "255"}));
}

TEST_F(ReportTest, EverySectionInOrderWithTheBatteryLineOnBothPaths) {
    SetRecords(doc(), {Record(0, 0, 1, 170000000, 1), Record(1, 1, 1, 170000000, 11),
                       Record(1, 2, 1, 170000000, 12), Record(1, 3, 1, 170000000, 13),
                       Record(2, 0, 1, 170000000, 2), Record(3, 0, 1, 170000000, 3),
                       Record(4, 0, 1, 170000000, 4), Record(5, 0, 1, 170000000, 5),
                       Record(6, 0, 1, 170000000, 6), Record(8, 0, 1, 170000000, 156),
                       Record(9, 0, 1, 170000000, 9)});
    doc().m_featurePresent.fill(true);  // PA bias and types 6, 7 never appear

    const CReportLines r = BuildReport(doc());
    std::vector<std::string> expected = {L + "|", "Reference Oscillator|", S + "|", T + "|",
                                         " 850.0000|1"};
    const std::pair<const char*, int> sections[] = {
        {"Tx Power Low", 11},        {"Tx Power Mid", 12},       {"Tx Power High", 13},
        {"Tx Deviation Balance", 2}, {"Rx Front End Filter", 3}, {"Tx Current Limit", 4},
        {"Tx Deviation Limit", 5}};
    for (const auto& [title, value] : sections) {
        expected.insert(expected.end(), {S + "|", std::string(title) + "|", S + "|", T + "|",
                                         " 850.0000|" + std::to_string(value)});
    }
    expected.insert(expected.end(),
                    {S + "|", "Battery Calibration|", "Battery Reading|", "Batt Cal|156"});
    EXPECT_EQ(Pairs(r), expected);

    const auto printed = ReportPrintLines(r);
    const auto drawn = ReportDrawLines(r);
    // The battery section's separator has no column title after it: alone on both paths.
    const std::vector<std::string> printTail = {S, "Battery Calibration" + G, "Battery Reading" + G,
                                                "Batt Cal" + G + "156"};
    const std::vector<std::string> drawTail = {S, "Battery Calibration" + G, "Battery Reading" + G,
                                               "156"};
    ASSERT_GE(printed.size(), 4u);
    ASSERT_GE(drawn.size(), 4u);
    EXPECT_EQ(std::vector<std::string>(printed.end() - 4, printed.end()), printTail);
    EXPECT_EQ(std::vector<std::string>(drawn.end() - 4, drawn.end()), drawTail);
    // A Tx section: the first S (no title after it) alone, the second S only when printing.
    const std::vector<std::string> printSection = {S, "Tx Power Low" + G, S + G, T + G,
                                                   " 850.0000" + G + "11"};
    const std::vector<std::string> drawSection = {S, "Tx Power Low" + G, T + G,
                                                  " 850.0000" + G + "11"};
    EXPECT_EQ(std::vector<std::string>(printed.begin() + 6, printed.begin() + 11), printSection);
    EXPECT_EQ(std::vector<std::string>(drawn.begin() + 5, drawn.begin() + 9), drawSection);
}

TEST_F(ReportTest, AtMostTenPairsAndNothingForAbsentFeatures) {
    SetRecords(doc(), {Record(2, 0, 10, 170000000, 1)});
    doc().m_featurePresent[kDevBalance] = true;
    const CReportLines r = BuildReport(doc());
    EXPECT_EQ(r.left.size(), 4u + 10u);
    EXPECT_EQ(r.left.back(), " 850.0900");
    EXPECT_EQ(r.right.back(), "10");

    doc().m_featurePresent.fill(false);
    const CReportLines none = BuildReport(doc());
    EXPECT_TRUE(none.left.empty());
    EXPECT_EQ(ReportPrintLines(none), std::vector<std::string>{none.header});
}

TEST_F(ReportTest, MissingRecordPrintsOnlyTitles) {
    doc().m_featurePresent[kFrontEndFilter] = true;
    doc().m_featurePresent[kBatteryCal] = true;
    const CReportLines r = BuildReport(doc());
    EXPECT_EQ(Pairs(r),
              (std::vector<std::string>{S + "|", "Rx Front End Filter|", S + "|", T + "|", S + "|",
                                        "Battery Calibration|", "Battery Reading|", "Batt Cal|0"}));
}

TEST(ReportLayoutTest, AnEmptyLeftColumnEndsTheReport) {
    CReportLines r;
    r.header = "H";
    r.left = {"a", "", "b"};
    r.right = {"1", "", "2"};
    EXPECT_EQ(ReportPrintLines(r), (std::vector<std::string>{"H", "a" + G + "1"}));
    EXPECT_EQ(ReportDrawLines(r), (std::vector<std::string>{"H", "a" + G + "1"}));
}

TEST_F(ReportTest, FrequenciesKeepTheirPointUnderACommaLocale) {
    // A technician whose desktop writes decimal commas still gets "851.0125", and the
    // 1 MHz line is still recognised and skipped.
    const char* previous = std::setlocale(LC_NUMERIC, nullptr);
    const std::string restore = previous ? previous : "C";
    if (!std::setlocale(LC_NUMERIC, "de_DE.UTF-8"))
        GTEST_SKIP() << "the de_DE.UTF-8 locale is not installed (scripts/setup makes it)";
    CSaveValues ref;
    ref.m_freq = {170202500, 200000, 100};  // 851.0125 MHz, 1 MHz, 0.0005 MHz
    ref.m_value = {30123, 7, 1};
    SetRecords(doc(), {ref});
    doc().m_featurePresent[kRefOsc] = true;
    const CReportLines r = BuildReport(doc());
    const std::vector<std::string> printed = ReportPrintLines(r);
    std::setlocale(LC_NUMERIC, restore.c_str());

    EXPECT_EQ(Pairs(r).back(), " 0.0005|1");
    EXPECT_EQ(printed,
              (std::vector<std::string>{r.header, L + G, "Reference Oscillator" + G, S + G, T + G,
                                        " 851.0125" + G + "30123", " 0.0005" + G + "1"}));
}

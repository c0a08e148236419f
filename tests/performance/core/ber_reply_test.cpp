// Decoding the radio's bit error rate replies and the result texts.

#include <gtest/gtest.h>

#include "performance/core/BerReply.h"

namespace {

struct ReplyCase {
    const char* name;
    std::string reply;
    int tag;  ///< 0: nothing to show
    bool sync;
    long errors;
};

TEST(BerReply, TheLastRecordWithATagIsShown) {
    const std::string empty(10, '0');
    const ReplyCase cases[] = {
        {"one record",
         "001700"
         "0100000022",
         1, true, 34},
        {"no sync",
         "001700"
         "0201000000",
         2, false, 0},
        {"last of several",
         "001700"
         "0100000001"
         "0200000002"
         "0300000003",
         3, true, 3},
        {"last record has tag 0",
         "001700"
         "0500000010" +
             empty,
         5, true, 16},
        {"empty slots at the end",
         "001700"
         "0700001234" +
             empty + empty + empty,
         7, true, 0x1234},
        {"every tag 0", "001700" + empty + empty, 0, false, 0},
        {"status not 00",
         "001701"
         "0100000022",
         0, false, 0},
        {"no records", "001700", 0, false, 0},
        {"shorter than the status", "0017", 0, false, 0},
        {"nothing", "", 0, false, 0},
        // A trailing remainder shorter than a record is not a record.
        {"short last record",
         "001700"
         "0100000022"
         "020000",
         1, true, 34},
        {"only a short record",
         "001700"
         "0200",
         0, false, 0},
        {"largest count",
         "001700"
         "ff00ffffff",
         255, true, 0xFFFFFF},
    };
    for (const ReplyCase& c : cases) {
        const auto result = LatestBerResult(c.reply);
        if (c.tag == 0) {
            EXPECT_FALSE(result.has_value()) << c.name;
            continue;
        }
        ASSERT_TRUE(result.has_value()) << c.name;
        EXPECT_EQ(result->tag, c.tag) << c.name;
        EXPECT_EQ(result->sync, c.sync) << c.name;
        EXPECT_EQ(result->errors, c.errors) << c.name;
    }
}

TEST(BerReply, ErrorAndRateTexts) {
    EXPECT_EQ(BerErrorText(34), "034");
    EXPECT_EQ(BerRateText(34, 255), "0.004");  // 34 x 100 / 881280
    EXPECT_EQ(BerErrorText(0), "000");
    EXPECT_EQ(BerRateText(0, 1), "0.000");
    EXPECT_EQ(BerErrorText(12345), "12345");
    EXPECT_EQ(BerRateText(3456, 1), "100.000");
    EXPECT_EQ(BerRateText(173, 1), "5.006");
}

}  // namespace

// The key = value reader shared by the limits file and the bench's profiles: what reaches the
// handler, the line numbers it is told and puts in errors, the byte-order mark, and the short
// quotes of long or binary text in messages.

#include "radio/KeyValueText.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

namespace {

struct Seen {
    std::string key;
    std::string value;
    int line;
    bool operator==(const Seen&) const = default;
};

std::vector<Seen> ReadAll(const std::string& text, std::string& error, bool& ok) {
    std::vector<Seen> seen;
    ok = KeyValueText::ReadNumbered(
        text,
        [&seen](const std::string& key, const std::string& value, int line) {
            seen.push_back({key, value, line});
            return key == "bad" ? std::string("bad key") : std::string();
        },
        [](const std::string& line) { return "no equals in " + line; }, error);
    return seen;
}

TEST(KeyValueText, KeysValuesAndLineNumbersSkippingCommentsAndBlanks) {
    std::string error;
    bool ok = false;
    const auto seen =
        ReadAll("\xEF\xBB\xBF# heading\r\n\r\n  a = 1  # one\r\nb=x = y\n\t\nc =\n", error, ok);
    ASSERT_TRUE(ok) << error;
    EXPECT_EQ(seen, (std::vector<Seen>{{"a", "1", 3}, {"b", "x = y", 4}, {"c", "", 6}}));
}

TEST(KeyValueText, TheFirstRefusedLineStopsTheReadWithItsNumber) {
    const struct {
        const char* text;
        const char* error;
        std::size_t handled;
    } cases[] = {
        {"a = 1\n\nbad = 2\nc = 3\n", "line 3: bad key", 2},
        {"a = 1\nplain words\nc = 3\n", "line 2: no equals in plain words", 1},
        // A mark anywhere but at the start is text like any other.
        {"a = 1\n\xEF\xBB\xBF", "line 2: no equals in \xEF\xBB\xBF", 1},
    };
    for (const auto& c : cases) {
        std::string error;
        bool ok = true;
        const auto seen = ReadAll(c.text, error, ok);
        EXPECT_FALSE(ok) << c.text;
        EXPECT_EQ(error, c.error);
        EXPECT_EQ(seen.size(), c.handled) << c.text;
    }
}

TEST(KeyValueText, QuoteKeepsMessagesShortAndPrintable) {
    const std::string e = "\xC3\xA9";  // a two-byte character
    const struct {
        std::string text;
        std::size_t max;
        std::string quoted;
    } cases[] = {
        {"2800 Hz", 40, "\"2800 Hz\""},
        {"", 40, "\"\""},
        {std::string(10000, 'x'), 40, "\"" + std::string(40, 'x') + "...\""},
        {"tab\there\x01\x7f", 40, "\"tab?here??\""},
        // Cut before a character that does not fit whole, never inside it.
        {"abc" + e + e, 4, "\"abc...\""},
        {"abc" + e + e, 5, "\"abc" + e + "...\""},
        {"ab" + e, 4, "\"ab" + e + "\""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(KeyValueText::Quote(c.text, c.max), c.quoted) << c.text.substr(0, 20);
}

}  // namespace

// The .tun loader against random and damaged input: it never crashes, never reads outside
// the data (the sanitizer build checks), and either loads or leaves the document untouched.

#include <gtest/gtest.h>

#include <random>

#include "TunTestSupport.h"
#include "document/TunFile.h"

using namespace tuntest;

namespace {

/// Loads from an exactly sized heap copy; checks the document is either loaded or unchanged.
void LoadOnce(const std::vector<std::uint8_t>& bytes) {
    DocSetup s;
    s.doc->m_serialNumber = "BEFORE";
    SetRecords(*s.doc, {Record(5, 0, 2)});
    auto exact = std::make_unique<std::uint8_t[]>(bytes.size() + 1);
    std::copy(bytes.begin(), bytes.end(), exact.get());
    std::string error;
    if (TunFile::Load(*s.doc, exact.get(), bytes.size(), error)) {
        ASSERT_TRUE(s.doc->m_loadedFromFile);
        // What loaded stores again and loads back to the same records.
        const auto again = TunFile::Store(*s.doc);
        DocSetup t;
        ASSERT_TRUE(TunFile::Load(*t.doc, again.data(), again.size(), error)) << error;
        ASSERT_EQ(Records(*t.doc), Records(*s.doc));
        ASSERT_EQ(t.doc->m_featurePresent, s.doc->m_featurePresent);
    } else {
        ASSERT_FALSE(error.empty());
        ASSERT_EQ(s.doc->m_serialNumber, "BEFORE");
        ASSERT_EQ(Records(*s.doc), std::vector<CSaveValues>{Record(5, 0, 2)});
        ASSERT_FALSE(s.doc->m_loadedFromFile);
    }
}

std::vector<std::uint8_t> ValidFile() {
    DocSetup s;
    FillAsRead(*s.doc);
    return TunFile::Store(*s.doc);
}

}  // namespace

TEST(TunFuzzTest, RandomBytes) {
    std::mt19937 rng(20261210);
    for (int i = 0; i < 20000; ++i) {
        std::vector<std::uint8_t> b(rng() % 400);
        for (auto& x : b) x = static_cast<std::uint8_t>(rng());
        // Often start like a real file so that the loader gets past the strings.
        if (b.size() > 30 && (i % 2) == 0) {
            b[0] = 10;
            b[11] = 12;
            b[24] = static_cast<std::uint8_t>(rng() % 20);
            b[25] = 0;
        }
        LoadOnce(b);
        if (::testing::Test::HasFatalFailure())
            FAIL() << "iteration " << i;
    }
}

TEST(TunFuzzTest, MutatedValidFile) {
    const auto valid = ValidFile();
    std::mt19937 rng(1301);
    for (int i = 0; i < 20000; ++i) {
        auto b = valid;
        const int edits = 1 + static_cast<int>(rng() % 6);
        for (int e = 0; e < edits; ++e) {
            const std::size_t at = rng() % b.size();
            switch (rng() % 5) {
                case 0:
                    b[at] = static_cast<std::uint8_t>(rng());
                    break;
                case 1:
                    b[at] ^= static_cast<std::uint8_t>(1u << (rng() % 8));
                    break;
                case 2:
                    b[at] = (rng() % 2) ? 0xFF : 0x00;
                    break;
                case 3:
                    b.resize(at);
                    break;
                case 4:
                    b.insert(b.begin() + at, static_cast<std::uint8_t>(rng()));
                    break;
            }
            if (b.empty())
                break;
        }
        LoadOnce(b);
        if (::testing::Test::HasFatalFailure())
            FAIL() << "iteration " << i;
    }
}

TEST(TunFuzzTest, TagsAtEveryRecordBoundary) {
    // Every 16-bit tag value of interest in place of the second record's tag.
    const auto valid = ValidFile();
    const std::uint16_t tags[] = {0x0000, 0x0001, 0x0002, 0x0003, 0x7FFE, 0x7FFF,
                                  0x8000, 0x8001, 0x8002, 0x8003, 0xFFFE, 0xFFFF};
    for (std::size_t record = 0; record < 14; ++record) {
        const std::size_t at = record == 0 ? 26 : 131 + 90 * (record - 1);
        for (const auto tag : tags) {
            auto b = valid;
            b[at] = static_cast<std::uint8_t>(tag & 0xFF);
            b[at + 1] = static_cast<std::uint8_t>(tag >> 8);
            LoadOnce(b);
            if (::testing::Test::HasFatalFailure())
                FAIL() << record << " " << tag;
        }
    }
}

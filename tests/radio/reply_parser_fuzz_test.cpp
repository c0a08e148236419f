// Random and mutated replies for every parser of the read and of the commands: none may crash,
// write outside the document's tables or report a malformed reply as a good one. Runs under
// the address sanitizer in the sanitizer build.

#include <gtest/gtest.h>

#include <random>

#include "ScriptedRadio.h"
#include "radio/RadioCommands.h"
#include "radio/RadioRead.h"

using namespace scripted;

namespace {

constexpr int kRounds = 1500;

std::string RandomHex(std::mt19937& rng, std::size_t bytes) {
    std::string s;
    for (std::size_t i = 0; i < bytes; ++i) s += Hex8(rng() & 0xFF);
    return s;
}

/// Random characters, hex digits or not, of any length (odd ones too).
std::string RandomText(std::mt19937& rng, std::size_t maxChars) {
    static const char kChars[] = "0123456789abcdefABCDEFgxz -\x01\xff";
    std::string s(rng() % (maxChars + 1), '0');
    for (auto& c : s) c = kChars[rng() % (sizeof kChars - 1)];
    return s;
}

/// A well-formed list of random records, then a few random edits of its bytes, its length
/// field or its end.
std::string MutatedList(std::mt19937& rng) {
    std::vector<std::pair<int, unsigned>> records(rng() % 30);
    for (auto& r : records) r = {static_cast<int>(rng() & 0xFF), static_cast<unsigned>(rng())};
    std::string s = FreqListReply(records);
    switch (rng() % 5) {
        case 0:  // block length anything
            s.replace(16, 4, Hex16(rng() & 0xFFFF));
            break;
        case 1:  // cut anywhere, even inside a digit pair
            s.resize(rng() % (s.size() + 1));
            break;
        case 2:  // random byte flips
            for (int i = rng() % 6; i > 0; --i) {
                const std::size_t pos = 2 * (rng() % (s.size() / 2));
                s.replace(pos, 2, Hex8(rng()));
            }
            break;
        case 3:  // extra bytes at the end
            s += RandomHex(rng, rng() % 40);
            break;
        default:
            break;
    }
    return s;
}

/// The document's tables are consistent: counts within bounds and nothing past them.
void ExpectTablesSound(const CTunerDoc& doc) {
    for (int t = 0; t < kSoftpotTypes; ++t) {
        ASSERT_GE(doc.m_freqCount[t], 0);
        ASSERT_LE(doc.m_freqCount[t], kMaxTestFreqs);
        for (int i = doc.m_freqCount[t]; i < kMaxTestFreqs; ++i)
            ASSERT_EQ(doc.m_testFreq[t][i], 0) << t;
    }
    for (int t = 0; t < 8; ++t) {
        if (doc.m_featurePresent[t]) {
            ASSERT_GT(doc.m_freqCount[t], 0);
        }
    }
}

TEST(ReplyParserFuzz, FrequencyListNeverOverrunsTheTables) {
    std::mt19937 rng(20261210);
    int accepted_lists = 0, refused_lists = 0;
    for (int round = 0; round < kRounds; ++round) {
        RadioFixture f;
        f.doc->m_modelFamily = 1 + static_cast<int>(rng() % 2);
        const std::string reply = (round % 4 == 0) ? RandomText(rng, 300) : MutatedList(rng);
        const bool accepted = ParseFrequencyList(*f.doc, reply);
        ++(accepted ? accepted_lists : refused_lists);
        ExpectTablesSound(*f.doc);
        if (!accepted) {
            // A refused list stores nothing.
            for (int t = 0; t < kSoftpotTypes; ++t) {
                ASSERT_FALSE(f.doc->m_featurePresent[t]);
                ASSERT_EQ(f.doc->m_freqCount[t], 0);
            }
            ASSERT_TRUE(f.doc->m_commErrorShown);
        } else if (f.doc->m_freqCount[8] > 0) {
            // Every record counts for type 8, so no type has more frequencies.
            for (int t = 0; t < 8; ++t) ASSERT_LE(f.doc->m_freqCount[t], f.doc->m_freqCount[8]);
        }
        if (HasFatalFailure())
            return;
    }
    // Both ways through the parser were taken often.
    EXPECT_GT(accepted_lists, kRounds / 10);
    EXPECT_GT(refused_lists, kRounds / 10);
}

TEST(ReplyParserFuzz, SoftpotRepliesNeverOverrunTheValueTables) {
    std::mt19937 rng(7);
    int reads = 0, refusals = 0;
    for (int round = 0; round < kRounds / 5; ++round) {
        RadioFixture f;
        f.radio.modelIndex = static_cast<int>(rng() % 3);
        f.radio.records.resize(1 + rng() % 25);
        for (auto& r : f.radio.records) r = {static_cast<int>(rng() & 0xFF), rng() | 1u};
        for (int t = 0; t <= 8; ++t) {
            f.radio.values[t] = RandomHex(rng, rng() % 30);
            if (t == 1)
                for (int code : {0, 1, 3}) f.radio.values[100 + code] = RandomHex(rng, rng() % 30);
        }
        const HRESULT hr = ReadDevice(*f.doc);
        ASSERT_TRUE(hr == S_OK || hr == E_FAIL) << hr;
        ExpectTablesSound(*f.doc);
        ASSERT_EQ(SUCCEEDED(hr), f.doc->m_saveList.size() == 14u);
        ++(SUCCEEDED(hr) ? reads : refusals);
        for (int t = 0; t <= 5; ++t) {
            if (f.doc->m_featurePresent[t]) {
                ASSERT_LE(f.doc->m_freqCount[t], kMaxTestFreqs);
            }
        }
    }
    EXPECT_GT(reads, 10);
    EXPECT_GT(refusals, 10);
}

TEST(ReplyParserFuzz, CommandRepliesOfAnyShape) {
    std::mt19937 rng(99);
    RadioFixture f;
    f.ConnectDoc(2);
    for (int round = 0; round < kRounds; ++round) {
        const std::string reply = RandomHex(rng, rng() % 120);
        for (const char* req :
             {"000e02", "0001050802b2", "00010609", "00010709", "0017", "00160105"})
            f.radio.replies[req] = reply;
        int strength = -1, battery = -1, lo = -1, hi = -1;
        std::string ber;
        ASSERT_EQ(ReadSignalStrength(*f.doc, strength), S_OK);
        ASSERT_EQ(ReadSoftpotLimits(*f.doc, 9, lo, hi), S_OK);
        ASSERT_EQ(ReadBerResult(*f.doc, ber), S_OK);
        ASSERT_EQ(ber, reply);
        ASSERT_GE(strength, 0);
        // A limit is one byte, or untouched when the reply has none.
        ASSERT_TRUE(lo == -1 || (lo >= 0 && lo <= 255));
        ASSERT_TRUE(hi == -1 || (hi >= 0 && hi <= 255));
        ASSERT_EQ(lo == -1, reply.size() <= 10);
        const HRESULT ber_started = StartBerTest(*f.doc, 1, 5);
        ASSERT_EQ(ber_started == S_OK, reply.size() == 6 && reply.substr(4) == "00");
        ASSERT_TRUE(ber_started == S_OK || ber_started == -1);
        ASSERT_TRUE(f.host.m_messages.empty());
        // A battery reply without its five header bytes is no reading: refused, link dropped.
        const HRESULT read = ReadBatteryCalibration(*f.doc, battery);
        ASSERT_EQ(SUCCEEDED(read), reply.size() >= 10);
        ASSERT_TRUE(SUCCEEDED(read) ? battery >= 0 : battery == -1);
        if (FAILED(read)) {
            f.ConnectDoc(2);
            f.doc->m_commErrorShown = false;
            f.host.Clear();
        }
    }
}

}  // namespace

#include <gtest/gtest.h>

#include <chrono>
#include <future>
#include <thread>

#include "RadioBenchFixture.h"
#include "radio/ModelConfig.h"
#include "radio/RadioRead.h"

namespace {

const char kCommFailed[] = "Communication with the radio failed. Please Read the Radio Again!";

class ReadOverBench : public ::testing::TestWithParam<const char*>, public RadioBenchFixture {};

/// The value the document read for a type's i-th test frequency.
int DocValue(const CTunerDoc& d, int type, int powerCode, int i) {
    switch (type) {
        case 0:
            return d.IsFamily2() ? d.m_refOscWide[i] : d.m_refOsc[i];
        case 1:
            return powerCode == 0x03 ? d.m_txPowerLow[i]
                                     : (powerCode == 0x01 ? d.m_txPowerMid[i] : d.m_txPowerHigh[i]);
        case 2:
            return d.m_devBalance[i];
        case 3:
            return d.m_frontEndFilter[i];
        case 4:
            return d.m_currentLimit[i];
        case 5:
            return d.m_devLimit[i];
        case 6:
            return d.m_softpot6[i];
        case 7:
            return d.m_softpot7[i];
        default:
            return d.m_batteryCal[i];
    }
}

TEST_P(ReadOverBench, ReadsEveryProfileInTheSpecifiedOrder) {
    ASSERT_TRUE(StartBench(GetParam()));
    const CRadioProfile& p = Radio().Profile();

    ASSERT_TRUE(OnNewDocument(*doc)) << ::testing::PrintToString(host.Texts());
    EXPECT_EQ(Requests(), ExpectedRead(p));
    EXPECT_TRUE(host.m_messages.empty());

    EXPECT_EQ(doc->m_modelFamily, p.Family());
    EXPECT_EQ(doc->m_serialNumber, p.serialNumber);
    EXPECT_EQ(doc->m_modelNumber, p.modelNumber);
    EXPECT_EQ(doc->m_hostVersion, p.hostVersion);
    EXPECT_EQ(doc->m_tuningHwVersion, "010AFF");
    EXPECT_EQ(doc->GetTitle(), p.serialNumber);
    EXPECT_TRUE(Radio().InTestMode());

    for (int t = 0; t <= 8; ++t) {
        const auto freqs = p.Frequencies(t);
        ASSERT_EQ(doc->m_freqCount[t], static_cast<int>(freqs.size())) << t;
        const bool present = t == 8 ? p.Family() == 2 : !freqs.empty();
        EXPECT_EQ(doc->m_featurePresent[t], present) << t;
        if (!present)
            continue;
        for (std::size_t i = 0; i < freqs.size(); ++i)
            EXPECT_EQ(doc->m_testFreq[t][i], static_cast<int>(freqs[i])) << t;
        for (int code : t == 1 ? std::vector<int>{0x03, 0x01, 0x00} : std::vector<int>{0}) {
            const auto programmed = Radio().Programmed(t, code);
            // The current limit is one value shared by the first five entries.
            const std::size_t n = t == 4 ? 1 : programmed.size();
            for (std::size_t i = 0; i < n; ++i)
                EXPECT_EQ(DocValue(*doc, t, code, static_cast<int>(i)), programmed[i])
                    << "type " << t << " entry " << i;
        }
    }
    // PA Bias 1 to 3: present and read only on a model with adjustable bias.
    for (int t = kPaBias1; t <= kPaBias3; ++t) {
        EXPECT_EQ(doc->m_featurePresent[t], ModelConfig::HasPaBias(p.modelNumber)) << t;
        if (doc->m_featurePresent[t]) {
            EXPECT_EQ(doc->m_paBias[t - kPaBias1][0], Radio().Programmed(t)[0]) << t;
        }
    }
    EXPECT_FALSE(doc->m_featurePresent[kPaBias4]);
    ASSERT_EQ(doc->m_saveList.size(), 14u);
}

INSTANTIATE_TEST_SUITE_P(Profiles, ReadOverBench,
                         ::testing::Values("standard", "family1-k", "family2-q", "no-filter",
                                           "power3", "many", "full", "pa-bias"),
                         [](const auto& info) {
                             std::string n = info.param;
                             for (auto& c : n)
                                 if (!std::isalnum(static_cast<unsigned char>(c)))
                                     c = '_';
                             return n;
                         });

class ReadFaultsOverBench : public ::testing::Test, public RadioBenchFixture {};

TEST_F(ReadFaultsOverBench, EachFailureOfTheReadWithItsMessages) {
    struct Case {
        const char* name;
        BenchFaults faults;
        std::vector<std::string> messages;
        std::string lastRequest;
    };
    BenchFaults unsupported, blank, empty, corrupt, silent, refused;
    unsupported.unsupportedModel = true;
    blank.blankSerial = true;
    empty.emptySerial = true;
    corrupt.corruptReply = true;
    corrupt.onlyRequest = "0100";
    silent.noAnswer = true;
    silent.onlyRequest = "000f20";
    refused.refuseRequest = "00010302";
    const Case cases[] = {
        {"unsupported", unsupported, {"Unsupported Model", kCommFailed}, "0012"},
        {"blank serial",
         blank,
         {"You cannot tune this radio until it has been CBI(Controller Board Intialization) "
          "Intialized."},
         "001100"},
        {"empty serial", empty, {"Radio does not have a valid serial number"}, "001100"},
        {"corrupt list reply", corrupt, {kCommFailed, kCommFailed}, "0100821079000003e80000"},
        {"no answer", silent, {kCommFailed, kCommFailed}, "000f20"},
        // A refused read gives no values: the read stops rather than keep zeros that a
        // later write would program.
        {"refused softpot read",
         refused,
         {"The radio did not report the values of Tx Deviation Balance (its reply ends before "
          "its values)."},
         "00010302"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_TRUE(StartBench("family1-k", c.faults));
        host.m_messages.clear();
        EXPECT_FALSE(OnNewDocument(*doc));
        EXPECT_EQ(host.Texts(), c.messages);
        ASSERT_FALSE(Requests().empty());
        EXPECT_EQ(Requests().back(), c.lastRequest);
        EXPECT_FALSE(doc->m_readFromRadio);
        EXPECT_TRUE(doc->m_saveList.empty());
        doc.reset();
    }
}

// The bench goes away in the middle of a read (its pseudo-terminal closes, as when a USB
// adapter is unplugged): the read ends at once with one message that says why.
TEST_F(ReadFaultsOverBench, HangUpEndsTheReadWithOneMessage) {
    BenchFaults faults;
    faults.lateAnswer = true;
    faults.lateAnswerMs = 60000;
    faults.onlyRequest = "0100";
    ASSERT_TRUE(StartBench("family1-k", faults));
    const std::string device = Bench().RadioDevice();
    auto read = std::async(std::launch::async, [this] { return OnNewDocument(*doc); });
    for (int i = 0; i < 1000 && (Requests().empty() || Requests().back().rfind("0100", 0) != 0);
         ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    ASSERT_EQ(Requests().back(), "0100821079000003e80000");
    Bench().Stop();
    ASSERT_EQ(read.wait_for(std::chrono::seconds(60)), std::future_status::ready);
    EXPECT_FALSE(read.get());
    EXPECT_EQ(host.Texts(),
              std::vector<std::string>{"The radio port " + device +
                                       " hung up: the other end of the line is gone (the cable or "
                                       "adapter was unplugged, or the line was closed)."});
    EXPECT_EQ(doc->m_radio, nullptr);
}

TEST_F(ReadFaultsOverBench, MissingListItemReadsOnWithoutFeatures) {
    BenchFaults faults;
    faults.freqListError = true;
    ASSERT_TRUE(StartBench("family1-k", faults));
    EXPECT_TRUE(OnNewDocument(*doc));
    EXPECT_EQ(host.Texts(),
              std::vector<std::string>{"Error: Frequecny list item missing from codeplug"});
    EXPECT_EQ(host.m_messages[0].icon, MsgIcon::None);
    EXPECT_EQ(Requests().back(), "0100821079000003e80000");
    for (bool present : doc->m_featurePresent) EXPECT_FALSE(present);
}

}  // namespace

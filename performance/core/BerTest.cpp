#include "BerTest.h"

#include <cstdint>

#include "BerDataFile.h"
#include "IntegrationTime.h"
#include "document/Logs.h"
#include "document/TunerDoc.h"
#include "radio/MessageFields.h"
#include "radio/RadioCommands.h"

namespace BerChoices {
const std::array<BerChoice, 2> kPatterns = {{{"Framed 1011", 0x21}, {"CCITT V.52", 0x25}}};
const std::array<BerChoice, 3> kModulations = {{{"C4FM", 0}, {"CQPSK", 1}, {"Wide Pulse", 2}}};
const std::array<BerChoice, 2> kContinuous = {{{"No", 1}, {"Yes", 2}}};
const std::array<BerChoice, 3> kAudio = {
    {{"Mute", kAudioMute}, {"Internal", kAudioInternal}, {"External", kAudioExternal}}};
}  // namespace BerChoices

namespace {

constexpr int kBerLogSection = 20;
constexpr std::uint32_t kSetupPauseMs = 50;

/// The entry of a list at a position, the first one for a position outside it.
template <std::size_t N>
const BerChoice& Entry(const std::array<BerChoice, N>& list, int index) {
    return list[index >= 0 && static_cast<std::size_t>(index) < N ? index : 0];
}

}  // namespace

CBerTest::CBerTest(CTunerDoc& doc, std::function<std::string()> openScreenTitle)
    : m_doc(doc), m_openScreenTitle(std::move(openScreenTitle)) {}

void CBerTest::Open() {
    m_limits = BerFrequencyLimits(m_doc.GetModelNumber(), m_doc.GetModelFamily());
    m_frequency = m_limits.lower;
    m_time = IntegrationTime::kMinTime;
    m_frames = 1;
    LogFeatureTitle(m_doc, kBerLogSection, 0);
    EnterTestMode(m_doc);
}

void CBerTest::CheckFrequency() {
    m_frequency = CheckBerFrequency(m_frequency, m_doc.GetBandClass(), m_limits);
}

void CBerTest::CheckTime() {
    m_frames = IntegrationTime::CheckTime(m_time);
}

void CBerTest::Spin(int delta) {
    m_frames = IntegrationTime::Spin(m_time, delta);
}

void CBerTest::CheckFrames() {
    IntegrationTime::CheckFrames(m_frames, m_time);
}

void CBerTest::Show() {
    if (onShow)
        onShow();
}

void CBerTest::Stop() {
    m_status = "Test Stopped";
    m_running = false;
    m_settingsEnabled = true;
    StopBerTest(m_doc);
    m_polling = false;
    m_lastTag = 0;
}

void CBerTest::WriteTestHeader() {
    BerDataFile::TestCriteria test;
    test.testNumber = m_doc.m_berTestNumber++;
    test.frequency = m_frequency;
    test.pattern = Entry(BerChoices::kPatterns, m_pattern).text;
    test.modulation = Entry(BerChoices::kModulations, m_modulation).text;
    test.continuous = Entry(BerChoices::kContinuous, m_continuous).text;
    test.audio = Entry(BerChoices::kAudio, m_audio).text;
    test.time = m_time;
    test.frames = m_frames;
    AppendBerData(m_doc, BerDataFile::TestHeader(test));
}

void CBerTest::StartStop() {
    if (m_running) {
        Stop();
        Show();
        return;
    }
    WriteTestHeader();
    m_running = true;
    ReceiveAtFrequency(m_doc, MessageFields::MHzToFreq(m_frequency),
                       m_openScreenTitle ? m_openScreenTitle() : std::string(kTitle));
    SetBerPattern(m_doc, Entry(BerChoices::kPatterns, m_pattern).code,
                  Entry(BerChoices::kModulations, m_modulation).code);
    SetReceiveAudio(m_doc, Entry(BerChoices::kAudio, m_audio).code);
    m_doc.Host().Sleep(kSetupPauseMs);
    const int frames = m_frames;
    if (!Continuous()) {
        m_status = "Test Started...";
        Show();
        CWaitCursor wait(m_doc.Host());
        if (SUCCEEDED(StartBerTest(m_doc, Entry(BerChoices::kContinuous, 0).code, frames))) {
            m_doc.Host().Sleep(static_cast<std::uint32_t>(m_time * 1000.0f + 360));
            // A failed read leaves the reply empty; the handling finds nothing in it.
            std::string reply;
            ReadBerResult(m_doc, reply);
            m_status = "No Sync Detected";
            HandleReply(reply);
        } else {
            m_status = "Test Failed";
        }
        m_running = false;
    } else {
        m_settingsEnabled = false;
        m_status = "Test in Progress...Please Wait";
        if (SUCCEEDED(StartBerTest(m_doc, Entry(BerChoices::kContinuous, 1).code, frames)))
            m_polling = true;
        else
            m_status = "Test Failed";  // still running: the next START/STOP stops it
    }
    Show();
}

void CBerTest::Tick() {
    if (m_running && Continuous() && !m_readFailed) {
        std::string reply;
        if (FAILED(ReadBerResult(m_doc, reply)))
            m_readFailed = true;  // no further reads while the screen is open
        else
            HandleReply(reply);
    }
    Show();
}

void CBerTest::Close() {
    if (m_running)
        StopBerTest(m_doc);
    m_running = false;
    m_polling = false;
}

void CBerTest::HandleReply(const std::string& reply) {
    const std::optional<BerResult> result = LatestBerResult(reply);
    if (result && result->tag != m_lastTag) {
        if (!result->sync) {
            m_status = "No Sync Detected";
            m_errorText.clear();
            m_rateText.clear();
            AppendBerData(m_doc, BerDataFile::NoSyncRecord(result->tag));
        } else {
            m_status = "Sync Detected";
            m_errorText = BerErrorText(result->errors);
            m_rateText = BerRateText(result->errors, m_frames);
            AppendBerData(m_doc, BerDataFile::SyncRecord(result->tag, m_errorText, m_rateText));
        }
        m_lastTag = result->tag;
        if (onResult)
            onResult(*result);
    }
    // A single test always shows its result, even with the tag of the one before.
    if (!Continuous())
        m_lastTag = 0;
}

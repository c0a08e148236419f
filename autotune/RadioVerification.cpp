#include "autotune/RadioVerification.h"

#include <cmath>

#include "autotune/AlignmentFace.h"
#include "autotune/AutoTuneFeatures.h"
#include "autotune/AutoTuneTasks.h"
#include "autotune/Measurement.h"
#include "autotune/RadioAlignment.h"
#include "autotune/ResidentProgram.h"
#include "autotune/TestSetLink.h"
#include "document/TunerDoc.h"
#include "radio/MessageFields.h"
#include "radio/RadioCommands.h"

namespace {

constexpr const char* kNoAnswer = CRadioAlignment::kNoAnswer;
constexpr const char* kNoProgram = CRadioAlignment::kNoProgram;
constexpr const char* kRadioLost = CRadioAlignment::kRadioLost;
constexpr const char* kStopped = CRadioAlignment::kStopped;
constexpr const char* kFaceGone = CRadioAlignment::kScreenClosed;
constexpr int kOpenDeviationLimit = 0x7FFF;
constexpr const char* kNoCts = CAutoTuneTasks::kNoCts;

/// A refusal as a clause of the report ("The radio refused to transmit." gives "the radio
/// refused to transmit").
std::string Clause(std::string text) {
    while (!text.empty() && (text.back() == '.' || text.back() == ' ')) text.pop_back();
    if (!text.empty() && text[0] >= 'A' && text[0] <= 'Z' && text.rfind("HP", 0) != 0)
        text[0] = static_cast<char>(text[0] - 'A' + 'a');
    return text;
}

/// The power level and modulation a feature is read with, as its tuning screen starts it.
int PowerCodeOf(const AutoTuneFeature& f) {
    return f.softpotType == kTxPower ? PowerLevelCode(f.powerLevel) : 0x03;
}

int ModulationOf(const AutoTuneFeature& f) {
    if (f.softpotType == kDevBalance)
        return kModHighTone;
    if (f.softpotType == kDevLimit)
        return kModDevLimit;
    return kModDefault;
}

}  // namespace

CRadioVerification::CRadioVerification(CTestSetLink& link, IAlignmentFace& face,
                                       std::function<bool()> stopped)
    : m_link(link), m_face(face), m_stopped(std::move(stopped)) {}

bool CRadioVerification::Radio(const std::function<void(CTunerDoc&)>& work, std::string& refused,
                               std::string& end) {
    struct Result {
        bool lost = false;
        std::string refusal;
    } result;
    const bool ran = m_face.WithDataSet([&](CTunerDoc& doc) {
        if (doc.m_radio == nullptr) {
            result.lost = true;
            return;
        }
        const int failures = doc.m_failureCount;
        work(doc);
        result.lost = doc.m_radio == nullptr;
        if (!result.lost && doc.m_failureCount != failures)
            result.refusal = doc.m_lastFailureRefused && !doc.m_lastFailureText.empty()
                                 ? Clause(doc.m_lastFailureText)
                                 : "the radio did not take a request";
    });
    if (!ran) {
        end = kFaceGone;
        return false;
    }
    if (result.lost) {
        end = kRadioLost;
        return false;
    }
    refused = result.refusal;
    return true;
}

void CRadioVerification::Dekey() {
    if (!m_keyed)
        return;
    m_keyed = false;
    std::string refused, end;
    Radio([](CTunerDoc& doc) { SetReceiveAudio(doc, kAudioMute); }, refused, end);
}

bool CRadioVerification::TestRow(int featureIndex, CAlignmentReport::Row& row,
                                 CAlignmentReport::Check& check, std::string& end) {
    const AutoTuneFeature& f = *AutoTuneFeatures::ByIndex(featureIndex);
    check = CAlignmentReport::Check{};
    std::string refused;
    double referenceMhz = 0.0;
    // The frequency and tone, then the key: the key alone (never the tuning screen's keying,
    // which sets the limiting softpots live).
    const bool sent = Radio(
        [&](CTunerDoc& doc) {
            referenceMhz = MessageFields::FreqToMHz(doc.m_testFreq[kRefOsc][0]);
            if (FAILED(TransmitAtFrequency(doc, row.freq, f.softpotType)))
                return;
            if (f.softpotType == kDevBalance && FAILED(SelectTone(doc, true)))
                return;
            std::string reply;
            m_keyed = true;
            if (FAILED(SendRequest(doc, "000401", reply, StatusMustBeZero(kRefusedToTransmit))))
                return;
            // The balance is read on the high tone past the limiter, as its screen keys it:
            // the limit opened for this reading only (the next test mode takes it back).
            if (f.softpotType == kDevBalance && m_openDeviationLimit)
                SetSoftpot(doc, kDevLimit, kOpenDeviationLimit);
        },
        refused, end);
    if (!sent)
        return false;
    if (!refused.empty()) {
        check.reason = refused;
        Dekey();
        return true;
    }
    if (m_stopped()) {
        end = kStopped;
        return false;
    }
    if (featureIndex == AutoTuneFeatures::kReferenceOscillator &&
        !m_link.SetAnalyzerFrequency(referenceMhz)) {
        check.reason = kNoCts;
        Dekey();
        return true;
    }
    const TestSetReading reply = m_link.RequestMeasurement(f.manual, m_stopped);
    Dekey();
    std::string why;
    const std::optional<CMeasurement> m =
        CMeasurement::FromReply(reply, AutoTuneFeatures::QuantityOf(f), why);
    if (reply.status == ReplyStatus::Stopped || (!m && m_stopped())) {
        end = kStopped;
        return false;
    }
    if (reply.status == ReplyStatus::NoAnswer) {
        end = kNoAnswer;
        return false;
    }
    if (!m) {
        check.reason = why;
        return true;
    }
    check.measured = true;
    check.reading = m->Value();
    check.pass =
        std::isfinite(check.reading) && std::fabs(check.reading - row.target) <= row.tolerance;
    if (!check.pass)
        check.reason = kOutside;
    return true;
}

std::string CRadioVerification::Test(const std::vector<CAlignmentReport::Row*>& rows,
                                     CAlignmentReport::Check CAlignmentReport::Row::*check) {
    std::string end;
    if (!rows.empty()) {
        // The resident program first, started (or loaded) as the row tasks start it.
        ResidentProgram::Progress progress;
        progress.report = [this](const std::string& status, int done, int total) {
            m_face.ShowRunProgress(status, done, total);
        };
        progress.cancelled = m_stopped;
        if (!ResidentProgram::EnsureResidentProgram(m_link, progress) || m_stopped())
            end = m_stopped() ? kStopped : kNoProgram;
    }
    std::string started;       // the feature under way
    std::string startRefused;  // why the radio did not take its start
    for (CAlignmentReport::Row* row : rows) {
        CAlignmentReport::Check& c = row->*check;
        c = CAlignmentReport::Check{};
        const AutoTuneFeature* f = AutoTuneFeatures::ByTitle(row->feature);
        if (end.empty() && m_stopped())
            end = kStopped;
        if (end.empty() && f != nullptr && row->feature != started) {
            // As the tuning screen starts the feature, without its live value.
            startRefused.clear();
            if (Radio(
                    [&](CTunerDoc& doc) {
                        m_keyed = false;
                        if (SUCCEEDED(EnterTestMode(doc)) &&
                            SUCCEEDED(SetReceiveAudio(doc, kAudioMute)) &&
                            SUCCEEDED(SetPowerLevel(doc, PowerCodeOf(*f))) &&
                            (f->softpotType != kDevBalance ||
                             SUCCEEDED(SendRequest(doc, "000701"))))
                            SelectModulation(doc, ModulationOf(*f));
                    },
                    startRefused, end))
                started = row->feature;
        }
        if (!end.empty()) {
            c.reason = std::string(kNotTested) + ": " + end;
        } else if (f == nullptr) {
            c.reason = kNotTested;
        } else if (!startRefused.empty()) {
            c.reason = startRefused;  // none of the feature's rows can be read
        } else if (!TestRow(f->index, *row, c, end)) {
            Dekey();
            c = CAlignmentReport::Check{};
            c.reason = std::string(kNotTested) + ": " + end;
        }
    }
    Dekey();
    return end;
}

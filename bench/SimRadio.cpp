#include "SimRadio.h"

#include <algorithm>
#include <cctype>
#include <chrono>
#include <cmath>

#include "radio/ModelConfig.h"

namespace {

std::int64_t SteadyMs() {
    return std::chrono::duration_cast<std::chrono::milliseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

CSimRadio::Bytes FromHex(const std::string& hex) {
    CSimRadio::Bytes b;
    for (std::size_t i = 0; i + 1 < hex.size(); i += 2)
        b.push_back(static_cast<std::uint8_t>(std::stoi(hex.substr(i, 2), nullptr, 16)));
    return b;
}

std::string ToHex(const CSimRadio::Bytes& b) {
    static const char* digits = "0123456789abcdef";
    std::string s;
    for (std::uint8_t x : b) {
        s += digits[x >> 4];
        s += digits[x & 15];
    }
    return s;
}

void Put16(CSimRadio::Bytes& b, int v) {
    b.push_back(static_cast<std::uint8_t>((v >> 8) & 0xFF));
    b.push_back(static_cast<std::uint8_t>(v & 0xFF));
}

void Put32(CSimRadio::Bytes& b, std::uint32_t v) {
    Put16(b, static_cast<int>(v >> 16));
    Put16(b, static_cast<int>(v & 0xFFFF));
}

void PutText(CSimRadio::Bytes& b, const std::string& s) {
    b.insert(b.end(), s.begin(), s.end());
    b.push_back(0x00);
}

std::uint32_t Get32(const CSimRadio::Bytes& p, std::size_t at) {
    return (std::uint32_t(p[at]) << 24) | (std::uint32_t(p[at + 1]) << 16) |
           (std::uint32_t(p[at + 2]) << 8) | p[at + 3];
}

constexpr int kBerRecordSlots = 4;
constexpr int kBitsPerFrame = 3456;
constexpr int kFrameMs = 360;

}  // namespace

CSimRadio::CSimRadio(const CRadioProfile& profile, std::uint32_t seed, bool noise)
    : m_profile(profile),
      m_response(profile, seed),
      m_clock(SteadyMs),
      m_rng(seed),
      m_noise(noise) {
    for (int t = 0; t < 13; ++t) {
        const int n = t >= 9 ? 1 : m_profile.Count(t);
        m_programmed[t].assign(n, m_profile.initial[t]);
    }
    const int nPower = m_profile.Count(1);
    m_programmed[1].assign(nPower, m_profile.powerHigh);
    m_programmed[13].assign(nPower, m_profile.powerLow);
    m_programmed[14].assign(nPower, m_profile.powerMid);
}

CSimRadio::Bytes CSimRadio::Wire(const Bytes& frame) {
    Bytes w{0xA5};
    w.insert(w.end(), frame.begin(), frame.end());
    std::uint8_t sum = 0;
    for (std::uint8_t b : frame) sum = static_cast<std::uint8_t>(sum + b);
    w.push_back(static_cast<std::uint8_t>(0x100 - sum));
    return w;
}

void CSimRadio::SetFaults(const BenchFaults& faults) {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_faults = faults;
    for (std::string* hex : {&m_faults.onlyRequest, &m_faults.refuseRequest}) {
        for (char& c : *hex) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
}

BenchFaults CSimRadio::Faults() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_faults;
}

void CSimRadio::SetClock(Clock clock) {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_clock = std::move(clock);
    m_warmthAtMs = -1;  // the warmth goes on from the new clock's first reading
}

CSimRadio::Bytes CSimRadio::HandleFrame(const Bytes& requestFrame) {
    if (requestFrame.size() < 4)
        return {};
    const std::size_t len = (std::size_t(requestFrame[0]) << 8) | requestFrame[1];
    if (len != requestFrame.size() - 2)
        return {};
    const Bytes payload(requestFrame.begin() + 2, requestFrame.end());
    Bytes reply;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        const std::string& refused = m_faults.refuseRequest;
        if (!refused.empty() && ToHex(payload).rfind(refused, 0) == 0) {
            reply = {payload[0], payload[1], kStatusBadParameters};
        } else {
            reply = Handle(payload);
        }
    }
    if (reply.empty())
        return {};
    Bytes frame;
    Put16(frame, static_cast<int>(reply.size()));
    frame.insert(frame.end(), reply.begin(), reply.end());
    return frame;
}

CSimRadio::WireAnswer CSimRadio::Answer(const Bytes& requestFrame) {
    BenchFaults f;
    int count = 0;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        f = m_faults;
        count = ++m_requests;
    }
    if (f.dropAfterRequests >= 0 && count > f.dropAfterRequests)
        return {};
    const std::string hex =
        requestFrame.size() > 2 ? ToHex(Bytes(requestFrame.begin() + 2, requestFrame.end())) : "";
    const bool hit = f.onlyRequest.empty() || hex.rfind(f.onlyRequest, 0) == 0;
    const Bytes frame = HandleFrame(requestFrame);
    if (frame.empty() || (hit && f.noAnswer))
        return {};
    WireAnswer a;
    a.wire = Wire(frame);
    if (!hit)
        return a;
    if (f.corruptReply)
        a.wire.back() = static_cast<std::uint8_t>(a.wire.back() ^ 0x5A);
    if (f.truncatedReply)
        a.wire.resize(std::max<std::size_t>(2, a.wire.size() / 2));
    if (f.lateAnswer)
        a.delayMs = f.lateAnswerMs;
    return a;
}

CSimRadio::Bytes CSimRadio::Handle(const Bytes& p) {
    if (p.size() < 2)
        return {};
    const int op = (p[0] << 8) | p[1];
    Bytes r{p[0], p[1]};
    auto status = [&](std::uint8_t s) {
        r.push_back(s);
        return r;
    };
    switch (op) {
        case 0x0001:
            return Softpot(p);
        case 0x0002:  // modulation / tone
            if (p.size() < 3)
                return status(kStatusBadParameters);
            m_modulation = p[2];
            return status(0);
        case 0x0003:  // BER pattern (framed 1011, V.52) and modulation type (0 to 2)
            if (p.size() != 4 || (p[2] != 0x21 && p[2] != 0x25) || p[3] > 2)
                return status(kStatusBadParameters);
            m_berPattern = p[2];
            m_berModulation = p[3];
            return status(0);
        case 0x0004:  // key
            SetKeyed(true);
            m_receiving = false;
            return status(0);
        case 0x0005:  // receive audio route; dekeys
            if (p.size() < 3)
                return status(kStatusBadParameters);
            m_audio = p[2];
            SetKeyed(false);
            return status(0);
        case 0x0006:
            if (p.size() < 3 || (p[2] != 0x00 && p[2] != 0x01 && p[2] != 0x03))
                return status(kStatusBadParameters);
            m_powerCode = p[2];
            return status(0);
        case 0x0007:
            m_devBalanceSetup = true;
            return status(0);
        case 0x000A:
        case 0x000B:
            if (p.size() < 8)
                return status(kStatusBadParameters);
            if (op == 0x000A) {
                m_rxFreq = Get32(p, 2);
                m_rxSpacing = p[6];
                m_receiving = true;
                SetKeyed(false);
            } else {
                m_txFreq = Get32(p, 2);
                m_txSpacing = p[6];
                m_receiving = false;
            }
            return status(0);
        case 0x000C:
            ExitTestMode();
            m_testMode = true;
            return status(0);
        case 0x000D:
            ExitTestMode();
            return status(0);
        case 0x000E: {
            // Reply code, the request's parameter, status, then a 16-bit reading.
            const std::uint8_t param = p.size() > 2 ? p[2] : 0x02;
            r.push_back(param);
            r.push_back(0x00);
            Put16(r, SignalStrengthLocked());
            return r;
        }
        case 0x000F: {
            if (p.size() < 3)
                return status(kStatusBadParameters);
            if (p[2] == 0x40) {
                status(0);
                r.insert(r.end(), m_profile.tuningHwVersion.begin(),
                         m_profile.tuningHwVersion.end());
                return r;
            }
            const std::string* text = p[2] == 0x00   ? &m_profile.hostVersion
                                      : p[2] == 0x10 ? &m_profile.dspVersion
                                      : p[2] == 0x20 ? &m_profile.xpmVersion
                                                     : nullptr;
            if (text == nullptr)
                return status(kStatusUnknown);
            status(0);
            PutText(r, *text);
            return r;
        }
        case 0x0010:
            status(0);
            PutText(r, m_profile.modelNumber);
            return r;
        case 0x0011:
            status(0);
            PutText(r, m_faults.emptySerial   ? std::string()
                       : m_faults.blankSerial ? ModelConfig::BlankSerialNumber()
                                              : m_profile.serialNumber);
            return r;
        case 0x0012: {
            status(0);
            const Bytes id = m_faults.unsupportedModel
                                 ? FromHex("503235564547414c3930303030303039")
                                 : FromHex(ModelConfig::ModelIdentifiers()[static_cast<std::size_t>(
                                       std::clamp(m_profile.modelIndex, 0, 2))]);
            r.insert(r.end(), id.begin(), id.end());
            return r;
        }
        case 0x0016:
        case 0x0017:
            return Ber(p);
        case 0x0100: {
            if (m_faults.freqListError)
                return status(kStatusUnknown);
            status(0);
            // 5 bytes echoing the request's selector, the block length, then 12 bytes.
            for (std::size_t i = 2; i < 7; ++i) r.push_back(i < p.size() ? p[i] : 0);
            const int n = static_cast<int>(std::min<std::size_t>(m_profile.records.size(), 25));
            Put16(r, 10 + 8 * n);
            for (int i = 0; i < 12; ++i) r.push_back(0x00);
            for (int i = 0; i < n; ++i) {
                const CRadioProfile::Record& rec = m_profile.records[static_cast<std::size_t>(i)];
                r.push_back(0x00);
                r.push_back(0x08);
                r.push_back(static_cast<std::uint8_t>(i));
                r.push_back(rec.flags);
                Put32(r, rec.freq);
            }
            return r;
        }
        default:
            return status(kStatusUnknown);
    }
}

int CSimRadio::Slot(int type) const {
    if (type != 1)
        return type;
    return m_powerCode == 0x03 ? 13 : m_powerCode == 0x01 ? 14 : 1;
}

CSimRadio::Bytes CSimRadio::Softpot(const Bytes& p) {
    Bytes r{p[0], p[1]};
    if (p.size() < 4) {
        r.push_back(kStatusBadParameters);
        return r;
    }
    const int fn = p[2];
    const int type = p[3];
    if (type > 12) {
        r.push_back(kStatusBadParameters);
        return r;
    }
    const int width = m_profile.Width(type);
    const int slot = Slot(type);
    std::vector<int>& prog = m_programmed[static_cast<std::size_t>(slot)];
    auto header = [&] {
        r.push_back(0x00);
        r.push_back(static_cast<std::uint8_t>(fn));
        r.push_back(static_cast<std::uint8_t>(type));
    };
    switch (fn) {
        case 0x02: {  // live value
            if (p.size() != 4u + static_cast<std::size_t>(width)) {
                r.push_back(kStatusBadParameters);
                return r;
            }
            m_live[static_cast<std::size_t>(slot)] = width == 2 ? (p[4] << 8) | p[5] : p[4];
            m_liveSet[static_cast<std::size_t>(slot)] = true;
            r.push_back(0x00);
            return r;
        }
        case 0x03:  // read programmed values, one per test frequency
            header();
            for (int v : prog) {
                if (width == 2)
                    Put16(r, v);
                else
                    r.push_back(static_cast<std::uint8_t>(v));
            }
            return r;
        case 0x04: {  // program
            const std::size_t bytes = p.size() - 4;
            if (bytes == 0 || bytes % static_cast<std::size_t>(width) != 0) {
                r.push_back(kStatusBadParameters);
                return r;
            }
            std::vector<int> values;
            for (std::size_t i = 4; i + width <= p.size(); i += static_cast<std::size_t>(width))
                values.push_back(width == 2 ? (p[i] << 8) | p[i + 1] : p[i]);
            if (type == 4) {
                std::fill(prog.begin(), prog.end(), values[0]);
            } else {
                for (std::size_t i = 0; i < values.size() && i < prog.size(); ++i)
                    prog[i] = values[i];
            }
            m_liveSet[static_cast<std::size_t>(slot)] = false;
            r.push_back(0x00);
            return r;
        }
        case 0x05: {  // battery calibration for the supply voltage given (in 10 mV)
            // The supply is at 6.90 V; each calibration step moves the reading by 20 mV, so the
            // value that makes the radio read the voltage given is this one.
            const int volts = p.size() >= 6 ? (p[4] << 8) | p[5] : 690;
            header();
            r.push_back(static_cast<std::uint8_t>(
                std::clamp(m_profile.batteryCalIdeal + (volts - 690) / 2, 0, 255)));
            return r;
        }
        case 0x06:
        case 0x07:
            header();
            r.push_back(static_cast<std::uint8_t>(fn == 0x06 ? m_profile.limitMin[type]
                                                             : m_profile.limitMax[type]));
            return r;
        default:
            r.push_back(kStatusUnknown);
            return r;
    }
}

CSimRadio::Bytes CSimRadio::Ber(const Bytes& p) {
    Bytes r{p[0], p[1]};
    UpdateBer();
    if (p[1] == 0x16) {
        if (p.size() < 4) {
            r.push_back(kStatusBadParameters);
            return r;
        }
        const int code = p[2];
        const int frames = p[3];
        if (code == 0) {
            m_berMode = 0;
            r.push_back(0x00);
            return r;
        }
        if (m_faults.refuseBer || (code != 1 && code != 2) || frames == 0) {
            r.push_back(0x01);
            return r;
        }
        m_berMode = code;
        m_berFrames = frames;
        m_berStartMs = m_clock();
        m_berDone = 0;
        m_berRecords.clear();  // a new test starts with empty result slots
        r.push_back(0x00);
        return r;
    }
    r.push_back(m_faults.berBadStatus ? 0x01 : 0x00);
    std::size_t shown = 0;
    for (const BerRecord& rec : m_berRecords) {
        r.push_back(m_faults.berNoTags ? 0x00 : static_cast<std::uint8_t>(rec.tag));
        r.push_back(rec.sync ? 0x00 : 0x01);
        r.push_back(static_cast<std::uint8_t>((rec.errors >> 16) & 0xFF));
        Put16(r, static_cast<int>(rec.errors & 0xFFFF));
        ++shown;
    }
    if (m_faults.berShortRecord) {
        // The newest record loses the two low bytes of its error count; no empty slots.
        if (shown > 0)
            r.resize(r.size() - 2);
        return r;
    }
    for (; shown < kBerRecordSlots; ++shown) {
        for (int i = 0; i < 5; ++i) r.push_back(0x00);
    }
    return r;
}

void CSimRadio::UpdateBer() {
    if (m_berMode == 0 || m_berFrames <= 0)
        return;
    const std::int64_t period = static_cast<std::int64_t>(m_berFrames) * kFrameMs;
    const std::int64_t due = (m_clock() - m_berStartMs) / period;
    while (m_berDone < due) {
        ++m_berDone;
        const double pErr = BitErrorProbability();
        const bool sync = pErr < 0.1;
        const double bits = static_cast<double>(m_berFrames) * kBitsPerFrame;
        double errors = bits * pErr;
        if (m_noise)
            errors += Noise(std::sqrt(errors + 1.0));
        BerRecord rec{m_nextTag, sync,
                      sync ? static_cast<std::uint32_t>(std::clamp(errors, 0.0, bits)) : 0u};
        m_nextTag = m_nextTag >= 255 ? 1 : m_nextTag + 1;
        m_berRecords.push_back(rec);
        while (m_berRecords.size() > kBerRecordSlots) m_berRecords.pop_front();
        if (m_berMode == 1) {
            m_berMode = 0;
            break;
        }
    }
}

void CSimRadio::ExitTestMode() {
    m_testMode = false;
    SetKeyed(false);
    m_receiving = false;
    m_berMode = 0;
    m_liveSet.fill(false);
    m_devBalanceSetup = false;
}

int CSimRadio::NearestIndex(int type, std::uint32_t freq) const {
    return std::max(0, m_profile.NearestRecord(type == 13 || type == 14 ? 1 : type, freq));
}

int CSimRadio::EffectiveLocked(int type) const {
    const int slot = Slot(type);
    if (m_liveSet[static_cast<std::size_t>(slot)])
        return m_live[static_cast<std::size_t>(slot)];
    const std::vector<int>& prog = m_programmed[static_cast<std::size_t>(slot)];
    if (prog.empty())
        return type == 1 ? m_profile.powerHigh : m_profile.initial[static_cast<std::size_t>(type)];
    const std::uint32_t freq = type == 3 ? m_rxFreq : m_txFreq;
    return prog[static_cast<std::size_t>(NearestIndex(slot, freq))];
}

double CSimRadio::Noise(double sigma) {
    if (!m_noise || sigma <= 0)
        return 0;
    std::normal_distribution<double> d(0.0, sigma);
    return d(m_rng);
}

double CSimRadio::Wild(double reading, double scale) {
    if (!m_noise || m_profile.outlierFraction <= 0)
        return reading;
    std::uniform_real_distribution<double> u(0.0, 1.0);
    if (u(m_rng) >= m_profile.outlierFraction)
        return reading;
    const double size =
        m_profile.outlierMin + (m_profile.outlierMax - m_profile.outlierMin) * u(m_rng);
    return reading + (u(m_rng) < 0.5 ? -size : size) * scale;
}

void CSimRadio::SetKeyed(bool keyed) {
    WarmthLocked();
    m_keyed = keyed;
}

double CSimRadio::WarmthLocked() {
    // The amplifier warms towards 1 while keyed and cools towards 0 otherwise, both with the
    // profile's time constant; without a sag there is nothing to follow (the clock is not read).
    if (!m_noise || m_profile.warmupSag <= 0)
        return 0;
    const std::int64_t now = m_clock();
    if (m_warmthAtMs >= 0 && now > m_warmthAtMs) {
        const double k = std::exp(-(now - m_warmthAtMs) / 1000.0 / m_profile.warmupSeconds);
        m_warmth = m_keyed ? 1.0 - (1.0 - m_warmth) * k : m_warmth * k;
    }
    m_warmthAtMs = now;
    return m_warmth;
}

double CSimRadio::Warmth() {
    std::lock_guard<std::mutex> lock(m_mutex);
    return WarmthLocked();
}

double CSimRadio::BitErrorProbability() const {
    if (!m_testMode || !m_receiving || m_rxFreq == 0)
        return 1.0;
    const std::vector<std::uint32_t> all = m_profile.Frequencies(8);
    const std::uint32_t lo = all.empty() ? m_rxFreq : *std::min_element(all.begin(), all.end());
    const std::uint32_t hi = all.empty() ? m_rxFreq : *std::max_element(all.begin(), all.end());
    // Far outside the band nothing is received.
    if (m_rxFreq + 2000000u < lo || m_rxFreq > hi + 2000000u)
        return 1.0;
    const double opt =
        m_profile.filterBase + m_profile.filterSlope * (m_rxFreq - double(lo)) * 5e-6;
    const double dist = std::abs(EffectiveLocked(3) - opt);
    return std::min(0.5, 2e-5 * std::exp(dist / 9.0));
}

int CSimRadio::SignalStrengthLocked() {
    if (!m_testMode || !m_receiving || m_rxFreq == 0)
        return 0;
    const std::vector<std::uint32_t> all = m_profile.Frequencies(8);
    const std::uint32_t lo = all.empty() ? m_rxFreq : *std::min_element(all.begin(), all.end());
    const double opt =
        m_profile.filterBase + m_profile.filterSlope * (m_rxFreq - double(lo)) * 5e-6;
    const double dist = EffectiveLocked(3) - opt;
    const double s = 220.0 - 0.08 * dist * dist + Noise(1.5);
    return static_cast<int>(std::clamp(std::lround(s), 0L, 1023L));
}

int CSimRadio::SignalStrength() {
    std::lock_guard<std::mutex> lock(m_mutex);
    return SignalStrengthLocked();
}

double CSimRadio::PatternDeviationHz(int code, int spacing) {
    // Deviation of each built-in test pattern on a 25 kHz channel; the symbol rate pattern
    // (0x23) is the high-deviation one that the deviation limit is set with. A 12.5 kHz
    // channel halves them.
    double hz = 0;
    switch (code) {
        case 0x20:
            hz = 2450;
            break;  // digital voice
        case 0x21:
            hz = 2500;
            break;  // standard tone test pattern (framed 1011)
        case 0x22:
            hz = 2550;
            break;  // raw 1011
        case 0x23:
            hz = 4000;
            break;  // symbol rate, high deviation
        case 0x24:
            hz = 1060;
            break;  // low deviation
        case 0x25:
            hz = 2350;
            break;  // standard test pattern (V.52)
        case 0x26:
            hz = 2650;
            break;  // C4FM modulation fidelity
        case 0x27:
            hz = 2200;
            break;  // silent frame
        case 0x28:
            hz = 1800;
            break;  // DM0
        case 0x29:
            hz = 1950;
            break;  // DM1
        default:
            return 0;
    }
    return spacing == 0x32 ? hz / 2 : hz;
}

RfOutput CSimRadio::Transmitter() {
    std::lock_guard<std::mutex> lock(m_mutex);
    RfOutput o;
    // PA bias test mode (modulation 0x01) turns the amplifier of a radio with adjustable bias
    // on without keying: an unmodulated carrier whose power rises with the three bias values.
    const bool paBias = m_modulation == 0x01 && ModelConfig::HasPaBias(m_profile.modelNumber);
    std::uint32_t freq = m_txFreq;
    if (freq == 0 && paBias && !m_profile.records.empty())
        freq = m_profile.records.front().freq;
    if (!m_testMode || !(m_keyed || paBias) || freq == 0)
        return o;
    o.keyed = true;
    o.errorHz = m_response.CarrierErrorHz(m_response.Row(0, freq), EffectiveLocked(0)) +
                Noise(m_profile.freqNoiseHz);
    o.errorHz = Wild(o.errorHz, std::max(std::fabs(o.errorHz), m_profile.outlierFreqHz));
    o.carrierHz = freq * 5.0 + o.errorHz;
    if (paBias && !m_keyed) {
        const int bias = EffectiveLocked(9) + EffectiveLocked(10) + EffectiveLocked(11);
        o.powerW = std::max(0.0, kPaBiasWattsPerStep * bias * (1.0 + Noise(m_profile.powerNoise)));
        return o;
    }
    const int level = m_powerCode == 0x03 ? 1 : m_powerCode == 0x01 ? 2 : 3;
    const double raw = m_response.PowerW(level, m_response.Row(1, freq), EffectiveLocked(1));
    const double limit = m_profile.currentLimitW * (EffectiveLocked(4) + 1);
    const double sag = 1.0 - m_profile.warmupSag * WarmthLocked();
    o.powerW = std::max(0.0, std::min(raw, limit) * sag * (1.0 + Noise(m_profile.powerNoise)));
    o.powerW = Wild(o.powerW, o.powerW);
    const double devLimitHz = m_response.LimitHz(m_response.Row(5, freq), EffectiveLocked(5));
    double signal = 0;
    if (m_modulation == 0x11)
        signal = CRadioResponse::kToneHz;
    else if (m_modulation == 0x12)
        signal = m_response.HighToneHz(m_response.Row(2, freq), EffectiveLocked(2));
    else
        signal = PatternDeviationHz(m_modulation, m_txSpacing);
    o.deviationHz = std::max(0.0, m_response.Clip(signal, devLimitHz) +
                                      (signal > 0 ? Noise(m_profile.devNoiseHz) : 0.0));
    if (signal > 0)
        o.deviationHz = Wild(o.deviationHz, o.deviationHz);
    return o;
}

bool CSimRadio::InTestMode() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_testMode;
}
bool CSimRadio::Keyed() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_keyed;
}
std::uint32_t CSimRadio::TxFrequency() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_txFreq;
}
std::uint32_t CSimRadio::RxFrequency() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_rxFreq;
}
int CSimRadio::PowerLevelCode() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_powerCode;
}
int CSimRadio::Modulation() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_modulation;
}
int CSimRadio::AudioRoute() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_audio;
}
int CSimRadio::RequestCount() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_requests;
}
std::vector<int> CSimRadio::Programmed(int type, int powerCode) const {
    std::lock_guard<std::mutex> lock(m_mutex);
    if (type < 0 || type > 12)
        return {};
    if (type != 1)
        return m_programmed[static_cast<std::size_t>(type)];
    return m_programmed[powerCode == 0x03 ? 13 : powerCode == 0x01 ? 14 : 1];
}
int CSimRadio::Effective(int type) const {
    std::lock_guard<std::mutex> lock(m_mutex);
    if (type < 0 || type > 12)
        return 0;
    return EffectiveLocked(type);
}

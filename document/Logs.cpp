#include "Logs.h"

#include <cstdio>

#include "TunerDoc.h"

namespace {

constexpr char kLogHeader[] = " Logfile for Quillmore Tuner\n ---------------------------";
constexpr char kBerHeader[] =
    "BER Data file for Quillmore Tuner\n----------------------------------";

/// Opens path with mode ("wb" restarts, "ab" appends), writes text with CR LF line ends and
/// closes it again. A file that cannot be opened is skipped silently.
void WriteLogText(const std::string& path, const char* mode, const std::string& text) {
    std::FILE* f = std::fopen(path.c_str(), mode);
    if (f == nullptr)
        return;
    const std::string bytes = ToCrLf(text);
    if (!bytes.empty())
        std::fwrite(bytes.data(), 1, bytes.size(), f);
    std::fclose(f);
}

}  // namespace

std::string ToCrLf(const std::string& text) {
    std::string out;
    out.reserve(text.size() + text.size() / 8);
    for (char c : text) {
        if (c == '\n')
            out.push_back('\r');
        out.push_back(c);
    }
    return out;
}

std::string FeatureLogTitle(int type, int level) {
    switch (type) {
        case kRefOsc:
            return "\n\nReference Oscillator\n";
        case kTxPower:
            if (level == 3)
                return "\n\nTx Power (High)\n";
            if (level == 2)
                return "\n\nTx Power (Mid)\n";
            if (level == 1)
                return "\n\nTx Power (Low)\n";
            return "";
        case kDevBalance:
            return "\n\nTx Deviation Balance\n";
        case kFrontEndFilter:
            return "\n\nRx Front-End Filter\n";
        case kCurrentLimit:
            return "\n\nTx Current Limit\n";
        case kDevLimit:
            return "\n\nTx Deviation Limit\n";
        // The PA bias titles end without a line end: the first entry continues the line.
        case kPaBias1:
            return "\n\nPA Bias 1";
        case kPaBias2:
            return "\n\nPA Bias 2";
        case kPaBias3:
            return "\n\nPA Bias 3";
        case kPaBias4:
            return "\n\nPA Bias 4";
        case 20:
            return "\n\nBit Error Rate\n";
        case 21:
            return "\n\nTx Test Pattern\n";
        default:
            return "";
    }
}

void StartLogs(CTunerDoc& doc) {
    const bool log = doc.LogFileExists();
    const bool ber = doc.BerFileExists();
    if (log)
        WriteLogText(doc.m_logPath, "wb", kLogHeader);
    if (ber)
        WriteLogText(doc.m_berPath, "wb", kBerHeader);
}

void LogFeatureTitle(CTunerDoc& doc, int type, int level) {
    if (!doc.LogFileExists())
        return;
    WriteLogText(doc.m_logPath, "ab", FeatureLogTitle(type, level));
}

void AppendTuningLog(CTunerDoc& doc, const std::string& text) {
    if (!doc.LogFileExists())
        return;
    WriteLogText(doc.m_logPath, "ab", text);
}

void AppendBerData(CTunerDoc& doc, const std::string& text) {
    if (!doc.BerFileExists())
        return;
    WriteLogText(doc.m_berPath, "ab", text);
}

#include "BerDataFile.h"

#include <cstdio>

namespace BerDataFile {

namespace {

std::string Printf(const char* format, double value) {
    char text[64];
    std::snprintf(text, sizeof text, format, value);
    return text;
}

}  // namespace

std::string TestHeader(const TestCriteria& t) {
    return "\n\nTest Criteria for BER Test# " + std::to_string(t.testNumber) +
           "\n--------------------------------\n" + "\nRx Frequency (Mhz):\t" +
           Printf("%f", t.frequency) + "\nTest Pattern:\t\t" + t.pattern + "\nModulation Type:\t" +
           t.modulation + "\nContinuous Operation:\t" + t.continuous + "\nAudio:\t\t\t" + t.audio +
           "\nIntegration Time:\t" + Printf("%f", static_cast<double>(t.time)) + "\nFrames:\t\t\t" +
           std::to_string(t.frames) + "\n\nResults:\n" + "----------\n" +
           "Tag\tBER Errors\tBER Percent\n" + "-------------------------------------\n";
}

std::string SyncRecord(int tag, const std::string& errorText, const std::string& rateText) {
    return std::to_string(tag) + "\t" + errorText + "\t\t" + rateText + "\n";
}

std::string NoSyncRecord(int tag) {
    return std::to_string(tag) + "\tNo sync detected\n";
}

}  // namespace BerDataFile

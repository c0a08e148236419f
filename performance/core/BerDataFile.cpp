#include "BerDataFile.h"

#include "radio/NumberText.h"

namespace BerDataFile {

std::string TestHeader(const TestCriteria& t) {
    return "\n\nTest Criteria for BER Test# " + std::to_string(t.testNumber) +
           "\n--------------------------------\n" + "\nRx Frequency (Mhz):\t" +
           NumberText::Fixed(t.frequency, 6) + "\nTest Pattern:\t\t" + t.pattern +
           "\nModulation Type:\t" + t.modulation + "\nContinuous Operation:\t" + t.continuous +
           "\nAudio:\t\t\t" + t.audio + "\nIntegration Time:\t" +
           NumberText::Fixed(static_cast<double>(t.time), 6) + "\nFrames:\t\t\t" +
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

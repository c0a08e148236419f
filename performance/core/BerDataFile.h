#pragma once

#include <string>

/// What a bit error rate test writes to the data file ("\n" line ends; the file turns them
/// into CR LF).
namespace BerDataFile {

/// The settings of a test as its header shows them.
struct TestCriteria {
    int testNumber = 1;
    double frequency = 0.0;                              ///< MHz
    std::string pattern, modulation, continuous, audio;  ///< the lists' entry texts
    float time = 0.0f;
    int frames = 0;
};

/// The header written when a test starts.
std::string TestHeader(const TestCriteria& test);
/// A result with sync: tag, error count text and rate text.
std::string SyncRecord(int tag, const std::string& errorText, const std::string& rateText);
/// A result without sync.
std::string NoSyncRecord(int tag);

}  // namespace BerDataFile

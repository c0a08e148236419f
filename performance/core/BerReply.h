#pragma once

#include <optional>
#include <string>

/// One result record of the radio's bit error rate reply.
struct BerResult {
    int tag = 0;  ///< record number; 0 is an empty record
    bool sync = false;
    long errors = 0;  ///< bit errors counted
};

/// Decodes the reply text of the result read (hex digits): 4 characters not used, the status
/// "00", then 10-character records (tag, sync "00" = sync detected, 6-digit error count). Gives
/// the last record whose tag is not 0, or nothing when the status is not "00", no record has a
/// tag, or no whole record arrived. A remainder shorter than a record at the end is not a
/// record and is ignored; nothing is read beyond the text.
std::optional<BerResult> LatestBerResult(const std::string& reply);

/// The error count as the Results field and the data file show it ("%0.3d": "034").
std::string BerErrorText(long errors);
/// The bit error rate in percent of frames x 3456 bits ("%0.3f": "0.004").
std::string BerRateText(long errors, int frames);

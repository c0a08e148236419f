#pragma once

#include <string>

/// Faults the bench can put on its lines, from the command line or at run time.
struct BenchFaults {
    // Radio line (wire level). When onlyRequest is not empty, these apply only to requests
    // whose payload hex begins with it ("0017" = only the BER result read).
    bool noAnswer = false;    ///< the radio stays silent
    bool lateAnswer = false;  ///< the reply comes lateAnswerMs after the request
    int lateAnswerMs = 3500;
    bool corruptReply = false;    ///< the reply's checksum is wrong
    bool truncatedReply = false;  ///< only the first half of the reply is sent
    /// Answers this many requests (counted from the start), then goes silent (-1: never).
    int dropAfterRequests = -1;
    std::string onlyRequest;

    // Radio content.
    bool unsupportedModel = false;  ///< answers the model query with an unknown identifier
    bool blankSerial = false;       ///< reports the serial number of an uninitialised board
    bool emptySerial = false;       ///< reports an empty serial number
    bool freqListError = false;     ///< the frequency-list read answers with status 01
    bool refuseBer = false;         ///< the BER start answers 00 16 01
    bool berBadStatus = false;      ///< the BER result read answers with status 01
    bool berShortRecord = false;    ///< the BER result read cuts its last record to 3 bytes
    bool berNoTags = false;         ///< every record of the BER result read has tag 0
    /// Requests whose payload hex begins with this are refused: the radio answers their
    /// opcode with status 02 (bad parameters) and does nothing ("000104" = all programming).
    std::string refuseRequest;

    // Test set.
    bool testSetShortReplies = false;  ///< measurement replies stop halfway through field 2
    bool testSetShortField1 = false;   ///< measurement replies stop halfway through field 1
    bool testSetSilent = false;        ///< the test set sends nothing at all
    bool testSetNoCts = false;         ///< the frequency code is not answered with "CTS"
    /// Measurements that send no reply and go back to polling, as after an instrument-bus
    /// error: this many of the next ones (-1: every one).
    int testSetNoReply = 0;
    /// Measurement replies carry "ZZZZZZZZZZZZZZZZ" in place of a value: in this field (1 to
    /// 3), in every field (-1), or in none (0).
    int testSetGarbageField = 0;
    /// Measurement replies carry a broken exponent (" 1.48200000En001"): in this field (1 to
    /// 3), in every field (-1), or in none (0).
    int testSetBadExponent = 0;
    /// The test set holds the tuner's output with XOFF and never sends XON.
    bool testSetXoff = false;
};

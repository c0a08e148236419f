#pragma once

#include <string>

#include "document/TunerDoc.h"
#include "radio/RadioCommands.h"

/// Every command that reads something out of its reply, in the order the reply-parser fuzz
/// target runs them (and its seeds record their replies).
inline void RunFuzzCommands(CTunerDoc& doc) {
    int value = 0, minimum = 0, maximum = 0;
    std::string text;
    ReadBatteryCalibration(doc, value);
    ReadSoftpotLimits(doc, kRefOsc, minimum, maximum);
    ReadSignalStrength(doc, value);
    StartBerTest(doc, 1, 10);
    ReadBerResult(doc, text);
    StopBerTest(doc);
    SetSoftpot(doc, kRefOsc, 100);
    SetPowerLevel(doc, 1);
    StartFeature(doc, kTxPower, 1, 851012500, 40);
    SetPtt(doc, false, kTxPower);
    const int values[3] = {10, 20, 30};
    doc.m_writing = true;  // no radio match first: the replies go to the programming itself
    ProgramSoftpots(doc, kDevBalance, values, 3, "Tx Deviation Balance");
    doc.m_writing = false;
}

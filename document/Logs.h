#pragma once

#include <string>

class CTunerDoc;

/// Restarts the tuning log and the bit error rate file when they exist beside the executable.
void StartLogs(CTunerDoc& doc);
/// Appends the section title of a screen (softpot type and level, 20 BER, 21 test pattern).
void LogFeatureTitle(CTunerDoc& doc, int type, int level);
/// Appends text to the bit error rate file when it exists ("\n" becomes CR LF).
void AppendBerData(CTunerDoc& doc, const std::string& text);

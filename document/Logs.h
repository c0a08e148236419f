#pragma once

#include <string>

class CTunerDoc;

/// Restarts the tuning log and the bit error rate file when they exist beside the executable.
void StartLogs(CTunerDoc& doc);
/// Appends the section title of a screen (softpot type and level, 20 BER, 21 test pattern).
void LogFeatureTitle(CTunerDoc& doc, int type, int level);
/// Appends text to the tuning log when it exists ("\n" becomes CR LF).
void AppendTuningLog(CTunerDoc& doc, const std::string& text);
/// Appends text to the bit error rate file when it exists ("\n" becomes CR LF).
void AppendBerData(CTunerDoc& doc, const std::string& text);

/// The section title that a screen writes to the tuning log, "\n" line ends; empty when the
/// type and level have none.
std::string FeatureLogTitle(int type, int level);
/// Text as a text-mode stream writes it: every "\n" becomes CR LF.
std::string ToCrLf(const std::string& text);

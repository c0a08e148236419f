#pragma once

#include <cstdint>
#include <string>

#include "HResult.h"

class CTunerDoc;

// Reading a radio into a new tuning document. Each operation returns the exchange status
// (negative = failure); the transport has already reported a failed exchange.

/// The whole read: logs, connect, model check, test mode, identity, frequency list, softpots.
HRESULT ReadDevice(CTunerDoc& doc);
/// The new-document step: ReadDevice, then the read failure message once on failure.
/// On success sets m_readFromRadio and the main frame's data-open flag.
bool OnNewDocument(CTunerDoc& doc);

/// Checks the reply to the model identifier read; sets m_modelSupported and m_modelFamily.
bool CheckModel(CTunerDoc& doc, const std::string& replyPayload);
HRESULT ReadIdentity(CTunerDoc& doc);
HRESULT ReadSerialNumber(CTunerDoc& doc, std::string& out);
HRESULT ReadModelNumber(CTunerDoc& doc, std::string& out);
HRESULT CheckSerialNumber(CTunerDoc& doc);
HRESULT ReadFrequencyList(CTunerDoc& doc);
/// Parses a frequency-list reply payload into the document. Returns false (after a stop
/// message, with m_commErrorShown set) when the list names more frequencies than the
/// document's tables hold (25 per type; every record counts for type 8), or when its record
/// block is not whole 8-byte records or has not all arrived; nothing is stored then. A status
/// byte other than 00 shows the missing-item box and returns true with no feature present.
bool ParseFrequencyList(CTunerDoc& doc, const std::string& replyPayload);
HRESULT ReadSoftpots(CTunerDoc& doc);
/// One read softpots exchange (Set Power Level first for type 1) into at most capacity bytes
/// (25, one per test frequency; 50 for the two-byte types). A reply with more values than
/// that is refused with a message and E_FAIL, and nothing is stored.
HRESULT ReadSoftpotType(CTunerDoc& doc, int type, int level, std::uint8_t* out, int& count,
                        int capacity = 25);

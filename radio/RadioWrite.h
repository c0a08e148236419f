#pragma once

#include "HResult.h"

class CTunerDoc;

// Writing a data set back into a radio.

/// Connects a file's data set to the radio on the port in use.
HRESULT Reconnect(CTunerDoc& doc);
/// 0 when the connected radio is the one the data set came from; E_FAIL after the mismatch
/// message; or the failed read's status.
HRESULT MatchRadio(CTunerDoc& doc);
/// The record's values into values and its count of leading positive frequencies into count.
void GetSavedCount(CTunerDoc& doc, int type, int level, int values[10], int& count);
/// Programs every present feature from the saved records.
HRESULT WriteDevice(CTunerDoc& doc);
/// The Write Device command after the caller has set the port: restarts the logs and
/// reconnects a file's data set that is not connected, then WriteDevice.
HRESULT OnWriteDevice(CTunerDoc& doc);
/// Whether Write Device is offered: a data set that has been through a file, no screen open.
bool CanWriteDevice(const CTunerDoc& doc, bool screenOpen);

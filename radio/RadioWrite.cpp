#include "RadioWrite.h"

#include "RadioCommands.h"
#include "RadioRead.h"
#include "Transport.h"
#include "document/Logs.h"
#include "document/TunerDoc.h"

namespace {

/// Programs one saved record: its count of valid pairs becomes the type's count, and that
/// many values are sent (one for types 8 to 12). The Tx Power level already set is named so
/// that programming never picks another one.
HRESULT ProgramSaved(CTunerDoc& doc, int type, int level) {
    static const char* const kLevelNames[] = {"", "Tx Power Low", "Tx Power Mid", "Tx Power High"};
    int values[CSaveValues::kPairs] = {};
    GetSavedCount(doc, type, level, values, doc.m_freqCount[type]);
    const int count = type >= kBatteryCal ? 1 : doc.m_freqCount[type];
    const std::string name = type == kTxPower && level >= 1 && level <= 3 ? kLevelNames[level] : "";
    return ProgramSoftpots(doc, type, values, count, name);
}

}  // namespace

HRESULT Reconnect(CTunerDoc& doc) {
    CWaitCursor wait(doc.Host());
    HRESULT s = Transport::Connect(doc);
    if (FAILED(s)) {
        if (doc.m_loadedFromFile)
            doc.Host().ShowMessage(
                "Communication with device failed. Please ensure that the radio matching this "
                "file is connected.",
                MsgIcon::Stop, MsgButtons::Ok);
        doc.m_commErrorShown = true;
        return s;
    }
    doc.m_componentOpen = true;
    s = Transport::VerifyRadio(doc, [&](const std::string& r) { return CheckModel(doc, r); });
    if (SUCCEEDED(s))
        s = EnterTestMode(doc);
    return s;
}

HRESULT MatchRadio(CTunerDoc& doc) {
    std::string serial;
    HRESULT hr = ReadSerialNumber(doc, serial);
    if (FAILED(hr))
        return hr;
    std::string model;
    hr = ReadModelNumber(doc, model);
    if (FAILED(hr))
        return hr;
    if (serial == doc.m_serialNumber && model == doc.m_modelNumber)
        return S_OK;
    doc.Host().ShowMessage(
        "Radio mismatch! The current data set does not come from this radio. Please read this "
        "radio before continuing.",
        MsgIcon::Stop, MsgButtons::Ok);
    return E_FAIL;
}

void GetSavedCount(CTunerDoc& doc, int type, int level, int values[10], int& count) {
    int freqs[CSaveValues::kPairs] = {};
    doc.GetSavedValues(type, level, freqs, values);
    int n = 0;
    while (n < CSaveValues::kPairs && freqs[n] > 0) ++n;
    count = n;
}

HRESULT WriteDevice(CTunerDoc& doc) {
    CWaitCursor wait(doc.Host());
    HRESULT s = MatchRadio(doc);
    if (FAILED(s))
        return s;
    doc.m_writing = true;

    for (int type = kRefOsc; type <= kPaBias4; ++type) {
        if (!doc.m_featurePresent[type])
            continue;
        if (type == kTxPower) {
            for (int level = 1; level <= 3; ++level) {
                SetPowerLevel(doc, PowerLevelCode(level));
                s = ProgramSaved(doc, type, level);
            }
        } else {
            s = ProgramSaved(doc, type, 0);
        }
    }

    // The write is over either way: a failed write must not leave the mismatch check of the
    // screens' programming switched off.
    doc.m_writing = false;
    if (SUCCEEDED(s))
        doc.Host().ShowMessage("Programming Successful", MsgIcon::None, MsgButtons::Ok);
    return s;
}

HRESULT OnWriteDevice(CTunerDoc& doc) {
    CWaitCursor wait(doc.Host());
    if (doc.m_loadedFromFile && !doc.m_componentOpen) {
        StartLogs(doc);
        const HRESULT hr = Reconnect(doc);
        if (FAILED(hr))
            return hr;
    }
    return WriteDevice(doc);
}

bool CanWriteDevice(const CTunerDoc& doc, bool screenOpen) {
    return doc.m_loadedFromFile && !screenOpen;
}

#include "RadioWrite.h"

#include "RadioCommands.h"
#include "RadioRead.h"
#include "SoftpotField.h"
#include "Transport.h"
#include "document/Logs.h"
#include "document/TunerDoc.h"

namespace {

/// The programming runs of a write: every present type, Tx Power at its three levels.
template <typename Each>
void ForEachProgramming(const CTunerDoc& doc, Each each) {
    for (int type = kRefOsc; type <= kPaBias4; ++type) {
        if (!doc.m_featurePresent[type])
            continue;
        if (type == kTxPower) {
            for (int level = 1; level <= 3; ++level) each(type, level);
        } else {
            each(type, 0);
        }
    }
}

/// Values a saved record sends: its leading valid pairs (one value for types 8 to 12, and
/// for the current limit, whose one value serves every frequency).
int ProgrammedCount(int type, int validPairs) {
    return type >= kBatteryCal || type == kCurrentLimit ? 1 : validPairs;
}

/// The saved values of a programming run and how many of them are sent; null when nothing
/// is saved for it (no record, or no valid pair where the values follow the frequencies).
const CSaveValues* SavedToProgram(CTunerDoc& doc, int type, int level, int& count) {
    const CSaveValues* record = doc.FindSavedValues(type, level);
    count = record ? ProgrammedCount(type, record->ValidPairs()) : 0;
    return count > 0 ? record : nullptr;
}

/// Programs one saved record: its count of valid pairs becomes the type's count, and that
/// many values are sent (one for types 8 to 12). The Tx Power level already set is named so
/// that programming never picks another one.
HRESULT ProgramSaved(CTunerDoc& doc, int type, int level) {
    int values[CSaveValues::kPairs] = {};
    GetSavedCount(doc, type, level, values, doc.m_freqCount[type]);
    const int count = ProgrammedCount(type, doc.m_freqCount[type]);
    const std::string name = type == kTxPower ? SoftpotField::Name(type, level) : "";
    return ProgramSoftpots(doc, type, values, count, name);
}

/// Why the saved values cannot be programmed as they are (one outside its field); empty when
/// all of them can.
std::string SavedValuesProblem(CTunerDoc& doc) {
    std::string problem;
    ForEachProgramming(doc, [&](int type, int level) {
        int count = 0;
        const CSaveValues* record = SavedToProgram(doc, type, level, count);
        if (problem.empty() && record != nullptr) {
            problem = ProgrammingProblem(doc, type, SoftpotField::Name(type, level),
                                         record->m_value.data(), count);
        }
    });
    return problem;
}

}  // namespace

HRESULT Reconnect(CTunerDoc& doc) {
    CWaitCursor wait(doc.Host());
    HRESULT s = Transport::Connect(doc);
    if (FAILED(s)) {
        // Why the port did not open, when known, is the one message; otherwise this one.
        if (!Transport::ReportConnectFailure(doc) && doc.m_loadedFromFile)
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
    // Every record is checked before the first value goes out, so that a bad one never
    // leaves the radio half programmed.
    const std::string problem = SavedValuesProblem(doc);
    if (!problem.empty()) {
        doc.Host().ShowMessage(problem, MsgIcon::Stop, MsgButtons::Ok);
        return E_FAIL;
    }
    doc.m_writing = true;

    // Requests go on after a failure (a dropped link fails them at once, a refusal only
    // itself); the write has succeeded only when every one of them did. A feature with nothing saved sends no empty
    // request, nor a value nobody chose.
    ForEachProgramming(doc, [&](int type, int level) {
        int count = 0;
        if (SavedToProgram(doc, type, level, count) == nullptr)
            return;
        if (type == kTxPower)
            SetPowerLevel(doc, PowerLevelCode(level));
        const HRESULT hr = ProgramSaved(doc, type, level);
        if (FAILED(hr) || SUCCEEDED(s))
            s = hr;
    });

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

#include "TunerDoc.h"

#include "radio/Transport.h"

CTunerDoc::CTunerDoc(IHost& host, IFrameLink& frame, RadioCommFactory factory)
    : CRadioLink(host, std::move(factory), [&frame] { return frame.GetPort(); }), m_frame(&frame) {}

CTunerDoc::~CTunerDoc() {
    m_saveList.clear();
    Transport::Disconnect(*this);
}

int CTunerDoc::GetBandClass() const {
    if (m_modelNumber.size() < 4)
        return 5;
    switch (m_modelNumber[3]) {
        case 'J':
        case 'K':
            return 7;
        case 'Q':
        case 'R':
        case 'S':
            return 6;
        case 'U':
            return 0;
        default:
            return 5;
    }
}

namespace {

/// A record of the first ten test frequencies of a row and the first ten values of a table.
template <typename Table>
std::unique_ptr<CSaveValues> MakeRecord(int type, int level,
                                        const std::array<int, kMaxTestFreqs>& freqs,
                                        const Table& values) {
    auto record = std::make_unique<CSaveValues>();
    record->m_type = type;
    record->m_level = level;
    for (int i = 0; i < CSaveValues::kPairs; ++i) {
        record->m_freq[i] = freqs[i];
        record->m_value[i] = static_cast<std::int32_t>(values[i]);
    }
    return record;
}

}  // namespace

void CTunerDoc::SnapshotSavedValues() {
    auto add = [this](int type, int level, const auto& values) {
        m_saveList.push_back(MakeRecord(type, level, m_testFreq[type], values));
    };
    if (IsFamily2()) {
        add(kRefOsc, 0, m_refOscWide);
    } else {
        add(kRefOsc, 0, m_refOsc);
    }
    add(kTxPower, 1, m_txPowerLow);
    add(kTxPower, 2, m_txPowerMid);
    add(kTxPower, 3, m_txPowerHigh);
    add(kDevBalance, 0, m_devBalance);
    add(kFrontEndFilter, 0, m_frontEndFilter);
    add(kCurrentLimit, 0, m_currentLimit);
    add(kDevLimit, 0, m_devLimit);
    add(kSoftpot6, 0, m_softpot6);
    add(kSoftpot7, 0, m_softpot7);
    add(kBatteryCal, 0, m_batteryCal);
    add(kPaBias1, 0, m_paBias[0]);
    add(kPaBias2, 0, m_paBias[1]);
    add(kPaBias3, 0, m_paBias[2]);
}

CSaveValues* CTunerDoc::FindSavedValues(int type, int level) {
    for (auto& record : m_saveList) {
        if (record && record->m_type == type && (type != kTxPower || record->m_level == level))
            return record.get();
    }
    return nullptr;
}

void CTunerDoc::UpdateSavedValues(int type, int level, const int values[10]) {
    CSaveValues* record = FindSavedValues(type, level);
    if (record == nullptr || values == nullptr)
        return;
    for (int i = 0; i < CSaveValues::kPairs; ++i) record->m_value[i] = values[i];
}

void CTunerDoc::GetSavedValues(int type, int level, int freqs[10], int values[10]) {
    const CSaveValues* record = FindSavedValues(type, level);
    if (record == nullptr)
        return;
    for (int i = 0; i < CSaveValues::kPairs; ++i) {
        if (freqs != nullptr)
            freqs[i] = record->m_freq[i];
        if (values != nullptr)
            values[i] = record->m_value[i];
    }
    if (type >= kRefOsc && type <= kDevLimit)
        m_freqCount[type] = record->ValidPairs();
}

void CTunerDoc::SetTitle(const std::string& /*ignored*/) {
    m_title = m_serialNumber;
}

void CTunerDoc::DeleteContents() {
    m_frame->DestroyOpenScreen();
    if (m_readFromRadio || m_loadedFromFile) {
        if (m_componentOpen && m_radio != nullptr) {
            // Leave test mode on the way out; a radio that no longer answers is not reported.
            std::string reply;
            Transport::Exchange(*this, "000d", reply, -1);
        }
        m_frame->SetDataOpen(false);
    }
}

bool CTunerDoc::BerFileExists() {
    m_berPath = Host().ExecutableFolder() + "/BERData.txt";
    return Host().FileExists(m_berPath);
}

// Any bytes as a tuning file: loading never crashes or reads past the data; a file that
// loads stores again, and what it stores loads to the same document and stores the same
// bytes (so a file the tuner writes is always one it reads back unchanged).

#include <cstdint>
#include <string>
#include <vector>

#include "FuzzCheck.h"
#include "document/FrameLink.h"
#include "document/TunFile.h"
#include "document/TunerDoc.h"
#include "support/FakeRadioComm.h"
#include "support/RecordingHost.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    CRecordingHost host;
    CFrameState frame;
    CFakeRadio radio;
    CTunerDoc doc(host, frame, radio.Factory());
    std::string error;
    if (!TunFile::Load(doc, data, size, error)) {
        FUZZ_CHECK(!error.empty());
        FUZZ_CHECK(!doc.m_loadedFromFile);
        return 0;
    }
    const std::vector<std::uint8_t> stored = TunFile::Store(doc);

    CTunerDoc again(host, frame, radio.Factory());
    FUZZ_CHECK(TunFile::Load(again, stored.data(), stored.size(), error));
    FUZZ_CHECK(again.m_serialNumber == doc.m_serialNumber);
    FUZZ_CHECK(again.m_modelNumber == doc.m_modelNumber);
    FUZZ_CHECK(again.m_featurePresent == doc.m_featurePresent);
    FUZZ_CHECK(again.m_saveList.size() == doc.m_saveList.size());
    FUZZ_CHECK(TunFile::Store(again) == stored);
    return 0;
}

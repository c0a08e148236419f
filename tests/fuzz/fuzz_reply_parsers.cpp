// Replies of any shape for the whole read and for every command that looks at its reply: no
// input may crash, read or write outside a buffer or leave the document's tables unsound.
// Each request takes the next reply of the input; when the input runs out the radio is
// silent, so one input can reach any depth of the read.

#include <cstdint>
#include <string>

#include "FuzzCheck.h"
#include "FuzzCommands.h"
#include "FuzzReplies.h"
#include "document/FrameLink.h"
#include "document/TunerDoc.h"
#include "radio/RadioRead.h"
#include "radio/Transport.h"
#include "support/FakeRadioComm.h"
#include "support/RecordingHost.h"

namespace {

/// Counts within bounds and nothing past them.
void CheckTables(const CTunerDoc& doc) {
    for (int t = 0; t < kSoftpotTypes; ++t) {
        FUZZ_CHECK(doc.m_freqCount[t] >= 0 && doc.m_freqCount[t] <= kMaxTestFreqs);
        for (int i = doc.m_freqCount[t]; i < kMaxTestFreqs; ++i)
            FUZZ_CHECK(doc.m_testFreq[t][i] == 0);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    CFuzzReplies replies(data, size);
    CRecordingHost host;
    CFrameState frame;
    frame.SetPort("COM3");
    CFakeRadio radio;
    radio.m_responder = [&replies](const std::string&, std::string& reply) -> HRESULT {
        return replies.Next(reply) ? S_OK : E_RADIO_TIMEOUT;
    };
    {
        CTunerDoc doc(host, frame, radio.Factory());
        const HRESULT hr = ReadDevice(doc);
        CheckTables(doc);
        if (SUCCEEDED(hr)) {
            FUZZ_CHECK(doc.m_modelSupported);
            FUZZ_CHECK(!doc.m_saveList.empty());
        }

        // The commands on a connected radio of the family the read found (or the first).
        if (doc.m_radio == nullptr && SUCCEEDED(Transport::Connect(doc)))
            doc.m_componentOpen = true;
        if (doc.m_modelFamily == 0)
            doc.m_modelFamily = 1;
        doc.m_modelSupported = true;
        RunFuzzCommands(doc);
        CheckTables(doc);
    }
    FUZZ_CHECK(!radio.Alive());
    return 0;
}

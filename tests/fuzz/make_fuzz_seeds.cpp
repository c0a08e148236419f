// Writes the fuzz targets' seed inputs from reads of the bench's built-in radios: the replies
// of a whole read and of the commands (reply parsers), the tuning file the read stores (tun
// loader) and the replies as they cross the wire (frame receiver).
//
//     make_fuzz_seeds CORPUS_FOLDER

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "FuzzCommands.h"
#include "FuzzReplies.h"
#include "bench/RadioProfile.h"
#include "bench/SimRadio.h"
#include "document/FrameLink.h"
#include "document/TunFile.h"
#include "document/TunerDoc.h"
#include "radio/MessageFields.h"
#include "radio/RadioRead.h"
#include "support/FakeRadioComm.h"
#include "support/RecordingHost.h"

namespace {

using Bytes = CSimRadio::Bytes;

Bytes FromHex(const std::string& hex) {
    Bytes out;
    for (std::size_t i = 0; i + 1 < hex.size(); i += 2)
        out.push_back(static_cast<std::uint8_t>(std::stoul(hex.substr(i, 2), nullptr, 16)));
    return out;
}

void Write(const std::filesystem::path& path, const Bytes& bytes) {
    std::filesystem::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()),
               static_cast<std::streamsize>(bytes.size()));
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_fuzz_seeds CORPUS_FOLDER\n");
        return 2;
    }
    const std::filesystem::path corpus = argv[1];
    for (const char* name : {"standard", "family1-k", "family2-q", "pa-bias"}) {
        CRadioProfile profile;
        if (!CRadioProfile::BuiltIn(name, profile)) {
            std::fprintf(stderr, "no built-in profile %s\n", name);
            return 1;
        }
        CSimRadio sim(profile, 1, false);
        std::vector<std::string> replies;
        Bytes wire{0x0F};  // the frame receiver's seed: pieces of 16 bytes, full capacity
        CFakeRadio radio;
        radio.m_responder = [&](const std::string& request, std::string& reply) -> HRESULT {
            Bytes frame = FromHex(CFakeRadio::FrameOf(request));
            const Bytes answer = sim.HandleFrame(frame);
            if (answer.size() < 2)
                return E_RADIO_TIMEOUT;
            reply =
                MessageFields::BytesToHex(answer.data() + 2, static_cast<int>(answer.size() - 2));
            replies.push_back(reply);
            const Bytes onWire = CSimRadio::Wire(answer);
            wire.insert(wire.end(), onWire.begin(), onWire.end());
            return S_OK;
        };

        CRecordingHost host;
        CFrameState frame;
        frame.SetPort("COM3");
        CTunerDoc doc(host, frame, radio.Factory());
        if (FAILED(ReadDevice(doc))) {
            std::fprintf(stderr, "the read of %s failed\n", name);
            return 1;
        }
        Write(corpus / "tun_loader" / (std::string(name) + ".tun"), TunFile::Store(doc));

        RunFuzzCommands(doc);
        Write(corpus / "reply_parsers" / name, CFuzzReplies::Encode(replies));
        Write(corpus / "frame_receiver" / name, wire);
    }
    return 0;
}

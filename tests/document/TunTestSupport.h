#pragma once

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "document/FrameLink.h"
#include "document/TunerDoc.h"
#include "support/RecordingHost.h"

namespace tuntest {

/// A folder under /tmp that is removed with everything in it.
class TempDir {
public:
    TempDir() {
        char tmpl[] = "/tmp/vegal-doc-XXXXXX";
        const char* p = ::mkdtemp(tmpl);
        m_path = p ? p : "/tmp";
    }
    ~TempDir() { RemoveTree(m_path); }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::string& Path() const { return m_path; }
    std::string File(const std::string& name) const { return m_path + "/" + name; }
    /// Names of the entries in the folder (without . and ..).
    std::vector<std::string> Entries() const {
        std::vector<std::string> names;
        if (DIR* d = ::opendir(m_path.c_str())) {
            while (dirent* e = ::readdir(d)) {
                std::string n = e->d_name;
                if (n != "." && n != "..")
                    names.push_back(n);
            }
            ::closedir(d);
        }
        return names;
    }

private:
    static void RemoveTree(const std::string& path) {
        if (path.rfind("/tmp/vegal-", 0) != 0)
            return;
        if (DIR* d = ::opendir(path.c_str())) {
            while (dirent* e = ::readdir(d)) {
                std::string n = e->d_name;
                if (n == "." || n == "..")
                    continue;
                std::string child = path + "/" + n;
                struct stat st {};
                if (::lstat(child.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) {
                    ::chmod(child.c_str(), 0700);
                    RemoveTree(child);
                } else {
                    ::unlink(child.c_str());
                }
            }
            ::closedir(d);
        }
        ::rmdir(path.c_str());
    }
    std::string m_path;
};

inline std::vector<std::uint8_t> ReadBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<std::uint8_t>(std::istreambuf_iterator<char>(in), {});
}

inline std::string ReadText(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

inline void WriteBytes(const std::string& path, const std::vector<std::uint8_t>& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
}

inline RadioCommFactory NoRadio() {
    return [](std::unique_ptr<IRadioComm>&) { return E_FAIL; };
}

/// A host, a frame and a document without a radio.
struct DocSetup {
    CRecordingHost host;
    CFrameState frame;
    std::unique_ptr<CTunerDoc> doc = std::make_unique<CTunerDoc>(host, frame, NoRadio());

    /// Discards the document and starts a fresh one (same host and frame).
    CTunerDoc& Fresh() {
        doc = std::make_unique<CTunerDoc>(host, frame, NoRadio());
        return *doc;
    }
};

/// Fills a document as a radio read of a family-2 radio leaves it: identity, test
/// frequencies of types 0 to 8 (PA bias absent) and the 14 saved records.
inline void FillAsRead(CTunerDoc& doc) {
    doc.m_serialNumber = "403CQT1234";
    doc.m_modelNumber = "H18QDF9PW6AN";
    doc.m_modelFamily = 2;
    doc.m_modelSupported = true;
    doc.m_readFromRadio = true;
    for (int type = 0; type <= 8; ++type) {
        doc.m_featurePresent[type] = true;
        doc.m_freqCount[type] = type == 8 ? 1 : 5;
        for (int i = 0; i < doc.m_freqCount[type]; ++i) {
            doc.m_testFreq[type][i] = 170202500 + 200000 * i + 1000 * type;
        }
    }
    for (int i = 0; i < kMaxTestFreqs; ++i) {
        const auto b = static_cast<std::uint8_t>(100 + i);
        doc.m_refOscWide[i] = 30000 + i;
        doc.m_refOsc[i] = b;
        doc.m_txPowerLow[i] = static_cast<std::uint8_t>(10 + i);
        doc.m_txPowerMid[i] = static_cast<std::uint8_t>(40 + i);
        doc.m_txPowerHigh[i] = static_cast<std::uint8_t>(70 + i);
        doc.m_devBalance[i] = b;
        doc.m_frontEndFilter[i] = static_cast<std::uint8_t>(200 + i);
        doc.m_currentLimit[i] = 0x55;
        doc.m_devLimit[i] = 0x1234 + i;
        doc.m_softpot6[i] = static_cast<std::uint8_t>(6 + i);
        doc.m_softpot7[i] = static_cast<std::uint8_t>(7 + i);
        doc.m_batteryCal[i] = 0x9C;
    }
    doc.SnapshotSavedValues();
}

/// A record with n valid pairs starting at freq.
inline CSaveValues Record(int type, int level, int n, std::int32_t freq = 170202500,
                          std::int32_t value = 50) {
    CSaveValues r;
    r.m_type = type;
    r.m_level = level;
    for (int i = 0; i < n && i < CSaveValues::kPairs; ++i) {
        r.m_freq[i] = freq + 2000 * i;
        r.m_value[i] = value + i;
    }
    return r;
}

inline void SetRecords(CTunerDoc& doc, const std::vector<CSaveValues>& records) {
    doc.m_saveList.clear();
    for (const auto& r : records) doc.m_saveList.push_back(std::make_unique<CSaveValues>(r));
}

inline std::vector<CSaveValues> Records(const CTunerDoc& doc) {
    std::vector<CSaveValues> out;
    for (const auto& r : doc.m_saveList) out.push_back(*r);
    return out;
}

}  // namespace tuntest

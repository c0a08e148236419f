#include "TunFile.h"

#include <signal.h>

#include <cstdlib>
#include <memory>
#include <utility>

#include "FileAccess.h"
#include "TunerDoc.h"

namespace TunFile {

namespace {

// Tags of the object archive.
constexpr std::uint16_t kNullTag = 0x0000;
constexpr std::uint16_t kBigObjectTag = 0x7FFF;
constexpr std::uint16_t kClassTag = 0x8000;
constexpr std::uint16_t kNewClassTag = 0xFFFF;
constexpr std::uint32_t kBigClassTag = 0x80000000u;

constexpr char kRecordClass[] = "CSaveValues";
constexpr std::uint16_t kRecordSchema = 1;
constexpr int kRecordFields = 2 + 2 * CSaveValues::kPairs;  // 22 int32 fields
/// Class names of the archive are short; a longer name is not one this program wrote.
constexpr std::uint16_t kMaxClassNameLength = 64;
/// The smallest archive object: a reference to an object already read (one 16-bit tag).
constexpr std::size_t kMinObjectBytes = 2;

// ---- writing ------------------------------------------------------------------------------

void PutU16(std::vector<std::uint8_t>& out, std::uint16_t v) {
    out.push_back(static_cast<std::uint8_t>(v & 0xFF));
    out.push_back(static_cast<std::uint8_t>(v >> 8));
}

void PutU32(std::vector<std::uint8_t>& out, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<std::uint8_t>((v >> (8 * i)) & 0xFF));
}

void PutString(std::vector<std::uint8_t>& out, const std::string& s) {
    const std::size_t n = s.size();
    if (n < 0xFF) {
        out.push_back(static_cast<std::uint8_t>(n));
    } else if (n < 0xFFFE) {
        out.push_back(0xFF);
        PutU16(out, static_cast<std::uint16_t>(n));
    } else {
        out.push_back(0xFF);
        PutU16(out, 0xFFFF);
        PutU32(out, static_cast<std::uint32_t>(n));
    }
    out.insert(out.end(), s.begin(), s.end());
}

void PutCount(std::vector<std::uint8_t>& out, std::size_t n) {
    if (n < 0xFFFF) {
        PutU16(out, static_cast<std::uint16_t>(n));
    } else {
        PutU16(out, 0xFFFF);
        PutU32(out, static_cast<std::uint32_t>(n));
    }
}

void PutRecordFields(std::vector<std::uint8_t>& out, const CSaveValues& r) {
    PutU32(out, static_cast<std::uint32_t>(r.m_type));
    PutU32(out, static_cast<std::uint32_t>(r.m_level));
    for (int i = 0; i < CSaveValues::kPairs; ++i) {
        PutU32(out, static_cast<std::uint32_t>(r.m_freq[i]));
        PutU32(out, static_cast<std::uint32_t>(r.m_value[i]));
    }
}

std::vector<std::uint8_t> StoreBytes(const CTunerDoc& doc) {
    std::vector<std::uint8_t> out;
    out.reserve(64 + doc.m_serialNumber.size() + doc.m_modelNumber.size() +
                doc.m_saveList.size() * (2 + 4 * kRecordFields));
    PutString(out, doc.m_serialNumber);
    PutString(out, doc.m_modelNumber);
    PutCount(out, doc.m_saveList.size());
    bool classWritten = false;
    for (const auto& rec : doc.m_saveList) {
        if (!classWritten) {
            PutU16(out, kNewClassTag);
            PutU16(out, kRecordSchema);
            PutU16(out, static_cast<std::uint16_t>(sizeof(kRecordClass) - 1));
            out.insert(out.end(), kRecordClass, kRecordClass + sizeof(kRecordClass) - 1);
            classWritten = true;
        } else {
            // The one class of the archive has map index 1.
            PutU16(out, static_cast<std::uint16_t>(kClassTag | 1));
        }
        CSaveValues empty;
        PutRecordFields(out, rec ? *rec : empty);
    }
    return out;
}

// ---- reading ------------------------------------------------------------------------------

/// Reads little-endian fields from a byte range and never steps past its end.
class CArchiveReader {
public:
    CArchiveReader(const std::uint8_t* data, std::size_t size) : m_data(data), m_size(size) {}

    std::size_t Remaining() const { return m_size - m_pos; }
    std::size_t Position() const { return m_pos; }

    bool U16(std::uint16_t& v) {
        if (Remaining() < 2)
            return false;
        v = static_cast<std::uint16_t>(m_data[m_pos] | (m_data[m_pos + 1] << 8));
        m_pos += 2;
        return true;
    }
    bool U32(std::uint32_t& v) {
        if (Remaining() < 4)
            return false;
        v = 0;
        for (int i = 3; i >= 0; --i) v = (v << 8) | m_data[m_pos + i];
        m_pos += 4;
        return true;
    }
    bool U8(std::uint8_t& v) {
        if (Remaining() < 1)
            return false;
        v = m_data[m_pos++];
        return true;
    }
    bool Bytes(std::size_t n, std::string& out) {
        if (Remaining() < n)
            return false;
        out.assign(reinterpret_cast<const char*>(m_data + m_pos), n);
        m_pos += n;
        return true;
    }

private:
    const std::uint8_t* m_data;
    std::size_t m_size;
    std::size_t m_pos = 0;
};

constexpr char kEndsEarly[] = "the file ends early";

bool ReadArchiveString(CArchiveReader& in, const char* what, std::string& out, std::string& error) {
    std::uint8_t b = 0;
    if (!in.U8(b)) {
        error = kEndsEarly;
        return false;
    }
    std::size_t length = b;
    if (b == 0xFF) {
        std::uint16_t w = 0;
        if (!in.U16(w)) {
            error = kEndsEarly;
            return false;
        }
        if (w == 0xFFFE) {
            error = std::string("the ") + what +
                    " is stored as wide text, which this program "
                    "does not write";
            return false;
        }
        length = w;
        if (w == 0xFFFF) {
            std::uint32_t d = 0;
            if (!in.U32(d)) {
                error = kEndsEarly;
                return false;
            }
            length = d;
        }
    }
    if (length > in.Remaining()) {
        error = std::string("the ") + what + " claims " + std::to_string(length) +
                " characters but only " + std::to_string(in.Remaining()) + " bytes follow";
        return false;
    }
    in.Bytes(length, out);
    return true;
}

/// One entry of the archive's load map: index 0 is the null object, then classes and
/// objects in the order they first appear.
struct MapEntry {
    bool isClass = false;
    std::size_t record = 0;  // index into the loaded records, for objects
};

bool ReadRecordFields(CArchiveReader& in, CSaveValues& r) {
    std::uint32_t f[kRecordFields];
    for (auto& v : f) {
        if (!in.U32(v))
            return false;
    }
    r.m_type = static_cast<std::int32_t>(f[0]);
    r.m_level = static_cast<std::int32_t>(f[1]);
    for (int i = 0; i < CSaveValues::kPairs; ++i) {
        r.m_freq[i] = static_cast<std::int32_t>(f[2 + 2 * i]);
        r.m_value[i] = static_cast<std::int32_t>(f[3 + 2 * i]);
    }
    return true;
}

/// Reads one archive object of the record list into records (a new record, or a copy of
/// one read before when the archive refers back to it).
bool ReadRecordObject(CArchiveReader& in, std::vector<MapEntry>& map,
                      std::vector<CSaveValues>& records, std::string& error) {
    const std::size_t number = records.size() + 1;
    const std::string where = "record " + std::to_string(number) + ": ";
    std::uint16_t tag = 0;
    if (!in.U16(tag)) {
        error = where + kEndsEarly;
        return false;
    }

    std::uint32_t classIndex = 0;
    bool isClassRef = false;
    std::uint32_t objectIndex = 0;
    if (tag == kNewClassTag) {
        std::uint16_t schema = 0;
        std::uint16_t nameLength = 0;
        std::string name;
        if (!in.U16(schema) || !in.U16(nameLength)) {
            error = where + kEndsEarly;
            return false;
        }
        if (nameLength > kMaxClassNameLength) {
            error = where + "class name of " + std::to_string(nameLength) + " characters";
            return false;
        }
        if (!in.Bytes(nameLength, name)) {
            error = where + kEndsEarly;
            return false;
        }
        if (name != kRecordClass) {
            error = where + "unexpected class \"" + name + "\" instead of \"" + kRecordClass + "\"";
            return false;
        }
        if (schema != kRecordSchema) {
            error = where + "unsupported version " + std::to_string(schema) + " of " + kRecordClass;
            return false;
        }
        map.push_back({true, 0});
        classIndex = static_cast<std::uint32_t>(map.size() - 1);
        isClassRef = true;
    } else if (tag == kBigObjectTag) {
        std::uint32_t big = 0;
        if (!in.U32(big)) {
            error = where + kEndsEarly;
            return false;
        }
        if (big & kBigClassTag) {
            isClassRef = true;
            classIndex = big & ~kBigClassTag;
        } else {
            objectIndex = big;
        }
    } else if (tag & kClassTag) {
        isClassRef = true;
        classIndex = tag & ~kClassTag;
    } else {
        objectIndex = tag;
    }

    if (isClassRef) {
        if (classIndex == 0 || classIndex >= map.size() || !map[classIndex].isClass) {
            error = where + "reference to class number " + std::to_string(classIndex) +
                    ", which the file does not define";
            return false;
        }
        CSaveValues rec;
        if (!ReadRecordFields(in, rec)) {
            error = where + kEndsEarly;
            return false;
        }
        map.push_back({false, records.size()});
        records.push_back(rec);
        return true;
    }

    if (objectIndex == kNullTag) {
        error = where + "missing (null object)";
        return false;
    }
    if (objectIndex >= map.size() || map[objectIndex].isClass) {
        error = where + "reference to object number " + std::to_string(objectIndex) +
                ", which is not a record read before";
        return false;
    }
    records.push_back(records[map[objectIndex].record]);
    return true;
}

/// Feature whose present flag a record at this list index sets, or -1. The record must be
/// the one its position stands for (its type, and its level for Tx Power): a record of
/// another type there has no values of that feature, and marks nothing.
int FeatureOfRecord(std::size_t index, const CSaveValues& record, const std::string& modelNumber) {
    struct Slot {
        int type;
        int level;
    };
    static constexpr Slot kByIndex[] = {{kRefOsc, 0},       {kTxPower, 1},    {kTxPower, 2},
                                        {kTxPower, 3},      {kDevBalance, 0}, {kFrontEndFilter, 0},
                                        {kCurrentLimit, 0}, {kDevLimit, 0},   {kSoftpot6, 0},
                                        {kSoftpot7, 0},     {kBatteryCal, 0}};
    if (index >= std::size(kByIndex))
        return -1;
    if (index == 10 && (modelNumber.empty() || modelNumber[0] != 'H'))
        return -1;
    const Slot& slot = kByIndex[index];
    if (record.m_type != slot.type || (slot.type == kTxPower && record.m_level != slot.level))
        return -1;
    return slot.type;
}

/// True when a record before this index has the same type (and Tx Power level): the
/// document's lookups find that earlier record, so this one's values would never be used and
/// it must not mark its feature present.
bool ShadowedByEarlierRecord(const std::vector<CSaveValues>& records, std::size_t index) {
    const CSaveValues& r = records[index];
    for (std::size_t j = 0; j < index; ++j) {
        if (records[j].m_type == r.m_type &&
            (r.m_type != kTxPower || records[j].m_level == r.m_level))
            return true;
    }
    return false;
}

}  // namespace

std::vector<std::uint8_t> Store(CTunerDoc& doc) {
    doc.m_loadedFromFile = true;
    return StoreBytes(doc);
}

bool Load(CTunerDoc& doc, const std::uint8_t* data, std::size_t size, std::string& error) {
    if (data == nullptr)
        size = 0;
    CArchiveReader in(data, size);
    std::string serial;
    std::string model;
    if (!ReadArchiveString(in, "serial number", serial, error))
        return false;
    if (!ReadArchiveString(in, "model number", model, error))
        return false;

    std::uint16_t count16 = 0;
    if (!in.U16(count16)) {
        error = std::string("record count: ") + kEndsEarly;
        return false;
    }
    std::size_t count = count16;
    if (count16 == 0xFFFF) {
        std::uint32_t count32 = 0;
        if (!in.U32(count32)) {
            error = std::string("record count: ") + kEndsEarly;
            return false;
        }
        count = count32;
    }
    if (count > in.Remaining() / kMinObjectBytes) {
        error = "the file claims " + std::to_string(count) + " records but only " +
                std::to_string(in.Remaining()) + " bytes follow";
        return false;
    }

    std::vector<MapEntry> map(1);  // index 0: the null object
    std::vector<CSaveValues> records;
    records.reserve(count);
    for (std::size_t i = 0; i < count; ++i) {
        if (!ReadRecordObject(in, map, records, error))
            return false;
    }

    // Everything is read: only now does the document change.
    doc.m_loadedFromFile = true;
    doc.m_serialNumber = std::move(serial);
    doc.m_modelNumber = std::move(model);
    doc.m_saveList.clear();
    doc.m_saveList.reserve(records.size());
    for (const auto& r : records) doc.m_saveList.push_back(std::make_unique<CSaveValues>(r));
    doc.m_featurePresent.fill(false);
    for (std::size_t i = 0; i < records.size(); ++i) {
        if (records[i].m_freq[0] <= 0)
            continue;
        const int feature = FeatureOfRecord(i, records[i], doc.m_modelNumber);
        if (feature >= 0 && !ShadowedByEarlierRecord(records, i))
            doc.m_featurePresent[feature] = true;
    }
    return true;
}

bool Save(CTunerDoc& doc, const std::string& path, std::string& error) {
    if (!FileAccess::ReplaceFile(path, StoreBytes(doc), error))
        return false;
    doc.m_loadedFromFile = true;
    return true;
}

void SurviveFileSizeLimit() {
    ::signal(SIGXFSZ, SIG_IGN);
}

bool SaveDocument(CTunerDoc& doc, const std::string& path) {
    std::string error;
    if (Save(doc, path, error))
        return true;
    doc.Host().ShowMessage(
        "Could not save \"" + path + "\": " + error + ". The file on disk was not changed.",
        MsgIcon::Stop);
    return false;
}

bool OpenDocument(CTunerDoc& doc, const std::string& path) {
    IHost& host = doc.Host();
    doc.m_filePath = path;

    if (path.size() < 3 || path.compare(path.size() - 3, 3, "tun") != 0) {
        host.ShowMessage("Unexpected file format");
        return false;
    }

    // A missing or unreadable file, or one that is no file at all, says so; the corrupted
    // message is kept for files whose content is wrong.
    std::vector<std::uint8_t> bytes;
    std::string error;
    if (!FileAccess::ReadRegularFile(path, kMaxFileBytes, bytes, error)) {
        host.ShowMessage("Could not open \"" + path + "\": " + error + ".", MsgIcon::Stop);
        return false;
    }
    if (bytes.size() < 12 || bytes[0] != 10 || bytes[11] != 12) {
        host.ShowMessage("Error Reading File: File Corrupted!");
        return false;
    }

    if (doc.Frame().IsDataOpen()) {
        host.ShowMessage("Please close current windows before loading new data.");
        return false;
    }

    doc.Frame().SetDataOpen(true);
    doc.DeleteContents();

    if (bytes.size() > kMaxFileBytes) {
        error = "it is larger than " + std::to_string(kMaxFileBytes) +
                " bytes, far more than a tuning data set";
    }
    if (!error.empty() || !Load(doc, bytes.data(), bytes.size(), error)) {
        doc.DeleteContents();
        doc.Frame().SetDataOpen(false);
        host.ShowMessage("Could not open \"" + path + "\": " + error + ".", MsgIcon::Stop);
        return false;
    }
    doc.SetTitle(path);
    return true;
}

}  // namespace TunFile

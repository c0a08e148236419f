#include "app/PortCandidates.h"

#include <QtCore/QFileInfo>
#include <QtSerialPort/QSerialPortInfo>

#include <algorithm>
#include <cctype>
#include <set>

#include "radio/PortMap.h"

namespace {

std::string Lower(std::string s) {
    for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

/// Same device even when one side is a /dev/serial/by-id link.
bool SameDevice(const std::string& a, const std::string& b) {
    if (a.empty() || b.empty())
        return false;
    if (a == b)
        return true;
    QString ca = QFileInfo(QString::fromStdString(a)).canonicalFilePath();
    QString cb = QFileInfo(QString::fromStdString(b)).canonicalFilePath();
    return !ca.isEmpty() && ca == cb;
}

std::string ComName(int n) {
    return "COM" + std::to_string(n);
}

}  // namespace

std::vector<SerialDeviceInfo> ListSerialDeviceInfos() {
    std::vector<SerialDeviceInfo> list;
    for (const QSerialPortInfo& info : QSerialPortInfo::availablePorts())
        list.push_back({info.systemLocation().toStdString(), info.description().toStdString()});
    return list;
}

bool IsRadioDevice(const std::string& description) {
    static const std::string kPrefix = "tessaran radio";
    return Lower(description).compare(0, kPrefix.size(), kPrefix) == 0;
}

std::vector<PortCandidate> BuildPortCandidates(const std::vector<SerialDeviceInfo>& devices,
                                               const CPortMap& portMap, const PortLabels& labels) {
    std::set<int> numbers;
    const int serialCount = static_cast<int>(portMap.SerialDevices().size());
    const int highest =
        std::max(serialCount, portMap.Mappings().empty() ? 0 : portMap.Mappings().rbegin()->first);

    bool radioAttached = false;
    for (const SerialDeviceInfo& dev : devices) {
        if (!IsRadioDevice(dev.description))
            continue;
        radioAttached = true;
        for (int n = 1; n <= highest; ++n) {
            if (SameDevice(portMap.DeviceForCom(n), dev.path)) {
                numbers.insert(n);
                break;
            }
        }
    }
    if (!radioAttached) {
        for (int n = 1; n <= serialCount; ++n) numbers.insert(n);
        for (const auto& [n, device] : portMap.Mappings()) numbers.insert(n);
    }

    std::vector<PortCandidate> list;
    for (int n : numbers) {
        auto label = labels.find(n);
        list.push_back({ComName(n), portMap.DeviceForCom(n),
                        label == labels.end() ? std::string() : label->second});
    }
    std::sort(list.begin(), list.end(),
              [](const PortCandidate& a, const PortCandidate& b) { return a.name < b.name; });
    return list;
}

int SelectPortIndex(const std::vector<PortCandidate>& candidates, const std::string& remembered) {
    if (candidates.empty())
        return -1;
    if (remembered.empty())
        return 0;
    for (std::size_t i = 0; i < candidates.size(); ++i)
        if (Lower(candidates[i].name) == Lower(remembered))
            return static_cast<int>(i);
    return -1;
}

#pragma once

#include <functional>
#include <map>
#include <string>
#include <vector>

class CPortMap;

/// A serial device as the system lists it: its path and its USB product description.
struct SerialDeviceInfo {
    std::string path;         ///< "/dev/ttyUSB0"
    std::string description;  ///< "Tessaran Radio Data Cable", or empty
};

/// One entry of the Select Port list: the port name and the device it stands for.
struct PortCandidate {
    std::string name;    ///< "COM3"
    std::string device;  ///< "/dev/ttyUSB0", or empty when nothing is behind the name
    std::string label;   ///< what stands behind the name ("bench radio"), shown for the device
};

/// Labels of COM numbers (the bench's: 1 "bench radio", 2 "bench test set").
using PortLabels = std::map<int, std::string>;

using SerialDeviceEnumerator = std::function<std::vector<SerialDeviceInfo>()>;

/// The machine's serial devices with their descriptions (QSerialPortInfo).
std::vector<SerialDeviceInfo> ListSerialDeviceInfos();

/// Whether a device description names the radio's own data cable ("Tessaran Radio...",
/// letter case ignored).
bool IsRadioDevice(const std::string& description);

/// The ports to offer, sorted by name as text (COM10 before COM2).
///
/// When a radio data cable is attached, only the COM names that stand for such cables are
/// offered. Otherwise COM1..COMn for the n serial devices of the port map, plus every COM name
/// mapped in the settings or by the bench. Labelled numbers carry their label.
std::vector<PortCandidate> BuildPortCandidates(const std::vector<SerialDeviceInfo>& devices,
                                               const CPortMap& portMap,
                                               const PortLabels& labels = {});

/// Index of the entry to select: the remembered name (whole name, letter case ignored), or -1
/// when it is not offered; the first entry when nothing is remembered.
int SelectPortIndex(const std::vector<PortCandidate>& candidates, const std::string& remembered);

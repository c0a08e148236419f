#pragma once

#include <functional>
#include <map>
#include <string>
#include <vector>

/// Resolves the port names of the system ("COM3") to Linux devices.
///
/// A COMn name goes to the device mapped for n (settings group "Ports", such as
/// COM3=/dev/serial/by-id/...); without a mapping, to the n-th serial device of the machine
/// in sorted order. A name that does not begin with 'C' is a device path already.
class CPortMap {
public:
    using DeviceLister = std::function<std::vector<std::string>()>;

    CPortMap();

    /// Maps COMn to a device path (from the settings or from the bench).
    void SetMapping(int comNumber, const std::string& device);
    const std::map<int, std::string>& Mappings() const { return m_map; }

    /// Replaces the enumeration of the machine's serial devices (tests use fixed lists).
    void SetDeviceLister(DeviceLister lister) { m_lister = std::move(lister); }

    /// The machine's serial devices in sorted order (natural order: ttyS2 before ttyS10).
    std::vector<std::string> SerialDevices() const;

    /// Device for COMn; empty when there is none.
    std::string DeviceForCom(int comNumber) const;

    /// Device for a port name: COMn through the map, anything else unchanged.
    std::string Resolve(const std::string& portName) const;

    /// Number n of a name "COMn" (case-insensitive), or 0 when it is not one.
    static int ComNumber(const std::string& portName);

    /// The serial devices present on this machine, natural-sorted.
    static std::vector<std::string> ListMachineSerialDevices();

private:
    std::map<int, std::string> m_map;
    DeviceLister m_lister;
};

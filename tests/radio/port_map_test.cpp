#include "radio/PortMap.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

CPortMap WithDevices(std::vector<std::string> devices) {
    CPortMap map;
    map.SetDeviceLister([devices] { return devices; });
    return map;
}

TEST(PortMapTest, ComNumberParsesComNames) {
    struct Case {
        const char* name;
        int n;
    } cases[] = {
        {"COM1", 1}, {"COM3", 3},  {"com12", 12},     {"Com9", 9},
        {"COM", 0},  {"COM3x", 0}, {"/dev/ttyS0", 0}, {"", 0},
        {"CM3", 0},  {"COM-1", 0}, {"COM0", 0},       {"COM99999999999", 0},
    };
    for (const auto& c : cases) EXPECT_EQ(CPortMap::ComNumber(c.name), c.n) << c.name;
}

TEST(PortMapTest, DevicesAreInNaturalOrder) {
    CPortMap map =
        WithDevices({"/dev/ttyUSB10", "/dev/ttyS10", "/dev/ttyUSB2", "/dev/ttyS2", "/dev/ttyACM0"});
    EXPECT_EQ(map.SerialDevices(),
              (std::vector<std::string>{"/dev/ttyACM0", "/dev/ttyS2", "/dev/ttyS10", "/dev/ttyUSB2",
                                        "/dev/ttyUSB10"}));
}

TEST(PortMapTest, MappingWinsOverTheNthDevice) {
    CPortMap map = WithDevices({"/dev/ttyUSB1", "/dev/ttyUSB0"});
    EXPECT_EQ(map.DeviceForCom(1), "/dev/ttyUSB0");
    EXPECT_EQ(map.DeviceForCom(2), "/dev/ttyUSB1");
    EXPECT_EQ(map.DeviceForCom(3), "");
    EXPECT_EQ(map.DeviceForCom(0), "");

    map.SetMapping(1, "/dev/serial/by-id/usb-radio-cable");
    map.SetMapping(12, "/dev/ttyACM3");
    EXPECT_EQ(map.DeviceForCom(1), "/dev/serial/by-id/usb-radio-cable");
    EXPECT_EQ(map.Resolve("COM12"), "/dev/ttyACM3");
    EXPECT_EQ(map.Resolve("com2"), "/dev/ttyUSB1");
    EXPECT_EQ(map.Resolve("COM7"), "");
    EXPECT_EQ(map.Resolve("/dev/ttyUSB5"), "/dev/ttyUSB5");

    map.SetMapping(1, "");  // an empty mapping removes it
    EXPECT_EQ(map.DeviceForCom(1), "/dev/ttyUSB0");
}

TEST(PortMapTest, MachineListHasOnlyCharacterDevicesInOrder) {
    const std::vector<std::string> devices = CPortMap::ListMachineSerialDevices();
    CPortMap map = WithDevices(devices);
    EXPECT_EQ(map.SerialDevices(), devices);  // already sorted
    for (const auto& d : devices) EXPECT_EQ(d.rfind("/dev/", 0), 0u) << d;
}

}  // namespace

#pragma once

#include <string>

#include "radio/PortMap.h"

class QSettings;

/// What the command-line tool takes from the tuner's settings store: the COMn device map
/// (group "Ports", COM3=/dev/ttyUSB0), the radio baud rate ("MySetting/RadioBaud"), and the
/// technician and shop the reports name ("MySetting/Technician", "MySetting/ShopName").
struct CCliSettings {
    static constexpr int kDefaultBaud = 9600;
    CPortMap portMap;
    int baud = kDefaultBaud;
    std::string technician;
    std::string shop;

    /// From the given store.
    static CCliSettings Load(QSettings& settings);
    /// From the user's store of the tuner ("QuillmoreTuner", "VEGAL 25 Tuner").
    static CCliSettings LoadUser();
};

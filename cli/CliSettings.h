#pragma once

#include "radio/PortMap.h"

class QSettings;

/// What the command-line tool takes from the tuner's settings store: the COMn device map
/// (group "Ports", COM3=/dev/ttyUSB0) and the radio baud rate ("MySetting/RadioBaud").
struct CCliSettings {
    static constexpr int kDefaultBaud = 9600;
    CPortMap portMap;
    int baud = kDefaultBaud;

    /// From the given store.
    static CCliSettings Load(QSettings& settings);
    /// From the user's store of the tuner ("QuillmoreTuner", "VEGAL 25 Tuner").
    static CCliSettings LoadUser();
};

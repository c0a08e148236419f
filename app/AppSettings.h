#pragma once

#include <QtCore/QStringList>

#include <map>
#include <string>

#include "radio/PortMap.h"

class QSettings;

/// The user's settings: the remembered radio port, the two switches of the Options dialog,
/// the radio baud rate, the port map and the recent-file list.
///
/// Stored with QSettings under "QuillmoreTuner" / "VEGAL 25 Tuner": group "MySetting" holds
/// PortName, ReminderOn, PTTTimeOutOn, RadioBaud and the window placement; group "Ports" maps
/// COM names to devices (COM3=/dev/ttyUSB0); group "Recent File List" holds File1..File4.
class CAppSettings {
public:
    static constexpr const char* kCompany = "QuillmoreTuner";
    static constexpr const char* kApplication = "VEGAL 25 Tuner";
    static constexpr const char* kSection = "MySetting";
    static constexpr int kRecentFiles = 4;

    /// Reads everything at start-up; missing values take their defaults.
    void Load(QSettings& settings);
    /// Writes PortName, ReminderOn and PTTTimeOutOn in this order, then the recent-file list.
    /// The port map is never written; a bench run writes nothing at all.
    void Save(QSettings& settings) const;

    /// Puts a path at the top of the recent-file list (at most four entries).
    void AddRecentFile(const QString& path);

    std::string m_strPortName;  ///< remembered radio port, "" when none
    int m_nReminderOff = 0;     ///< 0: screens ask before closing with unprogrammed changes
    int m_nPTTTimeOutOn = 1;    ///< exactly 1: the transmitter time-out is active
    int m_nRadioBaud = 9600;    ///< baud rate of the radio's serial line
    CPortMap m_portMap;         ///< COM names to devices ("Ports", plus the bench's for a run)
    QStringList m_recentFiles;  ///< most recent first

    /// A run on the virtual bench: its ports, choices and window placement stay in memory,
    /// so the next run on real ports finds the settings as they were.
    bool m_bBenchRun = false;
    /// Labels of COM numbers shown in Select Port ("bench radio"); never stored.
    std::map<int, std::string> m_portLabels;
};

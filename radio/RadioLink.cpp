#include "RadioLink.h"

bool CRadioLink::LogFileExists() {
    // The tuning log lives beside the executable; with no folder known it is looked for at
    // the root, and it is only ever written when it is already there.
    m_logPath = m_host->ExecutableFolder() + "/TunerLog.txt";
    return m_host->FileExists(m_logPath);
}

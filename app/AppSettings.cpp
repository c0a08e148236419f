#include "app/AppSettings.h"

#include <QtCore/QSettings>

void CAppSettings::Load(QSettings& settings) {
    settings.beginGroup(kSection);
    m_strPortName = settings.value("PortName", QString()).toString().toStdString();
    m_nReminderOff = settings.value("ReminderOn", 0).toInt();
    m_nPTTTimeOutOn = settings.value("PTTTimeOutOn", 1).toInt();
    bool ok = false;
    int baud = settings.value("RadioBaud", 9600).toInt(&ok);
    m_nRadioBaud = ok && baud > 0 ? baud : 9600;
    settings.endGroup();

    settings.beginGroup("Ports");
    for (const QString& key : settings.childKeys()) {
        int n = CPortMap::ComNumber(key.toStdString());
        QString device = settings.value(key).toString().trimmed();
        if (n > 0 && !device.isEmpty())
            m_portMap.SetMapping(n, device.toStdString());
    }
    settings.endGroup();

    m_recentFiles.clear();
    settings.beginGroup("Recent File List");
    for (int i = 1; i <= kRecentFiles; ++i) {
        QString path = settings.value(QString("File%1").arg(i)).toString();
        if (!path.isEmpty())
            m_recentFiles << path;
    }
    settings.endGroup();
}

void CAppSettings::Save(QSettings& settings) const {
    if (m_bBenchRun)
        return;
    settings.beginGroup(kSection);
    settings.setValue("PortName", QString::fromStdString(m_strPortName));
    settings.setValue("ReminderOn", m_nReminderOff);
    settings.setValue("PTTTimeOutOn", m_nPTTTimeOutOn);
    settings.endGroup();

    settings.beginGroup("Recent File List");
    for (int i = 1; i <= kRecentFiles; ++i) {
        QString key = QString("File%1").arg(i);
        if (i <= m_recentFiles.size())
            settings.setValue(key, m_recentFiles.at(i - 1));
        else
            settings.remove(key);
    }
    settings.endGroup();
    settings.sync();
}

void CAppSettings::AddRecentFile(const QString& path) {
    m_recentFiles.removeAll(path);
    m_recentFiles.prepend(path);
    while (m_recentFiles.size() > kRecentFiles) m_recentFiles.removeLast();
}

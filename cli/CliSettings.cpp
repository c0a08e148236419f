#include "CliSettings.h"

#include <QSettings>
#include <QStringList>

CCliSettings CCliSettings::Load(QSettings& settings) {
    CCliSettings s;
    settings.beginGroup(QStringLiteral("Ports"));
    const QStringList keys = settings.childKeys();
    for (const QString& key : keys) {
        const int n = CPortMap::ComNumber(key.toStdString());
        const QString device = settings.value(key).toString();
        if (n > 0 && !device.isEmpty())
            s.portMap.SetMapping(n, device.toStdString());
    }
    settings.endGroup();
    bool ok = false;
    const int baud = settings.value(QStringLiteral("MySetting/RadioBaud"), kDefaultBaud).toInt(&ok);
    s.baud = ok && baud > 0 ? baud : kDefaultBaud;
    s.technician = settings.value(QStringLiteral("MySetting/Technician")).toString().toStdString();
    s.shop = settings.value(QStringLiteral("MySetting/ShopName")).toString().toStdString();
    return s;
}

CCliSettings CCliSettings::LoadUser() {
    QSettings settings(QStringLiteral("QuillmoreTuner"), QStringLiteral("VEGAL 25 Tuner"));
    return Load(settings);
}

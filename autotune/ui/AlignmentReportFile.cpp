#include "autotune/ui/AlignmentReportFile.h"

#include <QtCore/QDateTime>
#include <QtCore/QDir>
#include <QtCore/QFileInfo>
#include <QtCore/QRegularExpression>
#include <QtCore/QStandardPaths>

#include "document/TunerDoc.h"

std::string AlignmentReportFile::PathFor(const CTunerDoc& doc, const QDateTime& when,
                                         const char* kind) {
    QString folder;
    QString stem;
    if (!doc.m_filePath.empty()) {
        const QFileInfo file(QString::fromStdString(doc.m_filePath));
        folder = file.absolutePath();
        stem = file.completeBaseName();
    } else {
        folder = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
        if (folder.isEmpty())
            folder = QDir::homePath();
        // A serial number is no file name: keep it to letters, digits, dot, dash, underscore.
        stem = QString::fromStdString(doc.m_serialNumber);
        stem.replace(QRegularExpression("[^A-Za-z0-9._-]"), "_");
    }
    if (stem.isEmpty() || stem.startsWith('.'))
        stem.prepend("radio");
    QDir().mkpath(folder);
    const QString base =
        QDir(folder).filePath(stem + "-" + kind + "-" + when.toString("yyyyMMdd-HHmmss"));
    QString path = base + ".csv";
    for (int n = 2; QFileInfo::exists(path); ++n) path = base + "-" + QString::number(n) + ".csv";
    return path.toStdString();
}

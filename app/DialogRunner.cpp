#include "app/DialogRunner.h"

#include <QtWidgets/QDialog>
#include <QtWidgets/QFileDialog>

#include "app/SignalStop.h"

int CDialogRunner::Exec(QDialog& dialog) {
    if (CSignalStop::Stopping())
        return QDialog::Rejected;  // the program is stopping: nothing more is asked
    return dialog.exec();
}

QString CDialogRunner::GetOpenFileName(QWidget* parent, const QString& caption,
                                       const QString& filter) {
    if (CSignalStop::Stopping())
        return {};
    return QFileDialog::getOpenFileName(parent, caption, QString(), filter);
}

QString CDialogRunner::GetSaveFileName(QWidget* parent, const QString& caption,
                                       const QString& suggested, const QString& filter) {
    if (CSignalStop::Stopping())
        return {};
    return QFileDialog::getSaveFileName(parent, caption, suggested, filter);
}

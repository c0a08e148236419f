#include "app/DialogRunner.h"

#include <QtWidgets/QDialog>
#include <QtWidgets/QFileDialog>

int CDialogRunner::Exec(QDialog& dialog) {
    return dialog.exec();
}

QString CDialogRunner::GetOpenFileName(QWidget* parent, const QString& caption,
                                       const QString& filter) {
    return QFileDialog::getOpenFileName(parent, caption, QString(), filter);
}

QString CDialogRunner::GetSaveFileName(QWidget* parent, const QString& caption,
                                       const QString& suggested, const QString& filter) {
    return QFileDialog::getSaveFileName(parent, caption, suggested, filter);
}

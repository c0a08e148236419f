#pragma once

#include <QtCore/QString>

class QDialog;
class QWidget;

/// Runs every modal dialog the shell shows: the port selection, Options, About, the file
/// dialogs and the print dialogs. The application uses it as it is; tests replace it, so no
/// test ever waits on a modal window. Once a stop signal has arrived (CSignalStop) it shows
/// nothing and answers as cancelled.
class CDialogRunner {
public:
    virtual ~CDialogRunner() = default;

    /// Runs a modal dialog and returns its result (QDialog::Accepted or Rejected).
    virtual int Exec(QDialog& dialog);
    /// Asks for a file to open; empty when cancelled.
    virtual QString GetOpenFileName(QWidget* parent, const QString& caption, const QString& filter);
    /// Asks for a file to save to; empty when cancelled.
    virtual QString GetSaveFileName(QWidget* parent, const QString& caption,
                                    const QString& suggested, const QString& filter);
};

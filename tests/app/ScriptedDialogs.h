#pragma once

#include <QtWidgets/QDialog>

#include <functional>
#include <string>
#include <vector>

#include "app/DialogRunner.h"

/// Modal dialogs for tests: records each dialog and answers through a handler (Cancel when
/// there is none); the file dialogs answer with fixed paths.
class CScriptedDialogs : public CDialogRunner {
public:
    int Exec(QDialog& dialog) override {
        titles.push_back(dialog.windowTitle().toStdString());
        return onExec ? onExec(dialog) : QDialog::Rejected;
    }
    QString GetOpenFileName(QWidget*, const QString&, const QString&) override {
        titles.push_back("Open");
        return openPath;
    }
    QString GetSaveFileName(QWidget*, const QString&, const QString&, const QString&) override {
        titles.push_back("Save As");
        return savePath;
    }

    std::function<int(QDialog&)> onExec;
    std::vector<std::string> titles;
    QString openPath;
    QString savePath;
};

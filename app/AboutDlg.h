#pragma once

#include <QtWidgets/QDialog>

/// The "About Tuner" box: program name and "Version R01.05.00".
class CAboutDlg : public QDialog {
    Q_OBJECT
public:
    static constexpr const char* kVersionLine = "Version R01.05.00";
    explicit CAboutDlg(QWidget* parent = nullptr);
};

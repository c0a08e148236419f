#pragma once

#include <QtWidgets/QDialog>

class CTunerDoc;
class QLineEdit;

/// The "Radio Information" screen: model and serial number and the four software versions of
/// the open data set, read once when it opens. Close or F10 closes it; Enter does not.
class CRadInfoDlg : public QDialog {
    Q_OBJECT
public:
    CRadInfoDlg(const CTunerDoc& doc, QWidget* parent);

    /// The six fields in order: model, serial, host, DSP, XPM SW, tuning/hardware version.
    QLineEdit* Field(int index) const { return m_fields[index]; }

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    QLineEdit* m_fields[6];
};

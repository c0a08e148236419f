#pragma once

#include <QtWidgets/QDialog>

#include <string>
#include <vector>

#include "app/PortCandidates.h"

class QComboBox;
class QPushButton;

/// The "Select Port" dialog: a "Port:" list of the candidate ports, each shown with the device
/// it stands for (or its label: "COM1 (bench radio)"), and OK / Cancel; F1 gives help. OK is
/// offered only while an entry is selected, so a port is never taken from a missing entry.
class CSelectPortDlg : public QDialog {
    Q_OBJECT
public:
    CSelectPortDlg(const std::vector<PortCandidate>& candidates, const std::string& remembered,
                   QWidget* parent = nullptr);

    /// The chosen port name ("COM3"); empty when none is selected.
    std::string SelectedPort() const;
    /// The list widget (item data is the port name).
    QComboBox* PortList() const { return m_list; }
    QPushButton* OkButton() const { return m_ok; }

protected:
    /// F1 opens the help topic of the dialog.
    void keyPressEvent(QKeyEvent* event) override;

private:
    void UpdateOk();

    QComboBox* m_list;
    QPushButton* m_ok;
};

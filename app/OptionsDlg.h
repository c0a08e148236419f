#pragma once

#include <QtWidgets/QDialog>

class CAppSettings;
class QCheckBox;

/// The "Options" dialog: "Reminder On" (ticked when ReminderOn is 0) and "PTT Time Out".
/// Only boxes the technician changed are applied; nothing is written before exit.
class COptionsDlg : public QDialog {
    Q_OBJECT
public:
    explicit COptionsDlg(const CAppSettings& settings, QWidget* parent = nullptr);

    /// Applies the changed boxes to the settings (after OK).
    void Apply(CAppSettings& settings) const;

    QCheckBox* ReminderBox() const { return m_reminder; }
    QCheckBox* PttTimeOutBox() const { return m_pttTimeOut; }

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    QCheckBox* m_reminder;
    QCheckBox* m_pttTimeOut;
    bool m_initialReminder;
    bool m_initialPttTimeOut;
};

#pragma once

#include <QtWidgets/QDialog>

class IScreenHost;

/// The close warning ("WARNING"): asks before a screen closes with changes that were not
/// programmed into the radio. OK closes, Cancel keeps the screen; it has no behaviour of its own.
class CCloseWarningDlg : public QDialog {
    Q_OBJECT
public:
    /// The question, exactly as the technician reads it.
    static constexpr const char* kText =
        "Do you wish to close this screen \nand lose all uncommited changes?";

    explicit CCloseWarningDlg(QWidget* parent = nullptr);
};

/// Shows the close warning through the frame's dialog runner (as a modal dialog of the feature
/// screen parent belongs to, which outlives it); true when OK was chosen.
bool AskCloseWarning(IScreenHost& host, QWidget* parent);

/// The close rule of every screen with softpot values: a screen may close at once when it has
/// no uncommitted change or the reminder is off (ReminderOff() != 0); otherwise only when the
/// technician answers the close warning with OK.
bool ConfirmCloseScreen(IScreenHost& host, QWidget* parent, bool hasUncommittedChanges);

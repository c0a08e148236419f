#pragma once

#include <QtWidgets/QDialog>

/// Stand-in for a feature screen this build does not have: titled like the screen, it holds
/// the one-screen place, says that the screen is not available and closes with Close or F10.
class CPlaceholderScreen : public QDialog {
    Q_OBJECT
public:
    CPlaceholderScreen(const QString& title, QWidget* parent);

protected:
    void keyPressEvent(QKeyEvent* event) override;
};

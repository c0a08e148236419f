#pragma once

#include "screens/FeatureScreen.h"

class QPushButton;

/// A screen that programs one softpot value (PA bias, battery calibration): F8 reaches its
/// Program All, F10, Esc and the close box its Close, F1 its help topic.
class CValueScreen : public CFeatureScreen {
    Q_OBJECT
public:
    CValueScreen(IScreenHost& host, CTunerDoc& doc, int helpContext);

    void OnCommand(int id) override;
    virtual void OnProgramAll() = 0;
    /// Closes unless the close warning keeps the screen open.
    virtual void OnClose() = 0;

protected:
    /// A push button that Enter never presses.
    QPushButton* MakeButton(const char* text, const char* objectName);

private:
    int m_helpContext;
};

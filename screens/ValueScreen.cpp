#include "screens/ValueScreen.h"

#include <QtWidgets/QPushButton>

#include "resources/CommandIds.h"

CValueScreen::CValueScreen(IScreenHost& host, CTunerDoc& doc, int helpContext)
    : CFeatureScreen(host, doc), m_helpContext(helpContext) {}

void CValueScreen::OnCommand(int id) {
    if (id == Cmd::kProgramAll)
        OnProgramAll();
    else if (id == Cmd::kScreenClose)
        OnClose();
    else if (id == Cmd::kHelp)
        ScreenHost().ShowHelp(m_helpContext);
}

QPushButton* CValueScreen::MakeButton(const char* text, const char* objectName) {
    auto* button = new QPushButton(text, this);
    button->setObjectName(objectName);
    button->setAutoDefault(false);
    return button;
}

#include "autotune/ui/AutoTuneScreens.h"

#include "autotune/ui/AutoTunerDlg.h"
#include "resources/CommandIds.h"
#include "screens/ScreenFactory.h"

void RegisterAutoTuneScreens(CScreenFactory& factory) {
    factory.Register(Cmd::kAutoTune, [](const ScreenRequest& request) -> QWidget* {
        return new CAutoTunerDlg(request.host, request.doc);
    });
}

#include "performance/PerformanceScreens.h"

#include "performance/BitErrorRateDlg.h"
#include "performance/TxTstPatternDlg.h"
#include "resources/CommandIds.h"
#include "screens/ScreenFactory.h"

void RegisterPerformanceScreens(CScreenFactory& factory) {
    factory.Register(Cmd::kBitErrorRate, [](const ScreenRequest& r) -> QWidget* {
        return new CBitErrorRateDlg(r.host, r.doc);
    });
    factory.Register(Cmd::kTestPattern, [](const ScreenRequest& r) -> QWidget* {
        return new CTxTstPatternDlg(r.host, r.doc);
    });
}

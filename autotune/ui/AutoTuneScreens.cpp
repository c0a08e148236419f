#include "autotune/ui/AutoTuneScreens.h"

#include "screens/ScreenFactory.h"

void RegisterAutoTuneScreens(CScreenFactory& /*factory*/) {}

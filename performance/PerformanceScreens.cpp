#include "performance/PerformanceScreens.h"

#include "screens/ScreenFactory.h"

void RegisterPerformanceScreens(CScreenFactory& /*factory*/) {}

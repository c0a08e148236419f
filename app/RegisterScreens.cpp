#include "app/RegisterScreens.h"

#include "autotune/ui/AutoTuneScreens.h"
#include "performance/PerformanceScreens.h"
#include "screens/AlignmentScreens.h"

void RegisterFeatureScreens(CScreenFactory& factory) {
    RegisterAlignmentScreens(factory);
    RegisterPerformanceScreens(factory);
    RegisterAutoTuneScreens(factory);
}

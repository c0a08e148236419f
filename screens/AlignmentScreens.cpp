#include "screens/AlignmentScreens.h"

#include "screens/ScreenFactory.h"

void RegisterAlignmentScreens(CScreenFactory& /*factory*/) {}

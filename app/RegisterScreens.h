#pragma once

class CScreenFactory;

/// Registers every feature screen with the factory. The application calls it at start-up and
/// the shell tests in their fixture; an explicit call, so the linker keeps every screen.
void RegisterFeatureScreens(CScreenFactory& factory);

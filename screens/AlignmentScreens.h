#pragma once

class CScreenFactory;

/// Registers the makers of the alignment screens (tuning screen, PA bias, battery).
void RegisterAlignmentScreens(CScreenFactory& factory);

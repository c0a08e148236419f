#pragma once

class CScreenFactory;

/// Registers the makers of the performance test screens (bit error rate, test pattern).
void RegisterPerformanceScreens(CScreenFactory& factory);

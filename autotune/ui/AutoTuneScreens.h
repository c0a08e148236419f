#pragma once

class CScreenFactory;

/// Registers the maker of the Automatic Tuning dialog.
void RegisterAutoTuneScreens(CScreenFactory& factory);

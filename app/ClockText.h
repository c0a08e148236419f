#pragma once

#include <QtCore/QString>

/// Text of the status bar clock: 12-hour hour without a leading zero, two-digit minute
/// ("%i:%02i"): 0:05 at 00:05, 12:30 at 12:30, 1:07 at 13:07.
QString FormatClockText(int hour, int minute);

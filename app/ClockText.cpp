#include "app/ClockText.h"

QString FormatClockText(int hour, int minute) {
    if (hour > 12)
        hour -= 12;
    return QString::asprintf("%i:%02i", hour, minute);
}

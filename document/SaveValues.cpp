#include "SaveValues.h"

int CSaveValues::ValidPairs() const {
    int n = 0;
    while (n < kPairs && m_freq[n] > 0) ++n;
    return n;
}

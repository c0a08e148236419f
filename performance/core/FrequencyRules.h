#pragma once

#include <string>

/// Lowest and highest frequency, in MHz, that a test screen lets the radio use; both 0.0 when
/// the radio's band is not in the table.
struct FrequencyLimits {
    double lower = 0.0;
    double upper = 0.0;
};

/// Receive limits of the bit error rate test, by the fourth character of the model number;
/// radios of model family 2 use the second table.
FrequencyLimits BerFrequencyLimits(const std::string& modelNumber, int modelFamily);
/// Transmit limits of the test pattern screen: the same tables except band "U" of the first
/// (806.0 MHz at the bottom instead of 851.0).
FrequencyLimits TestPatternFrequencyLimits(const std::string& modelNumber, int modelFamily);

/// Moves a frequency onto the channel raster of the band class. Band class 7 uses 2500 Hz
/// steps and band class 6 5000 Hz steps, each besides the 6250 Hz raster: a frequency on either
/// raster stays, any other goes up to the nearer of the next step and the next 6250 Hz
/// multiple. Every other band class has only the 6250 Hz raster.
double OnChannelRaster(double mhz, int bandClass);

/// The bit error rate screen's check of a typed receive frequency: raster, limits, and the
/// 776-851 MHz gap (moved to 851.0).
double CheckBerFrequency(double mhz, int bandClass, const FrequencyLimits& limits);
/// The test pattern screen's check of a typed transmit frequency: raster, limits, and the
/// gaps 776-794 MHz (to 794.0) and 824-851 MHz (to 851.0).
double CheckTestPatternFrequency(double mhz, int bandClass, const FrequencyLimits& limits);

#include "SoftpotField.h"

namespace SoftpotField {

int Bytes(int type, int modelFamily) {
    return type == 5 || (type == 0 && modelFamily == 2) ? 2 : 1;
}

int Max(int type, int modelFamily) {
    return Bytes(type, modelFamily) == 2 ? 0xFFFF : 0xFF;
}

int TuningMax(int type, int modelFamily) {
    switch (type) {
        case 0:  // Reference Oscillator
            return modelFamily == 2 ? 511 : 127;
        case 2:  // Tx Deviation Balance
            return modelFamily == 2 ? 63 : 127;
        case 4:  // Tx Current Limit
            return 15;
        case 5:  // Tx Deviation Limit
            return 32767;
        default:  // Tx Power, Rx Front End Filter
            return 127;
    }
}

bool Fits(int type, int modelFamily, int value) {
    return value >= 0 && value <= Max(type, modelFamily);
}

std::string Name(int type, int level) {
    switch (type) {
        case 0:
            return "Reference Oscillator";
        case 1:
            return level == 1   ? "Tx Power Low"
                   : level == 2 ? "Tx Power Mid"
                   : level == 3 ? "Tx Power High"
                                : "Tx Power";
        case 2:
            return "Tx Deviation Balance";
        case 3:
            return "Rx Front End Filter";
        case 4:
            return "Tx Current Limit";
        case 5:
            return "Tx Deviation Limit";
        case 8:
            return "Battery Calibration";
        case 9:
        case 10:
        case 11:
        case 12:
            return "PA Bias " + std::to_string(type - 8);
        default:
            return "Softpot " + std::to_string(type);
    }
}

std::string OutOfFieldText(const std::string& feature, int value, int type, int modelFamily) {
    return "The value " + std::to_string(value) + " of " + feature +
           " does not fit its softpot (0 to " + std::to_string(Max(type, modelFamily)) +
           "). It was not sent to the radio.";
}

}  // namespace SoftpotField

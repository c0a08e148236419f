#pragma once

#include <string>

class CTunerDoc;
class QDateTime;

/// Where the Automatic Tuning dialog saves the report of a whole-radio alignment: beside the
/// data set's .tun file, named after it ("bench-alignment-20260312-141503.csv"); for a radio
/// that was only read (no file yet), in the user's Documents folder (the home folder when
/// there is none), named after the serial number. A name that is taken gets "-2", "-3", ...
namespace AlignmentReportFile {

/// The path for a report of a run that began at when; the folder is made when it is missing.
std::string PathFor(const CTunerDoc& doc, const QDateTime& when, const char* kind = "alignment");

}  // namespace AlignmentReportFile

#pragma once

#include <string>

#include "autotune/AlignmentReport.h"

/// Where a whole-radio run is made: the names the report's header gives.
namespace RunStation {

/// The login name of the user running the program ("" when none can be found).
std::string LoginName();
/// This computer's host name ("" when none can be found).
std::string HostName();
/// The station of a run: the shop and technician as set (the technician is the login name
/// when none is set), this computer as the bench, and the test-set port.
CAlignmentReport::Station Make(const std::string& shop, const std::string& technician,
                               const std::string& testSet);

}  // namespace RunStation

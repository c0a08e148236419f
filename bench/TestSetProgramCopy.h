#pragma once

#include <cstddef>
#include <string>
#include <vector>

/// The simulated HP8920B's own copy of the loader and of the resident program, written down
/// apart from the tuner's, so that the bench can tell a faithful download from a damaged one.
/// Lines are as the instrument receives them: without their CR or LF.
namespace TestSetProgramCopy {

/// The loader's 40 lines as typed into the editor (between "edit" and the two ESC bytes).
const std::vector<std::string>& LoaderBody();
/// The 241 program lines, "10   ! Quorvin Rev D.03.00" first.
const std::vector<std::string>& Program();

/// Where a received editor body differs from the loader ("" when it is the loader).
std::string CompareLoader(const std::vector<std::string>& received);
/// Where a received file differs from the program ("" when it is the program). Lines 20 to
/// 40 are comments whose text is free.
std::string CompareProgram(const std::vector<std::string>& received);

}  // namespace TestSetProgramCopy

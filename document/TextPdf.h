#pragma once

#include <string>
#include <vector>

/// A small PDF writer for report text: A4 pages, half-inch margins, 9 pt Courier (one of the
/// fonts every PDF reader has, so nothing is embedded). The first line is the header, printed
/// at the top of every page as the report print does; the others follow in order and break
/// onto new pages. Characters outside printable ASCII print as "?".
namespace TextPdf {

constexpr double kPageWidth = 595.0;  ///< A4 in points
constexpr double kPageHeight = 842.0;
constexpr double kMargin = 36.0;
constexpr double kFontSize = 9.0;
constexpr double kLeading = 11.0;

/// Lines of text below the header that fit on one page.
int LinesPerPage();
/// The whole PDF file.
std::string Make(const std::vector<std::string>& lines, const std::string& title);
/// Writes Make's result to path; false with a reason when it cannot.
bool Write(const std::string& path, const std::vector<std::string>& lines, const std::string& title,
           std::string& error);

}  // namespace TextPdf

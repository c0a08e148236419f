#pragma once

#include <string>

#include "autotune/AlignmentReport.h"

class QPagedPaintDevice;
class QPainter;

/// The report of a whole-radio run drawn as the sheet a shop hands over: a header with the
/// shop, technician, date, the radio's identity and the test set on every page; per feature a
/// table of its rows (as found and as left side by side, old and new values, target and
/// tolerance, the result) beside a small chart of each row's readings against its tolerance
/// band; and the overall result. PASS and FAIL are told apart without colour: PASS bold in a
/// frame, FAIL bold in white on black. Features that do not fit on a page start the next one,
/// under the header again.
namespace ReportSheet {

/// Draws the sheet on a paged device (a printer, a PDF writer), starting new pages as needed.
/// Returns the number of pages; 0 when the painter could not begin on the device.
int Render(const CAlignmentReport& report, QPagedPaintDevice& device);

/// The number of pages the sheet takes on A4.
int PageCount(const CAlignmentReport& report);

/// Writes the sheet as a PDF file on A4 (replacing it). Needs a QGuiApplication. False with a
/// message naming the path and the reason.
bool WritePdf(const CAlignmentReport& report, const std::string& path, std::string& error);

}  // namespace ReportSheet

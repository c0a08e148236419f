#pragma once

#include <functional>
#include <string>
#include <vector>

#include "autotune/AlignmentReport.h"

class CTestSetLink;
class CTunerDoc;
class IAlignmentFace;

/// The test of a whole-radio run: every row measured at the value the radio holds, and
/// judged against the limits, with nothing changed.
///
/// Each feature starts as its tuning screen would, but without the screen's live value: test
/// mode (which takes back any live value an earlier step left), receive (dekeyed, muted), the
/// power level and the feature's modulation; then per row the frequency, the tone (the Tx
/// Deviation Balance is read on the high tone, as its rows are tuned), the key, one validated
/// reading (CMeasurement; the Reference Oscillator has its analyzer frequency set first) and
/// the dekey. Nothing to program and no row's value is ever sent. The one live request is a
/// test condition: the Tx Deviation Balance is read on the high tone with the deviation limit
/// opened, as its tuning screen keys it (the limiter would otherwise hold the tone at the
/// programmed limit, and the reading would be the limit's, not the balance's); the next
/// feature's test mode takes it back. Tx Power is read with the current limit as programmed.
///
/// A row whose reading could not be taken or is no valid measurement fails with the reason
/// and the test goes on; a stop, a test set that does not answer, a radio link that failed or
/// a face that is gone end it with the transmitter off.
class CRadioVerification {
public:
    static constexpr const char* kOutside = "the reading is outside the tolerance";
    static constexpr const char* kNotTested = "not tested";

    /// stopped is asked between steps and during each measurement wait.
    CRadioVerification(CTestSetLink& link, IAlignmentFace& face, std::function<bool()> stopped);

    /// Opens the deviation limit while the Tx Deviation Balance is read (on unless set off).
    void SetOpenDeviationLimit(bool open) { m_openDeviationLimit = open; }

    /// Tests the rows in order (grouped by feature as a run orders them), filling the check
    /// that is handed for each. Rows after an end that cut the test keep a check that says
    /// kNotTested with the reason. Returns that reason; empty when every row was tried.
    std::string Test(const std::vector<CAlignmentReport::Row*>& rows,
                     CAlignmentReport::Check CAlignmentReport::Row::*check);

private:
    /// Sends requests on the data set; false with the reason when the test must end (the
    /// link lost, the face gone). refused is the radio's reason when it refused one.
    bool Radio(const std::function<void(CTunerDoc&)>& work, std::string& refused, std::string& end);
    /// Tests one row of a feature; false with the reason when the test must end.
    bool TestRow(int featureIndex, CAlignmentReport::Row& row, CAlignmentReport::Check& check,
                 std::string& end);
    void Dekey();

    CTestSetLink& m_link;
    IAlignmentFace& m_face;
    std::function<bool()> m_stopped;
    bool m_keyed = false;
    bool m_openDeviationLimit = true;
};

#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "document/TunerDoc.h"
#include "screens/FeatureScreen.h"
#include "screens/TuningFeatures.h"

class CColourSlider;
class CSpinButton;
class CTunerBar;
class QLabel;
class QLineEdit;

/// The softpot tuning screen: one row per test frequency of a feature (frequency, the value in
/// the radio, a colour slider and an editable new value with its spin). The selected row's
/// frequency is the one the radio is tuned to; every change of a value is sent to the radio
/// at once as a live softpot (SetSoftpot), and only "Program All" on the command bar stores
/// values in the radio and the document. The feature comes from the frame's feature name.
///
/// Rows are numbered 1 to 10 in the screen's own operations (SelectRow, m_nSelectedRow) and
/// 0 to 9 in the index-based methods that automatic tuning uses.
///
/// A dragged slider never queues stale positions: slider notifications are coalesced, and
/// when the event loop next runs the position the thumb has then is applied once (one
/// SetSoftpot), so the window repaints between exchanges and the last position leaves
/// within one exchange of the last mouse move.
///
/// Automatic tuning drives the screen from the user-interface thread (for example through
/// blocking queued invocations); each invokable method does its whole work synchronously.
///
/// While automatic tuning drives the tuning screens (SetAutomaticDrive), the current screen and
/// every screen opened meanwhile are driven: the technician's commands (F6, F8, F10, Esc, the
/// close box, the bar's buttons, the sliders, spins and value fields) are unavailable, a notice
/// at the top says why and how to get them back, and the PTT time-out does not ask. Automatic
/// tuning works the screen through DriveCommand and the index-based methods below.
class CTunerDlg : public CFeatureScreen {
    Q_OBJECT
public:
    static constexpr const char* kDrivenNotice =
        "Automatic tuning is driving this screen: press Stop Tuning first";

    CTunerDlg(IScreenHost& host, CTunerDoc& doc);
    ~CTunerDlg() override;

    /// The current tuning screen (g_pTunerDlg); null whenever it is closed or gone.
    /// User-interface thread only.
    static CTunerDlg* Current();

    /// Automatic tuning begins or ends driving the tuning screens: the current one and every
    /// one opened until it ends. User-interface thread only.
    static void SetAutomaticDrive(bool on);
    static bool AutomaticDrive();
    /// This screen is driven: its manual commands are unavailable.
    bool IsDriven() const { return m_bDriven; }
    /// A command of automatic tuning (Program All, PTT Toggle, Close), run whether or not the
    /// screen is driven, as the key would run it on a screen that is not.
    void DriveCommand(int id);
    QLabel* DriveNotice() const { return m_driveNotice; }

    // ---- Automatic tuning (index 0 to 9) -------------------------------------------------
    /// Rows shown (m_nRowCount).
    Q_INVOKABLE int RowCount() const { return m_nRowCount; }
    /// Whether row index's slider is shown (hidden rows lie after the last test frequency).
    Q_INVOKABLE bool IsRowVisible(int index) const;
    /// The slider of a row, or null for an index outside 0 to 9.
    CColourSlider* RowSlider(int index) const;
    /// The thumb position of a row's slider (TBM_GETPOS); -1 for a bad index.
    Q_INVOKABLE int SliderPosition(int index) const;
    /// Moves a row's thumb, held within its range, without any notification (TBM_SETPOS).
    Q_INVOKABLE void SetSliderPosition(int index, int position);
    /// Moves a row's thumb and applies it as the slider's own scroll handling does: selects
    /// the row if it is not selected and sends the value (TBM_SETPOS, then TB_THUMBTRACK).
    Q_INVOKABLE void ApplySliderPosition(int index, int position);
    /// Selects a row as when the technician touches its slider (WM_USER+3): the slider's
    /// scroll handling with its current position.
    Q_INVOKABLE void SelectRowBySlider(int index);
    /// The texts of the two range labels under the sliders ("0" and the maximum).
    Q_INVOKABLE QString LowerRangeText() const;
    Q_INVOKABLE QString UpperRangeText() const;
    /// A row slider's colour (COLORREF): green 65280 selected and off, red 255 selected and
    /// keyed, grey for the others; 0 for a bad index.
    Q_INVOKABLE uint RowColour(int index) const;

    // ---- Operations of the screen (rows 1 to 10) -----------------------------------------
    /// Retunes the radio to row (dekeying and keying again while transmitting), sends value,
    /// makes row the selected row and updates the colours and the bar's status line.
    void SelectRow(int row, int value);
    /// Keying: every green slider turns red and takes the focus.
    void MarkRowKeyed();
    /// Dekeying: every red slider turns green and takes the focus; m_nLastSent becomes that
    /// row's new value.
    void MarkRowIdle();
    /// A typed value of row after its edit lost the focus.
    void ApplyNewValue(int row, int value);
    /// Tx Current Limit: one value for every row.
    void SetAllRows(int position);
    /// The horizontal-scroll handling of row's slider: applies its position.
    void OnHScroll(int row);
    /// The vertical-scroll handling of row's spin: sends its position without retuning.
    void OnVScroll(int row);
    /// The new-value edit of row gained or lost the focus.
    void OnNewValueSetFocus(int row);
    void OnNewValueKillFocus(int row);
    /// Reads the new-value edits into m_nNewValue (save) or writes both number columns.
    void UpdateData(bool save);
    /// Some row's new value differs from its radio value.
    bool HasUncommittedChanges() const;

    CTunerBar* Bar() const { return m_pBar; }
    QLineEdit* FrequencyEdit(int index) const;
    QLineEdit* RadioValueEdit(int index) const;
    QLineEdit* NewValueEdit(int index) const;
    CSpinButton* Spin(int index) const;
    QLabel* LowerRangeLabel() const { return m_lowLabel; }
    QLabel* UpperRangeLabel() const { return m_highLabel; }

    // Commands: F6 PTT Toggle, F8 Program All, F10/Esc Close; F1 does nothing here. While the
    // screen is driven they do nothing but beep.
    void OnCommand(int id) override;
    void CloseForDataSet() override;
    bool Closing() const override { return m_bClosing || CFeatureScreen::Closing(); }
    /// Ends the screen with its bar (the bars' close handling calls this last).
    void DestroyScreen();

    // The screen's state, read and written by its bars.
    CTunerDoc* m_pDoc;
    std::string m_strFeatureName;  ///< the feature this screen serves
    int m_nFeature = 0;
    int m_nLevel = 0;
    std::array<int, kMaxTestFreqs> m_nFreq{};
    std::array<int, kMaxTestFreqs> m_nValue{};
    int m_nRowCount = 0;
    std::array<int, kTunerRows> m_nRadioValue{};
    std::array<int, kTunerRows> m_nNewValue{};
    int m_nMaxValue = 127;
    int m_nSelectedRow = 1;
    int m_nLastSent = 0;
    bool m_bTransmitting = false;
    std::string m_strFreqText;
    int m_nDialogHeight = 0;
    CTunerBar* m_pBar = nullptr;

protected:
    /// Enter: commits the focused new value and keeps the focus there.
    void OnEnter() override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    struct Row {
        QWidget* box = nullptr;
        QLineEdit* freq = nullptr;
        QLineEdit* radio = nullptr;
        CColourSlider* slider = nullptr;
        QLineEdit* newValue = nullptr;
        CSpinButton* spin = nullptr;
    };

    void BuildRows();
    void LoadRows();
    CTunerBar* MakeBar(TunerBarKind kind);
    /// Row 1 to 10 of a new-value edit, 0 for any other widget.
    int RowOfEdit(const QObject* widget) const;
    bool ValidIndex(int index) const { return index >= 0 && index < kTunerRows; }
    /// Colours every enabled shown row: the selected one green or red, the others grey.
    void ColourRows();
    /// The bar's status line for the selected row and transmitter state.
    void WriteStatus();
    /// A slider notification: applied once the event loop is next free.
    void QueueScroll(int row);
    void RunQueuedScroll();
    /// Commits the focused new-value edit, as its losing the focus would.
    void CommitFocusedValue();
    void PlaceRangeLabels();
    /// Shows the screen driven by automatic tuning, or gives it back to the technician.
    void ShowDriven(bool driven);

    std::array<Row, kTunerRows> m_rows;
    QLabel* m_driveNotice = nullptr;
    QWidget* m_rangeArea = nullptr;
    QLabel* m_lowLabel = nullptr;
    QLabel* m_highLabel = nullptr;
    int m_queuedScrollRow = 0;
    bool m_bClosing = false;
    bool m_bDriven = false;
};

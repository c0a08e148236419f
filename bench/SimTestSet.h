#pragma once

#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "BenchFaults.h"

class CSimRadio;

/// The simulated HP8920B: instrument command mode with the IBASIC editor, the download
/// loader that stores the file "Quorvin", and the resident program's command protocol.
/// A pure state machine driven by input bytes and time (milliseconds); thread-safe.
class CSimTestSet {
public:
    enum class Mode { Instrument, Editor, Download, Resident };

    static constexpr const char* kFileName = "Quorvin";
    static constexpr const char* kFirstLine = "10   ! Quorvin Rev D.03.00";
    static constexpr int kIdleMs = 75;
    /// Instrument-bus work between the frequency code and "CTS".
    static constexpr int kCtsDelayMs = 60;
    /// How long the program waits for the first frequency digit (its 0.1 s serial time-out).
    static constexpr int kFreqFirstByteMs = 100;
    /// What the instrument reports for a frequency error or an FM deviation it cannot measure
    /// (no carrier).
    static constexpr double kNoMeasurement = 9.91e37;

    /// radio may be null: nothing is then measured.
    explicit CSimTestSet(CSimRadio* radio);

    void Feed(const std::uint8_t* data, std::size_t size, std::int64_t nowMs);
    void Feed(const std::string& text, std::int64_t nowMs);
    /// Runs what is due at nowMs.
    void Tick(std::int64_t nowMs);
    /// When Tick next has something to do (-1: nothing).
    std::int64_t NextEventMs() const;
    /// Output produced since the last call.
    std::string TakeOutput();

    void SetFaults(const BenchFaults& faults);
    /// Quiet gap that ends a download (the loader's 2 s).
    void SetDownloadQuietMs(int ms);
    /// Gap between the end of a reply and the program's next poll. 0 (the default) polls at
    /// once, as the resident program's main loop does; a gap hides the poll from a tuner that
    /// sends its next code right after the reply.
    void SetPollAfterReplyMs(int ms);
    /// Called with every line received (terminator removed; ESC as the one-byte line).
    void SetLineObserver(std::function<void(const std::string&)> observer);
    /// Called with what the instrument would show about a program it refuses to run.
    void SetNoteObserver(std::function<void(const std::string&)> observer);
    /// Starts with the resident program stored as "Quorvin" (a faithful download), and
    /// running when running is true (its first poll at nowMs).
    void StoreResidentProgram(bool running, std::int64_t nowMs);

    Mode CurrentMode() const;
    bool HasFile() const;
    std::vector<std::string> File() const;
    std::vector<std::string> Lines() const;
    double AnalyzerFrequencyHz() const;
    void ClearLines();
    /// How many times the running program has taken a command code (1 to 4).
    int CodesTaken(int code) const;
    /// How many measurements the program has made (codes 3 and 4 acted on, a manual
    /// measurement's two replies counting once).
    int MeasurementsMade() const;
    /// When Tick next has work to do that the tuner waits for (the end of a download, "CTS",
    /// the end of a frequency, a measurement): -1 when only idle polls are due.
    std::int64_t NextWorkEventMs() const;

    /// A value as the instrument writes it: 16 characters, e.g. " 8.51012500E+008".
    static std::string FormatValue(double v);

private:
    void FeedLocked(const std::uint8_t* data, std::size_t size, std::int64_t nowMs);
    void Line(const std::string& line, std::int64_t now);
    void Command(const std::string& line, std::int64_t now);
    void Code(int code, std::int64_t now);
    void Reply(const std::string& a, const std::string& b, const std::string& c);
    void Emit(const std::string& s);
    void Record(const std::string& line);
    void Note(const std::string& text);
    void Measure(bool manual);
    /// The program goes back to its main loop after a reply: it polls again.
    void PollAfterReply(std::int64_t now);
    /// A value as the faults deliver it in field (1 to 3).
    std::string FaultyValue(const std::string& value, int field) const;
    std::int64_t NextWorkEventLocked() const;

    CSimRadio* m_radio;
    mutable std::mutex m_mutex;
    std::function<void(const std::string&)> m_observer;
    std::function<void(const std::string&)> m_noteObserver;
    BenchFaults m_faults;
    int m_quietMs = 2000;
    int m_pollAfterReplyMs = 0;
    int m_codesTaken[5] = {};
    int m_measurements = 0;

    Mode m_mode = Mode::Instrument;
    std::string m_partial;
    std::int64_t m_lastInputMs = 0;
    std::vector<std::string> m_editor;
    std::vector<std::string> m_program;
    bool m_programIsLoader = false;
    bool m_programIsResident = false;
    std::vector<std::string> m_file;
    bool m_hasFile = false;
    std::vector<std::string> m_download;
    int m_escCount = 0;

    // Resident program.
    std::int64_t m_nextIdleMs = -1;
    enum class Busy { None, CtsDelay, FreqWait, Measure };
    Busy m_busy = Busy::None;
    bool m_manual = false;
    std::int64_t m_busyUntilMs = -1;
    std::string m_freqDigits;
    std::string m_held;  ///< input that came while the program was measuring
    double m_analyzerHz = 0;

    std::string m_output;
    std::vector<std::string> m_lines;
};

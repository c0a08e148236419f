#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "BenchFaults.h"
#include "SimRadio.h"
#include "SimTestSet.h"

/// How a bench is set up.
struct BenchOptions {
    std::string radioLink;             ///< path of a symlink to the radio pty ("" = none)
    std::string testSetLink;           ///< path of a symlink to the test-set pty
    bool testSet = false;              ///< run a test set even without a symlink
    std::string profile = "standard";  ///< built-in profile name or a profile file path
    std::string traceFile;             ///< "" = no trace file
    std::uint32_t seed = 1;
    bool noise = true;  ///< measurement noise (deterministic for a seed)
    int radioBaud = 9600;
    int testSetBaud = 19200;
    bool paced = true;           ///< pace bytes at the baud rate
    int downloadQuietMs = 2000;  ///< gap that ends a download into the test set
    /// Gap between a reply of the resident program and its next poll: 0 polls at once, as
    /// the real program does; 75 is one poll interval (the bench's former behaviour).
    int pollAfterReplyMs = 0;
    /// The test set at start: nothing stored, the resident program stored as "Quorvin", or
    /// stored and already running.
    enum class TestSetStart { Empty, Stored, Running };
    TestSetStart testSetStart = TestSetStart::Empty;
    BenchFaults faults;  ///< initial faults (also settable later)
};

/// The virtual bench: a simulated radio and, optionally, a simulated HP8920B, each behind
/// its own pseudo-terminal, with a trace of everything they receive.
class CBench {
public:
    explicit CBench(BenchOptions options);
    /// Stops and removes the symlinks.
    ~CBench();
    CBench(const CBench&) = delete;
    CBench& operator=(const CBench&) = delete;

    /// Loads the profile, opens the ptys, makes the symlinks, starts the threads.
    bool Start(std::string& error);
    void Stop();

    /// Path to open: the symlink if given, else the pty slave.
    std::string RadioDevice() const;
    /// Empty when there is no test set.
    std::string TestSetDevice() const;

    CSimRadio& Radio();
    CSimTestSet& TestSet();
    /// Sets the faults of radio and test set together.
    void SetFaults(const BenchFaults& faults);

    /// Lets the test set do the work that falls due within the next ms milliseconds (what the
    /// tuner's waits give it time for): returns once the test set has received sentByTuner
    /// bytes in all (the tuner's count of what it wrote; it may still be in the kernel) and no
    /// work but idle polling is due before then, or after ms at most. Tests whose host clock
    /// is simulated call this from their Sleep.
    void SettleTestSet(std::uint32_t ms, std::uint64_t sentByTuner);
    /// Bytes the test set has received from the tuner (XON and XOFF not counted).
    std::uint64_t TestSetBytesReceived() const;

    /// Request payloads received, lower-case hex without blanks, in order.
    std::vector<std::string> RadioRequests() const;
    /// Lines received by the test set.
    std::vector<std::string> TestSetLines() const;
    void ClearTrace();

    static std::vector<std::string> ProfileNames();

    /// One trace line: "HH:MM:SS.mmm radio 0012" or "HH:MM:SS.mmm testset run".
    static std::string TraceLine(const std::string& who, const std::string& text);

private:
    struct Impl;
    std::unique_ptr<Impl> m_impl;
};

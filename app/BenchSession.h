#pragma once

#include <memory>
#include <string>
#include <vector>

/// The virtual bench run inside the application (--bench): a simulated radio and test set
/// behind pseudo-terminals, for this run only.
class CBenchSession {
public:
    CBenchSession();
    ~CBenchSession();

    /// Whether this build has the bench.
    static bool Available();
    /// Profile names the bench knows.
    static std::vector<std::string> ProfileNames();

    /// Starts the bench with a radio profile; false with a reason in error.
    bool Start(const std::string& profile, int radioBaud, std::string& error);
    void Stop();

    /// Devices of the simulated radio and test set (valid after Start).
    std::string RadioDevice() const;
    std::string TestSetDevice() const;

private:
    struct Impl;
    std::unique_ptr<Impl> m_impl;
};

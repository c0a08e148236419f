// vegal-cli over the bench's simulated radio on a pseudo-terminal: read saves the data set,
// dump and report print it, write programs it back, and the requests reach the radio in
// the order of a read and of a write.

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "../bench/RadioBenchFixture.h"
#include "../document/TunTestSupport.h"
#include "CliApp.h"
#include "TerminalHost.h"

using namespace tuntest;

namespace {

class CliRadioTest : public ::testing::Test {
protected:
    int Run(std::vector<std::string> args) {
        out.str("");
        err.str("");
        CCliContext ctx{host, out, err, [this] { return settings; }};
        return RunCli(args, ctx);
    }
    /// A bench radio of this profile (a built-in name or a profile file), unpaced.
    static std::unique_ptr<CBench> StartBench(const std::string& profile) {
        BenchOptions options;
        options.profile = profile;
        options.paced = false;
        options.noise = false;
        auto bench = std::make_unique<CBench>(options);
        std::string error;
        EXPECT_TRUE(bench->Start(error)) << error;
        return bench;
    }
    static CRadioProfile Profile(const std::string& name) {
        CRadioProfile p;
        EXPECT_TRUE(CRadioProfile::BuiltIn(name, p)) << name;
        return p;
    }
    TempDir dir;
    CCliSettings settings;
    std::ostringstream out;
    std::ostringstream err;
    std::istringstream in;
    CTerminalHost host{err, in, false, false};
};

TEST_F(CliRadioTest, ReadDumpReportThenWriteTheSavedFile) {
    const auto bench = StartBench("standard");
    const CRadioProfile profile = Profile("standard");
    const std::string file = dir.File("radio.tun");
    ASSERT_EQ(Run({"read", "--port", bench->RadioDevice(), "--out", file}), 0) << err.str();
    const auto bytes = ReadBytes(file);
    ASSERT_EQ(bytes.size(), 1301u);

    std::vector<std::string> readOrder = RadioBenchFixture::ExpectedRead(profile);
    readOrder.push_back("000d");  // the data set closes: exit test mode
    EXPECT_EQ(bench->RadioRequests(), readOrder);
    // One summary line last: every exchange counted.
    const std::size_t summary =
        err.str().find("read: " + std::to_string(readOrder.size()) + " exchanges, ");
    ASSERT_NE(summary, std::string::npos) << err.str();
    EXPECT_NE(err.str().find(" bytes sent, ", summary), std::string::npos);
    EXPECT_EQ(err.str().find('\n', summary), err.str().size() - 1) << "the summary comes last";
    EXPECT_NE(err.str().find("Saved " + file + "\n"), std::string::npos);

    ASSERT_EQ(Run({"dump", file}), 0) << err.str();
    EXPECT_NE(out.str().find("Serial Number: 428CTA1234\nModel Number: H18UCF9PW6AN\n"),
              std::string::npos)
        << out.str();
    EXPECT_NE(out.str().find("Features present: 0 1 2 3 4 5 8\n"), std::string::npos) << out.str();
    EXPECT_NE(out.str().find("Record 1: type 0, level 0, 1 pairs\n  851.0125 MHz  250\n"),
              std::string::npos)
        << out.str();
    ASSERT_EQ(Run({"report", file}), 0) << err.str();
    EXPECT_NE(out.str().find("\nReference Oscillator        \n"), std::string::npos) << out.str();

    bench->ClearTrace();
    ASSERT_EQ(Run({"write", "--port", bench->RadioDevice(), file}), 0) << err.str();
    EXPECT_NE(err.str().find("Programming Successful\n"), std::string::npos) << err.str();
    const auto written = bench->RadioRequests();
    ASSERT_GE(written.size(), 5u);
    std::vector<std::string> heads = {written.begin(), written.begin() + 4};
    for (std::size_t i = 4; i + 1 < written.size(); ++i) heads.push_back(written[i].substr(0, 8));
    heads.push_back(written.back());
    std::vector<std::string> writeOrder = {"0012", "000c", "001100", "001000"};
    for (const auto& q : RadioBenchFixture::ExpectedProgramming(profile)) writeOrder.push_back(q);
    writeOrder.push_back("000d");
    EXPECT_EQ(heads, writeOrder);
    EXPECT_NE(err.str().find("write: " + std::to_string(writeOrder.size()) + " exchanges, "),
              std::string::npos)
        << err.str();
}

TEST_F(CliRadioTest, WriteToAnotherRadioIsRefusedThroughAComPort) {
    const std::string file = dir.File("first.tun");
    {
        const auto first = StartBench("standard");
        ASSERT_EQ(Run({"read", "--port", first->RadioDevice(), "--out", file}), 0) << err.str();
    }

    // The same model with another serial number.
    const std::string otherProfile = dir.File("other.profile");
    std::ofstream(otherProfile) << "base = standard\nserial = 428CTA9999\n";
    const auto other = StartBench(otherProfile);
    settings.portMap.SetMapping(7, other->RadioDevice());
    EXPECT_EQ(Run({"write", "--port", "com7", file}), 1);
    EXPECT_NE(err.str().find("Radio mismatch! The current data set does not come from this "
                             "radio. Please read this radio before continuing."),
              std::string::npos)
        << err.str();
    EXPECT_EQ(err.str().find("Programming Successful"), std::string::npos);
    for (const auto& r : other->RadioRequests()) EXPECT_NE(r.rfind("000104", 0), 0u) << r;
}

}  // namespace

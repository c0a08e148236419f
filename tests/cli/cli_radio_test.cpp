// vegal-cli end to end over a pseudo-terminal: a radio that answers the read, match and
// programming requests; read saves the data set, write programs it back, and the requests
// reach the radio in order.

#include <gtest/gtest.h>

#include <sstream>

#include "../document/TunTestSupport.h"
#include "CliApp.h"
#include "SimpleRadio.h"
#include "TerminalHost.h"

using namespace tuntest;
using namespace simpleradio;

namespace {

class CliRadioTest : public ::testing::Test {
protected:
    int Run(std::vector<std::string> args) {
        out.str("");
        err.str("");
        CCliContext ctx{host, out, err, [this] { return settings; }};
        return RunCli(args, ctx);
    }
    /// The opcode and first parameter byte of each request (enough to see the order).
    static std::vector<std::string> Heads(const std::vector<std::string>& requests) {
        std::vector<std::string> out;
        for (const auto& r : requests) out.push_back(r.substr(0, r.rfind("0001", 0) == 0 ? 8 : 6));
        return out;
    }
    TempDir dir;
    CCliSettings settings;
    std::ostringstream out;
    std::ostringstream err;
    std::istringstream in;
    CTerminalHost host{err, in, false, false};
};

}  // namespace

TEST_F(CliRadioTest, ReadThenWriteTheSavedFile) {
    CSimpleRadio radio;
    const std::string file = dir.File("radio.tun");
    ASSERT_EQ(Run({"read", "--port", radio.Path(), "--out", file}), 0) << err.str();
    const auto bytes = ReadBytes(file);
    ASSERT_EQ(bytes.size(), 1301u);
    EXPECT_EQ(bytes[0], 10);
    EXPECT_EQ(bytes[11], 12);

    const std::vector<std::string> readOrder = {
        "0012",     "000c",     "001000",   "001100",   "000f00",   "000f10",
        "000f20",   "000f40",   "010082",   "00010300", "000603",   "00010301",
        "000601",   "00010301", "000600",   "00010301", "00010302", "00010303",
        "00010304", "00010305", "00010306", "00010307", "00010308", "000d"};
    EXPECT_EQ(Heads(radio.Requests()), readOrder);
    // One summary line: every exchange counted, 1 + 2 + payload + 1 bytes per frame.
    const std::size_t summary = err.str().find("read: 24 exchanges, ");
    ASSERT_NE(summary, std::string::npos) << err.str();
    EXPECT_NE(err.str().find(" bytes sent, ", summary), std::string::npos);
    EXPECT_EQ(err.str().find('\n', summary), err.str().size() - 1) << "the summary comes last";
    EXPECT_NE(err.str().find("Saved " + file + "\n"), std::string::npos);

    ASSERT_EQ(Run({"dump", file}), 0) << err.str();
    EXPECT_NE(out.str().find("Serial Number: 403CQT1234\nModel Number: H18QDF9PW6AN\n"),
              std::string::npos);
    EXPECT_NE(out.str().find("Features present: 0 1 2 3 4 5 6 7 8\n"), std::string::npos)
        << out.str();
    EXPECT_NE(out.str().find("Record 8: type 5, level 0, 5 pairs\n  851.0125 MHz  20561\n"),
              std::string::npos)
        << out.str();  // 0x50 0x51 as a 16-bit value
    ASSERT_EQ(Run({"report", file}), 0) << err.str();
    EXPECT_NE(out.str().find("\nReference Oscillator        \n"), std::string::npos);

    const std::size_t before = radio.Requests().size();
    ASSERT_EQ(Run({"write", "--port", radio.Path(), file}), 0) << err.str();
    EXPECT_NE(err.str().find("Programming Successful\n"), std::string::npos) << err.str();
    const auto all = radio.Requests();
    const std::vector<std::string> written(all.begin() + static_cast<long>(before), all.end());
    const std::vector<std::string> writeOrder = {
        "0012",     "000c",     "001100",   "001000",   "00010400", "000603",   "00010401",
        "000601",   "00010401", "000600",   "00010401", "00010402", "00010403", "00010404",
        "00010405", "00010406", "00010407", "00010408", "000d"};
    EXPECT_EQ(Heads(written), writeOrder);
    EXPECT_NE(err.str().find("write: 19 exchanges, "), std::string::npos) << err.str();
}

TEST_F(CliRadioTest, WriteToAnotherRadioIsRefusedThroughAComPort) {
    CSimpleRadio first;
    const std::string file = dir.File("first.tun");
    ASSERT_EQ(Run({"read", "--port", first.Path(), "--out", file}), 0) << err.str();

    CSimpleRadio other("403CQT9999");
    settings.portMap.SetMapping(7, other.Path());
    EXPECT_EQ(Run({"write", "--port", "com7", file}), 1);
    EXPECT_NE(err.str().find("Radio mismatch! The current data set does not come from this "
                             "radio. Please read this radio before continuing."),
              std::string::npos)
        << err.str();
    EXPECT_EQ(err.str().find("Programming Successful"), std::string::npos);
    for (const auto& r : other.Requests()) EXPECT_NE(r.rfind("000104", 0), 0u) << r;
}

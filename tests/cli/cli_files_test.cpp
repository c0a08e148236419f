// vegal-cli without a radio: usage, dump and report of saved files, settings, the terminal
// host, and a read from a port that is not there.

#include <gtest/gtest.h>

#include <QSettings>
#include <sstream>

#include "../document/TunTestSupport.h"
#include "CliApp.h"
#include "TerminalHost.h"
#include "document/TunFile.h"

using namespace tuntest;

namespace {

class CliFilesTest : public ::testing::Test {
protected:
    int Run(std::vector<std::string> args) {
        out.str("");
        err.str("");
        CCliContext ctx{host, out, err, [] { return CCliSettings{}; }};
        return RunCli(args, ctx);
    }
    /// Saves a data set like a radio read gives into the temp folder.
    std::string SavedFile(const std::string& name = "radio.tun") {
        DocSetup s;
        FillAsRead(*s.doc);
        const std::string path = dir.File(name);
        std::string error;
        EXPECT_TRUE(TunFile::Save(*s.doc, path, error)) << error;
        return path;
    }
    TempDir dir;
    std::ostringstream out;
    std::ostringstream err;
    std::istringstream in;
    CTerminalHost host{err, in, false, false};
};

}  // namespace

TEST_F(CliFilesTest, HelpAndUsageErrors) {
    EXPECT_EQ(Run({"--help"}), 0);
    EXPECT_NE(out.str().find("vegal-cli read --port PORT --out FILE.tun"), std::string::npos);
    EXPECT_NE(out.str().find("vegal-cli write --port PORT FILE.tun"), std::string::npos);
    EXPECT_EQ(Run({"dump", "--help"}), 0);

    const std::vector<std::vector<std::string>> bad = {
        {},
        {"frobnicate"},
        {"read", "--port", "/dev/null"},
        {"read", "--out", "x.tun"},
        {"read", "--port", "/dev/null", "--out", "x.txt"},
        {"write", "--port", "COM1"},
        {"write", "x.tun"},
        {"dump"},
        {"dump", "a.tun", "b.tun"},
        {"report", "--port", "COM1", "a.tun"},
        {"dump", "--bogus", "a.tun"},
        {"read", "--port"},
    };
    for (const auto& args : bad) {
        SCOPED_TRACE(::testing::PrintToString(args));
        EXPECT_EQ(Run(args), 2);
        EXPECT_FALSE(err.str().empty());
    }
}

TEST_F(CliFilesTest, DumpShowsIdentityAndEveryValidPair) {
    const std::string path = SavedFile();
    ASSERT_EQ(Run({"dump", path}), 0) << err.str();
    const std::string text = out.str();
    EXPECT_EQ(text.rfind("Serial Number: 403CQT1234\nModel Number: H18QDF9PW6AN\n", 0), 0u) << text;
    EXPECT_NE(text.find("Features present: 0 1 2 3 4 5 6 7 8\n"), std::string::npos) << text;
    EXPECT_NE(text.find("Records: 14\n"), std::string::npos);
    // Record 1: the wide reference oscillator values at 851.0125 MHz and up.
    EXPECT_NE(text.find("Record 1: type 0, level 0, 5 pairs\n  851.0125 MHz  30000\n"
                        "  852.0125 MHz  30001\n"),
              std::string::npos)
        << text;
    EXPECT_NE(text.find("Record 3: type 1, level 2, 5 pairs\n"), std::string::npos);
    EXPECT_NE(text.find("Record 14: type 11, level 0, 0 pairs\n"), std::string::npos);
    EXPECT_TRUE(err.str().empty()) << err.str();
}

TEST_F(CliFilesTest, ReportPrintsTheReportLines) {
    const std::string path = SavedFile();
    ASSERT_EQ(Run({"report", path}), 0) << err.str();
    std::istringstream lines(out.str());
    std::string first;
    std::string second;
    std::getline(lines, first);
    std::getline(lines, second);
    EXPECT_EQ(first,
              "Model Number: H18QDF9PW6AN" + std::string(33, ' ') + "Serial Number: 403CQT1234");
    EXPECT_EQ(second, std::string(83, '-') + std::string(8, ' '));
    EXPECT_NE(out.str().find("\nBatt Cal        156\n"), std::string::npos) << out.str();
}

TEST_F(CliFilesTest, BadFilesFailWithTheirMessages) {
    EXPECT_EQ(Run({"dump", dir.File("radio.TUN")}), 1);
    EXPECT_EQ(err.str(), "Unexpected file format\n");
    EXPECT_EQ(Run({"report", dir.File("missing.tun")}), 1);
    EXPECT_EQ(err.str(), "Error Reading File: File Corrupted!\n");
    auto bytes = ReadBytes(SavedFile());
    bytes.resize(200);
    WriteBytes(dir.File("cut.tun"), bytes);
    EXPECT_EQ(Run({"dump", dir.File("cut.tun")}), 1);
    EXPECT_NE(err.str().find(dir.File("cut.tun")), std::string::npos) << err.str();
    EXPECT_NE(err.str().find("ends early"), std::string::npos) << err.str();
    EXPECT_TRUE(out.str().empty());
}

TEST_F(CliFilesTest, ReadFromAMissingDeviceFailsAndWritesNoFile) {
    const std::string outFile = dir.File("new.tun");
    EXPECT_EQ(Run({"read", "--port", dir.File("no-such-tty"), "--out", outFile}), 1);
    EXPECT_NE(err.str().find(dir.File("no-such-tty")), std::string::npos) << err.str();
    EXPECT_NE(err.str().find("read: 0 exchanges, 0 bytes sent, 0 bytes received"),
              std::string::npos)
        << err.str();
    EXPECT_TRUE(dir.Entries().empty());
}

TEST_F(CliFilesTest, WriteOfABadFileTouchesNoRadio) {
    EXPECT_EQ(Run({"write", "--port", dir.File("no-such-tty"), dir.File("x.TUN")}), 1);
    EXPECT_EQ(err.str().rfind("Unexpected file format\n", 0), 0u) << err.str();
    EXPECT_NE(err.str().find("write: 0 exchanges"), std::string::npos) << err.str();
}

TEST(CliSettingsTest, PortsAndBaudComeFromTheStore) {
    TempDir dir;
    const QString file = QString::fromStdString(dir.File("tuner.ini"));
    {
        QSettings s(file, QSettings::IniFormat);
        s.setValue("Ports/COM3", "/dev/ttyUSB7");
        s.setValue("Ports/COM12", "/dev/serial/by-id/radio");
        s.setValue("Ports/Other", "/dev/ttyS9");
        s.setValue("MySetting/RadioBaud", 19200);
    }
    QSettings s(file, QSettings::IniFormat);
    const CCliSettings loaded = CCliSettings::Load(s);
    EXPECT_EQ(loaded.baud, 19200);
    EXPECT_EQ(loaded.portMap.Resolve("COM3"), "/dev/ttyUSB7");
    EXPECT_EQ(loaded.portMap.Resolve("COM12"), "/dev/serial/by-id/radio");
    EXPECT_EQ(loaded.portMap.Mappings().size(), 2u);

    QSettings empty(QString::fromStdString(dir.File("empty.ini")), QSettings::IniFormat);
    EXPECT_EQ(CCliSettings::Load(empty).baud, 9600);
}

TEST(TerminalHostTest, MessagesQuestionsAndClock) {
    std::ostringstream err;
    std::istringstream in("maybe\nn\n");
    CTerminalHost quiet(err, in, false, false);
    EXPECT_EQ(quiet.ShowMessage("Programming Successful"), MsgResult::Ok);
    EXPECT_EQ(quiet.ShowMessage("Continue?", MsgIcon::Question, MsgButtons::YesNo), MsgResult::Yes);
    quiet.Progress("hidden");
    EXPECT_EQ(err.str(), "Programming Successful\nContinue?\n");

    err.str("");
    CTerminalHost asking(err, in, true, true);
    EXPECT_EQ(asking.ShowMessage("Continue?", MsgIcon::Question, MsgButtons::YesNo),
              MsgResult::No);  // "maybe" is asked again
    EXPECT_EQ(asking.ShowMessage("Again?", MsgIcon::Question, MsgButtons::RetryCancel),
              MsgResult::Retry);  // end of input takes the default
    asking.Progress("Reading softpots");
    EXPECT_NE(err.str().find("Reading softpots\n"), std::string::npos);

    const std::uint32_t t0 = asking.TimeGetTime();
    asking.Sleep(20);
    EXPECT_GE(asking.TimeGetTime() - t0, 20u);
    EXPECT_FALSE(asking.ExecutableFolder().empty());
    EXPECT_TRUE(asking.FileExists("/proc/self/exe") || asking.FileExists("/bin/sh"));
    EXPECT_FALSE(asking.FileExists("/tmp"));
}

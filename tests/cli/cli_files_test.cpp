// vegal-cli without a radio: usage, dump and report of saved files, settings, the terminal
// host, and a read from a port that is not there.

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

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
    EXPECT_EQ(err.str(),
              "Could not open \"" + dir.File("missing.tun") + "\": No such file or directory.\n");
    WriteBytes(dir.File("short.tun"), {10, 1, 2});
    EXPECT_EQ(Run({"dump", dir.File("short.tun")}), 1);
    EXPECT_EQ(err.str(), "Error Reading File: File Corrupted!\n");
    auto bytes = ReadBytes(SavedFile());
    bytes.resize(200);
    WriteBytes(dir.File("cut.tun"), bytes);
    EXPECT_EQ(Run({"dump", dir.File("cut.tun")}), 1);
    EXPECT_NE(err.str().find(dir.File("cut.tun")), std::string::npos) << err.str();
    EXPECT_NE(err.str().find("ends early"), std::string::npos) << err.str();
    EXPECT_TRUE(out.str().empty());
}

// A named pipe or a device named like a data set is refused at once by every verb that
// reads a file; none of them blocks or reads what is no file.
TEST_F(CliFilesTest, PipesDevicesAndFoldersAreNoDataSets) {
    ASSERT_EQ(::mkfifo(dir.File("pipe.tun").c_str(), 0600), 0);
    ASSERT_EQ(::symlink("/dev/zero", dir.File("zero.tun").c_str()), 0);
    ASSERT_EQ(::mkdir(dir.File("folder.tun").c_str(), 0700), 0);
    const std::pair<const char*, const char*> cases[] = {
        {"pipe.tun", "it is a named pipe, not a file"},
        {"zero.tun", "it is a device, not a file"},
        {"folder.tun", "it is a folder, not a file"}};
    for (const auto& [name, reason] : cases) {
        const std::string path = dir.File(name);
        const std::string message = "Could not open \"" + path + "\": " + reason + ".\n";
        for (const char* verb : {"dump", "report"}) {
            EXPECT_EQ(Run({verb, path}), 1) << verb << " " << name;
            EXPECT_EQ(err.str(), message) << verb;
            EXPECT_TRUE(out.str().empty());
        }
        EXPECT_EQ(Run({"write", "--port", dir.File("no-such-tty"), path}), 1) << name;
        EXPECT_EQ(err.str().rfind(message, 0), 0u) << err.str();
        EXPECT_NE(err.str().find("write: 0 exchanges"), std::string::npos) << err.str();
    }
}

// A port that cannot be opened gives one message, the one that names the device and the
// reason; neither the read's nor the write's own failure message follows it.
TEST_F(CliFilesTest, ReadFromAMissingDeviceFailsAndWritesNoFile) {
    const std::string outFile = dir.File("new.tun");
    const std::string port = dir.File("no-such-tty");
    EXPECT_EQ(Run({"read", "--port", port, "--out", outFile}), 1);
    const std::string message =
        "Cannot open the radio port " + port + ": No such file or directory.\n";
    EXPECT_EQ(err.str().rfind(message + "read: 0 exchanges, 0 bytes sent, 0 bytes received", 0), 0u)
        << err.str();
    EXPECT_TRUE(dir.Entries().empty());

    const std::string file = SavedFile();
    EXPECT_EQ(Run({"write", "--port", port, file}), 1);
    EXPECT_EQ(err.str().rfind(message + "write: 0 exchanges", 0), 0u) << err.str();
}

TEST_F(CliFilesTest, PortNamesThatAreNoComPortAreRefused) {
    for (const char* port : {"COM0", "COM", "COM9 ", "COMX"}) {
        EXPECT_EQ(Run({"read", "--port", port, "--out", dir.File("new.tun")}), 1) << port;
        EXPECT_EQ(err.str().rfind("\"" + std::string(port) +
                                      "\" is not a radio port name. Choose a port COM1, COM2, "
                                      "... or give a device path such as /dev/ttyUSB0.\nread: 0 "
                                      "exchanges",
                                  0),
                  0u)
            << err.str();
    }
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

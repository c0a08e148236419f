#include <gtest/gtest.h>

#include <QtWidgets/QComboBox>
#include <QtWidgets/QPushButton>

#include <filesystem>
#include <fstream>

#include "AppTestSupport.h"
#include "app/PortCandidates.h"
#include "app/SelectPortDlg.h"
#include "radio/PortMap.h"

namespace {

CPortMap MapWithDevices(int count) {
    CPortMap map;
    map.SetDeviceLister([count] {
        std::vector<std::string> devices;
        for (int i = 0; i < count; ++i) devices.push_back("/dev/ttyS" + std::to_string(i));
        return devices;
    });
    return map;
}

std::vector<std::string> Names(const std::vector<PortCandidate>& list) {
    std::vector<std::string> names;
    for (const auto& c : list) names.push_back(c.name);
    return names;
}

}  // namespace

TEST(PortCandidates, FourSerialPortsAndNoRadioCableOfferCom1ToCom4) {
    CPortMap map = MapWithDevices(4);
    std::vector<SerialDeviceInfo> devices = {{"/dev/ttyS0", ""},
                                             {"/dev/ttyUSB0", "FT232R USB UART"}};
    auto list = BuildPortCandidates(devices, map);
    EXPECT_EQ(Names(list), (std::vector<std::string>{"COM1", "COM2", "COM3", "COM4"}));
    EXPECT_EQ(list[0].device, "/dev/ttyS0");
    EXPECT_EQ(list[3].device, "/dev/ttyS3");
    EXPECT_EQ(SelectPortIndex(list, ""), 0);
}

TEST(PortCandidates, TwelvePortsSortAsText) {
    auto list = BuildPortCandidates({}, MapWithDevices(12));
    EXPECT_EQ(Names(list),
              (std::vector<std::string>{"COM1", "COM10", "COM11", "COM12", "COM2", "COM3", "COM4",
                                        "COM5", "COM6", "COM7", "COM8", "COM9"}));
}

TEST(PortCandidates, RadioCableOffersOnlyItsOwnPort) {
    CPortMap map = MapWithDevices(5);
    std::vector<SerialDeviceInfo> devices = {{"/dev/ttyS0", ""},
                                             {"/dev/ttyS2", "TESSARAN RADIO Data Cable"},
                                             {"/dev/ttyS4", "Other adapter"}};
    auto list = BuildPortCandidates(devices, map);
    ASSERT_EQ(Names(list), (std::vector<std::string>{"COM3"}));
    EXPECT_EQ(list[0].device, "/dev/ttyS2");
}

TEST(PortCandidates, RadioCableFoundThroughAMappedLink) {
    namespace fs = std::filesystem;
    fs::path dir = fs::temp_directory_path() / ("vegal-port-test-" + std::to_string(::getpid()));
    fs::create_directories(dir);
    fs::path device = dir / "ttyACM0";
    std::ofstream(device.string()) << "";
    fs::path link = dir / "by-id-tessaran";
    fs::remove(link);
    fs::create_symlink(device, link);

    CPortMap map = MapWithDevices(2);
    map.SetMapping(7, link.string());
    auto list = BuildPortCandidates({{device.string(), "Tessaran Radio"}}, map);
    EXPECT_EQ(Names(list), (std::vector<std::string>{"COM7"}));
    fs::remove_all(dir);
}

TEST(PortCandidates, RadioCableWithoutAnyComNameOffersNothing) {
    auto list = BuildPortCandidates({{"/dev/ttyUSB9", "Tessaran Radio"}}, MapWithDevices(2));
    EXPECT_TRUE(list.empty());
    EXPECT_EQ(SelectPortIndex(list, ""), -1);
}

TEST(PortCandidates, BenchMappingsAreOfferedOnAMachineWithoutSerialPorts) {
    CPortMap map = MapWithDevices(0);
    map.SetMapping(1, "/dev/pts/7");
    map.SetMapping(2, "/dev/pts/8");
    auto list = BuildPortCandidates({}, map);
    ASSERT_EQ(Names(list), (std::vector<std::string>{"COM1", "COM2"}));
    EXPECT_EQ(list[0].device, "/dev/pts/7");
}

TEST(PortCandidates, SelectionFollowsTheRememberedPort) {
    auto list = BuildPortCandidates({}, MapWithDevices(4));
    EXPECT_EQ(SelectPortIndex(list, "com3"), 2);   // letter case ignored
    EXPECT_EQ(SelectPortIndex(list, "COM"), -1);   // whole name only
    EXPECT_EQ(SelectPortIndex(list, "COM9"), -1);  // no longer offered: nothing selected
    EXPECT_EQ(SelectPortIndex(list, ""), 0);
}

TEST(SelectPortDialog, ShowsTheDeviceAndKeepsTheNameAsData) {
    EnsureApp();
    CSelectPortDlg dialog(BuildPortCandidates({}, MapWithDevices(2)), "COM2");
    EXPECT_EQ(dialog.windowTitle(), "Select Port");
    ASSERT_EQ(dialog.PortList()->count(), 2);
    EXPECT_EQ(dialog.PortList()->itemText(0), "COM1  (/dev/ttyS0)");
    EXPECT_EQ(dialog.PortList()->itemData(0).toString(), "COM1");
    EXPECT_EQ(dialog.SelectedPort(), "COM2");
    EXPECT_TRUE(dialog.OkButton()->isEnabled());
}

TEST(SelectPortDialog, OkWithoutASelectionKeepsTheDialogOpen) {
    EnsureApp();
    CSelectPortDlg dialog(BuildPortCandidates({}, MapWithDevices(2)), "COM5");
    EXPECT_EQ(dialog.SelectedPort(), "");
    EXPECT_FALSE(dialog.OkButton()->isEnabled());
    dialog.show();
    dialog.OkButton()->setEnabled(true);  // even if forced, OK takes no missing entry
    dialog.OkButton()->click();
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_EQ(dialog.result(), QDialog::Rejected);

    dialog.PortList()->setCurrentIndex(1);
    EXPECT_TRUE(dialog.OkButton()->isEnabled());
    dialog.OkButton()->click();
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(dialog.SelectedPort(), "COM2");
}

TEST(SelectPortDialog, BenchPortsReadAsTheBenchsOwn) {
    EnsureApp();
    CPortMap map = MapWithDevices(1);
    map.SetMapping(1, "/dev/pts/7");
    map.SetMapping(2, "/dev/pts/8");
    const PortLabels labels = {{1, "bench radio"}, {2, "bench test set"}};
    CSelectPortDlg dialog(BuildPortCandidates({}, map, labels), "COM1");
    ASSERT_EQ(dialog.PortList()->count(), 2);
    EXPECT_EQ(dialog.PortList()->itemText(0), "COM1 (bench radio)");
    EXPECT_EQ(dialog.PortList()->itemText(1), "COM2 (bench test set)");
    EXPECT_EQ(dialog.SelectedPort(), "COM1");
}

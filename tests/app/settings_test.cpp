#include <gtest/gtest.h>

#include <QtWidgets/QCheckBox>

#include "AppTestSupport.h"
#include "app/AppSettings.h"
#include "app/OptionsDlg.h"

TEST(AppSettings, MissingValuesTakeTheirDefaults) {
    auto store = FreshSettings();
    CAppSettings settings;
    settings.Load(*store);
    EXPECT_EQ(settings.m_strPortName, "");
    EXPECT_EQ(settings.m_nReminderOff, 0);
    EXPECT_EQ(settings.m_nPTTTimeOutOn, 1);
    EXPECT_EQ(settings.m_nRadioBaud, 9600);
    EXPECT_TRUE(settings.m_portMap.Mappings().empty());
}

TEST(AppSettings, RoundTripThroughTheStore) {
    auto store = FreshSettings();
    CAppSettings settings;
    settings.m_strPortName = "COM3";
    settings.m_nReminderOff = 1;
    settings.m_nPTTTimeOutOn = 0;
    for (const char* f : {"/a.tun", "/b.tun", "/c.tun", "/d.tun", "/e.tun"})
        settings.AddRecentFile(f);
    settings.Save(*store);

    EXPECT_EQ(store->value("MySetting/PortName").toString(), "COM3");
    EXPECT_EQ(store->value("MySetting/ReminderOn").toInt(), 1);
    EXPECT_EQ(store->value("MySetting/PTTTimeOutOn").toInt(), 0);

    CAppSettings loaded;
    loaded.Load(*store);
    EXPECT_EQ(loaded.m_strPortName, "COM3");
    EXPECT_EQ(loaded.m_nReminderOff, 1);
    EXPECT_EQ(loaded.m_nPTTTimeOutOn, 0);
    EXPECT_EQ(loaded.m_recentFiles, (QStringList{"/e.tun", "/d.tun", "/c.tun", "/b.tun"}));
}

TEST(AppSettings, PortsGroupFillsThePortMapAndBadEntriesAreSkipped) {
    auto store = FreshSettings();
    store->setValue("Ports/COM3", "/dev/serial/by-id/usb-radio");
    store->setValue("Ports/com12", "/dev/ttyUSB4");
    store->setValue("Ports/LPT1", "/dev/lp0");
    store->setValue("Ports/COM4", "");
    store->setValue("MySetting/RadioBaud", "fast");
    CAppSettings settings;
    settings.Load(*store);
    EXPECT_EQ(settings.m_portMap.Resolve("COM3"), "/dev/serial/by-id/usb-radio");
    EXPECT_EQ(settings.m_portMap.Resolve("COM12"), "/dev/ttyUSB4");
    EXPECT_EQ(settings.m_portMap.Mappings().size(), 2u);
    EXPECT_EQ(settings.m_nRadioBaud, 9600);
}

TEST(AppSettings, BenchRunLeavesTheStoreAsItWas) {
    // Whatever the run on the bench chose (its COM1, a port picked in Select Port, an option,
    // a file), the next run on real ports finds the settings of the last real run.
    auto store = FreshSettings();
    store->setValue("MySetting/PortName", "COM4");
    store->setValue("MySetting/ReminderOn", 0);
    CAppSettings settings;
    settings.Load(*store);
    settings.m_bBenchRun = true;
    settings.m_strPortName = "COM2";
    settings.m_nReminderOff = 1;
    settings.AddRecentFile("/tmp/bench.tun");
    settings.Save(*store);
    EXPECT_EQ(store->value("MySetting/PortName").toString(), "COM4");
    EXPECT_EQ(store->value("MySetting/ReminderOn").toInt(), 0);
    EXPECT_FALSE(store->contains("Recent File List/File1"));

    settings.m_bBenchRun = false;
    settings.Save(*store);
    EXPECT_EQ(store->value("MySetting/PortName").toString(), "COM2");
}

TEST(OptionsDialog, FreshMachineShowsBothBoxesTicked) {
    EnsureApp();
    CAppSettings settings;
    COptionsDlg dialog(settings);
    EXPECT_EQ(dialog.windowTitle(), "Options");
    EXPECT_TRUE(dialog.ReminderBox()->isChecked());
    EXPECT_TRUE(dialog.PttTimeOutBox()->isChecked());
}

TEST(OptionsDialog, ReminderBoxIsTheInverseOfTheStoredValue) {
    EnsureApp();
    CAppSettings settings;
    settings.m_nReminderOff = 1;
    settings.m_nPTTTimeOutOn = 7;  // any nonzero value ticks the box
    COptionsDlg dialog(settings);
    EXPECT_FALSE(dialog.ReminderBox()->isChecked());
    EXPECT_TRUE(dialog.PttTimeOutBox()->isChecked());

    dialog.Apply(settings);  // nothing changed: nothing is rewritten
    EXPECT_EQ(settings.m_nPTTTimeOutOn, 7);

    dialog.ReminderBox()->setChecked(true);
    dialog.PttTimeOutBox()->setChecked(false);
    dialog.Apply(settings);
    EXPECT_EQ(settings.m_nReminderOff, 0);
    EXPECT_EQ(settings.m_nPTTTimeOutOn, 0);
}

TEST(OptionsDialog, UncheckingReminderStoresReminderOnAsOne) {
    auto store = FreshSettings();
    CAppSettings settings;
    settings.Load(*store);
    COptionsDlg dialog(settings);
    dialog.ReminderBox()->setChecked(false);
    dialog.Apply(settings);
    settings.Save(*store);
    EXPECT_EQ(store->value("MySetting/ReminderOn").toInt(), 1);
    EXPECT_EQ(store->value("MySetting/PTTTimeOutOn").toInt(), 1);
}

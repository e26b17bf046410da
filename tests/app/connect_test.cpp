// Connecting and disconnecting: the automatic connect, station parsing, the
// drive answering at another station, and the paths that stay offline.
#include "dialog_fixture.h"
#include "tests/app_platform/fake_tree.h"
#include "platform/wide_string.h"

namespace tarn::test {

TEST_F(DialogTest, StartsOfflineAndConnectsOnTheFirstTimerTick) {
    StartDialog();
    EXPECT_EQ(view->texts[IDC_ONLINE], u"Offline");
    EXPECT_EQ(view->texts[IDC_STATION], u"1") << "a fresh process starts at station 1";
    EXPECT_EQ(view->texts[IDC_PART_NUMBER], u"");
    EXPECT_FALSE(view->shown[IDC_PROGRESS]);
    EXPECT_FALSE(view->enabled[IDC_CHK_DH]);
    EXPECT_EQ(view->timers, std::vector<int>{1});

    view->Window()->Post(WM_TIMER, 1, 0);
    ASSERT_TRUE(view->PumpUntil([&] { return dlg->m_bOnline; }, 5000));
    EXPECT_EQ(view->killed, std::vector<int>{1});
    EXPECT_EQ(view->texts[IDC_ONLINE], u"Online");

    // Pressed again: offline, without a word to the drive.
    drive->ClearRequests();
    PressOnline();
    EXPECT_FALSE(dlg->m_bOnline);
    EXPECT_EQ(view->texts[IDC_ONLINE], u"Offline");
    EXPECT_EQ(view->buttonColors[IDC_ONLINE].second, (Rgb{20, 255, 197}));
    EXPECT_TRUE(drive->Requests().empty());
}

TEST_F(DialogTest, StationTextIsParsedAsADecimalNumber) {
    sim::DriveDescription d = StandardDrive();
    d.station = 44;
    StartDrive(d);
    StartDialog();
    view->texts[IDC_STATION] = u"300";  // reaches the device instance as 44
    PressOnline();
    EXPECT_TRUE(dlg->m_bOnline);
    EXPECT_EQ(dlg->m_nStation, 300);
    EXPECT_EQ(dlg->m_DevInst.GetStation(), 44);
    EXPECT_EQ(view->texts[IDC_STATION], u"300") << "answered at the typed station: the field stays";
}

TEST_F(DialogTest, SilentStationFallsBackToAutoDetection) {
    sim::DriveDescription d = StandardDrive();
    d.station = 5;
    StartDrive(d);
    StartDialog();
    view->texts[IDC_STATION] = u"0x7F";  // parses to 0: the drive does not answer station 0
    PressOnline();
    EXPECT_EQ(dlg->m_nStation, 0);
    EXPECT_EQ(LastStation(), 0);
    EXPECT_TRUE(dlg->m_bOnline);
    EXPECT_EQ(dlg->m_DevInst.GetStation(), 5);
    EXPECT_EQ(view->texts[IDC_STATION], u"5");
    EXPECT_EQ(profile.GetProfileString(kSectionComm, kKeyStation, u""), u"0x7F");
    bool broadcast = false;
    for (const auto& r : drive->Requests()) broadcast = broadcast || r.Station() == 255;
    EXPECT_TRUE(broadcast);
}

TEST_F(DialogTest, NoPortOrNoDriveStaysOfflineWithoutAMessage) {
    StartDialog(false);
    EXPECT_EQ(view->ComboCount(IDC_COM_PORT), 0);
    view->texts[IDC_STATION] = u"7";
    PressOnline();
    EXPECT_FALSE(dlg->m_bOnline);
    EXPECT_EQ(profile.GetProfileString(kSectionComm, kKeyStation, u""), u"7") << "steps 1 and 2 still run";
    EXPECT_EQ(dlg->m_DevInst.GetStation(), 7);

    // A listed port whose device has gone: no box, the log says what failed.
    const std::string path = drive->Path();
    const int port = dlg->UsePort(FromUtf8(path));
    ASSERT_GT(port, 0);
    drive.reset();
    PressOnline();
    EXPECT_FALSE(dlg->m_bOnline);
    EXPECT_TRUE(view->boxes.empty());
    EXPECT_EQ(view->texts[IDC_ONLINE], u"Offline");
    EXPECT_EQ(view->Log(IDC_LOG).back(),
              "Cannot open Port " + std::to_string(port) + ":'" + path + "': There is no port " + path +
                  " (is the USB bridge plugged in?)");
}

}  // namespace tarn::test

namespace tarn::test {

TEST_F(DialogTest, PortListShowsTheDrivesBridgesAndSelectsTheRememberedOne) {
    FakeTree tree;
    tree.AddUsbTty("ttyUSB0", "1-1", "10c4", "Silicon Labs", "CP2102 USB to UART Bridge Controller");
    tree.AddUsbTty("ttyUSB1", "1-2", "0403", "FTDI", "FT232R USB UART");
    tree.AddUsbTty("ttyUSB2", "1-3", "10c4", "silicon labs", "CP2104");
    tree.AddBoardTty("ttyS0", 4);
    profile.WriteProfileInt(kSectionComm, kKeyComPortSel, 99);
    auto start = [&] { StartDialog(false, tree.Roots()); };
    start();
    // Only the bridges whose name carries the drive's keyword, in any case.
    ASSERT_EQ(view->ComboCount(IDC_COM_PORT), 2);
    const auto* first = static_cast<_tagComInfo*>(view->ComboGetData(IDC_COM_PORT, 0));
    const auto* second = static_cast<_tagComInfo*>(view->ComboGetData(IDC_COM_PORT, 1));
    EXPECT_EQ(view->combos[IDC_COM_PORT][0].first,
              WidenFormat("Port %d:'", first->nComPort) + first->strFriendlyName + u"'");
    EXPECT_NE(ToUtf8(second->strFriendlyName).find("ttyUSB2"), std::string::npos);
    EXPECT_EQ(view->ComboGetSel(IDC_COM_PORT), 0) << "the remembered port 99 is not listed";
    EXPECT_EQ(dlg->m_Link.Ports().PathOf(second->nComPort), (tree.Roots().devRoot / "ttyUSB2").string());

    profile.WriteProfileInt(kSectionComm, kKeyComPortSel, second->nComPort);
    const int remembered = second->nComPort;
    start();
    EXPECT_EQ(view->ComboGetSel(IDC_COM_PORT), 1);
    // A port given by its path goes first, named after the path, and is selected.
    const int given = dlg->UsePort(FromUtf8(drive->Path()));
    EXPECT_EQ(profile.GetProfileInt(kSectionComm, kKeyComPortSel, 0), remembered) << "a given port is not remembered";
    ASSERT_EQ(view->ComboCount(IDC_COM_PORT), 3);
    EXPECT_EQ(view->combos[IDC_COM_PORT][0].first, WidenFormat("Port %d:'", given) + FromUtf8(drive->Path()) + u"'");
    EXPECT_EQ(view->ComboGetSel(IDC_COM_PORT), 0);
    // A port given by its number, as `tarn ports` lists it; a number no port has is refused.
    EXPECT_EQ(dlg->UsePort(FromUtf8(std::to_string(remembered))), remembered);
    EXPECT_EQ(view->ComboGetSel(IDC_COM_PORT), 2);
    EXPECT_EQ(dlg->UsePort(u"77"), -1);
    tree.Remove("ttyUSB2");  // unplugged: the first item is selected again
    start();
    ASSERT_EQ(view->ComboCount(IDC_COM_PORT), 1);
    EXPECT_EQ(view->ComboGetSel(IDC_COM_PORT), 0);
    EXPECT_NE(static_cast<_tagComInfo*>(view->ComboGetData(IDC_COM_PORT, 0))->nComPort, remembered);
}

}  // namespace tarn::test

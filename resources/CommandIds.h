#pragma once

/// Command ids of the main frame, the tree view and the document. The tree items carry these
/// numbers as their data words and post them to the main frame.
namespace Cmd {
constexpr int kCloseData = 2;  ///< F10 in the tree view and the screens (IDCANCEL)
constexpr int kReadDeviceMenu = 32771;
constexpr int kRefOsc = 32772;
constexpr int kTxPowerHigh = 32773;
constexpr int kTxPowerLow = 32774;
constexpr int kTxPowerMid = 32775;
constexpr int kBitErrorRate = 32776;
constexpr int kTestPattern = 32777;
constexpr int kCurrentLimit = 32779;
constexpr int kReadDeviceToolbar = 32780;
constexpr int kCrystalTemp = 32785;
constexpr int kReportPrint = 32786;
constexpr int kOptions = 32787;
constexpr int kBatteryCal = 32788;
constexpr int kPaBias1 = 32789;
constexpr int kAutoTune = 32790;
constexpr int kPaBias3 = 32791;
constexpr int kPaBias2 = 32792;
constexpr int kWriteDevice = 32823;
constexpr int kRadioInfo = 34025;
constexpr int kDevLimit = 35293;
constexpr int kFrontEndFilter = 35297;
constexpr int kDevBalance = 35311;
constexpr int kFileNew = 57600;
constexpr int kFileOpen = 57601;
constexpr int kFileSave = 57603;
constexpr int kFileSaveAs = 57604;
constexpr int kPrintSetup = 57606;
constexpr int kPrint = 57607;
constexpr int kPrintDirect = 57608;
constexpr int kPrintPreview = 57609;
constexpr int kCopy = 57634;
constexpr int kCut = 57635;
constexpr int kPaste = 57637;
constexpr int kUndo = 57643;
constexpr int kAbout = 57664;
constexpr int kHelpTopics = 57667;
constexpr int kHelp = 57670;
constexpr int kAppExit = 57665;
// Buttons and keys of the feature screens (accelerator table 128: F6, F8, F10).
constexpr int kProgramAll = 1064;  ///< F8
constexpr int kPttToggle = 3004;   ///< F6
constexpr int kScreenClose = 2;    ///< F10 and Esc (IDCANCEL)
}  // namespace Cmd

/// Help context numbers.
namespace HelpId {
constexpr int kIndex = 0;
constexpr int kTree = 131205;
constexpr int kRefOsc = 131208;
constexpr int kBitErrorRate = 131212;
constexpr int kTestPattern = 131213;
constexpr int kDevBalance = 131214;
constexpr int kFrontEndFilter = 131217;
constexpr int kOptions = 131233;
constexpr int kBatteryCal = 131236;
constexpr int kPaBias = 131237;
constexpr int kSelectPort = 131251;
constexpr int kRadioInfo = 133657;
constexpr int kTxPower = 133658;
constexpr int kDevLimit = 160307;
constexpr int kCurrentLimit = 160308;
}  // namespace HelpId

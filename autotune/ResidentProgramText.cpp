#include "autotune/ResidentProgramText.h"

// clang-format off
namespace ResidentProgramText {

// Items 1 to 3 clear the program memory, choose the internal memory and open the editor;
// items 4 to 43 are the loader's lines; the two ESC items leave the editor; "run" runs it.
const std::array<LoaderItem, kLoaderItemCount> kLoaderItems = {{
    {0, "SCRATCH ALL", "\r"},
    {0, "MSI \":MEMORY,0\"", "\r"},
    {0, "edit", "\r"},
    {0, "! DOWNLOAD", "\r"},
    {0, "COM /File_name/ Incomming$[10]", "\r"},
    {0, "DIM In$[200]", "\r"},
    {0, "Incomming$=\"Quorvin\"", "\r"},
    {0, "CLEAR SCREEN", "\r"},
    {0, "CLEAR 9", "\r"},
    {0, "OUTPUT 800;\"*RST\"", "\r"},
    {5, "OUTPUT 800;\"CONF:SPORT:BAUD '19200'; PAR 'NONE';DATA '8 Bits'\"", "\r"},
    {5, "OUTPUT 800;\"CONF:SPORT:STOP '1 Bit'; RPAC 'Xon/Xoff';XPAC 'Xon/Xoff'\"", "\r"},
    {5, "OUTPUT 800;\"CONF:SPORT:SIN 'IBASIC'; IBECHO 'OFF'\"", "\r"},
    {0, "CALL Code(Incomming$,In$)", "\r"},
    {0, "END", "\r"},
    {0, "SUB Purge_it", "\r"},
    {0, "PRINT \"ERROR, PURGE IT CALLED!\"", "\r"},
    {0, "COM /File_name/ Incomming$", "\r"},
    {0, "OFF ERROR", "\r"},
    {0, "PURGE Incomming$&\":MEMORY,0\"", "\r"},
    {0, "SUBEND", "\r"},
    {2, "SUB Code(Incomming$, In$)", "\r"},
    {4, "ON ERROR CALL Purge_it", "\r"},
    {4, "CREATE ASCII Incomming$&\":MEMORY,0\",450", "\r"},
    {1, "OFF ERROR", "\r"},
    {1, "ASSIGN @File to Incomming$&\":MEMORY,0\"", "\r"},
    {0, "PRINT TABXY(1,5);\"Ready to receive ASCII file Data\"", "\r"},
    {0, "PRINT", "\r"},
    {2, "Begin:ON TIMEOUT 9,1 GOTO Begin", "\r"},
    {7, "ENTER 9;IN$", "\r"},
    {7, "OUTPUT @File;In$", "\r"},
    {7, "PRINT In$", "\r"},
    {2, "Transfer:LOOP", "\r"},
    {7, "ON TIMEOUT 9,2 GOTO Done", "\r"},
    {7, "ENTER 9;In$", "\r"},
    {7, "PRINT In$", "\r"},
    {7, "OUTPUT @File;In$", "\r"},
    {7, "END LOOP", "\r"},
    {2, "Done:ASSIGN @File TO *", "\r"},
    {0, "CLEAR SCREEN", "\r"},
    {0, "OUTPUT 800;\"CONF:SPORT:SIN 'INST'\"", "\r"},
    {0, "PRINT TABXY(1,5);\"Download of ASCII File is complete\"", "\r"},
    {2, "SUBEND", "\r"},
    {0, "\x1b", ""},
    {0, "\x1b", ""},
    {0, "run", "\r"},
}};
// The resident program, lines 10 to 2410 (the number after each entry); lines 20 to 40 are
// free comments.
const std::array<ProgramLine, kProgramLineCount> kProgramLines = {{
    {0, "! Quorvin Rev D.03.00", 0},  // 10
    {0, "! Resident measurement program of the HP8920B test set", 0},  // 20
    {0, "! Polls the serial port and answers the codes 1 to 4", 0},  // 30
    {0, "! Sent line by line to the loader, which stores it as \"Quorvin\"", 0},  // 40
    {0, "! Version D0.3.0", 0},  // 50
    {0, "!", 0},  // 60
    {0, "!", 0},  // 70
    {0, "!", 0},  // 80
    {0, "!", 0},  // 90
    {0, "Securenow:!", 0},  // 100
    {0, "! Variable Declartion and initilization", 0},  // 110
    {0, "OUTPUT 814;\"*RST;\"", 0},  // 120
    {0, "COM /Txfreq/ Txfreqout$[50]", 0},  // 130
    {0, "COM /Txpow/ Txpowout$[50]", 0},  // 140
    {0, "COM /Txdev/ Txdevout$[50]", 0},  // 150
    {0, "COM /Fmdev/ Fmdevout$[50]", 0},  // 160
    {0, "COM /Manualfreq/ Txfreqin$[50]", 0},  // 170
    {0, "COM /Interupt/ INTEGER Interuptin", 0},  // 180
    {0, "Interuptin=0   ! Sets the Interupt to false.", 0},  // 190
    {0, "COM /Auto/ INTEGER Autoin", 0},  // 200
    {0, "Autoin=1  ! Initiziled for programing. Real initilzation below.", 0},  // 210
    {0, "!", 0},  // 220
    {0, "!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!", 0},  // 230
    {0, "!                      Program", 0},  // 240
    {0, "!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!", 0},  // 250
    {0, "CALL Setcom !Setsup the communications procedures", 0},  // 260
    {0, "!", 0},  // 270
    {0, "!", 0},  // 280
    {0, "!", 0},  // 290
    {0, "CALL Mainloop", 0},  // 300
    {0, "Breakploop:!", 0},  // 310
    {0, "!", 0},  // 320
    {0, "!", 0},  // 330
    {0, "!", 0},  // 340
    {0, "! Returns RS-232 to listening for commands for commmand line", 0},  // 350
    {0, "PRINT \"Ending the Program. Restoring the serial port to the CMD\"", 0},  // 360
    {0, "OUTPUT 800;\"CONF:SPORT:SIN 'INST';\"", 0},  // 370
    {0, "!", 0},  // 380
    {0, "!", 0},  // 390
    {0, "END ! End of the main program branch", 0},  // 400
    {0, "!", 0},  // 410
    {0, "!", 0},  // 420
    {0, "!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!", 0},  // 430
    {0, "!                        Interupt and Commmand Loop", 0},  // 440
    {0, "!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!", 0},  // 450
    {0, "SUB Mainloop", 0},  // 460
    {5, "COM /Txfreq/ Txfreqout$", 0},  // 470
    {5, "COM /Txpow/ Txpowout$", 0},  // 480
    {5, "COM /Txdev/ Txdevout$", 0},  // 490
    {5, "COM /Fmdev/ Fmdevout$", 0},  // 500
    {5, "COM /Auto/ INTEGER Auto", 0},  // 510
    {5, "COM /Interupt/ INTEGER Interuptin", 0},  // 520
    {5, "INTEGER Intbreak", 0},  // 530
    {5, "INTEGER Commanderror", 0},  // 540
    {0, "!", 0},  // 550
    {5, "LOOP", 0},  // 560
    {7, "Txfreqout$=\"\"", 0},  // 570
    {7, "Txpowout$=\"\"", 0},  // 580
    {7, "Txdevout$=\"\"", 0},  // 590
    {7, "Fmdevout$=\"\"", 0},  // 600
    {7, "Intbreak=0", 0},  // 610
    {7, "Commanderror=-1", 0},  // 620
    {7, "Autoin=1", 0},  // 630
    {0, "!", 0},  // 640
    {5, "Intbreak=FNInteruptrs", 0},  // 650
    {6, "SELECT Intbreak", 0},  // 660
    {5, "CASE =1", 0},  // 670
    {10, "CLEAR 8 !Clears the HP-IB of any garbage", 0},  // 680
    {10, "SUBEXIT", 1},  // 690
    {5, "CASE =2", 1},  // 700
    {6, "Commanderror=FNFmdevcommand(1)", 0},  // 710
    {6, "CALL Sendserial", 0},  // 720
    {4, "CASE =3", 1},  // 730
    {9, "Commanderror=FNAutocommand", 0},  // 740
    {4, "CASE =4", 0},  // 750
    {4, "Commanderror=FNFmdevcommand(0)", 0},  // 760
    {4, "CALL Sendserial", 0},  // 770
    {4, "END SELECT", 2},  // 780
    {5, "!", 0},  // 790
    {5, "SELECT Commanderror", 0},  // 800
    {4, "CASE =1", 0},  // 810
    {10, "CALL Errorhpib", 0},  // 820
    {4, "CASE =0", 0},  // 830
    {9, "CALL Sendserial", 0},  // 840
    {4, "END SELECT", 0},  // 850
    {5, "!", 0},  // 860
    {5, "END LOOP", 0},  // 870
    {3, "SUBEND", 0},  // 880
    {0, "!", 0},  // 890
    {0, "!", 0},  // 900
    {0, "!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!", 0},  // 910
    {0, "!                    Manual Tuning Setting", 6},  // 920
    {0, "!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!", 6},  // 930
    {0, "DEF FNFmdevcommand(INTEGER Incomming)", 0},  // 940
    {6, "COM /Txdev/ Txdevout$", 0},  // 950
    {6, "COM /Txpow/ Txpowout$", 0},  // 960
    {6, "COM /Fmdev/ Fmdevout$", 0},  // 970
    {6, "COM /Auto/ INTEGER Autoin", 0},  // 980
    {6, "Txdevout$=\"\"", 0},  // 990
    {6, "Txpowout$=\"\"", 0},  // 1000
    {6, "Fmdevout$=\"\"", 0},  // 1010
    {6, "DIM Inputstr$[25]", 0},  // 1020
    {6, "Inputstr$=\"\"", 0},  // 1030
    {7, "!", 0},  // 1040
    {5, "CLEAR 8", 0},  // 1050
    {5, "OUTPUT 814;\"RFAN:TMOD 'Manual'\"", 0},  // 1060
    {5, "OUTPUT 814;\"DISP TX\"", 0},  // 1070
    {5, "!", 0},  // 1080
    {5, "ON TIMEOUT 9,.1 GOTO Done", 0},  // 1090
    {1, "IF Incomming=1 THEN", 0},  // 1100
    {0, "OUTPUT 814;\"RFAN:TMOD 'Manual'\"", 0},  // 1110
    {0, "CLEAR 9", 0},  // 1120
    {0, "OUTPUT 9;\"CTS\"", 0},  // 1130
    {0, "ENTER 9;Inputstr$", 0},  // 1140
    {0, "Done:         !Sets the Tunner to Manual Mode and then the input freq", 0},  // 1150
    {0, "CLEAR 8", 0},  // 1160
    {0, "!PRINT Inputstr$", 0},  // 1170
    {0, "OUTPUT 814;\"RFAN:FREQ \"&Inputstr$", 0},  // 1180
    {0, "RETURN 2", 0},  // 1190
    {6, "END IF", 1},  // 1200
    {0, "!", 0},  // 1210
    {6, "CLEAR 8", 0},  // 1220
    {6, "OUTPUT 814;\"MEAS:RFR:FREQ:ERR?\"", 0},  // 1230
    {6, "ENTER 814;Txdevout$", 0},  // 1240
    {6, "CLEAR 8", 0},  // 1250
    {6, "OUTPUT 814;\"MEAS:RFR:POW?\"", 0},  // 1260
    {6, "ENTER 814;Txpowout$", 0},  // 1270
    {6, "CLEAR 8", 0},  // 1280
    {6, "OUTPUT 814;\"MEAS:AFR:FM?\"", 0},  // 1290
    {6, "ENTER 814;Fmdevout$", 0},  // 1300
    {0, "!", 0},  // 1310
    {6, "Autoin=0", 0},  // 1320
    {6, "OFF TIMEOUT", 0},  // 1330
    {6, "RETURN 0", 0},  // 1340
    {0, "!", 0},  // 1350
    {0, "! Manualesc:!", 0},  // 1360
    {0, "!       CLEAR 8", 0},  // 1370
    {0, "!       OUTPUT 800;\"*RST\"", 0},  // 1380
    {0, "!       RETURN 1", 0},  // 1390
    {0, "!", 0},  // 1400
    {0, "FNEND", 0},  // 1410
    {0, "!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!", 0},  // 1420
    {0, "!                             HP-IB Command Subprocedure", 0},  // 1430
    {0, "!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!", 0},  // 1440
    {0, "DEF FNAutocommand", 0},  // 1450
    {7, "COM /Txfreq/ Txfreqout$", 0},  // 1460
    {8, "COM /Txpow/ Txpowout$", 0},  // 1470
    {7, "COM /Txdev/ Txdevout$", 0},  // 1480
    {7, "COM /Fmdev/ Fmdevout$", 0},  // 1490
    {7, "COM /Auto/ INTEGER Autoin", 0},  // 1500
    {7, "Txfreqout$=\"\"", 0},  // 1510
    {7, "Txpowout$=\"\"", 0},  // 1520
    {7, "Txdevout$=\"\"", 0},  // 1530
    {7, "Fmdevout$=\"\"", 0},  // 1540
    {7, "Autoin = 1", 0},  // 1550
    {7, "ON ERROR GOTO Commandesc  !Forces a return of 1 when an Error occur", 0},  // 1560
    {7, "ON TIMEOUT 8,5 GOTO Commandesc", 0},  // 1570
    {7, "!", 0},  // 1580
    {7, "!  Provides the data if the tuning value is Automatic", 0},  // 1590
    {7, "!", 0},  // 1600
    {7, "!Ensures the Device is set to AutoFreq", 0},  // 1610
    {7, "CLEAR 8", 0},  // 1620
    {7, "OUTPUT 814;\"RFAN:TMOD 'Auto'\"", 0},  // 1630
    {7, "!", 0},  // 1640
    {7, "!TX Freq", 0},  // 1650
    {7, "CLEAR 8", 0},  // 1660
    {7, "OUTPUT 814;\"DISP TX\"", 0},  // 1670
    {7, "!", 0},  // 1680
    {7, "!TX Freq", 0},  // 1690
    {7, "CLEAR 8", 0},  // 1700
    {7, "OUTPUT 814;\"DISP TX\"", 0},  // 1710
    {7, "OUTPUT 814;\"RFAN:FREQ?\"", 0},  // 1720
    {7, "ENTER 814;Txfreqout$", 0},  // 1730
    {7, "!", 0},  // 1740
    {7, "!TX Power", 0},  // 1750
    {7, "CLEAR 8", 0},  // 1760
    {7, "OUTPUT 814;\"MEAS:RFR:POW:UNIT W;\"", 0},  // 1770
    {7, "OUTPUT 814;\"MEAS:RFR:POW:AVER:STAT  1;\"", 0},  // 1780
    {7, "OUTPUT 800;\"MEAS:RFR:POW?\"", 0},  // 1790
    {7, "ENTER 814;Txpowout$", 0},  // 1800
    {7, "!", 0},  // 1810
    {7, "!FM Deviation", 0},  // 1820
    {7, "CLEAR 8", 0},  // 1830
    {7, "OUTPUT 814;\"MEAS:AFR:FM?\"", 0},  // 1840
    {7, "ENTER 814;Fmdevout$", 0},  // 1850
    {8, "!", 0},  // 1860
    {7, "OFF TIMEOUT", 0},  // 1870
    {7, "OFF ERROR", 0},  // 1880
    {7, "RETURN 0", 0},  // 1890
    {7, "Commandesc:     !", 0},  // 1900
    {7, "CLEAR 8", 0},  // 1910
    {7, "OUTPUT 800;\"*RST;\"", 0},  // 1920
    {7, "RETURN 1", 0},  // 1930
    {7, "FNEND", 0},  // 1940
    {0, "!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!", 0},  // 1950
    {0, "!                        Output down RS-232 Subprocedure", 0},  // 1960
    {0, "!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!", 0},  // 1970
    {0, "SUB Sendserial", 0},  // 1980
    {4, "COM /Txfreq/ Txfreqout$", 0},  // 1990
    {4, "COM /Txpow/ Txpowout$", 0},  // 2000
    {4, "COM /Txdev/ Txdevout$", 0},  // 2010
    {4, "COM /Fmdev/ Fmdevout$", 0},  // 2020
    {4, "COM /Auto/ INTEGER Autoin", 0},  // 2030
    {7, "OUTPUT 9;\"C\"&CHR$(13)&CHR$(8) !Data set leading character", 0},  // 2040
    {8, "IF Autoin=0 THEN", 0},  // 2050
    {8, "OUTPUT 9;Txdevout$", 0},  // 2060
    {8, "ELSE", 1},  // 2070
    {8, "OUTPUT 9;Txfreqout$", 0},  // 2080
    {8, "END IF", 1},  // 2090
    {9, "OUTPUT 9;Txpowout$", 0},  // 2100
    {8, "OUTPUT 9;Fmdevout$", 0},  // 2110
    {0, "SUBEND", 0},  // 2120
    {0, "!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!", 0},  // 2130
    {0, "!                            Interupt funcution", 0},  // 2140
    {0, "!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!", 0},  // 2150
    {0, "Interuptrs:DEF FNInteruptrs", 0},  // 2160
    {9, "ON TIMEOUT 9,.075 GOTO Exitinter", 0},  // 2170
    {9, "OUTPUT 9;\"X\"", 0},  // 2180
    {9, "ENTER 9;Interupt", 0},  // 2190
    {9, "OFF TIMEOUT", 0},  // 2200
    {3, "Exitinter:!", 0},  // 2210
    {3, "RETURN Interupt", 0},  // 2220
    {3, "FNEND", 0},  // 2230
    {0, "!", 0},  // 2240
    {0, "!", 0},  // 2250
    {0, "!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!", 0},  // 2260
    {0, "!                    RS-232 Configuration Subprocedure", 0},  // 2270
    {0, "!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!", 0},  // 2280
    {0, "SUB Setcom", 0},  // 2290
    {7, "OUTPUT 800;\"CONF:SPORT:BAUD '19200'; PAR 'NONE';DATA '8 Bits'\"", 0},  // 2300
    {7, "OUTPUT 800;\"CONF:SPORT:STOP '1 Bit'; RPAC 'Xon/Xoff';XPAC 'Xon/Xoff'\"", 0},  // 2310
    {7, "OUTPUT 800;\"CONF:SPORT:SIN 'IBASIC'; IBECHO 'OFF'\"", 0},  // 2320
    {0, "SUBEND", 0},  // 2330
    {0, "!", 0},  // 2340
    {0, "!", 0},  // 2350
    {0, "!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!", 0},  // 2360
    {0, "!                   ERROR Subprocedure for HP-IB Errors", 0},  // 2370
    {0, "!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!", 0},  // 2380
    {0, "SUB Errorhpib", 0},  // 2390
    {7, "PRINT \"HP-IB Error Encountered\"", 0},  // 2400
    {0, "SUBEND", 0},  // 2410
}};

const std::array<const char*, kStartCommandCount> kStartCommands = {
    "SCRATCH ALL",
    "MASS STORAGE IS \":MEMORY,0\"",
    "GET \"Quorvin\"",
    "run",
};

}  // namespace ResidentProgramText
// clang-format on

namespace ResidentProgramText {

std::string LoaderWireItem(std::size_t i) {
    const LoaderItem& item = kLoaderItems.at(i);
    return std::string(static_cast<std::size_t>(item.indent), ' ') + item.text + item.terminator;
}

std::string ProgramWireLine(std::size_t i) {
    const ProgramLine& line = kProgramLines.at(i);
    return std::to_string(10 * (i + 1)) + "   " +
           std::string(static_cast<std::size_t>(line.indent), ' ') + line.text +
           std::string(static_cast<std::size_t>(line.trailingSpaces), ' ') + "\n";
}

std::string StartWireCommand(std::size_t i) {
    return std::string(kStartCommands.at(i)) + "\r";
}

std::vector<std::string> LoaderWire() {
    std::vector<std::string> items;
    for (std::size_t i = 0; i < kLoaderItemCount; ++i) items.push_back(LoaderWireItem(i));
    return items;
}

std::vector<std::string> ProgramWire() {
    std::vector<std::string> lines;
    for (std::size_t i = 0; i < kProgramLineCount; ++i) lines.push_back(ProgramWireLine(i));
    return lines;
}

}  // namespace ResidentProgramText

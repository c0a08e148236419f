#include "bench/TestSetProgramCopy.h"

#include <sstream>

namespace {

// clang-format off
// The loader's own lines as the editor receives them (items 4 to 43), each closed by "|".
const char* const kLoaderBody = R"(
! DOWNLOAD|
COM /File_name/ Incomming$[10]|
DIM In$[200]|
Incomming$="Quorvin"|
CLEAR SCREEN|
CLEAR 9|
OUTPUT 800;"*RST"|
     OUTPUT 800;"CONF:SPORT:BAUD '19200'; PAR 'NONE';DATA '8 Bits'"|
     OUTPUT 800;"CONF:SPORT:STOP '1 Bit'; RPAC 'Xon/Xoff';XPAC 'Xon/Xoff'"|
     OUTPUT 800;"CONF:SPORT:SIN 'IBASIC'; IBECHO 'OFF'"|
CALL Code(Incomming$,In$)|
END|
SUB Purge_it|
PRINT "ERROR, PURGE IT CALLED!"|
COM /File_name/ Incomming$|
OFF ERROR|
PURGE Incomming$&":MEMORY,0"|
SUBEND|
  SUB Code(Incomming$, In$)|
    ON ERROR CALL Purge_it|
    CREATE ASCII Incomming$&":MEMORY,0",450|
 OFF ERROR|
 ASSIGN @File to Incomming$&":MEMORY,0"|
PRINT TABXY(1,5);"Ready to receive ASCII file Data"|
PRINT|
  Begin:ON TIMEOUT 9,1 GOTO Begin|
       ENTER 9;IN$|
       OUTPUT @File;In$|
       PRINT In$|
  Transfer:LOOP|
       ON TIMEOUT 9,2 GOTO Done|
       ENTER 9;In$|
       PRINT In$|
       OUTPUT @File;In$|
       END LOOP|
  Done:ASSIGN @File TO *|
CLEAR SCREEN|
OUTPUT 800;"CONF:SPORT:SIN 'INST'"|
PRINT TABXY(1,5);"Download of ASCII File is complete"|
  SUBEND|
)";

// The resident program, one line per text line, each closed by "|" so that trailing spaces
// stay visible; "!*" stands for a comment line whose text is free.
const char* const kProgram = R"(
10   ! Quorvin Rev D.03.00|
20   !*|
30   !*|
40   !*|
50   ! Version D0.3.0|
60   !|
70   !|
80   !|
90   !|
100   Securenow:!|
110   ! Variable Declartion and initilization|
120   OUTPUT 814;"*RST;"|
130   COM /Txfreq/ Txfreqout$[50]|
140   COM /Txpow/ Txpowout$[50]|
150   COM /Txdev/ Txdevout$[50]|
160   COM /Fmdev/ Fmdevout$[50]|
170   COM /Manualfreq/ Txfreqin$[50]|
180   COM /Interupt/ INTEGER Interuptin|
190   Interuptin=0   ! Sets the Interupt to false.|
200   COM /Auto/ INTEGER Autoin|
210   Autoin=1  ! Initiziled for programing. Real initilzation below.|
220   !|
230   !!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!|
240   !                      Program|
250   !!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!|
260   CALL Setcom !Setsup the communications procedures|
270   !|
280   !|
290   !|
300   CALL Mainloop|
310   Breakploop:!|
320   !|
330   !|
340   !|
350   ! Returns RS-232 to listening for commands for commmand line|
360   PRINT "Ending the Program. Restoring the serial port to the CMD"|
370   OUTPUT 800;"CONF:SPORT:SIN 'INST';"|
380   !|
390   !|
400   END ! End of the main program branch|
410   !|
420   !|
430   !!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!|
440   !                        Interupt and Commmand Loop|
450   !!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!|
460   SUB Mainloop|
470        COM /Txfreq/ Txfreqout$|
480        COM /Txpow/ Txpowout$|
490        COM /Txdev/ Txdevout$|
500        COM /Fmdev/ Fmdevout$|
510        COM /Auto/ INTEGER Auto|
520        COM /Interupt/ INTEGER Interuptin|
530        INTEGER Intbreak|
540        INTEGER Commanderror|
550   !|
560        LOOP|
570          Txfreqout$=""|
580          Txpowout$=""|
590          Txdevout$=""|
600          Fmdevout$=""|
610          Intbreak=0|
620          Commanderror=-1|
630          Autoin=1|
640   !|
650        Intbreak=FNInteruptrs|
660         SELECT Intbreak|
670        CASE =1|
680             CLEAR 8 !Clears the HP-IB of any garbage|
690             SUBEXIT |
700        CASE =2 |
710         Commanderror=FNFmdevcommand(1)|
720         CALL Sendserial|
730       CASE =3 |
740            Commanderror=FNAutocommand|
750       CASE =4|
760       Commanderror=FNFmdevcommand(0)|
770       CALL Sendserial|
780       END SELECT  |
790        !|
800        SELECT Commanderror|
810       CASE =1|
820             CALL Errorhpib|
830       CASE =0|
840            CALL Sendserial|
850       END SELECT|
860        !|
870        END LOOP|
880      SUBEND|
890   !|
900   !|
910   !!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!|
920   !                    Manual Tuning Setting      |
930   !!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!      |
940   DEF FNFmdevcommand(INTEGER Incomming)|
950         COM /Txdev/ Txdevout$|
960         COM /Txpow/ Txpowout$|
970         COM /Fmdev/ Fmdevout$|
980         COM /Auto/ INTEGER Autoin|
990         Txdevout$=""|
1000         Txpowout$=""|
1010         Fmdevout$=""|
1020         DIM Inputstr$[25]|
1030         Inputstr$=""|
1040          !|
1050        CLEAR 8|
1060        OUTPUT 814;"RFAN:TMOD 'Manual'"|
1070        OUTPUT 814;"DISP TX"|
1080        !|
1090        ON TIMEOUT 9,.1 GOTO Done|
1100    IF Incomming=1 THEN|
1110   OUTPUT 814;"RFAN:TMOD 'Manual'"|
1120   CLEAR 9|
1130   OUTPUT 9;"CTS"|
1140   ENTER 9;Inputstr$|
1150   Done:         !Sets the Tunner to Manual Mode and then the input freq|
1160   CLEAR 8|
1170   !PRINT Inputstr$|
1180   OUTPUT 814;"RFAN:FREQ "&Inputstr$|
1190   RETURN 2|
1200         END IF |
1210   !|
1220         CLEAR 8|
1230         OUTPUT 814;"MEAS:RFR:FREQ:ERR?"|
1240         ENTER 814;Txdevout$|
1250         CLEAR 8|
1260         OUTPUT 814;"MEAS:RFR:POW?"|
1270         ENTER 814;Txpowout$|
1280         CLEAR 8|
1290         OUTPUT 814;"MEAS:AFR:FM?"|
1300         ENTER 814;Fmdevout$|
1310   !|
1320         Autoin=0|
1330         OFF TIMEOUT|
1340         RETURN 0|
1350   !|
1360   ! Manualesc:!|
1370   !       CLEAR 8|
1380   !       OUTPUT 800;"*RST"|
1390   !       RETURN 1|
1400   !|
1410   FNEND|
1420   !!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!|
1430   !                             HP-IB Command Subprocedure|
1440   !!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!|
1450   DEF FNAutocommand|
1460          COM /Txfreq/ Txfreqout$|
1470           COM /Txpow/ Txpowout$|
1480          COM /Txdev/ Txdevout$|
1490          COM /Fmdev/ Fmdevout$|
1500          COM /Auto/ INTEGER Autoin|
1510          Txfreqout$=""|
1520          Txpowout$=""|
1530          Txdevout$=""|
1540          Fmdevout$=""|
1550          Autoin = 1|
1560          ON ERROR GOTO Commandesc  !Forces a return of 1 when an Error occur|
1570          ON TIMEOUT 8,5 GOTO Commandesc|
1580          !|
1590          !  Provides the data if the tuning value is Automatic|
1600          !|
1610          !Ensures the Device is set to AutoFreq|
1620          CLEAR 8|
1630          OUTPUT 814;"RFAN:TMOD 'Auto'"|
1640          !|
1650          !TX Freq|
1660          CLEAR 8|
1670          OUTPUT 814;"DISP TX"|
1680          !|
1690          !TX Freq|
1700          CLEAR 8|
1710          OUTPUT 814;"DISP TX"|
1720          OUTPUT 814;"RFAN:FREQ?"|
1730          ENTER 814;Txfreqout$|
1740          !|
1750          !TX Power|
1760          CLEAR 8|
1770          OUTPUT 814;"MEAS:RFR:POW:UNIT W;"|
1780          OUTPUT 814;"MEAS:RFR:POW:AVER:STAT  1;"|
1790          OUTPUT 800;"MEAS:RFR:POW?"|
1800          ENTER 814;Txpowout$|
1810          !|
1820          !FM Deviation|
1830          CLEAR 8|
1840          OUTPUT 814;"MEAS:AFR:FM?"|
1850          ENTER 814;Fmdevout$|
1860           !|
1870          OFF TIMEOUT|
1880          OFF ERROR|
1890          RETURN 0|
1900          Commandesc:     !|
1910          CLEAR 8|
1920          OUTPUT 800;"*RST;"|
1930          RETURN 1|
1940          FNEND|
1950   !!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!|
1960   !                        Output down RS-232 Subprocedure|
1970   !!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!|
1980   SUB Sendserial|
1990       COM /Txfreq/ Txfreqout$|
2000       COM /Txpow/ Txpowout$|
2010       COM /Txdev/ Txdevout$|
2020       COM /Fmdev/ Fmdevout$|
2030       COM /Auto/ INTEGER Autoin|
2040          OUTPUT 9;"C"&CHR$(13)&CHR$(8) !Data set leading character|
2050           IF Autoin=0 THEN|
2060           OUTPUT 9;Txdevout$|
2070           ELSE |
2080           OUTPUT 9;Txfreqout$|
2090           END IF |
2100            OUTPUT 9;Txpowout$|
2110           OUTPUT 9;Fmdevout$|
2120   SUBEND|
2130   !!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!|
2140   !                            Interupt funcution|
2150   !!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!|
2160   Interuptrs:DEF FNInteruptrs|
2170            ON TIMEOUT 9,.075 GOTO Exitinter|
2180            OUTPUT 9;"X"|
2190            ENTER 9;Interupt|
2200            OFF TIMEOUT|
2210      Exitinter:!|
2220      RETURN Interupt|
2230      FNEND|
2240   !|
2250   !|
2260   !!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!|
2270   !                    RS-232 Configuration Subprocedure|
2280   !!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!|
2290   SUB Setcom|
2300          OUTPUT 800;"CONF:SPORT:BAUD '19200'; PAR 'NONE';DATA '8 Bits'"|
2310          OUTPUT 800;"CONF:SPORT:STOP '1 Bit'; RPAC 'Xon/Xoff';XPAC 'Xon/Xoff'"|
2320          OUTPUT 800;"CONF:SPORT:SIN 'IBASIC'; IBECHO 'OFF'"|
2330   SUBEND|
2340   !|
2350   !|
2360   !!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!|
2370   !                   ERROR Subprocedure for HP-IB Errors|
2380   !!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!!|
2390   SUB Errorhpib|
2400          PRINT "HP-IB Error Encountered"|
2410   SUBEND|
)";
// clang-format on

/// The lines of a block: every text line up to its closing "|".
std::vector<std::string> Lines(const char* block) {
    std::vector<std::string> lines;
    std::istringstream in(block);
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '|')
            lines.push_back(line.substr(0, line.size() - 1));
    }
    return lines;
}

/// "!*" at the end of a copy line: any comment text may follow the "!".
bool Matches(const std::string& copy, const std::string& received) {
    if (copy.size() >= 2 && copy.compare(copy.size() - 2, 2, "!*") == 0)
        return received.compare(0, copy.size() - 1, copy, 0, copy.size() - 1) == 0;
    return copy == received;
}

std::string Compare(const std::vector<std::string>& copy, const std::vector<std::string>& got,
                    const char* what) {
    for (std::size_t i = 0; i < copy.size() && i < got.size(); ++i) {
        if (!Matches(copy[i], got[i]))
            return std::string(what) + " line " + std::to_string(i + 1) + " differs: \"" + got[i] +
                   "\" instead of \"" + copy[i] + "\"";
    }
    if (got.size() != copy.size())
        return std::string(what) + " has " + std::to_string(got.size()) + " lines instead of " +
               std::to_string(copy.size());
    return {};
}

}  // namespace

namespace TestSetProgramCopy {

const std::vector<std::string>& LoaderBody() {
    static const std::vector<std::string> lines = Lines(kLoaderBody);
    return lines;
}

const std::vector<std::string>& Program() {
    static const std::vector<std::string> lines = Lines(kProgram);
    return lines;
}

std::string CompareLoader(const std::vector<std::string>& received) {
    return Compare(LoaderBody(), received, "loader");
}

std::string CompareProgram(const std::vector<std::string>& received) {
    return Compare(Program(), received, "program");
}

}  // namespace TestSetProgramCopy

#include "app/TunerApp.h"
#include "document/TunFile.h"

int main(int argc, char** argv) {
    TunFile::SurviveFileSizeLimit();
    return RunTunerApp(argc, argv);
}

#include "app/TunerApp.h"

int main(int argc, char** argv) {
    return RunTunerApp(argc, argv);
}

#include "resources/ResourceInit.h"

#include <QtCore/QtGlobal>

// The resource initialiser lives in this static library; referencing it here keeps the linker
// from dropping it.
static void InitOnce() {
    Q_INIT_RESOURCE(vegal);
}

void InitVegalResources() {
    InitOnce();
}

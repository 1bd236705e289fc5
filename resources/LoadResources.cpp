#include "resources/LoadResources.h"

#include <QtCore/qglobal.h>

// Naming the resources' initialiser keeps the linker from dropping them. Q_INIT_RESOURCE must
// be used outside any namespace.
void LoadProgramResources() {
    static const bool loaded = [] {
        Q_INIT_RESOURCE(datalogger);
        return true;
    }();
    static_cast<void>(loaded);
}

#include "app/catalog_serial.h"

#include "app/settings.h"
#include "app/state.h"

unsigned long long HighestCatalogSerial(bool offline) {
    const Settings& settings = g_state.settings;
    return offline ? settings.offlineCatalogSerial : settings.onlineCatalogSerial;
}

void RememberCatalogSerial(bool offline, unsigned long long serial) {
    Settings& settings = g_state.settings;
    unsigned long long& highest = offline ? settings.offlineCatalogSerial : settings.onlineCatalogSerial;
    if (serial <= highest) return;
    highest = serial;
    SaveCatalogSerials();
}

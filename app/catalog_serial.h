// The highest catalogue serial a signed build verified, per source, as the
// settings keep it. User-interface thread.
#pragma once

unsigned long long HighestCatalogSerial(bool offline);
// Keeps `serial` when it is higher than the source's, and saves it at once.
void RememberCatalogSerial(bool offline, unsigned long long serial);

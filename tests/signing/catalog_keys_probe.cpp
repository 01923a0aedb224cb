// Prints the catalogue keys that this build was given, one per line.
#include <cstdio>

#include "catalog/catalog_keys.h"

int main() {
    const std::vector<std::string>& keys = CatalogSigningKeys();
    std::printf("%zu keys\n", keys.size());
    for (const std::string& key : keys) std::printf("%s\n", key.c_str());
    return 0;
}

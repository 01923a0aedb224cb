// What the publisher's tool says about "serial" and "expires", the members a
// signed build reads to refuse an old or expired catalogue.
#pragma once

#include <string>

#include "publisher/catalog_check.h"

// Adds the problems of the catalogue's "serial" and "expires": when
// `forSignedBuild`, a missing or malformed one of either; always, an
// "expires" already past (by the UTC clock), and a note when it is more than
// a year ahead. A document that does not parse adds nothing (that is reported
// elsewhere).
void CheckCatalogFreshnessMembers(const std::string& catalogBytes, bool forSignedBuild, CatalogCheck& check);

// Empty when the catalogue may be signed; otherwise why not: no valid
// "serial", or an "expires" missing, malformed or past, with how to mend it.
std::wstring WhyNotSignable(const std::string& catalogBytes);

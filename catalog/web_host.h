// The maker's web host, fixed when the program is built.
#pragma once

#include <string>

// The host name, with ":port" when the build names one.
std::wstring WebHost();
// "https://" + host, without a trailing "/": the site link and the prefix of
// icon paths that begin with "/".
std::wstring SiteRoot();
// The catalogue document on the host.
std::wstring CatalogUrl();
// The maker's credit shown in the footer.
std::wstring CreditText();

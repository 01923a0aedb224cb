// The credit link's target: the maker's site, opened in the browser.
#pragma once

// Opens the site; offline, says in the status line that it is not reachable.
void OpenSiteLink();

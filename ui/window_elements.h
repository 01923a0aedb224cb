// One number for each fixed element of the main window, the same for the
// mouse's hover tracking and for screen readers, whose child ids they are (0
// is the window itself). The groups, cards and their buttons are numbered
// from kFirstListElement on.
#pragma once

enum WindowElement : long {
    kSelfElement = 1,
    kRefreshElement = 2,
    kOptionsElement = 3,
    kListElement = 4,
    kStatusElement = 5,
    kLinkElement = 6,
    kCancelElement = 7,
    kFirstListElement = 100,
};

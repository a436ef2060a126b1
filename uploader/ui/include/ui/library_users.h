#pragma once

// The share-link and Weibo windows count as users of the library while they exist.

namespace ui {

// One user fewer; when none is left and no window of the library is visible (the main
// panel, the mini window), the host is asked to close.
void LeaveLibrary();

}  // namespace ui

#pragma once

#include "intake/request_entry.h"
#include "platform/window.h"

namespace intake {

// The WM_REQUEST_BATCH handler of the main window (the drop handler calls it directly).
// Logged in, an upload batch becomes tasks, a share-link or Weibo batch opens its window;
// without a login the batch waits and the login dialog opens once (a share-link batch may
// go on anonymously). The batch is copied where it is kept. Returns 0.
platform::LResult OnRequestBatch(const RequestBatch* batch);

}  // namespace intake

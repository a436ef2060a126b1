#pragma once

// Files and folders dropped on the main or the mini window become an upload batch.

#include <string>
#include <vector>

#include "intake/request_entry.h"

namespace intake {

// Turns dropped items (full paths) into upload entries: a file gives its directory and
// name, a file found below a dropped folder keeps that folder's name and sub-folders in
// its name (/A/Photos + 2011/a.jpg gives "/A" and "Photos/2011/a.jpg"). Refused files,
// files of the sync folder and paths an entry cannot carry are left out; the last are
// added to *uncarried when it is given.
RequestBatch DroppedPathsToBatch(const std::vector<std::u16string>& items,
                                 std::vector<std::u16string>* uncarried = nullptr);

// The drop handler: builds the batch, tells the mini window that files come, and hands
// the batch to OnRequestBatch.
void HandleDroppedFiles(const std::vector<std::u16string>& items);
// Its second half, for a batch that DroppedPathsToBatch made elsewhere (a window that
// walks dropped folders away from the user-interface thread).
void HandleDroppedBatch(const RequestBatch& batch);

}  // namespace intake

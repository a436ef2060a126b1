#pragma once

// The account actions joined to the rest of the library: at load, the user-information
// request confirms saved logins (settings::RestoreSavedLogin) and the usage counter
// receives intake's counts; at unload, the counter's thread and every background request
// end and are joined before the library's code goes away.

namespace actions {

// At library load.
void InstallActions();
// At library unload, after the upload queue was shut down (its abort event cuts running
// requests short). Later background work is refused until InstallActions.
void StopActions();

}  // namespace actions

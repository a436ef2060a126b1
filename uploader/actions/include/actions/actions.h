#pragma once

// The account actions' life cycle in the library: at load the background requests and
// the usage counter's thread start; at unload they end and are joined before the
// library's code goes away. The library's root reaches the actions through its seams
// (intake/library.h): the usage counter (CountUse, actions/norvel_counter.h), the saved
// login's confirmation below, and the visit-URL and user-information requests.

namespace actions {

// At library load.
void StartActions();
// At library unload, after the upload queue was shut down (its abort event cuts running
// requests short). Later background work is refused until StartActions.
void StopActions();

// The user-information request for the saved login's user name; true when the service
// confirmed the login.
bool ConfirmSavedLogin();

}  // namespace actions

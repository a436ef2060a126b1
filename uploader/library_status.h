#pragma once

#include "control/control_protocol.h"

// What the library reports on the control socket: whether an upload engine is built in,
// whether the main window exists, and the tasks with their states.
control::ControlStatus LibraryStatus();

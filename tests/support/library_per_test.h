#pragma once

// Every test of a program that links norvel_test_library runs with a fresh root of the
// uploader library (intake/library.h), made before the test's fixture is set up and
// destroyed after it was torn down: no test sees what another left in the library's state.

#include "intake/library.h"

namespace norvel::test {

// Replaces the root with a fresh one, with the seams given: the library as a new process
// would find it. The old root's queue is stopped first.
void RenewLibrary(intake::LibrarySeams seams = {});

}  // namespace norvel::test

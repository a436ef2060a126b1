#pragma once

// Objects made once and kept for the life of the process on purpose: threads that
// outlive static destruction at exit still use them, so they are never freed, also when
// the shared library holding the only pointer to one is unloaded. A leak checker would
// report them then; it is told that they are kept, and reports everything else.

namespace platform {

// Marks a heap object (and what it owns) as kept on purpose. Only a build with the leak
// checker of AddressSanitizer does anything.
void MarkKeptForGood(const void* object);

template <class T>
T* KeptForGood(T* object) {
    MarkKeptForGood(object);
    return object;
}

}  // namespace platform

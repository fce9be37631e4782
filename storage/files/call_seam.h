// Every call that changes a folder of the user's (a rename, a removal, a new file or folder)
// passes through Mutate, so that a test can fail it with an errno of its choice, or end the
// process right before it, and show that no call site loses a level. A level file's read
// passes it too ("read level"), so that a test can change the file right after it was read.
// Unset, it costs a branch.
#pragma once

#include <cerrno>
#include <functional>

namespace kivo {

// Called with the call's name before it is made; a non-zero errno makes it fail with that.
using CallSeam = std::function<int(const char* call)>;

// For tests: the seam every later call passes; an empty one lets every call through.
void SetCallSeam(CallSeam seam);
int SeamError(const char* call);

// Runs `call` (which returns 0 on success, like the system calls) unless the seam fails it;
// false with errno set when it fails.
template <typename Call> bool Mutate(const char* name, Call call) {
    if (const int error = SeamError(name); error != 0) {
        errno = error;
        return false;
    }
    return call() == 0;
}

} // namespace kivo

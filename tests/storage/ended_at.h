// Ending a storage verb part way, as a kill or a power cut would.
#pragma once

#include "storage/files/call_seam.h"

#include <functional>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

namespace kivo {

// Runs `verb` in a child process that the call seam ends right before its `stop`-th call that
// changes a folder; `fail` may fail a call, by its name, with an errno. True when it was ended.
template <typename Verb>
bool EndedAt(int stop, Verb verb, std::function<int(const std::string&)> fail = {}) {
    const pid_t child = fork();
    if (child == 0) {
        int calls = 0;
        SetCallSeam([&](const char* call) {
            if (std::string(call) != "read level" && ++calls == stop) {
                _exit(3);
            }
            return fail ? fail(call) : 0;
        });
        verb();
        _exit(0);
    }
    int status = 0;
    waitpid(child, &status, 0);
    return WIFEXITED(status) && WEXITSTATUS(status) == 3;
}

} // namespace kivo

// One capture of the audio output at a time among the test processes that ctest runs side by
// side. A capture test sets the machine load it is written for (BusyLoad) and lets the player's
// real-time threads have the cores they need; two at once would double that load and make two
// players' real-time threads share two cores, which no listener's machine does. A turn is taken
// before the load starts and kept until the capture ends; turns nest within a process.
#pragma once

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <string>

namespace testenv {

class CaptureTurn {
public:
    CaptureTurn() {
        if (Depth()++ > 0) return;
        const char* tmp = std::getenv("TMPDIR");
        const std::string path = std::string(tmp && *tmp ? tmp : "/tmp") + "/quorvel-capture.lock";
        Descriptor() = open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
        // Without the file the turn is not kept: the capture still runs, as before.
        if (Descriptor() >= 0)
            while (flock(Descriptor(), LOCK_EX) != 0 && errno == EINTR) {
            }
    }
    ~CaptureTurn() {
        if (--Depth() > 0 || Descriptor() < 0) return;
        close(Descriptor());  // lets the turn go
        Descriptor() = -1;
    }
    CaptureTurn(const CaptureTurn&) = delete;
    CaptureTurn& operator=(const CaptureTurn&) = delete;

private:
    static int& Depth() {
        static int depth = 0;
        return depth;
    }
    static int& Descriptor() {
        static int descriptor = -1;
        return descriptor;
    }
};

}  // namespace testenv

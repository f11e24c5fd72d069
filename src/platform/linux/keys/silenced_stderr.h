// Points the process's stderr at /dev/null while the object lives.
//
// Xlib and XCB write the server's reason to stderr when an X server refuses a connection (for
// want of an authorisation cookie, say); the key source explains such a failure to the user in
// its own words instead. The swap is process-wide, so it is kept to the one call that needs it.
#pragma once

#include <fcntl.h>
#include <unistd.h>

namespace linux_ {

class SilencedStderr {
  public:
    SilencedStderr() {
        const int devNull = open("/dev/null", O_WRONLY | O_CLOEXEC);
        if (devNull < 0) return;
        saved_ = fcntl(2, F_DUPFD_CLOEXEC, 3);
        if (saved_ >= 0) dup2(devNull, 2);
        close(devNull);
    }
    SilencedStderr(const SilencedStderr&) = delete;
    SilencedStderr& operator=(const SilencedStderr&) = delete;
    ~SilencedStderr() {
        if (saved_ < 0) return;
        dup2(saved_, 2);
        close(saved_);
    }

  private:
    int saved_ = -1;
};

}  // namespace linux_

// A private Xvfb for one test: started on a free display number, stopped when the object goes.
#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

class XvfbServer {
  public:
    // Starts Xvfb with `extraArguments` and waits (10 s at most) until it accepts connections.
    explicit XvfbServer(const std::vector<std::string>& extraArguments = {});
    XvfbServer(const XvfbServer&) = delete;
    XvfbServer& operator=(const XvfbServer&) = delete;
    ~XvfbServer();

    bool Running() const { return pid_ > 0; }
    // The display name, such as ":123"; empty when the server could not start.
    const std::string& Name() const { return name_; }

  private:
    bool TryStart(int displayNumber, const std::vector<std::string>& extraArguments);

    pid_t pid_ = -1;
    std::string name_;
    int reservation_ = -1;  // the lock that keeps other tests off this display number
};

// Redirects the process's stderr into a file while it lives, so a test can check that nothing
// was printed on the terminal.
class StderrCapture {
  public:
    StderrCapture();
    StderrCapture(const StderrCapture&) = delete;
    StderrCapture& operator=(const StderrCapture&) = delete;
    ~StderrCapture();
    // Everything written to stderr so far.
    std::string Text() const;

  private:
    int savedStderr_ = -1;
    int file_ = -1;
};

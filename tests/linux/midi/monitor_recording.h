// Records a PulseAudio sink's monitor with parec, for tests that check what was heard.
#pragma once

#include <sys/types.h>

#include <chrono>
#include <cstddef>
#include <string>

namespace midi_test {

// parec writing the sink's monitor as 16-bit stereo to a pipe this test reads.
class MonitorRecording {
  public:
    explicit MonitorRecording(const std::string& sink);
    ~MonitorRecording();
    MonitorRecording(const MonitorRecording&) = delete;
    MonitorRecording& operator=(const MonitorRecording&) = delete;

    struct Result {
        int peak = 0;  // the largest absolute sample seen
        std::size_t bytes = 0;
    };
    // Reads for `duration`, or until a sample above `stopAbove` arrives.
    Result Read(std::chrono::milliseconds duration, int stopAbove = 1 << 16);

    // The monitor delivers nothing for a second or two after it is opened.
    bool WaitUntilFlowing();

  private:
    pid_t pid_ = 0;
    int fd_ = -1;
};

// The sink that with_null_sink.sh started, or "" when the test runs without it.
std::string TestSink();

}  // namespace midi_test

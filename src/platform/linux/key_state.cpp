// The key-state service on Linux. Two sources can hear keys typed in other programs: XInput2 raw
// events on an X desktop, and the kernel's input devices (evdev) on a Wayland desktop or the text
// console, where X hears only keys typed into X windows or nothing at all. The session decides
// which to try first; the first that opens serves, and the other is the fallback.
#include "platform/key_state.h"

#include <array>
#include <memory>

#include "platform/linux/evdev/evdev_key_source.h"
#include "platform/linux/keys/x_key_source.h"
#include "platform/linux/keys/x_key_states.h"
#include "platform/linux/session/environment.h"

namespace platform {

namespace {

class KeySource {
  public:
    virtual ~KeySource() = default;
    // Empty when the source hears keys, else why it does not.
    virtual std::string Open() = 0;
    virtual void Refresh() = 0;
    virtual std::int16_t State(int virtualKey) = 0;
    // Takes in what has arrived, then counts every press so far as handled.
    virtual void Forget() = 0;
    virtual void Close() = 0;
};

class XInputSource : public KeySource {
  public:
    std::string Open() override {
        states_.Clear();
        return source_.Open();
    }
    void Refresh() override { source_.Drain(states_); }
    std::int16_t State(int virtualKey) override { return states_.Query(virtualKey); }
    void Forget() override {
        Refresh();
        states_.Forget();
    }
    void Close() override {
        source_.Close();
        states_.Clear();
    }

  private:
    linux_::XKeySource source_;
    linux_::XKeyStates states_;
};

class InputDeviceSource : public KeySource {
  public:
    std::string Open() override {
        std::string why = source_.Open();
        if (!why.empty()) source_.Close();
        return why;
    }
    void Refresh() override { source_.Refresh(); }
    std::int16_t State(int virtualKey) override { return source_.State(virtualKey); }
    void Forget() override {
        source_.Refresh();
        source_.Forget();
    }
    void Close() override { source_.Close(); }

  private:
    linux_::EvdevKeySource source_;
};

template <class Source>
std::unique_ptr<KeySource> Make() {
    return std::make_unique<Source>();
}

// A kind of key source: what builds one, and whether it hears keys typed in other programs in any
// session (X hears them only on an X desktop).
struct KeySourceKind {
    std::unique_ptr<KeySource> (*make)();
    bool hearsOtherPrograms;
};

constexpr KeySourceKind kXInput{Make<XInputSource>, false};
constexpr KeySourceKind kInputDevices{Make<InputDeviceSource>, true};

// What to tell the user, once: only when keys typed in other programs cannot sound, that is when
// the X source serves a session whose other programs X does not see. The input devices hear
// every key; how (the input group, keys by their place) the README tells.
std::string Notice(bool xSession, const KeySourceKind& chosen, const std::string& devicesWhy) {
    if (xSession || chosen.hearsOtherPrograms) return "";
    const std::string session = linux_::IsSetInEnvironment("WAYLAND_DISPLAY")
                                    ? "this is a Wayland session"
                                    : "there is no X display";
    return "Clavitap hears only keys typed into X programs, because " + session + ". " + devicesWhy;
}

std::unique_ptr<KeySource>& Current() {
    static std::unique_ptr<KeySource> source;
    return source;
}

}  // namespace

std::string OpenKeySource() {
    CloseKeySource();
    // On an X desktop X hears every key; elsewhere the input devices come first.
    const bool xSession = linux_::IsXSession();
    const std::array<const KeySourceKind*, 2> order =
        xSession ? std::array{&kXInput, &kInputDevices} : std::array{&kInputDevices, &kXInput};
    std::string xWhy, devicesWhy;
    for (const KeySourceKind* kind : order) {
        auto source = kind->make();
        std::string why = source->Open();
        if (why.empty()) {
            Current() = std::move(source);
            return Notice(xSession, *kind, devicesWhy);
        }
        (kind == &kXInput ? xWhy : devicesWhy) = std::move(why);
    }
    return xWhy + (xWhy.empty() || devicesWhy.empty() ? "" : "\n\n") + devicesWhy;
}

void RefreshKeyState() {
    if (Current()) Current()->Refresh();
}

std::int16_t GetAsyncKeyState(int virtualKey) {
    return Current() ? Current()->State(virtualKey) : std::int16_t{0};
}

void ForgetKeyPresses() {
    if (Current()) Current()->Forget();
}

void CloseKeySource() {
    if (Current()) Current()->Close();
    Current().reset();
}

}  // namespace platform

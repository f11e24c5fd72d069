#include "platform/linux/midi/alsa_ports.h"

#include <alsa/asoundlib.h>
#include <rtmidi/RtMidi.h>

#include "platform/linux/midi/quiet_logs.h"
#include "platform/midi_out.h"

namespace linux_ {

namespace {

constexpr char kClientName[] = "Clavitap";

// RtMidi prints to the terminal when it cannot reach the sequencer and has no error callback yet,
// which is the case inside its constructor. Ask ALSA first, quietly.
bool SequencerReachable() {
    SilenceLibraryLogs();
    snd_seq_t* sequencer = nullptr;
    if (snd_seq_open(&sequencer, "default", SND_SEQ_OPEN_OUTPUT, 0) < 0) return false;
    snd_seq_close(sequencer);
    return true;
}

// Notes every RtMidi error instead of printing it.
void RecordError(RtMidiError::Type, const std::string&, void* failed) {
    *static_cast<bool*>(failed) = true;
}

// A client of the sequencer whose errors are recorded in `failed`; nullptr when there is no
// sequencer.
std::unique_ptr<RtMidiOut> NewClient(bool& failed) {
    if (!SequencerReachable()) return nullptr;
    try {
        auto client = std::make_unique<RtMidiOut>(RtMidi::LINUX_ALSA, kClientName);
        client->setErrorCallback(RecordError, &failed);
        return client;
    } catch (const RtMidiError&) {
        return nullptr;
    }
}

// RtMidi names a port "client:port client-id:port-id"; the port's own name is what users know.
std::string PortName(const std::string& rtMidiName) {
    const std::size_t colon = rtMidiName.find(':');
    const std::size_t lastSpace = rtMidiName.rfind(' ');
    if (colon == std::string::npos || lastSpace == std::string::npos || lastSpace <= colon) {
        return rtMidiName;
    }
    return rtMidiName.substr(colon + 1, lastSpace - colon - 1);
}

class AlsaPortDevice final : public OutputDevice {
  public:
    explicit AlsaPortDevice(std::unique_ptr<RtMidiOut> client, std::unique_ptr<bool> failed)
        : client_(std::move(client)), failed_(std::move(failed)) {}

    Long Send(const ShortMessage& message) override {
        *failed_ = false;
        client_->sendMessage(message.bytes.data(), static_cast<std::size_t>(message.length));
        return *failed_ ? platform::MidiError::kNoDevice : 0;
    }

  private:
    std::unique_ptr<RtMidiOut> client_;
    std::unique_ptr<bool> failed_;  // where the client's error callback writes
};

}  // namespace

std::vector<std::string> ListAlsaOutputPorts() {
    bool failed = false;
    const auto client = NewClient(failed);
    std::vector<std::string> names;
    if (!client) return names;
    const unsigned count = client->getPortCount();
    for (unsigned i = 0; i < count; ++i) {
        names.push_back(PortName(client->getPortName(i)));
    }
    return names;
}

Long OpenAlsaOutputPort(unsigned index, std::unique_ptr<OutputDevice>& device) {
    auto failed = std::make_unique<bool>(false);
    auto client = NewClient(*failed);
    if (!client || index >= client->getPortCount()) return platform::MidiError::kBadDeviceId;
    client->openPort(index, "Clavitap output");
    if (*failed || !client->isPortOpen()) return platform::MidiError::kNoDevice;
    device = std::make_unique<AlsaPortDevice>(std::move(client), std::move(failed));
    return 0;
}

}  // namespace linux_

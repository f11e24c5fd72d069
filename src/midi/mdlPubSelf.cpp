#include "midi/mdlPubSelf.h"

#include <string>

#include "core/checked_integer.h"
#include "midi/sounding_notes.h"
#include "platform/message_box.h"
#include "platform/midi_out.h"

namespace mdlPubSelf {

Long MidiOutHandle = 0;

namespace {

// A failed send of the key scan has shown its box, and nothing has succeeded since.
bool scanErrorShown = false;

// The key scan's notes that sound on the open device. Sustained instruments hold a note until it
// is ended, so every note that reached the device is ended once its key is up, or when the device
// closes.
SoundingNotes scanNotes;

constexpr Integer kNoteOffVelocity = 64;  // the value for a keyboard that senses none

// The product name as far as its first NUL (the field need not hold one when full).
std::string ProductName(const platform::MidiOutCapsA& caps) {
    std::size_t length = 0;
    while (length < sizeof(caps.szPname) && caps.szPname[length] != '\0') ++length;
    return std::string(caps.szPname, length);
}

// Asks the capabilities of `deviceId` and, on success, adds it to the list with its id.
bool AddDeviceEntry(platform::ListControl& list, Integer deviceId) {
    platform::MidiOutCapsA caps{};
    if (platform::midiOutGetDevCapsA(deviceId, &caps, sizeof(caps)) != 0) return false;
    list.AddItem(ProductName(caps));
    list.SetItemData(list.NewIndex(), deviceId);
    return true;
}

// Packs and sends one message; the platform's result.
Long Send(Integer status, Integer data1, Integer data2) {
    const Integer high = CheckedMul(data1, Integer{256});
    Long message = CheckedAdd(Long{high}, CheckedMul(Long{data2}, Long{65536}));
    message = CheckedAdd(message, Long{status});
    const Long result = platform::midiOutShortMsg(MidiOutHandle, message);
    if (result == 0) scanErrorShown = false;
    return result;
}

// Note-offs for `notes`, whatever each send's result: a note the device cannot be reached for is
// given up rather than tried again on every tick.
void EndNotes(const std::vector<SoundingNotes::Note>& notes) {
    for (const SoundingNotes::Note& sounding : notes) {
        Send(CheckedAdd(Integer{128}, sounding.channel), sounding.note, kNoteOffVelocity);
    }
}

}  // namespace

Boolean FillMidiDeviceList(platform::ListControl& list) {
    list.Clear();
    Boolean found = False;
    if (AddDeviceEntry(list, -1)) found = True;
    const Integer count = ToInteger(platform::midiOutGetNumDevs());
    const Integer last = CheckedSub(count, 1);
    for (Integer id = 0; id <= last; ++id) {
        if (AddDeviceEntry(list, id)) found = True;
    }
    return found;
}

Boolean OpenMidiOut(Integer deviceId) {
    CloseMidiOut();
    const Long result = platform::midiOutOpen(&MidiOutHandle, deviceId, 0, 0, 0);
    if (result != 0) ShowMidiError(ToInteger(result));
    return MidiOutHandle != 0 ? True : False;
}

void CloseMidiOut() {
    if (MidiOutHandle == 0) return;
    // A port left with notes on would keep an external synthesizer sounding them.
    EndNotes(scanNotes.TakeAll());
    const Long result = platform::midiOutClose(MidiOutHandle);
    if (result != 0) ShowMidiError(ToInteger(result));
    MidiOutHandle = 0;
}

void SendShortMessage(Integer status, Integer data1, Integer data2) {
    const Long result = Send(status, data1, data2);
    if (result != 0) ShowMidiError(ToInteger(result));
}

void SendNoteOn(Integer channel, Integer note, Integer velocity) {
    SendShortMessage(CheckedAdd(Integer{144}, channel), note, velocity);
}

void SendScanNoteOn(Integer channel, Integer note, Integer velocity) {
    const Long result = Send(CheckedAdd(Integer{144}, channel), note, velocity);
    if (result == 0) scanNotes.Struck(channel, note);
    if (result == 0 || scanErrorShown) return;
    scanErrorShown = true;
    ShowMidiError(ToInteger(result));
}

void ShowNextScanError() {
    scanErrorShown = false;
}

void ReleaseScanNotes(int holdPasses) {
    EndNotes(scanNotes.EndPass(holdPasses));
}

void SendControlChange(Integer channel, Integer controller, Integer value) {
    SendShortMessage(CheckedAdd(Integer{176}, channel), controller, value);
}

void SendProgramChange(Integer channel, Integer bank, Integer program) {
    SendControlChange(channel, 0, bank);
    SendShortMessage(CheckedAdd(Integer{192}, channel), program, 0);
}

void ShowMidiError(Integer code) {
    std::string buffer(128, ' ');
    const Long lookup = platform::midiOutGetErrorTextA(code, buffer.data(), 128);
    const std::size_t nul = buffer.find('\0');
    std::string text = buffer.substr(0, nul);
    // A code without a text would leave a box of blanks; name the failing code instead.
    if (lookup != 0 || text.find_first_not_of(' ') == std::string::npos) {
        text = "The MIDI call failed with error code " + std::to_string(code) + ".";
    }
    platform::MsgBox(text);
}

}  // namespace mdlPubSelf

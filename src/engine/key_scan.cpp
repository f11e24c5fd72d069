#include "engine/key_scan.h"

#include "core/checked_integer.h"
#include "midi/mdlPubSelf.h"
#include "platform/key_state.h"

namespace engine {

Integer BaseNote(Integer code) {
    if (code < 50) return CheckedAdd(code, Integer{50});
    if (code > 90) return CheckedSub(code, Integer{30});
    return code;
}

Integer FoldIntoMidiRange(Integer note) {
    while (note > 127) note = static_cast<Integer>(note - 12);
    return note;
}

void ScanKeys(const platform::ListControl& diao, const platform::ScrollBarControl& Vol, Rnd& rnd) {
    const auto step = static_cast<Integer>(static_cast<double>(rnd.Next()) * 10.0);
    platform::RefreshKeyState();
    for (int code = kFirstScannedKey; code <= kLastScannedKey; ++code) {
        if (platform::GetAsyncKeyState(code) == 0) continue;
        const Integer base = BaseNote(static_cast<Integer>(code));
        const Integer tone = diao.ListIndex();
        const Integer volume = Vol.Value();
        const Integer velocity = CheckedAdd(volume, step);
        const Integer note = CheckedAdd(CheckedMul(CheckedAdd(tone, Integer{1}), Integer{5}), base);
        mdlPubSelf::SendScanNoteOn(0, FoldIntoMidiRange(note), velocity);
    }
    ReleaseLetGoNotes();
}

void ReleaseLetGoNotes() {
    mdlPubSelf::ReleaseScanNotes(kNoteHoldTicks);
}

}  // namespace engine

// What the main window holds when it is created: its own properties, its controls with kind,
// place, size, text, font, tab index and look, the three separator lines, and the fixed lists.
// Both targets build their window from these tables. Positions and sizes are in twips from the
// top-left corner of the client area (15 twips per pixel at 96 dpi).
#pragma once

#include <array>
#include <string_view>

namespace layout {

inline constexpr std::string_view kCaption = "Clavitap";
inline constexpr int kClientWidth = 5325;
inline constexpr int kClientHeight = 3840;
inline constexpr std::string_view kFontName = "Tahoma";
inline constexpr double kFontPoints = 8.25;
inline constexpr int kTimerIntervalMs = 50;
inline constexpr int kTwipsPerInch = 1440;
inline constexpr int kVolMin = 0;
inline constexpr int kVolMax = 100;
inline constexpr int kVolSmallChange = 1;
inline constexpr int kVolLargeChange = 1;
// Rows an open drop-down list shows before it scrolls, on both targets.
inline constexpr int kVisibleListRows = 12;
// The room kept between neighbouring links of the link row.
inline constexpr int kLinkGap = 90;

enum class Kind { TextBox, DropDownList, HScrollBar, Timer, Label, LinkLabel };
enum class Font { None, Window, Bold };
// Text colours: the system's button-text colour, green (0, 128, 0) or pure blue (0, 0, 255).
enum class Color { ButtonText, Green, Blue };

inline constexpr int kNoTabIndex = -1;

struct Control {
    int order;  // creation order, 1..20 together with the lines
    std::string_view name;
    Kind kind;
    int left;
    int top;
    int width;
    int height;
    std::string_view text;
    Font font;
    int tabIndex;
    Color color;
    bool autoSize;
    bool wordWrap;
};

struct Line {
    int order;
    std::string_view name;
    int x1;
    int y1;
    int x2;
    int y2;
};

// The notes shown in Text1: three lines, each ended by CR LF.
inline constexpr std::string_view kNotesText =
    "* All settings will be saved after exited.\r\n \r\nas you like.\r\n";

// The maker's one-line copyright notice in Label9.
inline constexpr std::string_view kCopyrightNotice =
    "Copyright (C) 2026 The Clavitap developers. MIT licence.";

// The seventeen controls that are not lines, in creation order.
inline constexpr std::array<Control, 17> kControls{{
    {1, "Text1", Kind::TextBox, 90, 2702, 5115, 585, kNotesText, Font::Window, 12,
     Color::ButtonText, false, false},
    {2, "ComSounds", Kind::DropDownList, 3180, 375, 2025, 315, "", Font::Window, 3,
     Color::ButtonText, false, false},
    {3, "diao", Kind::DropDownList, 3180, 1065, 2025, 315, "", Font::Window, 7, Color::ButtonText,
     false, false},
    {4, "Vol", Kind::HScrollBar, 90, 1065, 3000, 315, "", Font::None, 5, Color::ButtonText, false,
     false},
    {5, "ComDevies", Kind::DropDownList, 90, 375, 3000, 315, "", Font::Window, 1, Color::ButtonText,
     false, false},
    {6, "Timer1", Kind::Timer, 0, 0, 0, 0, "", Font::None, kNoTabIndex, Color::ButtonText, false,
     false},
    {7, "lblFeedback", Kind::LinkLabel, 4515, 3468, 690, 195, "Feedback", Font::Window, 11,
     Color::Blue, true, false},
    {8, "lblHomepage", Kind::LinkLabel, 3660, 3468, 765, 195, "Homepage", Font::Window, 10,
     Color::Blue, true, false},
    {10, "Label9", Kind::Label, 90, 2326, 4245, 195, kCopyrightNotice, Font::Window, 15,
     Color::Green, true, false},
    {11, "Label8", Kind::Label, 90, 2041, 4755, 195,
     "Version 1.02 (Build 008), member of Orvi Personal/Home Solution.", Font::Window, 14,
     Color::Green, true, false},
    {12, "Label7", Kind::Label, 90, 1561, 5115, 390,
     "Clavitap, lets your keyboard to sing when typing, just for entertainment.", Font::Bold, 13,
     Color::ButtonText, false, true},
    {15, "lblDonate", Kind::LinkLabel, 2295, 3468, 1275, 195, "Donate on PayPal", Font::Window, 9,
     Color::Blue, true, false},
    {16, "Label3", Kind::Label, 3180, 90, 975, 195, "&Instrument", Font::Bold, 2, Color::ButtonText,
     true, false},
    {17, "Label1", Kind::Label, 90, 90, 570, 195, "&Device", Font::Bold, 0, Color::ButtonText, true,
     false},
    {18, "Label5", Kind::Label, 3180, 780, 420, 195, "&Tone", Font::Bold, 6, Color::ButtonText,
     true, false},
    {19, "Label4", Kind::Label, 90, 780, 630, 195, "&Volume", Font::Bold, 4, Color::ButtonText,
     true, false},
    {20, "lblHide", Kind::LinkLabel, 480, 3465, 1725, 195, "Minimize to System Tray", Font::Window,
     8, Color::Blue, true, false},
}};

inline constexpr std::array<Line, 3> kLines{{
    {9, "Line3", -100, 3377, 6031, 3377},
    {13, "Line2", -90, 2611, 6031, 2611},
    {14, "Line1", -9, 1470, 6031, 1470},
}};

// General MIDI programs 0..127, in program order, with the window's own spellings.
inline constexpr std::array<std::string_view, 128> kInstruments{{
    "Piano 1",       "Piano 2",      "Piano 3",       "Honky-tonk",
    "E.Piano 1",     "E.piano 2",    "Harpsichord",   "Clavinet",
    "Celesta",       "Glockenspiel", "Music Box",     "Vibraphone",
    "Marimba",       "Xylophone",    "Tubular bell",  "Dulcimer",
    "Organ 1",       "Organ 2",      "Organ 3",       "Church org. 1",
    "Reed Organ",    "Accordion Fr", "Harmonica",     "Tango Accordion",
    "Nylon-str Gt",  "Steel-str Gt", "Jazz Gt",       "Clean Gt",
    "Muted Gt",      "Overdrive Gt", "Distortion Gt", "Gt. Harmonics",
    "Acoustic Bs.",  "Fingered Bs.", "Picked Bs.",    "Fretless Bs.",
    "Slap Bs. 1",    "Slap Bs. 2",   "Synth Bs. 1",   "Synth Bs. 2",
    "Violin",        "Viola",        "Cello",         "Contrabass",
    "Tremolo Str",   "Pizzicato",    "Harp",          "Timpani",
    "Strings",       "Slow Str.",    "Syn Str. 1",    "Syn Str. 2",
    "Choir Aahs",    "Voice Oohs",   "SynVox",        "Orchestra Hit",
    "Trumpet",       "Trombone",     "Tuba",          "Muted Tr.",
    "French Horn",   "Brass 1",      "Synth Br.1",    "Synth Br.2",
    "Soprano Sax",   "Alto Sax",     "Tenor Sax",     "Baritone Sax",
    "Oboe",          "English Horn", "Basson",        "Clarinet",
    "Piccolo",       "Flute",        "Recorder",      "Pan Flute",
    "Bottle Blow",   "Shakuhachi",   "Whistle",       "Ocarina",
    "Square Wave",   "Saw Wave",     "Syn. Calliope", "Chiffer Lead",
    "Charang",       "Solo Vox",     "5th Saw Wave",  "Bass&Lead",
    "Fantasia",      "Warm Pad",     "PolySynth",     "Space Voice",
    "Bowed Glass",   "Metal Pad",    "Halo Pad",      "Sweep Pad",
    "Ice Rain",      "Sound Track",  "Crystal",       "Atmosphere",
    "Brightness",    "Goblin",       "Echo Drops",    "Star Theme",
    "Sitar",         "Banjo",        "Shamisen",      "Koto",
    "Kalimba",       "Bag Pipe",     "Fiddle",        "Shanai",
    "Tinkle Bell",   "Agogo",        "Steel Drums",   "Woodblock",
    "Taiko",         "Melo Tom 1",   "Synth Drum",    "Reverse Cym.",
    "Gt. FretNoise", "Breath Noise", "Seashore",      "Bird",
    "Telephone 1",   "Helicopter",   "Applause",      "Gun Shot",
}};

// Tone steps; only the position matters to the key scan.
inline constexpr std::array<std::string_view, 12> kTones{
    {"C", "C#", "D", "D#", "E", "F", "F#", "G", "G#", "A", "A#", "B"}};

// The control named `name`; the tables above hold every name the program asks for.
constexpr const Control& Find(std::string_view name) {
    for (const Control& control : kControls) {
        if (control.name == name) return control;
    }
    throw "no such control";  // unreachable for the names used in the program; fails a constexpr
                              // use
}

// The link that begins next to the right of `link` on the link row; nullptr for the last one.
// A link's caption must end kLinkGap before that link's left edge.
constexpr const Control* NextLink(const Control& link) {
    const Control* next = nullptr;
    for (const Control& control : kControls) {
        if (control.kind == Kind::LinkLabel && control.left > link.left &&
            (next == nullptr || control.left < next->left)) {
            next = &control;
        }
    }
    return next;
}

}  // namespace layout

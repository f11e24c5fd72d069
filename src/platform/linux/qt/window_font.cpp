#include "platform/linux/qt/window_font.h"

#include <fontconfig/fontconfig.h>
#include <QFontDatabase>
#include <QFontMetrics>
#include <future>
#include <system_error>

#include "platform/linux/twips.h"

namespace linux_ {
namespace {

QFont WithWindowFontSize(const QString& family) {
    QFont font(family);
    font.setPointSizeF(layout::kFontPoints);
    font.setWeight(QFont::Normal);
    return font;
}

// Whether text set in `font` keeps the layout: each link caption ends before the next link
// begins, and each word-wrapped caption fits its fixed height.
bool KeepsTheLayout(const QFont& font) {
    for (const layout::Control& control : layout::kControls) {
        const layout::Control* next =
            control.kind == layout::Kind::LinkLabel ? layout::NextLink(control) : nullptr;
        if (next != nullptr) {
            const int room = PixelsFromTwips(next->left) - PixelsFromTwips(control.left);
            const QString caption = QString::fromUtf8(control.text);
            if (QFontMetrics(font).horizontalAdvance(caption) > room) return false;
        }
        if (control.wordWrap) {
            QFont captionFont = font;
            if (control.font == layout::Font::Bold) captionFont.setWeight(QFont::Bold);
            const QRect wrapped =
                QFontMetrics(captionFont)
                    .boundingRect(QRect(0, 0, PixelsFromTwips(control.width), 10000),
                                  Qt::TextWordWrap, QString::fromUtf8(control.text));
            if (wrapped.height() > PixelsFromTwips(control.height)) return false;
        }
    }
    return true;
}

// Debian's fonts-wine installs a Tahoma drawn to the original's advance widths in a folder the
// font system does not search. Only its regular face is taken: the outlines of its bold face are
// no heavier than the regular ones (it is bold only in the bitmaps it carries for some sizes),
// so the bold captions are the regular face made bold by the font engine.
constexpr const char* kTahomaFile = "/usr/share/wine/fonts/tahoma.ttf";

bool AddTahomaFile() {
    return QFontDatabase::addApplicationFont(QString::fromLatin1(kTahomaFile)) != -1;
}

// Tahoma where it is installed, else fonts-wine's. Elsewhere the font system's stand-in for it is
// often a wide face that pushes the link captions into one another, so the first installed face
// that keeps the layout is taken; failing all, the font system's own choice.
QString ChooseWindowFontFamily() {
    const QString tahoma = QString::fromUtf8(layout::kFontName);
    if (QFontDatabase::hasFamily(tahoma)) return tahoma;
    if (AddTahomaFile() && QFontDatabase::hasFamily(tahoma)) return tahoma;
    for (const char* family : {"Liberation Sans", "Arimo", "Arial", "DejaVu Sans Condensed",
                               "Nimbus Sans", "FreeSans", "DejaVu Sans"}) {
        const QString name = QString::fromLatin1(family);
        if (QFontDatabase::hasFamily(name) && KeepsTheLayout(WithWindowFontSize(name))) {
            return name;
        }
    }
    return tahoma;
}

}  // namespace

QFont WindowFont() {
    static const QString family = ChooseWindowFontFamily();
    return WithWindowFontSize(family);
}

void ReadFontConfigurationAhead() {
    // Whichever of this thread and the toolkit finishes reading first installs the configuration;
    // the other takes that one. Ended, at the latest, when the program ends.
    static std::future<FcBool> reading;
    if (reading.valid()) return;
    try {
        reading = std::async(std::launch::async, FcInit);
    } catch (const std::system_error&) {
        // No thread to spare: the toolkit reads the configuration itself.
    }
}

QFont ControlFont(layout::Font kind) {
    QFont font = WindowFont();
    if (kind == layout::Font::Bold) font.setWeight(QFont::Bold);
    return font;
}

}  // namespace linux_

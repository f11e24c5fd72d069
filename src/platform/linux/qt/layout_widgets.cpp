#include "platform/linux/qt/layout_widgets.h"

#include <QComboBox>
#include <QFontMetricsF>
#include <QImageReader>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPixmap>
#include <QPlainTextEdit>
#include <QProxyStyle>
#include <QRawFont>
#include <QScrollBar>
#include <QStyleFactory>

#include <algorithm>
#include <cmath>

#include "platform/linux/qt/window_font.h"
#include "platform/linux/twips.h"

namespace linux_ {

void ClickLabel::mouseReleaseEvent(QMouseEvent* event) {
    QLabel::mouseReleaseEvent(event);
    if (onClick_ && event->button() == Qt::LeftButton &&
        rect().contains(event->position().toPoint())) {
        onClick_();
    }
}

namespace {

// The line height Windows gives the face: its Windows ascent and descent, which hold every glyph
// (Qt's own line height can be shorter: 11 pixels against 13 for Tahoma at 8.25 points); 0 when
// the face carries no such figures.
int WindowsLineHeight(const QFont& font) {
    const QRawFont raw = QRawFont::fromFont(font);
    const QByteArray os2 = raw.fontTable("OS/2");
    if (os2.size() < 78 || raw.unitsPerEm() <= 0) return 0;
    const auto word = [&os2](int at) {
        return static_cast<unsigned char>(os2[at]) << 8 | static_cast<unsigned char>(os2[at + 1]);
    };
    const qreal scale = raw.pixelSize() / raw.unitsPerEm();
    return static_cast<int>(std::lround(word(74) * scale) + std::lround(word(76) * scale));
}

}  // namespace

void FitToCaption(QLabel& label) {
    label.adjustSize();
    if (!label.wordWrap()) {
        label.resize(label.width(), std::max(label.height(), WindowsLineHeight(label.font())));
    }
    const qreal ratio = label.devicePixelRatioF();
    if (ratio <= 1.0) return;
    QFont device = label.font();
    device.setPointSizeF(device.pointSizeF() * ratio);
    device.setLetterSpacing(QFont::AbsoluteSpacing, device.letterSpacing() * ratio);
    QString shown = label.text();
    if (label.buddy() != nullptr) shown.remove(shown.indexOf(QLatin1Char('&')), 1);
    const qreal drawn = QFontMetricsF(device).horizontalAdvance(shown) / ratio;
    const int width = std::max(label.width(), static_cast<int>(std::ceil(drawn)));
    label.resize(width + 1, label.height());
}

void FitToRoom(QLabel& label, int room) {
    // A fraction of a pixel less between letters: invisible, and the caption keeps its face,
    // size and left edge.
    for (int attempt = 0; attempt < 4 && label.width() > room; ++attempt) {
        QFont font = label.font();
        const double excess = label.width() - room;
        const double letters = static_cast<double>(std::max<qsizetype>(1, label.text().size()));
        font.setLetterSpacing(QFont::AbsoluteSpacing, font.letterSpacing() - excess / letters);
        label.setFont(font);
        FitToCaption(label);
    }
}

namespace {

QColor TextColor(layout::Color color, const QPalette& palette) {
    switch (color) {
        case layout::Color::Green:
            return {0, 128, 0};
        case layout::Color::Blue:
            return {0, 0, 255};
        case layout::Color::ButtonText:
            break;
    }
    return palette.color(QPalette::ButtonText);
}

// The cursor the four link labels show: the 32 x 32 pointing hand the Windows build carries in
// link.cur, from the same artwork (assets/make_assets.py), with its hot spot at the fingertip.
QCursor LinkCursor() {
    constexpr int kHotSpotX = 12;
    constexpr int kHotSpotY = 1;
    // Read as PNG only, as the icons are: no probing of every image plugin.
    QImageReader reader(QStringLiteral(":/clavitap/link.png"), "PNG");
    reader.setAutoDetectImageFormat(false);
    return QCursor(QPixmap::fromImage(reader.read()), kHotSpotX, kHotSpotY);
}

QWidget* MakeLabel(const layout::Control& control, QWidget& parent) {
    auto* label = new ClickLabel(&parent);
    label->setTextFormat(Qt::PlainText);
    label->setText(QString::fromUtf8(control.text));
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    label->setFont(ControlFont(control.font));
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, TextColor(control.color, palette));
    palette.setColor(QPalette::Window, palette.color(QPalette::Button));
    label->setPalette(palette);
    label->setAutoFillBackground(true);
    label->setWordWrap(control.wordWrap);
    if (control.kind == layout::Kind::LinkLabel) label->setCursor(LinkCursor());
    return label;
}

QWidget* MakeTextBox(const layout::Control& control, QWidget& parent) {
    auto* box = new QPlainTextEdit(&parent);
    // The notes end their lines with CR LF; the text box shows plain line breaks.
    box->setPlainText(
        QString::fromUtf8(control.text).replace(QStringLiteral("\r\n"), QStringLiteral("\n")));
    box->setReadOnly(true);
    box->setFont(ControlFont(control.font));
    box->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    box->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    box->setFocusPolicy(Qt::ClickFocus);
    box->setTabChangesFocus(true);
    box->setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
    box->document()->setDocumentMargin(1);
    QPalette palette = box->palette();
    palette.setColor(QPalette::Base, palette.color(QPalette::Button));
    box->setPalette(palette);
    return box;
}

// Drops a list below its box, as a classic drop-down list does, rather than over it as some
// styles do (which, for a long list, takes the height of the screen).
class DropBelowStyle final : public QProxyStyle {
  public:
    int styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                  QStyleHintReturn* returnData) const override {
        if (hint == SH_ComboBox_Popup) return 0;
        return QProxyStyle::styleHint(hint, option, widget, returnData);
    }
};

QWidget* MakeList(const layout::Control& control, QWidget& parent) {
    auto* box = new QComboBox(&parent);
    auto* style = new DropBelowStyle;
    style->setParent(box);
    box->setStyle(style);
    box->setMaxVisibleItems(layout::kVisibleListRows);
    box->setEditable(false);
    box->setFont(ControlFont(control.font));
    box->setFocusPolicy(Qt::StrongFocus);
    return box;
}

// The volume bar answers the keys as a classic horizontal scroll bar does: Right, Down and Page
// Down move towards Max, Left, Up and Page Up towards Min, Home and End to the ends. (Qt's own
// scroll bar moves the other way for the arrow keys.)
class VolumeScrollBar final : public QScrollBar {
  public:
    using QScrollBar::QScrollBar;

  protected:
    void keyPressEvent(QKeyEvent* event) override {
        switch (event->key()) {
            case Qt::Key_Right:
            case Qt::Key_Down:
                triggerAction(SliderSingleStepAdd);
                break;
            case Qt::Key_Left:
            case Qt::Key_Up:
                triggerAction(SliderSingleStepSub);
                break;
            case Qt::Key_PageDown:
                triggerAction(SliderPageStepAdd);
                break;
            case Qt::Key_PageUp:
                triggerAction(SliderPageStepSub);
                break;
            case Qt::Key_Home:
                triggerAction(SliderToMinimum);
                break;
            case Qt::Key_End:
                triggerAction(SliderToMaximum);
                break;
            default:
                QScrollBar::keyPressEvent(event);
                return;
        }
        event->accept();
    }
};

QWidget* MakeScrollBar(QWidget& parent) {
    auto* bar = new VolumeScrollBar(Qt::Horizontal, &parent);
    // The classic bar draws its thumb raised between the arrows, so the thumb stays in sight at
    // both ends of the range; flat styles merge it into the arrow there.
    if (QStyle* classic = QStyleFactory::create(QStringLiteral("Windows"))) {
        classic->setParent(bar);
        bar->setStyle(classic);
    }
    bar->setRange(layout::kVolMin, layout::kVolMax);
    bar->setSingleStep(layout::kVolSmallChange);
    bar->setPageStep(layout::kVolLargeChange);
    bar->setValue(layout::kVolMin);
    bar->setFocusPolicy(Qt::StrongFocus);
    return bar;
}

}  // namespace

void MakeWidget(const layout::Control& control, QWidget& parent) {
    QWidget* widget = nullptr;
    switch (control.kind) {
        case layout::Kind::TextBox:
            widget = MakeTextBox(control, parent);
            break;
        case layout::Kind::DropDownList:
            widget = MakeList(control, parent);
            break;
        case layout::Kind::HScrollBar:
            widget = MakeScrollBar(parent);
            break;
        case layout::Kind::Label:
        case layout::Kind::LinkLabel:
            widget = MakeLabel(control, parent);
            break;
        case layout::Kind::Timer:
            return;
    }
    widget->setObjectName(QString::fromUtf8(control.name));
    widget->setGeometry(PixelsFromTwips(control.left), PixelsFromTwips(control.top),
                        PixelsFromTwips(control.width), PixelsFromTwips(control.height));
}

}  // namespace linux_

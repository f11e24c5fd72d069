#include "platform/linux/qt/layout_widgets.h"

#include <QComboBox>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QScrollBar>

#include "platform/linux/qt/link_cursor.h"
#include "platform/linux/qt/qt_text.h"
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

void FitToCaption(QLabel& label) {
    label.adjustSize();
    if (label.devicePixelRatioF() > 1.0) label.resize(label.width() + 1, label.height());
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

QWidget* MakeLabel(const layout::Control& control, QWidget& parent) {
    auto* label = new ClickLabel(&parent);
    label->setTextFormat(Qt::PlainText);
    label->setText(ToQString(control.text));
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
        ToQString(control.text).replace(QStringLiteral("\r\n"), QStringLiteral("\n")));
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

QWidget* MakeList(const layout::Control& control, QWidget& parent) {
    auto* box = new QComboBox(&parent);
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
    bar->setRange(layout::kVolMin, layout::kVolMax);
    bar->setSingleStep(layout::kVolSmallChange);
    bar->setPageStep(layout::kVolLargeChange);
    bar->setValue(layout::kVolMin);
    bar->setFocusPolicy(Qt::StrongFocus);
    return bar;
}

}  // namespace

QWidget* MakeWidget(const layout::Control& control, QWidget& parent) {
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
            return nullptr;
    }
    widget->setObjectName(ToQString(control.name));
    widget->setGeometry(PixelsFromTwips(control.left), PixelsFromTwips(control.top),
                        PixelsFromTwips(control.width), PixelsFromTwips(control.height));
    return widget;
}

}  // namespace linux_

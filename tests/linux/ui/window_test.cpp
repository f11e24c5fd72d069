// The Qt window as the layout builds it, under the offscreen platform: controls, lists, places,
// fonts and colours, keyboard navigation, refused values and which changes raise Click.
#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QFontDatabase>
#include <QFontInfo>
#include <QFontMetrics>
#include <QLabel>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QTest>
#include <QTimer>

#include "core/errors.h"
#include "platform/linux/main_window.h"
#include "tests/linux/ui/test_support.h"
#include "window/layout.h"

namespace {

QString Q(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

int Px(int twips) {
    return static_cast<int>(std::lround(twips / 15.0));
}

class Window : public testing::Test {
  protected:
    void SetUp() override {
        uitest::RemoveSettings();
        uitest::ClearMessageBoxes();
    }

    template <typename Widget>
    Widget& Get(std::string_view name) {
        auto* widget = qobject_cast<Widget*>(uitest::Control(window, name));
        EXPECT_NE(widget, nullptr) << name;
        return *widget;
    }

    void ShowActive() {
        window.show();
        window.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    }

    linux_::MainWindow window;
    // The lists and the volume bar as the handlers see them.
    linux_::ComboList comDevies{Get<QComboBox>("ComDevies")};
    linux_::ComboList comSounds{Get<QComboBox>("ComSounds")};
    linux_::ComboList diao{Get<QComboBox>("diao")};
    linux_::ScrollBar vol{Get<QScrollBar>("Vol")};
};

TEST_F(Window, HoldsEveryControlOfTheLayoutWithItsTextAndTheRunningTimer) {
    EXPECT_EQ(window.windowTitle(), QStringLiteral("Clavitap"));
    EXPECT_FALSE(window.windowIcon().isNull());
    int widgets = 0;
    for (const layout::Control& control : layout::kControls) {
        if (control.kind == layout::Kind::Timer) continue;
        ASSERT_NE(uitest::Control(window, control.name), nullptr) << control.name;
        ++widgets;
        if (auto* label = qobject_cast<QLabel*>(uitest::Control(window, control.name))) {
            EXPECT_EQ(label->text(), Q(control.text)) << control.name;
        }
    }
    EXPECT_EQ(widgets, 16);
    EXPECT_EQ(Get<QPlainTextEdit>("Text1").toPlainText(),
              QStringLiteral("* All settings will be saved after exited.\n \nas you like.\n"));
    const auto* timer1 = window.findChild<QTimer*>(QStringLiteral("Timer1"));
    ASSERT_NE(timer1, nullptr);
    EXPECT_TRUE(timer1->isActive());
    EXPECT_EQ(timer1->interval(), 50);
}

TEST_F(Window, ListsHoldTheInstrumentsAndTonesAndNothingIsSelectedAtCreation) {
    auto& instruments = Get<QComboBox>("ComSounds");
    ASSERT_EQ(instruments.count(), 128);
    for (int i = 0; i < 128; ++i) EXPECT_EQ(instruments.itemText(i), Q(layout::kInstruments[i]));
    EXPECT_EQ(instruments.itemText(5), QStringLiteral("E.piano 2"));
    EXPECT_EQ(instruments.itemText(62), QStringLiteral("Synth Br.1"));
    EXPECT_EQ(instruments.itemText(70), QStringLiteral("Basson"));
    EXPECT_EQ(instruments.itemText(87), QStringLiteral("Bass&Lead"));
    auto& tones = Get<QComboBox>("diao");
    ASSERT_EQ(tones.count(), 12);
    EXPECT_EQ(tones.itemText(0), QStringLiteral("C"));
    EXPECT_EQ(tones.itemText(11), QStringLiteral("B"));

    for (const char* name : {"ComDevies", "ComSounds", "diao"}) {
        EXPECT_FALSE(Get<QComboBox>(name).isEditable()) << name << " takes typed text";
    }
    EXPECT_EQ(comDevies.ListCount(), 0);
    EXPECT_EQ(comDevies.ListIndex(), -1);
    EXPECT_EQ(comSounds.ListIndex(), -1);
    EXPECT_EQ(diao.ListIndex(), -1);
    EXPECT_EQ(vol.Value(), 0);
    EXPECT_EQ(comSounds.ItemData(87), 0);

    // "Bass&Lead" keeps its ampersand on screen: a list entry is not a caption.
    comSounds.SetListIndex(87);
    EXPECT_EQ(instruments.currentText(), QStringLiteral("Bass&Lead"));
}

TEST_F(Window, AddingDevicesKeepsTheListWithoutSelection) {
    comDevies.AddItem("Built-in Synthesizer");
    comDevies.SetItemData(comDevies.NewIndex(), -1);
    comDevies.AddItem("Port 1");
    EXPECT_EQ(comDevies.NewIndex(), 1);
    EXPECT_EQ(comDevies.ListIndex(), -1);
    EXPECT_EQ(comDevies.ItemData(0), -1);
    EXPECT_EQ(comDevies.List(1), "Port 1");
    comDevies.Clear();
    EXPECT_EQ(comDevies.NewIndex(), -1);
    EXPECT_EQ(comDevies.ListCount(), 0);
}

TEST_F(Window, PlacesFixedControlsAtTheirLayoutRectanglesAndSizesAutoSizeLabelsByText) {
    for (const layout::Control& control : layout::kControls) {
        if (control.kind == layout::Kind::Timer) continue;
        const QWidget* widget = uitest::Control(window, control.name);
        EXPECT_EQ(widget->pos(), QPoint(Px(control.left), Px(control.top))) << control.name;
        if (control.autoSize) {
            // As wide as the caption; as tall as the face's Windows line, which may pass Qt's.
            EXPECT_EQ(widget->width(), widget->sizeHint().width()) << control.name;
            EXPECT_GE(widget->height(), widget->sizeHint().height()) << control.name;
        } else {
            EXPECT_EQ(widget->size(), QSize(Px(control.width), Px(control.height))) << control.name;
        }
    }
    // The access-key ampersand takes no room in an AutoSize caption.
    const auto& device = Get<QLabel>("Label1");
    EXPECT_LT(device.width(), QFontMetrics(device.font()).horizontalAdvance("&Device"));

    // The four links stand side by side without covering one another.
    const char* links[] = {"lblHide", "lblDonate", "lblHomepage", "lblFeedback"};
    for (int i = 0; i + 1 < 4; ++i) {
        EXPECT_LE(uitest::Control(window, links[i])->geometry().right(),
                  uitest::Control(window, links[i + 1])->x())
            << links[i] << " runs into " << links[i + 1];
    }
}

// Lines a text takes at `width` pixels.
int LineCount(const QFont& font, int width, const QString& text) {
    const QFontMetrics metrics(font);
    const int oneLine = metrics.boundingRect(QRect(0, 0, 100000, 1000), 0, text).height();
    const int wrapped =
        metrics.boundingRect(QRect(0, 0, width, 100000), Qt::TextWordWrap, text).height();
    return 1 + (wrapped - oneLine + metrics.lineSpacing() / 2) / metrics.lineSpacing();
}

TEST_F(Window, DescriptionWrapsOntoTwoLinesAndTheInformationLinesStayOnOne) {
    const auto& description = Get<QLabel>("Label7");
    EXPECT_TRUE(description.wordWrap());
    EXPECT_EQ(LineCount(description.font(), description.width(), description.text()), 2);
    const QRect wrapped = QFontMetrics(description.font())
                              .boundingRect(QRect(0, 0, description.width(), 1000),
                                            Qt::TextWordWrap, description.text());
    EXPECT_LE(wrapped.height(), description.height()) << "the second line is cut off";
    for (const char* name : {"Label8", "Label9"}) {
        const auto& label = Get<QLabel>(name);
        EXPECT_FALSE(label.wordWrap()) << name;
        EXPECT_EQ(LineCount(label.font(), label.width(), label.text()), 1) << name;
        // The fitted window ends 90 twips (6 pixels) right of the Feedback link.
        EXPECT_LE(label.geometry().right(),
                  uitest::Control(window, "lblFeedback")->geometry().right() + 6)
            << name << " is cut by the window";
    }
}

TEST_F(Window, UsesTheWindowFontBoldCaptionsAndTheLayoutsColours) {
    const QFont font = window.font();
    // Tahoma, or where it is missing an installed face that keeps the layout (checked by the
    // placement and wrapping tests), never a silent substitute.
    if (QFontDatabase::hasFamily(QStringLiteral("Tahoma"))) {
        EXPECT_EQ(font.family(), QStringLiteral("Tahoma"));
    }
    EXPECT_EQ(QFontInfo(font).family(), font.family());
    EXPECT_DOUBLE_EQ(font.pointSizeF(), 8.25);
    EXPECT_EQ(font.weight(), QFont::Normal);
    const QColor buttonText = window.palette().color(QPalette::ButtonText);
    for (const layout::Control& control : layout::kControls) {
        auto* label = qobject_cast<QLabel*>(uitest::Control(window, control.name));
        if (label == nullptr) continue;
        EXPECT_EQ(label->font().weight(),
                  control.font == layout::Font::Bold ? QFont::Bold : QFont::Normal)
            << control.name;
        EXPECT_FALSE(label->font().underline()) << control.name;
        const QColor text = label->palette().color(QPalette::WindowText);
        switch (control.color) {
            case layout::Color::Green:
                EXPECT_EQ(text, QColor(0, 128, 0)) << control.name;
                break;
            case layout::Color::Blue:
                EXPECT_EQ(text, QColor(0, 0, 255)) << control.name;
                break;
            case layout::Color::ButtonText:
                EXPECT_EQ(text, buttonText) << control.name;
                break;
        }
        if (control.kind == layout::Kind::LinkLabel) {
            // The pointing hand of the Windows build: 32 x 32, the hot spot on the fingertip's
            // black outline, the same image on all four links.
            const QCursor cursor = label->cursor();
            EXPECT_EQ(cursor.shape(), Qt::BitmapCursor) << control.name;
            EXPECT_EQ(cursor.hotSpot(), QPoint(12, 1)) << control.name;
            const QImage image = cursor.pixmap().toImage();
            EXPECT_EQ(image.size(), QSize(32, 32)) << control.name;
            EXPECT_EQ(image.pixelColor(12, 1), QColor(Qt::black)) << control.name;
            EXPECT_EQ(image.pixelColor(12, 0).alpha(), 0) << control.name;
            EXPECT_EQ(image, Get<QLabel>("lblHide").cursor().pixmap().toImage()) << control.name;
        } else {
            EXPECT_EQ(label->cursor().shape(), Qt::ArrowCursor) << control.name;
        }
        EXPECT_EQ(label->alignment(), Qt::AlignLeft | Qt::AlignTop) << control.name;
    }
}

TEST_F(Window, NotesBoxIsReadOnlyWithoutScrollBarsOrTabStop) {
    ShowActive();
    auto& notes = Get<QPlainTextEdit>("Text1");
    EXPECT_TRUE(notes.isReadOnly());
    EXPECT_EQ(notes.horizontalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);
    EXPECT_EQ(notes.verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);
    EXPECT_EQ(notes.frameShadow(), QFrame::Sunken);
    EXPECT_EQ(notes.palette().color(QPalette::Base), window.palette().color(QPalette::Button));

    const QString before = notes.toPlainText();
    QTest::mouseClick(notes.viewport(), Qt::LeftButton);
    EXPECT_TRUE(notes.hasFocus()) << "a click gives the notes the focus";
    QTest::keyClicks(&notes, "typed");
    QTest::keyClick(&notes, Qt::Key_Backspace);
    EXPECT_EQ(notes.toPlainText(), before);
    QTest::keyClick(&notes, Qt::Key_Tab);
    EXPECT_EQ(QApplication::focusWidget(), uitest::Control(window, "ComDevies"));
}

TEST_F(Window, TabAndShiftTabCycleOnlyAmongTheFourSettingsControls) {
    ShowActive();
    const char* order[] = {"ComDevies", "ComSounds", "Vol", "diao"};
    uitest::Control(window, "ComDevies")->setFocus();
    for (int step = 1; step <= 8; ++step) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        EXPECT_EQ(QApplication::focusWidget(), uitest::Control(window, order[step % 4]))
            << "Tab " << step;
    }
    for (int step = 1; step <= 8; ++step) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backtab, Qt::ShiftModifier);
        EXPECT_EQ(QApplication::focusWidget(), uitest::Control(window, order[(8 - step) % 4]))
            << "Shift+Tab " << step;
    }
}

TEST_F(Window, AccessKeysOfTheCaptionsFocusTheirControls) {
    ShowActive();
    const std::pair<Qt::Key, const char*> keys[] = {{Qt::Key_T, "diao"},
                                                    {Qt::Key_D, "ComDevies"},
                                                    {Qt::Key_V, "Vol"},
                                                    {Qt::Key_I, "ComSounds"}};
    for (const auto& [key, name] : keys) {
        QTest::keyClick(&window, key, Qt::AltModifier);
        EXPECT_EQ(QApplication::focusWidget(), uitest::Control(window, name)) << name;
    }
}

TEST_F(Window, RefusesOutOfRangeSelectionsAndLeavesTheControlAsItWas) {
    comSounds.SetListIndex(127);
    diao.SetListIndex(3);
    vol.SetValue(100);
    EXPECT_THROW(comSounds.SetListIndex(128), InvalidPropertyValue);
    EXPECT_THROW(comSounds.SetListIndex(-2), InvalidPropertyValue);
    EXPECT_THROW(diao.SetListIndex(12), InvalidPropertyValue);
    EXPECT_THROW(comDevies.SetListIndex(0), InvalidPropertyValue);
    EXPECT_THROW(vol.SetValue(101), InvalidPropertyValue);
    EXPECT_THROW(vol.SetValue(-1), InvalidPropertyValue);
    EXPECT_THROW(static_cast<void>(comSounds.ItemData(128)), InvalidPropertyValue);
    EXPECT_EQ(comSounds.ListIndex(), 127);
    EXPECT_EQ(diao.ListIndex(), 3);
    EXPECT_EQ(vol.Value(), 100);
    comDevies.SetListIndex(-1);
    diao.SetListIndex(-1);
    EXPECT_EQ(diao.ListIndex(), -1);
}

TEST_F(Window, VolumeBarRunsFromZeroToHundredInStepsOfOne) {
    ShowActive();
    auto& bar = Get<QScrollBar>("Vol");
    EXPECT_EQ(bar.orientation(), Qt::Horizontal);
    EXPECT_EQ(bar.minimum(), 0);
    EXPECT_EQ(bar.maximum(), 100);
    vol.SetValue(50);
    bar.setFocus();
    QTest::keyClick(&bar, Qt::Key_Right);
    EXPECT_EQ(vol.Value(), 51);
    QTest::keyClick(&bar, Qt::Key_PageDown);
    EXPECT_EQ(vol.Value(), 52);
}

// With no MIDI port open every instrument send fails and shows a box, and opening a device id
// that does not exist fails and shows a box: the boxes show whether a Click ran.
TEST_F(Window, OnlyTheUsersPickRaisesClick) {
    ShowActive();
    comSounds.SetListIndex(3);
    comDevies.AddItem("No such device");
    comDevies.SetItemData(0, 9999);
    comDevies.AddItem("Another missing device");
    comDevies.SetItemData(1, 9998);
    comDevies.SetListIndex(0);
    QTest::qWait(100);
    EXPECT_TRUE(uitest::MessageBoxes().isEmpty()) << "selecting from code raised Click";

    uitest::Control(window, "ComSounds")->setFocus();
    QTest::keyClick(uitest::Control(window, "ComSounds"), Qt::Key_Down);
    EXPECT_EQ(comSounds.ListIndex(), 4);
    ASSERT_TRUE(uitest::WaitFor([] { return !uitest::MessageBoxes().isEmpty(); }));
    const auto afterInstrument = uitest::MessageBoxes().size();

    uitest::Control(window, "ComDevies")->setFocus();
    QTest::keyClick(uitest::Control(window, "ComDevies"), Qt::Key_Down);
    EXPECT_EQ(comDevies.ListIndex(), 1);
    EXPECT_TRUE(uitest::WaitFor([&] { return uitest::MessageBoxes().size() > afterInstrument; }));
}

TEST_F(Window, AFailingHandlerNeverLeavesTheEventLoop) {
    ShowActive();
    // A device id beyond an Integer makes the device action raise an overflow.
    comDevies.AddItem("a");
    comDevies.AddItem("b");
    comDevies.SetItemData(1, 70000);
    uitest::Control(window, "ComDevies")->setFocus();
    QTest::keyClick(uitest::Control(window, "ComDevies"), Qt::Key_Down);
    QTest::keyClick(uitest::Control(window, "ComDevies"), Qt::Key_Down);
    EXPECT_EQ(comDevies.ListIndex(), 1);
    EXPECT_TRUE(window.isVisible());
}

TEST_F(Window, FitsItsClientAreaToTheLinkRowAndSpringsBack) {
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    const QWidget* hide = uitest::Control(window, "lblHide");
    const QWidget* feedback = uitest::Control(window, "lblFeedback");
    const QSize fitted(feedback->geometry().right() + 1 + 6, hide->geometry().bottom() + 1 + 6);
    EXPECT_EQ(window.size(), fitted);
    EXPECT_DOUBLE_EQ(window.ScaleHeight(), (hide->y() + hide->height()) * 15.0 + 90.0);

    window.resize(500, 400);
    EXPECT_TRUE(uitest::WaitFor([&] { return window.size() == fitted; }));

    window.showMinimized();
    ASSERT_TRUE(uitest::WaitFor([&] { return window.isMinimized(); }));
    EXPECT_THROW(window.SetHeight(9000), InvalidPropertyValue);
    EXPECT_THROW(window.SetWidth(9000), InvalidPropertyValue);
    window.showNormal();
    EXPECT_TRUE(uitest::WaitFor([&] { return !window.isMinimized(); }));
    EXPECT_EQ(window.size(), fitted);
}

TEST_F(Window, OnlyLeftAndRightButtonReleasesFromTheTrayRestore) {
    window.show();
    const std::pair<Long, bool> messages[] = {{513, false}, {515, false}, {520, false},
                                              {512, false}, {514, true},  {517, true}};
    for (const auto& [mouseMessage, restores] : messages) {
        window.Hide();
        window.PostCallbackMessage(512, mouseMessage);
        QTest::qWait(30);
        EXPECT_EQ(window.isVisible(), restores) << "mouse message " << mouseMessage;
    }
    window.Hide();
    window.PostCallbackMessage(513, 514);  // not the callback message the window asked for
    QTest::qWait(30);
    EXPECT_FALSE(window.isVisible());
}

TEST_F(Window, ClosingRunsUnloadOnceSavesTheChoicesAndStopsTheTimer) {
    int unloaded = 0;
    window.SetOnUnloaded([&] { ++unloaded; });
    window.Handlers().Form_Load();
    window.show();
    vol.SetValue(77);
    diao.SetListIndex(2);
    comSounds.SetListIndex(87);
    window.close();
    window.close();
    EXPECT_EQ(unloaded, 1);
    EXPECT_FALSE(window.findChild<QTimer*>(QStringLiteral("Timer1"))->isActive());
    // The first device, when one is listed; none listed, the absent key stays absent.
    const std::string devies = comDevies.ListCount() > 0 ? "Devies=0\n" : "";
    EXPECT_EQ(uitest::ReadTextFile(uitest::ConfigFile()).toStdString(),
              "[Value]\n" + devies + "Stage=2\nTools=87\nVol=77\n");
}

}  // namespace

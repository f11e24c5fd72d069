// The window on a real X server (Xvfb, started by x_session.sh): the tray icon embedded by a
// real tray host and clicked with real pointer events, the link launcher starting processes, and
// the window fitting itself under a real window manager. The checks read X's own view of the
// windows (xwininfo), not only Qt's.
#include <gtest/gtest.h>

#include <QApplication>
#include <QFile>
#include <QRegularExpression>
#include <QResizeEvent>
#include <QSystemTrayIcon>
#include <QTemporaryDir>
#include <QTest>
#include <algorithm>
#include <functional>
#include <vector>

#include "platform/linux/main_window.h"
#include "tests/linux/ui/test_support.h"
#include "window/links.h"

namespace {

using uitest::Run;
using uitest::WaitFor;

QString Hex(WId id) {
    return QStringLiteral("0x%1").arg(id, 0, 16);
}

QString WindowInfo(WId id) {
    return Run(QStringLiteral("xwininfo"), {QStringLiteral("-id"), Hex(id)});
}

QString MapState(WId id) {
    const auto match =
        QRegularExpression(QStringLiteral("Map State: (\\w+)")).match(WindowInfo(id));
    return match.captured(1);
}

// A window's place on the screen as the X server has it.
QRect XGeometry(WId id) {
    const QString info = WindowInfo(id);
    const auto field = [&](const char* name) {
        return QRegularExpression(QStringLiteral("\\n\\s*%1:\\s*(-?\\d+)").arg(QLatin1String(name)))
            .match(info)
            .captured(1)
            .toInt();
    };
    return {field("Absolute upper-left X"), field("Absolute upper-left Y"), field("Width"),
            field("Height")};
}

QSize XClientSize(WId id) {
    return XGeometry(id).size();
}

bool IsEmbedded(WId id) {
    const QString tree = Run(QStringLiteral("xwininfo"),
                             {QStringLiteral("-children"), QStringLiteral("-id"), Hex(id)});
    const auto root =
        QRegularExpression(QStringLiteral("Root window id: (0x[0-9a-f]+)")).match(tree);
    const auto parent =
        QRegularExpression(QStringLiteral("Parent window id: (0x[0-9a-f]+)")).match(tree);
    return root.hasMatch() && parent.hasMatch() && root.captured(1) != parent.captured(1);
}

void Xdotool(const QStringList& arguments) {
    Run(QStringLiteral("xdotool"), arguments);
}

// No --sync: xdotool would wait forever for a pointer that is already there. XTest events reach
// the server in order, so the move lands before the click anyway.
void ClickAt(QPoint at, int button) {
    Xdotool({QStringLiteral("mousemove"), QString::number(at.x()), QString::number(at.y()),
             QStringLiteral("click"), QString::number(button)});
}

void Click(const QWidget* widget, int button = 1) {
    ClickAt(widget->mapToGlobal(widget->rect().center()), button);
}

// Qt's window for a tray icon, while one exists.
QWidget* TrayIconWindow() {
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        if (QByteArray(widget->metaObject()->className()) == "QSystemTrayIconSys") return widget;
    }
    return nullptr;
}

void ShowMapped(linux_::MainWindow& window) {
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    ASSERT_TRUE(WaitFor([&] { return MapState(window.winId()) == "IsViewable"; }));
}

TEST(Tray, HidingEmbedsTheIconAndALeftOrRightReleaseOnItBringsTheWindowBack) {
    ASSERT_TRUE(WaitFor([] { return QSystemTrayIcon::isSystemTrayAvailable(); }, 10000))
        << "the tray host did not start";
    uitest::ClearMessageBoxes();
    linux_::MainWindow window;
    ShowMapped(window);

    for (int button : {1, 3}) {
        SCOPED_TRACE("restoring with button " + std::to_string(button));
        Click(uitest::Control(window, "lblHide"));
        ASSERT_TRUE(WaitFor([&] { return MapState(window.winId()) == "IsUnMapped"; }));
        ASSERT_TRUE(WaitFor([] {
            return TrayIconWindow() && IsEmbedded(TrayIconWindow()->winId());
        })) << "the icon was not embedded in the tray";
        auto* icon = window.findChild<QSystemTrayIcon*>();
        ASSERT_NE(icon, nullptr);
        EXPECT_EQ(icon->toolTip(), QStringLiteral("Clavitap"));
        // The tray host places the icon after embedding it: wait until it has settled.
        QRect placed;
        ASSERT_TRUE(WaitFor([&] {
            const QRect before = XGeometry(TrayIconWindow()->winId());
            QTest::qWait(200);
            placed = XGeometry(TrayIconWindow()->winId());
            return placed == before && placed.topLeft() != QPoint(0, 0);
        })) << uitest::Run(QStringLiteral("xwininfo"),
                           {QStringLiteral("-root"), QStringLiteral("-tree")})
                   .toStdString();
        const QPoint iconCentre = placed.center();

        if (button == 1) {
            ClickAt(iconCentre, 2);  // a middle click does nothing
            QTest::qWait(300);
            EXPECT_EQ(MapState(window.winId()), "IsUnMapped");
        }
        // The press alone does nothing; the release brings the window back.
        const QString buttonName = QString::number(button);
        Xdotool({QStringLiteral("mousemove"), QString::number(iconCentre.x()),
                 QString::number(iconCentre.y()), QStringLiteral("mousedown"), buttonName});
        QTest::qWait(500);
        EXPECT_EQ(MapState(window.winId()), "IsUnMapped") << "a press restored the window";
        Xdotool({QStringLiteral("mouseup"), buttonName});
        EXPECT_TRUE(WaitFor([&] { return MapState(window.winId()) == "IsViewable"; }));
        EXPECT_TRUE(WaitFor([] { return TrayIconWindow() == nullptr; }))
            << "the icon stayed in the tray";
    }
    EXPECT_TRUE(uitest::MessageBoxes().isEmpty());
    window.close();
}

TEST(NoTray, TheWindowStaysShownAndTheUserIsToldOnceWhy) {
    ASSERT_FALSE(QSystemTrayIcon::isSystemTrayAvailable());
    uitest::ClearMessageBoxes();
    linux_::MainWindow window;
    ShowMapped(window);

    Click(uitest::Control(window, "lblHide"));
    ASSERT_TRUE(WaitFor([] { return uitest::MessageBoxes().size() == 1; }));
    EXPECT_TRUE(uitest::MessageBoxes().value(0).contains(QStringLiteral("notification area")));
    QTest::qWait(300);
    EXPECT_EQ(MapState(window.winId()), "IsViewable");

    Click(uitest::Control(window, "lblHide"));
    QTest::qWait(500);
    EXPECT_EQ(MapState(window.winId()), "IsViewable");
    EXPECT_EQ(uitest::MessageBoxes().size(), 1) << "told more than once";
    EXPECT_EQ(TrayIconWindow(), nullptr);
}

TEST(Links, EachClickStartsExactlyOneXdgOpenWithItsTarget) {
    // A recording xdg-open first on PATH stands in for the desktop's handler.
    QTemporaryDir bin;
    const QString record = bin.path() + QStringLiteral("/started.txt");
    QFile script(bin.path() + QStringLiteral("/xdg-open"));
    ASSERT_TRUE(script.open(QIODevice::WriteOnly));
    script.write(QStringLiteral("#!/bin/sh\nprintf '%s\\n' \"$*\" >> '%1'\n").arg(record).toUtf8());
    script.close();
    script.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    qputenv("PATH", (bin.path() + QStringLiteral(":") + qEnvironmentVariable("PATH")).toUtf8());

    linux_::MainWindow window;
    ShowMapped(window);
    const auto started = [&] {
        return uitest::ReadTextFile(record).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    };
    Click(uitest::Control(window, "lblDonate"));
    ASSERT_TRUE(WaitFor([&] { return started().size() == 1; }));
    Click(uitest::Control(window, "lblFeedback"));
    ASSERT_TRUE(WaitFor([&] { return started().size() == 2; }));
    for (int i = 0; i < 3; ++i) Click(uitest::Control(window, "lblHomepage"));
    ASSERT_TRUE(WaitFor([&] { return started().size() == 5; }));
    QTest::qWait(500);

    const auto q = [](std::string_view text) {
        return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
    };
    EXPECT_EQ(started(), QStringList({q(links::kDonate), q(links::kFeedback), q(links::kHomepage),
                                      q(links::kHomepage), q(links::kHomepage)}));
    window.close();
}

// Records the sizes the window is given, to tell a resize that sprang back from none at all.
class SizeRecorder final : public QObject {
  public:
    explicit SizeRecorder(QWidget& widget) { widget.installEventFilter(this); }
    bool Saw(const std::function<bool(QSize)>& test) const {
        return std::any_of(sizes_.begin(), sizes_.end(), test);
    }
    void Clear() { sizes_.clear(); }

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Resize)
            sizes_.push_back(static_cast<QResizeEvent*>(event)->size());
        return QObject::eventFilter(watched, event);
    }

  private:
    std::vector<QSize> sizes_;
};

int FrameExtent(WId id, int index) {
    const QString extents =
        uitest::Run(QStringLiteral("xprop"),
                    {QStringLiteral("-id"), Hex(id), QStringLiteral("_NET_FRAME_EXTENTS")});
    return extents.section(QLatin1Char('='), 1)
        .split(QLatin1Char(','))
        .value(index)
        .trimmed()
        .toInt();
}

TEST(Fitting, UnderAWindowManagerTheClientAreaFitsTheLinkRowAndSpringsBack) {
    linux_::MainWindow window;
    SizeRecorder sizes(window);
    ShowMapped(window);
    ASSERT_TRUE(WaitFor([&] { return window.frameGeometry().height() > window.height(); }))
        << "no window manager frame";
    const QWidget* hide = uitest::Control(window, "lblHide");
    const QWidget* feedback = uitest::Control(window, "lblFeedback");
    const QSize fitted(feedback->x() + feedback->width() + 6, hide->y() + hide->height() + 6);
    const WId id = window.winId();
    const auto isFitted = [&] { return window.size() == fitted && XClientSize(id) == fitted; };
    ASSERT_TRUE(WaitFor(isFitted))
        << "client " << XClientSize(id).width() << "x" << XClientSize(id).height();
    EXPECT_GT(window.Height() - window.ScaleHeight(), 0.0f);

    // A resize asked for by another program: the window takes it, then fits itself again.
    sizes.Clear();
    Xdotool({QStringLiteral("windowsize"), Hex(id), QStringLiteral("600"), QStringLiteral("450")});
    EXPECT_TRUE(WaitFor([&] { return sizes.Saw([](QSize size) { return size.width() > 500; }); }))
        << "the window manager never applied the resize";
    EXPECT_TRUE(WaitFor(isFitted)) << "after windowsize";

    // A user's drag of the frame's bottom-right grip.
    sizes.Clear();
    const QRect client = XGeometry(id);
    const QPoint grip(client.right() - 4, client.bottom() + 1 + FrameExtent(id, 3) / 2);
    Xdotool({QStringLiteral("mousemove"),
             QString::number(grip.x()),
             QString::number(grip.y()),
             QStringLiteral("sleep"),
             QStringLiteral("0.2"),
             QStringLiteral("mousedown"),
             QStringLiteral("1"),
             QStringLiteral("sleep"),
             QStringLiteral("0.2"),
             QStringLiteral("mousemove"),
             QString::number(grip.x() + 40),
             QString::number(grip.y() + 30),
             QStringLiteral("sleep"),
             QStringLiteral("0.2"),
             QStringLiteral("mousemove"),
             QString::number(grip.x() + 80),
             QString::number(grip.y() + 60),
             QStringLiteral("sleep"),
             QStringLiteral("0.2"),
             QStringLiteral("mouseup"),
             QStringLiteral("1")});
    EXPECT_TRUE(WaitFor([&] { return sizes.Saw([&](QSize size) { return size != fitted; }); }))
        << "the drag did not reach the window";
    EXPECT_TRUE(WaitFor(isFitted)) << "after a drag";

    Xdotool({QStringLiteral("windowminimize"), QStringLiteral("--sync"), Hex(id)});
    ASSERT_TRUE(WaitFor([&] { return window.isMinimized(); }));
    EXPECT_EQ(window.size(), fitted);
    Xdotool({QStringLiteral("windowactivate"), Hex(id)});
    ASSERT_TRUE(WaitFor([&] { return !window.isMinimized() && MapState(id) == "IsViewable"; }));
    EXPECT_TRUE(WaitFor(isFitted)) << "after minimising and restoring";
    window.close();
}

}  // namespace

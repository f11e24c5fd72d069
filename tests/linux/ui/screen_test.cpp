// The window as it reaches the screen, read back from the display server's own screenshot: on a
// Wayland compositor (weston, at 100 %) and on X at 150 % and 200 % (hidpi_runs.sh: one run per
// scale). The screenshot must hold the window's own rendering pixel for pixel, the rendering
// must be the layout scaled as a whole, no caption may be cut off, and the fitted client area
// must be the fitted size scaled, to the pixel rounding.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QPainter>
#include <QProcess>
#include <QRegularExpression>
#include <QStyle>
#include <QTemporaryDir>
#include <QTest>
#include <cmath>

#include "platform/linux/main_window.h"
#include "tests/linux/ui/test_support.h"
#include "tests/support/window_pixels.h"

namespace {

using uitest::WaitFor;

const QColor kLinkBlue(0, 0, 255);

// Mostly the links' blue or the notices' green, after the text's antialiasing.
bool IsBluish(QRgb pixel) {
    return qBlue(pixel) > 200 && qRed(pixel) < 100 && qGreen(pixel) < 100;
}
bool IsGreenish(QRgb pixel) {
    return qGreen(pixel) > 90 && qRed(pixel) < 80 && qBlue(pixel) < 80;
}

QRect InkBox(const QImage& image, bool (*matches)(QRgb)) {
    QRect box;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            if (matches(image.pixel(x, y))) box |= QRect(x, y, 1, 1);
        }
    }
    return box;
}

// The smallest rectangle holding every pixel of exactly `color`.
QRect InkBox(const QImage& image, const QColor& color, const QRect& within) {
    const QRgb wanted = color.rgb();
    QRect box;
    for (int y = within.top(); y <= within.bottom(); ++y) {
        for (int x = within.left(); x <= within.right(); ++x) {
            if ((image.pixel(x, y) | 0xff000000u) == wanted) box |= QRect(x, y, 1, 1);
        }
    }
    return box;
}

QRect InkBox(const QImage& image, const QColor& color) {
    return InkBox(image, color, image.rect());
}

// The whole screen as the display server composes it. Kept in CLAVITAP_TEST_SCREENSHOTS, when
// set, for a person to look at.
QImage Screenshot(const QString& name) {
    QTemporaryDir folder;
    QString file;
    if (QGuiApplication::platformName() == QStringLiteral("wayland")) {
        QProcess shooter;
        shooter.setWorkingDirectory(folder.path());
        shooter.start(QStringLiteral("weston-screenshooter"), {});
        shooter.waitForFinished(10000);
        const QStringList shots =
            QDir(folder.path()).entryList({QStringLiteral("wayland-screenshot-*.png")});
        if (!shots.isEmpty()) file = folder.path() + QLatin1Char('/') + shots.first();
    } else {
        file = folder.path() + QStringLiteral("/screen.png");
        uitest::Run(QStringLiteral("import"),
                    {QStringLiteral("-window"), QStringLiteral("root"), file});
    }
    const QString keep = qEnvironmentVariable("CLAVITAP_TEST_SCREENSHOTS");
    if (!keep.isEmpty()) QFile::copy(file, keep + QLatin1Char('/') + name + QStringLiteral(".png"));
    return QImage(file).convertToFormat(QImage::Format_RGB32);
}

// Ink outside `label`'s rectangle when its caption is drawn without clipping, as the label draws
// it, at the screen's scale: a caption that does not fit its label.
int InkOutside(const QLabel& label, double scale) {
    constexpr int kRoom = 40;
    const QSize logical = label.size() + QSize(kRoom, kRoom);
    QImage canvas((QSizeF(logical) * scale).toSize(), QImage::Format_RGB32);
    canvas.setDevicePixelRatio(scale);
    canvas.fill(Qt::white);
    QPainter painter(&canvas);
    painter.setFont(label.font());
    int flags = static_cast<int>(label.alignment()) | Qt::TextShowMnemonic | Qt::TextDontClip;
    if (label.wordWrap()) flags |= Qt::TextWordWrap;
    label.style()->drawItemText(&painter, label.rect(), flags, label.palette(), true, label.text(),
                                QPalette::WindowText);
    painter.end();
    const QRect inside(0, 0, static_cast<int>(std::lround(label.width() * scale)),
                       static_cast<int>(std::lround(label.height() * scale)));
    int outside = 0;
    for (int y = 0; y < canvas.height(); ++y) {
        for (int x = 0; x < canvas.width(); ++x) {
            outside += !inside.contains(x, y) && canvas.pixel(x, y) != 0xffffffffu;
        }
    }
    return outside;
}

class Screen : public testing::Test {
  protected:
    void SetUp() override {
        uitest::RemoveSettings();
        window.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
        QTest::qWait(500);
        scale = window.devicePixelRatioF();
    }

    // Waits (5 s at most) until the screen shows the window's own rendering pixel for pixel,
    // found by the link row's blue, as far as the display server's window of `shown` device
    // pixels holds it; the window manager's first moves and focus changes may still be on their
    // way.
    void ExpectRenderingOnScreen(QSize shown = {}) {
        int differing = -1;
        const QString name =
            QStringLiteral("%1-%2").arg(QGuiApplication::platformName()).arg(scale * 100);
        for (int attempt = 0; attempt < 10 && differing != 0; ++attempt) {
            if (attempt > 0) QTest::qWait(500);
            rendering = window.grab().toImage().convertToFormat(QImage::Format_RGB32);
            screen = Screenshot(name);
            ASSERT_FALSE(screen.isNull()) << "no screenshot";
            const QRect ownLinks = InkBox(rendering, kLinkBlue);
            const QRect screenLinks = InkBox(screen, kLinkBlue);
            ASSERT_FALSE(ownLinks.isEmpty());
            const QPoint origin = screenLinks.topLeft() - ownLinks.topLeft();
            if (screenLinks.size() != ownLinks.size() ||
                !screen.rect().contains(QRect(origin, rendering.size()))) {
                continue;
            }
            const QRect compared =
                shown.isEmpty() ? rendering.rect() : rendering.rect() & QRect(QPoint(), shown);
            differing = 0;
            for (int y = 0; y < compared.height(); ++y) {
                for (int x = 0; x < compared.width(); ++x) {
                    differing += rendering.pixel(x, y) != screen.pixel(origin + QPoint(x, y));
                }
            }
        }
        EXPECT_EQ(differing, 0) << "pixels of the window's " << rendering.width() << " x "
                                << rendering.height() << " differ on screen (-1: not found whole)";
    }

    linux_::MainWindow window;
    QImage rendering;
    QImage screen;
    double scale = 1;
};

TEST_F(Screen, WaylandWindowIsNativeAndShowsItsLayout) {
    ASSERT_EQ(QGuiApplication::platformName(), QStringLiteral("wayland"));
    EXPECT_TRUE(uitest::ReadTextFile(QStringLiteral("/proc/self/maps"))
                    .contains(QStringLiteral("libwayland-client")));
    ExpectRenderingOnScreen();
}

TEST_F(Screen, ScaledLayoutKeepsItsShapeAndCaptionsWhole) {
    ASSERT_GT(scale, 1.0) << "run with QT_SCALE_FACTOR above 1";

    // The client area, as X has it, is the fitted size scaled, to the pixel rounding, and shows
    // the window's rendering.
    const QWidget* hide = uitest::Control(window, "lblHide");
    const QWidget* feedback = uitest::Control(window, "lblFeedback");
    const QSize fitted(feedback->x() + feedback->width() + 6, hide->y() + hide->height() + 6);
    EXPECT_EQ(window.size(), fitted);
    const QString info = uitest::Run(QStringLiteral("xwininfo"),
                                     {QStringLiteral("-id"), QString::number(window.winId())});
    const auto field = [&](const char* name) {
        return QRegularExpression(QStringLiteral("\\n\\s*%1:\\s*(\\d+)").arg(QLatin1String(name)))
            .match(info)
            .captured(1)
            .toInt();
    };
    EXPECT_NEAR(field("Width"), fitted.width() * scale, 1.0);
    EXPECT_NEAR(field("Height"), fitted.height() * scale, 1.0);
    ExpectRenderingOnScreen(QSize(field("Width"), field("Height")));

    // The whole layout scales: the link row and the green notices sit where the window drawn at
    // 100 % has them, times the scale, within the text's own rounding at the larger size.
    QImage unscaled(window.size(), QImage::Format_RGB32);
    window.render(&unscaled);
    for (const auto& [name, matches] : {std::pair{"links", &IsBluish}, {"notices", &IsGreenish}}) {
        const QRect small = InkBox(unscaled, matches);
        const QRect large = InkBox(rendering, matches);
        const QRectF expected(QPointF(small.topLeft()) * scale, QSizeF(small.size()) * scale);
        const double slack = 2.0 + 0.02 * expected.width();
        EXPECT_NEAR(large.left(), expected.left(), slack) << name;
        EXPECT_NEAR(large.top(), expected.top(), 2.0) << name;
        EXPECT_NEAR(large.x() + large.width(), expected.right(), slack) << name;
        EXPECT_NEAR(large.y() + large.height(), expected.bottom(), 2.0) << name;
    }

    for (const QLabel* label : window.findChildren<QLabel*>()) {
        EXPECT_EQ(InkOutside(*label, scale), 0)
            << label->objectName().toStdString() << " is cut off";
    }
}

look::Pixels PixelsOf(const QImage& image) {
    look::Pixels pixels{image.width(), image.height(), {}};
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) pixels.rgb.push_back(image.pixel(x, y) & 0xffffff);
    }
    return pixels;
}

// At every scale (X at 100, 150 and 200 %, weston at 100 %): the links keep the layout's gaps,
// the window fits, the separators are equally thick and cross it, bold captions are bold.
TEST_F(Screen, LooksAsLaidOutAtThisScale) {
    // The display server's window holds the client area's device pixels, to its rounding.
    QSize shown = (QSizeF(window.size()) * scale).toSize();
    if (QGuiApplication::platformName() == QStringLiteral("xcb")) {
        const QString info = uitest::Run(QStringLiteral("xwininfo"),
                                         {QStringLiteral("-id"), QString::number(window.winId())});
        const auto field = [&](const char* name) {
            return QRegularExpression(
                       QStringLiteral("\\n\\s*%1:\\s*(\\d+)").arg(QLatin1String(name)))
                .match(info)
                .captured(1)
                .toInt();
        };
        shown = QSize(field("Width"), field("Height"));
    }
    ExpectRenderingOnScreen(shown);
    const look::Pixels pixels = PixelsOf(rendering.copy(QRect(QPoint(), shown)));
    const auto device = [&](double logical) {
        return static_cast<int>(std::lround(logical * scale));
    };
    const auto deviceRect = [&](const QRect& r) {
        return look::Box{device(r.left()), device(r.top()), device(r.left() + r.width()),
                         device(r.top() + r.height())};
    };

    const char* links[] = {"lblHide", "lblDonate", "lblHomepage", "lblFeedback"};
    const QWidget* hide = uitest::Control(window, "lblHide");
    const look::Box row = deviceRect(hide->geometry());
    for (int i = 0; i + 1 < 4; ++i) {
        const QRect left = uitest::Control(window, links[i])->geometry();
        const QRect right = uitest::Control(window, links[i + 1])->geometry();
        EXPECT_GE(right.left() - (left.left() + left.width()), 6) << links[i];
        EXPECT_GE(
            look::InkGapAt(pixels, {0, row.top, pixels.width, row.bottom}, device(right.left())),
            static_cast<int>(6 * scale))
            << links[i] << " at " << scale * 100 << " %";
    }

    const QWidget* feedback = uitest::Control(window, "lblFeedback");
    EXPECT_EQ(window.size(),
              QSize(feedback->x() + feedback->width() + 6, hide->y() + hide->height() + 6));

    const std::uint32_t lineColour = window.palette().color(QPalette::WindowText).rgb() & 0xffffff;
    for (int x : {0, pixels.width - 1}) {
        const std::vector<int> runs = look::RunsInColumn(pixels, x, lineColour);
        ASSERT_EQ(runs.size(), 3u) << "column " << x << " at " << scale * 100 << " %";
        EXPECT_EQ(runs[0], runs[1]) << scale * 100 << " %";
        EXPECT_EQ(runs[1], runs[2]) << scale * 100 << " %";
    }

    const std::uint32_t face = window.palette().color(QPalette::Button).rgb() & 0xffffff;
    const look::Box description = deviceRect(uitest::Control(window, "Label7")->geometry());
    look::Box notes = deviceRect(uitest::Control(window, "Text1")->geometry());
    const int frame = device(3);
    notes = {notes.left + frame, notes.top + frame, notes.right - frame, notes.bottom - frame};
    const double bold = look::StrokeWidth(pixels, description, face);
    const double regular = look::StrokeWidth(pixels, notes, face);
    EXPECT_GT(bold, regular * 1.2)
        << "bold " << bold << ", regular " << regular << " at " << scale * 100 << " %";
}

}  // namespace

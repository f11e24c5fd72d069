// The tray icon on a StatusNotifierItem (D-Bus) tray, the kind KDE Plasma, GNOME's AppIndicator
// extension and XFCE run, here on a Wayland compositor: a real watcher (sni_watcher.py) on a
// private session bus takes the item's registration, and this test plays the host, reading the
// item's properties and calling it as a panel does when the user clicks.
#include <gtest/gtest.h>

#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCall>
#include <QDBusVariant>
#include <QImage>
#include <QSystemTrayIcon>
#include <QTest>
#include <QtEndian>

#include "platform/linux/main_window.h"
#include "tests/linux/ui/test_support.h"

namespace {

using uitest::WaitFor;

const QString kItemInterface = QStringLiteral("org.kde.StatusNotifierItem");

// The item lives in this process: its calls are answered from the event loop, which runs while
// the reply is awaited.
QDBusMessage CallAndWait(const QDBusMessage& call) {
    QDBusPendingCall pending = QDBusConnection::sessionBus().asyncCall(call);
    WaitFor([&] { return pending.isFinished(); }, 10000);
    return pending.reply();
}

QVariant Property(const QString& service, const QString& path, const QString& interface,
                  const QString& name) {
    QDBusMessage get = QDBusMessage::createMethodCall(
        service, path, QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("Get"));
    get << interface << name;
    const QDBusMessage reply = CallAndWait(get);
    if (reply.type() != QDBusMessage::ReplyMessage) return {};
    return reply.arguments().value(0).value<QDBusVariant>().variant();
}

// The items the watcher holds, as "service/path".
QStringList RegisteredItems() {
    return Property(QStringLiteral("org.kde.StatusNotifierWatcher"),
                    QStringLiteral("/StatusNotifierWatcher"),
                    QStringLiteral("org.kde.StatusNotifierWatcher"),
                    QStringLiteral("RegisteredStatusNotifierItems"))
        .toStringList();
}

// The images of an a(iiay) value: width, height and ARGB32 pixels in network byte order.
std::vector<QImage> Images(const QDBusArgument& argument) {
    std::vector<QImage> images;
    argument.beginArray();
    while (!argument.atEnd()) {
        int width = 0;
        int height = 0;
        QByteArray pixels;
        argument.beginStructure();
        argument >> width >> height >> pixels;
        argument.endStructure();
        QImage image(width, height, QImage::Format_ARGB32);
        if (pixels.size() != width * height * 4) continue;
        for (int y = 0; y < height; ++y) {
            for (int x = 0; x < width; ++x) {
                image.setPixel(x, y,
                               qFromBigEndian<quint32>(pixels.constData() + 4 * (y * width + x)));
            }
        }
        images.push_back(image);
    }
    argument.endArray();
    return images;
}

// The program's icon as drawn at `size` pixels, premultiplied: the host gets straight alpha,
// which differs from it only by rounding where the icon is nearly transparent.
QImage DrawnIcon(int size) {
    return QImage(QStringLiteral(":/clavitap/clavitap-%1.png").arg(size))
        .convertToFormat(QImage::Format_ARGB32_Premultiplied);
}

bool SameWithinRounding(const QImage& straight, const QImage& premultiplied) {
    const QImage image = straight.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    if (image.size() != premultiplied.size()) return false;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const QRgb a = image.pixel(x, y);
            const QRgb b = premultiplied.pixel(x, y);
            for (int shift : {0, 8, 16, 24}) {
                if (std::abs(int((a >> shift) & 0xff) - int((b >> shift) & 0xff)) > 1) return false;
            }
        }
    }
    return true;
}

class DBusTray : public testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(WaitFor([] { return QSystemTrayIcon::isSystemTrayAvailable(); }))
            << "the watcher on the session bus was not found";
        window.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    }

    // Hides the window with its tray label; returns the item's service and path.
    std::pair<QString, QString> HideToTray() {
        QTest::mouseClick(uitest::Control(window, "lblHide"), Qt::LeftButton);
        EXPECT_TRUE(WaitFor([&] { return !window.isVisible(); }));
        EXPECT_TRUE(WaitFor([] { return RegisteredItems().size() == 1; }))
            << "the item did not register";
        const QString item = RegisteredItems().value(0);
        const auto slash = item.indexOf(QLatin1Char('/'));
        return {item.left(slash), item.mid(slash)};
    }

    void Call(const std::pair<QString, QString>& item, const char* method) {
        QDBusMessage call = QDBusMessage::createMethodCall(item.first, item.second, kItemInterface,
                                                           QString::fromLatin1(method));
        call << 0 << 0;
        CallAndWait(call);
    }

    linux_::MainWindow window;
};

TEST_F(DBusTray, TheItemShowsTipAndIconAndTheHostsClicksBringTheWindowBack) {
    const auto item = HideToTray();

    // The tip, and the icon as the program draws it (at 32 pixels, pixel for pixel).
    const QDBusArgument tip =
        Property(item.first, item.second, kItemInterface, QStringLiteral("ToolTip"))
            .value<QDBusArgument>();
    QString iconName, title, description;
    tip.beginStructure();
    tip >> iconName;
    Images(tip);
    tip >> title >> description;
    tip.endStructure();
    EXPECT_EQ(title, QStringLiteral("Clavitap"));
    const auto icons =
        Images(Property(item.first, item.second, kItemInterface, QStringLiteral("IconPixmap"))
                   .value<QDBusArgument>());
    ASSERT_FALSE(icons.empty());
    for (const QImage& icon : icons) {
        EXPECT_TRUE(SameWithinRounding(icon, DrawnIcon(icon.width())))
            << "the " << icon.width() << "-pixel image is not the program's icon";
    }

    // Activate, ContextMenu and SecondaryActivate are the host's report of a finished click
    // with the primary, secondary and middle button: each restores and removes the item.
    for (const char* method : {"Activate", "ContextMenu", "SecondaryActivate"}) {
        SCOPED_TRACE(method);
        const auto shown = method == std::string("Activate") ? item : HideToTray();
        Call(shown, method);
        EXPECT_TRUE(WaitFor([&] { return window.isVisible(); })) << "the window did not come back";
        EXPECT_TRUE(WaitFor([] { return RegisteredItems().isEmpty(); })) << "the item stayed";
    }
}

TEST_F(DBusTray, ClosingTheProgramRemovesTheItem) {
    HideToTray();
    window.close();
    EXPECT_TRUE(WaitFor([] { return RegisteredItems().isEmpty(); })) << "the item stayed";
}

}  // namespace

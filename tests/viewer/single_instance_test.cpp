#include "viewer/qt/qt_single_instance.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QLocalServer>
#include <QMainWindow>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <QGuiApplication>

#include <atomic>
#include <functional>
#include <optional>
#include <thread>

namespace {

QString PrivateName(const QTemporaryDir &dir)
{
    return dir.filePath(QStringLiteral("tarvel-test.socket"));
}

void WaitFor(const std::function<bool()> &done)
{
    QDeadlineTimer deadline(3000);
    while (!done() && !deadline.hasExpired())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
}

TEST(SingleInstance, SecondInstanceRaisesTheFirstAndEnds)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    QMainWindow window;
    window.show();
    SingleInstance first(PrivateName(dir));
    ASSERT_FALSE(first.NotifyRunningInstance(200)); // nobody runs yet
    ASSERT_TRUE(first.Listen());
    int requests = 0;
    QObject::connect(&first, &SingleInstance::ActivationRequested, &window, [&] {
        ++requests;
        BringToFront(&window);
    });

    // main.cpp ends with status 0 when this is true.
    SingleInstance second(PrivateName(dir));
    EXPECT_TRUE(second.NotifyRunningInstance());
    WaitFor([&] { return requests > 0; });
    EXPECT_EQ(requests, 1);
    EXPECT_TRUE(window.windowState() & Qt::WindowMaximized);
    EXPECT_TRUE(window.isVisible());
}

TEST(SingleInstance, SocketLeftBehindIsTakenOver)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    {
        // A listener that vanishes without removing its socket file, as a
        // crashed instance would.
        QLocalServer stale;
        stale.setSocketOptions(QLocalServer::UserAccessOption);
        ASSERT_TRUE(stale.listen(PrivateName(dir)));
        stale.close();
    }
    QFile leftover(PrivateName(dir));
    leftover.open(QIODevice::WriteOnly); // a plain file in the socket's place
    leftover.close();
    SingleInstance instance(PrivateName(dir));
    EXPECT_FALSE(instance.NotifyRunningInstance(200));
    EXPECT_TRUE(instance.Listen());
    SingleInstance later(PrivateName(dir));
    EXPECT_TRUE(later.NotifyRunningInstance());
}

// The second start hears the running one's mode and display: a thread
// stands for it, as the running one answers from its event loop.
TEST(SingleInstance, SecondStartHearsTheModeAndDisplayOfTheRunningOne)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    SingleInstance first(PrivateName(dir));
    first.SetIdentity({true, QStringLiteral("xcb"), QStringLiteral(":1")});
    ASSERT_TRUE(first.Listen());
    int requests = 0;
    QObject::connect(&first, &SingleInstance::ActivationRequested, &first, [&requests] { ++requests; });

    bool answered = false;
    std::optional<InstanceIdentity> heard;
    std::atomic<bool> done = false;
    std::thread second([&] {
        SingleInstance later(PrivateName(dir));
        answered = later.NotifyRunningInstance(3000);
        heard = later.RunningIdentity();
        done = true;
    });
    WaitFor([&] { return done.load(); });
    second.join();
    EXPECT_TRUE(answered);
    EXPECT_EQ(requests, 1);
    ASSERT_TRUE(heard.has_value());
    EXPECT_TRUE(heard->Unsuppressed);
    EXPECT_EQ(heard->Platform, QStringLiteral("xcb"));
    EXPECT_EQ(heard->Display, QStringLiteral(":1"));
}

// Every second start says on standard error that the viewer runs, and in
// which mode; a dropped switch or a window on another display is said in a
// box as well.
TEST(SingleInstance, SecondStartSaysWhatBecameOfIt)
{
    const InstanceIdentity normalHere{false, QStringLiteral("xcb"), QStringLiteral(":0")};
    const InstanceIdentity unsuppressedHere{true, QStringLiteral("xcb"), QStringLiteral(":0")};
    const InstanceIdentity normalThere{false, QStringLiteral("xcb"), QStringLiteral(":1")};
    struct Case {
        InstanceIdentity own;
        std::optional<InstanceIdentity> running;
        const char *line;
        const char *box; // nullptr: no box
    };
    const Case cases[] = {
        {normalHere, normalHere,
         "tarvel: the viewer is already running in normal mode; its window comes to the front.", nullptr},
        {unsuppressedHere, unsuppressedHere,
         "tarvel: the viewer is already running in unsuppressed mode; its window comes to the front.", nullptr},
        {unsuppressedHere, normalHere,
         "tarvel: the viewer is already running in normal mode; its window comes to the front; /UNSUPPRESSED "
         "applies only after it is closed.",
         "The viewer is already running in normal mode.\n\nThis start asked for the unsuppressed mode "
         "(/UNSUPPRESSED), which applies only after the running viewer is closed."},
        {normalHere, unsuppressedHere,
         "tarvel: the viewer is already running in unsuppressed mode; its window comes to the front; the normal "
         "mode applies only after it is closed.",
         "The viewer is already running in unsuppressed mode.\n\nThis start asked for the normal mode, which "
         "applies only after the running viewer is closed."},
        {normalHere, normalThere,
         "tarvel: the viewer is already running in normal mode; its window is on another display (:1).",
         "The viewer is already running in normal mode, on another display (:1)."},
        {normalHere, std::nullopt, "tarvel: the viewer is already running; it was asked to come to the front.",
         nullptr},
    };
    for (const Case &c : cases) {
        const SecondStartNotice notice = NoticeOfSecondStart(c.own, c.running);
        EXPECT_EQ(notice.ErrorLine, QString::fromLatin1(c.line));
        EXPECT_EQ(notice.BoxText, c.box ? QString::fromLatin1(c.box) : QString()) << c.line;
        EXPECT_EQ(notice.BoxTitle, c.box ? QStringLiteral("TARVEL already running") : QString()) << c.line;
    }
}

// ":0", ":0.0" and "unix:0" are one display; "-display" comes first.
TEST(SingleInstance, DisplayNamesOneDisplayOneWay)
{
    struct Case {
        const char *platform;
        const char *environment;
        QStringList arguments;
        const char *expectedPlatform;
        const char *expectedDisplay;
    };
    const Case cases[] = {
        {"xcb", ":0", {}, "xcb", ":0"},
        {"xcb", ":0.0", {}, "xcb", ":0"},
        {"xcb", "unix:0", {}, "xcb", ":0"},
        {"xcb", "localhost:10.0", {}, "xcb", "localhost:10"},
        {"xcb", ":0", {QStringLiteral("-display"), QStringLiteral(":2.0")}, "xcb", ":2"},
        {"wayland", "wayland-1", {}, "wayland", "wayland-1"},
        {"wayland-egl", "", {}, "wayland", "wayland-0"},
        {"offscreen", "", {}, "offscreen", ""},
    };
    for (const Case &c : cases) {
        const InstanceIdentity identity =
            DisplayOf(QString::fromLatin1(c.platform), QString::fromLatin1(c.environment), c.arguments);
        EXPECT_EQ(identity.Platform, QString::fromLatin1(c.expectedPlatform)) << c.environment;
        EXPECT_EQ(identity.Display, QString::fromLatin1(c.expectedDisplay)) << c.environment;
    }
    EXPECT_EQ(CurrentDisplay({}).Platform, QGuiApplication::platformName());
}

} // namespace

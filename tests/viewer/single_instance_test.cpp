#include "viewer/qt/qt_single_instance.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QLocalServer>
#include <QMainWindow>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <functional>

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

} // namespace

#include "viewer/main/frmMain.h"
#include "viewer/qt/qt_prompts.h"
#include "viewer/qt/qt_single_instance.h"

#include <QApplication>
#include <QScreen>
#include <QStringList>

#include <cstdio>
#include <cstdlib>

namespace {

bool DisplayAvailable()
{
    for (const char *variable : {"QT_QPA_PLATFORM", "DISPLAY", "WAYLAND_DISPLAY"}) {
        const char *value = std::getenv(variable);
        if (value && *value)
            return true;
    }
    return false;
}

} // namespace

int main(int argc, char **argv)
{
    // Without a display Qt would abort with a long message; one line says it.
    if (!DisplayAvailable()) {
        std::fputs("tarvel: no display available (set DISPLAY, or run under xvfb-run)\n", stderr);
        return 1;
    }

    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("TARVEL"));

    // QApplication has taken its own options; the rest is the command line.
    QStringList arguments = QApplication::arguments();
    if (!arguments.isEmpty())
        arguments.removeFirst();

    // One viewer at a time: a running one comes to the front and this one ends.
    SingleInstance instance(SingleInstance::DefaultName());
    if (instance.NotifyRunningInstance())
        return 0;
    instance.Listen();

    QtPrompts prompts;
    frmMain window(prompts);
    prompts.SetParent(&window);
    QObject::connect(&instance, &SingleInstance::ActivationRequested, &window, [&window] { BringToFront(&window); });

    window.Startup(arguments);
    // Without a window manager "maximized" is only a wish; the window then
    // still fills the screen.
    if (const QScreen *screen = window.screen())
        window.setGeometry(screen->availableGeometry());
    window.showMaximized();
    return app.exec();
}

#include "viewer/main/frmMain.h"
#include "viewer/qt/qt_command_line.h"
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

    // The switch is decided on the arguments as typed: QApplication takes
    // its own options ("-style Fusion") out of argv, and a further argument
    // must leave the run normal.
    const QStringList arguments = CommandLineAsTyped(argc, argv);

    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("TARVEL"));

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
    // still nearly fills the screen. Restored from maximized it lies fully
    // on screen, its title bar included.
    if (const QScreen *screen = window.screen())
        window.setGeometry(frmMain::NormalGeometryOn(screen->availableGeometry()));
    window.showMaximized();
    return app.exec();
}

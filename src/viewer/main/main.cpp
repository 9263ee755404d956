#include "viewer/main/frmMain.h"
#include "viewer/qt/qt_boundary_style.h"
#include "viewer/qt/qt_command_line.h"
#include "viewer/qt/qt_prompts.h"
#include "viewer/qt/qt_single_instance.h"
#include "core/selection/selection.h"
#include "core/version.h"

#include <QApplication>
#include <QScreen>
#include <QStringList>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

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

constexpr const char *UsageText =
    "usage: tarvel [/UNSUPPRESSED] [Qt options]\n"
    "       tarvel --help | --version\n"
    "The TARVEL viewer of quarterly personal-income statistics (see tarvel(1)).\n"
    "  /UNSUPPRESSED  read the confidential \".xxx\" files and show withheld values\n"
    "  --help         show this text and exit\n"
    "  --version      show the version and exit\n";

} // namespace

int main(int argc, char **argv)
{
    // Answered without a display, before Qt reads the command line.
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--version") == 0) {
            std::printf("tarvel %s\n", tarvel::VersionText);
            return 0;
        }
        if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
            std::fputs(UsageText, stdout);
            return 0;
        }
    }

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
    QApplication::setApplicationVersion(QString::fromLatin1(tarvel::VersionText));
    // The desktop entry's name, so desktops match the windows to its icon.
    QGuiApplication::setDesktopFileName(QString::fromLatin1(tarvel::DesktopId));
    // Check boxes, text boxes and buttons keep a visible boundary and focus
    // frame in any palette, dark and high-contrast ones too.
    InstallBoundaryStyle();

    // One viewer at a time: a running one comes to the front and this one
    // ends, saying so, and in a box too when its own mode or display is not
    // the running one's (a mode applies only to a viewer that starts).
    std::vector<std::string> args;
    for (const QString &argument : arguments)
        args.push_back(argument.toLocal8Bit().toStdString());
    InstanceIdentity own = CurrentDisplay(arguments);
    own.Unsuppressed = tarvel::UnsuppressedFromArguments(args);
    SingleInstance instance(SingleInstance::DefaultName());
    instance.SetIdentity(own);
    if (instance.NotifyRunningInstance()) {
        const SecondStartNotice notice = NoticeOfSecondStart(own, instance.RunningIdentity());
        std::fprintf(stderr, "%s\n", notice.ErrorLine.toLocal8Bit().constData());
        if (!notice.BoxText.isEmpty()) {
            QtPrompts prompts;
            prompts.Message(notice.BoxTitle, notice.BoxText, QMessageBox::Information, QMessageBox::Ok);
        }
        return 0;
    }
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

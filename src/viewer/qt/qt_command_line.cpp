#include "viewer/qt/qt_command_line.h"

#include <QString>

QStringList CommandLineAsTyped(int argc, const char *const *argv)
{
    QStringList arguments;
    for (int i = 1; i < argc && argv && argv[i]; ++i)
        arguments.append(QString::fromLocal8Bit(argv[i]));
    return arguments;
}

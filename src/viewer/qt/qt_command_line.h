#pragma once

#include <QStringList>

/// The program's arguments as the user typed them (program name left out),
/// read from argv before QApplication takes its own options ("-style",
/// "-platform"...) out of it.
QStringList CommandLineAsTyped(int argc, const char *const *argv);

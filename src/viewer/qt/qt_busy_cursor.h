#pragma once

#include <QGuiApplication>

/// The busy mouse pointer for as long as the guard lives; the normal pointer
/// comes back on every way out of the command.
class BusyCursor {
public:
    BusyCursor() { QGuiApplication::setOverrideCursor(Qt::WaitCursor); }
    ~BusyCursor() { QGuiApplication::restoreOverrideCursor(); }
    BusyCursor(const BusyCursor &) = delete;
    BusyCursor &operator=(const BusyCursor &) = delete;
};

#pragma once

#include <functional>

class QAccessibleEvent;

/// Tells a screen reader what Qt's widgets do not tell it themselves: the
/// event goes to the reader (when one listens) and to the observer a test
/// installs, since without a reader Qt sends nothing anywhere.
void TellScreenReader(QAccessibleEvent &event);
/// True while a reader or an observer would hear it: what is told only
/// for them need not be worked out otherwise.
bool ScreenReaderListens();
/// Installs observer (nullptr removes it).
void ObserveScreenReaderNews(std::function<void(const QAccessibleEvent &)> observer);

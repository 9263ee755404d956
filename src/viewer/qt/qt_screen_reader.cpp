#include "viewer/qt/qt_screen_reader.h"

#include <QAccessible>

namespace {

std::function<void(const QAccessibleEvent &)> &Observer()
{
    static std::function<void(const QAccessibleEvent &)> observer;
    return observer;
}

} // namespace

void TellScreenReader(QAccessibleEvent &event)
{
    if (Observer())
        Observer()(event);
    QAccessible::updateAccessibility(&event);
}

bool ScreenReaderListens()
{
    return QAccessible::isActive() || Observer();
}

void ObserveScreenReaderNews(std::function<void(const QAccessibleEvent &)> observer)
{
    Observer() = std::move(observer);
}

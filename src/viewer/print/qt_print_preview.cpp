#include "viewer/print/qt_print_preview.h"

#include <QAction>
#include <QComboBox>
#include <QGraphicsView>
#include <QLabel>
#include <QLineEdit>
#include <QPrintPreviewDialog>
#include <QScreen>
#include <QStyle>
#include <QToolBar>
#include <QToolButton>

#include <algorithm>

void PreparePreviewForKeyboard(QPrintPreviewDialog &dialog)
{
    // Wide enough for the whole bar where the screen allows: a button that
    // does not fit goes into the bar's overflow menu.
    if (const QToolBar *bar = dialog.findChild<QToolBar *>()) {
        int width = bar->sizeHint().width() + 2 * dialog.style()->pixelMetric(QStyle::PM_DefaultFrameWidth) + 16;
        if (const QScreen *screen = dialog.screen())
            width = std::min(width, screen->availableGeometry().width() - 16);
        if (dialog.width() < width)
            dialog.resize(width, dialog.height());
    }
    // A tool bar's buttons are left out of the Tab order.
    for (QToolButton *button : dialog.findChildren<QToolButton *>()) {
        button->setFocusPolicy(Qt::TabFocus);
        if (button->text().isEmpty() && button->defaultAction())
            button->setAccessibleName(button->defaultAction()->iconText());
        else if (button->text().isEmpty())
            button->setAccessibleName(QStringLiteral("More commands"));
    }
    // The bar's boxes have no label of their own: the page number stands
    // before "/ N" (the bar's only label), the zoom alone.
    for (QComboBox *zoom : dialog.findChildren<QComboBox *>()) {
        zoom->setAccessibleName(QStringLiteral("Zoom"));
        if (zoom->lineEdit())
            zoom->lineEdit()->setAccessibleName(QStringLiteral("Zoom"));
    }
    for (QLineEdit *page : dialog.findChildren<QLineEdit *>()) {
        if (!qobject_cast<QComboBox *>(page->parentWidget()))
            page->setAccessibleName(QStringLiteral("Page number"));
    }
    for (QLabel *label : dialog.findChildren<QLabel *>())
        label->setAccessibleDescription(QStringLiteral("Number of pages"));
    for (QGraphicsView *pages : dialog.findChildren<QGraphicsView *>()) {
        pages->setAccessibleName(QStringLiteral("Pages as they print"));
        pages->viewport()->setAccessibleName(pages->accessibleName());
    }
}

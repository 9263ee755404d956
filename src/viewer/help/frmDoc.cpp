#include "viewer/help/frmDoc.h"

#include "viewer/qt/qt_child_frame.h"
#include "viewer/qt/qt_twips.h"

#include <QApplication>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPlainTextEdit>
#include <QResizeEvent>

#include <algorithm>

frmDoc::frmDoc(bool printAllMode, QWidget *parent)
    : QWidget(parent)
    , m_printAllMode(printAllMode)
{
    setObjectName(QStringLiteral("frmDoc"));
    setWindowTitle(QStringLiteral("document"));

    txtDoc = new QPlainTextEdit(this);
    txtDoc->setObjectName(QStringLiteral("txtDoc"));
    // Read-only to the data, but the text can be selected and copied.
    txtDoc->setReadOnly(true);
    txtDoc->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    txtDoc->setLineWrapMode(QPlainTextEdit::NoWrap);
    txtDoc->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    txtDoc->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    // The design font, in the desktop's text size when that is larger.
    QFont font(QStringLiteral("Courier"));
    font.setStyleHint(QFont::TypeWriter);
    font.setPointSizeF(std::max(9.75, QApplication::font().pointSizeF()));
    txtDoc->setFont(font);
    // A screen reader names the text box after its window.
    txtDoc->setAccessibleName(windowTitle());
    txtDoc->setGeometry(rect());
    setFocusProxy(txtDoc);
}

QMdiSubWindow *frmDoc::Show(QMdiArea &area, QSize normalSize)
{
    QMdiSubWindow *sub = area.addSubWindow(new ChildFrame(this));
    sub->setAttribute(Qt::WA_DeleteOnClose);
    sub->setWindowTitle(windowTitle());
    // The size it has when restored, also when a maximized window makes it
    // open maximized.
    sub->resize(normalSize);
    sub->show();
    area.setActiveSubWindow(sub);
    m_tag = tarvel::ChildKind::Document;
    if (m_printAllMode && !sub->isMinimized() && !sub->isMaximized()) {
        m_tag = tarvel::ChildKind::PrintAll;
        sub->resize(TwipsToPixelsX(6000, sub), TwipsToPixelsY(100, sub));
    }
    return sub;
}

void frmDoc::SetCaption(const std::string &caption)
{
    m_caption = caption;
    // Paths in the caption are the file system's bytes.
    setWindowTitle(QString::fromLocal8Bit(caption.data(), static_cast<qsizetype>(caption.size())));
    txtDoc->setAccessibleName(windowTitle());
}

void frmDoc::SetText(std::string text)
{
    m_text = std::move(text);
    QString shown = QString::fromLatin1(m_text.data(), static_cast<qsizetype>(m_text.size()));
    // One line end per line: a CR before the LF would show as an empty line.
    shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    txtDoc->setPlainText(shown);
}

void frmDoc::SetTextFont(const QString &face, int pointSize)
{
    QFont font(face);
    if (pointSize > 0)
        font.setPointSize(pointSize);
    txtDoc->setFont(font);
}

void frmDoc::ShowUnsuppressedColours()
{
    QPalette palette = txtDoc->palette();
    palette.setColor(QPalette::Base, Qt::black);
    palette.setColor(QPalette::Text, Qt::red);
    palette.setColor(QPalette::Window, Qt::black);
    palette.setColor(QPalette::WindowText, Qt::red);
    txtDoc->setPalette(palette);
    setPalette(palette);
    setAutoFillBackground(true);
}

tarvel::PrintSnapshot frmDoc::Snapshot() const
{
    return tarvel::PrintSnapshot::FromDocument(m_caption, m_text, m_tag);
}

void frmDoc::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    // A window built for print-all is never shown at a useful size.
    if (!m_printAllMode)
        txtDoc->setGeometry(rect());
}

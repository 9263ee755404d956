#pragma once

#include "viewer/qt/qt_child_window.h"

#include <QWidget>

#include <string>

class QMdiArea;
class QMdiSubWindow;
class QPlainTextEdit;

/// A document child window: one text box, txtDoc, filling the window and
/// showing a text file that comes with the data (footnotes, a summary, the
/// export formats, the regions, the readme). The text is loaded once and
/// cannot be edited; it can be selected, copied and printed.
class frmDoc final : public QWidget, public ChildWindow {
    Q_OBJECT
public:
    /// printAllMode: the window is built while a print-all run is going on.
    explicit frmDoc(bool printAllMode = false, QWidget *parent = nullptr);

    /// Puts the window into area as a sub-window of normalSize (pixels) that
    /// is deleted when closed, and shows it as the active one. In print-all
    /// mode a window that opened in normal state shrinks to 6000 x 100 twips
    /// and is of kind PrintAll; every other one is a Document.
    QMdiSubWindow *Show(QMdiArea &area, QSize normalSize);

    /// The caption as the program composed it (bytes as read from the
    /// folders); the window shows it as its title.
    void SetCaption(const std::string &caption);
    const std::string &Caption() const { return m_caption; }
    /// The file's text as read (Latin-1 bytes, CR LF line ends kept).
    void SetText(std::string text);
    const std::string &Text() const { return m_text; }
    /// Face and size only; bold and italic stay off.
    void SetTextFont(const QString &face, int pointSize);
    /// Red text on black, the sign of confidential data.
    void ShowUnsuppressedColours();

    tarvel::ChildKind Tag() const override { return m_tag; }
    tarvel::PrintSnapshot Snapshot() const override;

    QPlainTextEdit *txtDoc = nullptr;

protected:
    void resizeEvent(QResizeEvent *event) override;

private:
    bool m_printAllMode;
    tarvel::ChildKind m_tag = tarvel::ChildKind::Document;
    std::string m_caption;
    std::string m_text;
};

#include "viewer/qt/qt_batch_command.h"

#include "viewer/qt/qt_prompts.h"
#include "viewer/qt/qt_status_note.h"

#include <QClipboard>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QStandardPaths>

tarvel::BatchCommandBase ViewerBatchCommandBase()
{
    tarvel::BatchCommandBase base;
    const QFileInfo beside(QCoreApplication::applicationDirPath() + QStringLiteral("/tarvel-batch"));
    if (beside.isExecutable()) {
        const QFileInfo onPath(QStandardPaths::findExecutable(QStringLiteral("tarvel-batch")));
        if (onPath.filePath().isEmpty() || onPath.canonicalFilePath() != beside.canonicalFilePath())
            base.Program = beside.absoluteFilePath().toLocal8Bit().toStdString();
    }
    base.WorkingFolder = (QDir::currentPath() + QLatin1Char('/')).toLocal8Bit().toStdString();
    return base;
}

QString CopyCommandTitle()
{
    return QStringLiteral("Copy as command");
}

bool CopyBatchCommand(Prompts &prompts, const tarvel::BatchCommand &command, const QWidget *from)
{
    if (!command.Made()) {
        prompts.Message(CopyCommandTitle(), QString::fromLocal8Bit(command.Reason.c_str()), QMessageBox::Information);
        return false;
    }
    // Paths are the system's bytes; everything else the command holds is ASCII.
    QGuiApplication::clipboard()->setText(
        QString::fromLocal8Bit(command.Text.data(), static_cast<qsizetype>(command.Text.size())));
    // The clipboard shows nothing of itself.
    StatusNote::Post(from, QStringLiteral("Command copied to the clipboard"));
    return true;
}

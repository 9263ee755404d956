#pragma once

#include "core/export/batch_command.h"

class Prompts;
class QString;
class QWidget;

/// What the viewer's commands start from: the tarvel-batch beside the
/// viewer (by its name alone when that is the one the search path finds),
/// and the viewer's working folder, where a relative output name is written.
tarvel::BatchCommandBase ViewerBatchCommandBase();

/// "Copy as command": puts the command's text on the clipboard and says so
/// in the status note of from's main window, or says in a message why there
/// is none and leaves the clipboard alone. True when it copied.
bool CopyBatchCommand(Prompts &prompts, const tarvel::BatchCommand &command, const QWidget *from);

/// The title of the message of a command that cannot be copied.
QString CopyCommandTitle();

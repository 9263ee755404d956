#include "core/catalog/failure.h"

#include "core/catalog/file_helpers.h"

#include <clocale>
#include <cstring>
#include <locale.h>
#include <string>

namespace tarvel {

std::string SystemReason(int error)
{
    if (error == 0)
        return {};
    if (error == NotRegularFile)
        return "Not a regular file";
    // The C locale's wording: the program's other texts are English too,
    // whatever language the desktop speaks.
    static const locale_t english = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(nullptr));
    if (english == static_cast<locale_t>(nullptr))
        return "error " + std::to_string(error);
    return strerror_l(error, english);
}

std::string FileNotAccessibleText(const std::string &name, int error)
{
    std::string text = "For some reason the file " + FileNameInCapitals(name) + " could not be accessed.";
    if (error != 0)
        text += "\n" + SystemReason(error);
    return text;
}

void ReportFileNotAccessible(MessageSink &sink, const std::string &name, int error)
{
    sink.ShowMessage(MessageIcon::Warning, "File not accessible", FileNotAccessibleText(name, error));
}

std::string FailureText(const Failure &failure)
{
    switch (failure.kind) {
    case FailureKind::None:
        return {};
    case FailureKind::NotAccessible:
        return FileNotAccessibleText(failure.path, failure.error);
    case FailureKind::Damaged:
        return "The file " + FileNameInCapitals(failure.path) + " is damaged or incomplete: " + failure.detail + ".";
    case FailureKind::Usage:
        return failure.detail;
    }
    return {};
}

void ReportFailure(MessageSink &sink, const Failure &failure)
{
    switch (failure.kind) {
    case FailureKind::None:
        return;
    case FailureKind::NotAccessible:
        ReportFileNotAccessible(sink, failure.path, failure.error);
        return;
    case FailureKind::Damaged:
        sink.ShowMessage(MessageIcon::Warning, "File damaged", FailureText(failure));
        return;
    case FailureKind::Usage:
        sink.ShowMessage(MessageIcon::Warning, "TARVEL", FailureText(failure));
        return;
    }
}

} // namespace tarvel

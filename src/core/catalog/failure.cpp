#include "core/catalog/failure.h"

#include "core/catalog/file_helpers.h"

namespace tarvel {

std::string FileNotAccessibleText(const std::string &name)
{
    return "For some reason the file " + FileNameInCapitals(name) + " could not be accessed.";
}

void ReportFileNotAccessible(MessageSink &sink, const std::string &name)
{
    sink.ShowMessage(MessageIcon::Warning, "File not accessible", FileNotAccessibleText(name));
}

std::string FailureText(const Failure &failure)
{
    switch (failure.kind) {
    case FailureKind::None:
        return {};
    case FailureKind::NotAccessible:
        return FileNotAccessibleText(failure.path);
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
        ReportFileNotAccessible(sink, failure.path);
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

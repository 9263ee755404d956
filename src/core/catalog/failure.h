#pragma once

#include <optional>
#include <string>
#include <utility>

namespace tarvel {

/// Why a reader gave up. NotAccessible is a file that could not be opened;
/// Damaged is a file that opened but does not hold what its layout promises
/// (empty, lines of unequal length, too short for the asked block).
enum class FailureKind { None, NotAccessible, Damaged, Usage };

struct Failure {
    FailureKind kind = FailureKind::None;
    std::string path;   ///< the file as the program named it
    std::string detail; ///< for Damaged: what is wrong, in plain words
    int error = 0;      ///< the system's reason (an errno value, or NotRegularFile) when one is known

    static Failure NotAccessible(std::string path) { return {FailureKind::NotAccessible, std::move(path), {}}; }
    static Failure Damaged(std::string path, std::string detail)
    {
        return {FailureKind::Damaged, std::move(path), std::move(detail)};
    }
};

/// A reason of the program's own beside the errno values: the file is a
/// pipe, a device, or a file of the system's own (/proc, /sys) whose size
/// says nothing of what it holds, where a data file is read by position.
inline constexpr int NotRegularFile = -1;

/// A value or the reason there is none. No exception ever leaves a reader.
template <class T>
class Result {
public:
    Result(T value) : m_value(std::move(value)) {}
    Result(Failure failure) : m_failure(std::move(failure)) {}

    explicit operator bool() const { return m_value.has_value(); }
    T &operator*() { return *m_value; }
    const T &operator*() const { return *m_value; }
    T *operator->() { return &*m_value; }
    const T *operator->() const { return &*m_value; }
    const Failure &Error() const { return m_failure; }

private:
    std::optional<T> m_value;
    Failure m_failure;
};

/// Icons of the user's message boxes.
enum class MessageIcon { Information, Warning, Critical, Question };

/// Where the core's few user messages go: a message box in the viewer, one
/// line on stderr in tarvel-batch, a recording list in tests.
class MessageSink {
public:
    virtual ~MessageSink() = default;
    virtual void ShowMessage(MessageIcon icon, const std::string &title, const std::string &text) = 0;
};

/// The system's reason for an errno value as the C library words it, in
/// English ("No space left on device"); "Not a regular file" for
/// NotRegularFile; "" for 0.
std::string SystemReason(int error);
/// "For some reason the file " + NAME IN CAPITALS + " could not be accessed.",
/// then, when error (an errno value) is not 0, the system's reason on a line
/// of its own.
std::string FileNotAccessibleText(const std::string &name, int error = 0);
/// Shows the warning titled "File not accessible" for name.
void ReportFileNotAccessible(MessageSink &sink, const std::string &name, int error = 0);
/// The message for any failure: the not-accessible text (with the system's
/// reason when known), or for a damaged file a text naming the file and what
/// is wrong with it.
std::string FailureText(const Failure &failure);
/// Shows the failure as a warning (title "File not accessible" or "File damaged").
void ReportFailure(MessageSink &sink, const Failure &failure);

} // namespace tarvel

#pragma once

#include <QString>

#include <string>
#include <string_view>

// The core keeps its text as Latin-1 bytes, as the data files hold them;
// these two cross the edge to and from Qt.

inline QString Latin1(std::string_view text)
{
    return QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size()));
}

inline std::string ToLatin1(const QString &text)
{
    return text.toLatin1().toStdString();
}

#include "core/settings/window_session.h"

#include "core/catalog/safe_output_file.h"

#include <charconv>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>

namespace tarvel {

namespace {

constexpr std::string_view FirstLine = "TARVEL windows 1";
constexpr std::string_view WindowLine = "[window]";
// The last line: a file cut short at a line's end is told from a whole one.
constexpr std::string_view LastLine = "end";
constexpr std::string_view SettingPrefix = "set.";
// Places and sizes stay well inside what a window system takes.
constexpr int MostPixels = 1000000;

bool NeedsEscape(unsigned char byte)
{
    return byte < 32 || byte == '%' || byte == 127;
}

// escapeEquals for a name, which ends at the first '='.
std::string Escaped(std::string_view text, bool escapeEquals = false)
{
    static constexpr char Hex[] = "0123456789ABCDEF";
    std::string out;
    out.reserve(text.size());
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (NeedsEscape(byte) || (escapeEquals && c == '=')) {
            out += '%';
            out += Hex[byte >> 4];
            out += Hex[byte & 15];
        } else {
            out += c;
        }
    }
    return out;
}

std::optional<std::string> Unescaped(std::string_view text)
{
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '%') {
            out += text[i];
            continue;
        }
        unsigned value = 0;
        if (i + 2 >= text.size())
            return std::nullopt;
        const auto [end, error] = std::from_chars(text.data() + i + 1, text.data() + i + 3, value, 16);
        if (error != std::errc() || end != text.data() + i + 3)
            return std::nullopt;
        out += static_cast<char>(value);
        i += 2;
    }
    return out;
}

std::optional<int> Number(std::string_view text, int least, int most)
{
    int value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size() || value < least || value > most)
        return std::nullopt;
    return value;
}

// The numbers of a text of numbers separated by single blanks.
std::optional<std::vector<int>> Numbers(std::string_view text, int least, int most)
{
    std::vector<int> numbers;
    while (!text.empty()) {
        const std::size_t blank = text.find(' ');
        const std::optional<int> number = Number(text.substr(0, blank), least, most);
        if (!number)
            return std::nullopt;
        numbers.push_back(*number);
        if (blank == std::string_view::npos)
            break;
        text.remove_prefix(blank + 1);
        if (text.empty())
            return std::nullopt;
    }
    return numbers;
}

std::string Joined(const std::vector<int> &numbers)
{
    std::string text;
    for (const int n : numbers) {
        if (!text.empty())
            text += ' ';
        text += std::to_string(n);
    }
    return text;
}

// Sets the value named name of window from text; false when the text does
// not fit the name. Names the format does not know are passed over, so an
// older program reads a newer file.
bool SetValue(WindowState &window, std::string_view name, const std::string &text)
{
    if (name.substr(0, SettingPrefix.size()) == SettingPrefix) {
        window.Settings.emplace_back(std::string(name.substr(SettingPrefix.size())), text);
        return true;
    }
    auto setNumber = [&](int &field, int least, int most) {
        const std::optional<int> number = Number(text, least, most);
        if (number)
            field = *number;
        return number.has_value();
    };
    if (name == "kind")
        window.Kind = text;
    else if (name == "code")
        window.Code = text;
    else if (name == "units")
        window.Units = text;
    else if (name == "area")
        return setNumber(window.Area, 0, 60);
    else if (name == "line")
        return setNumber(window.Line, 0, 999);
    else if (name == "base")
        return setNumber(window.BaseQuarter, 0, 9999);
    else if (name == "quarters") {
        std::optional<std::vector<int>> quarters = Numbers(text, 1, 9999);
        if (quarters)
            window.Quarters = std::move(*quarters);
        return quarters.has_value();
    } else if (name == "sort") {
        const std::optional<std::vector<int>> sort = Numbers(text, 0, 9999);
        if (!sort || sort->size() != 2 || (*sort)[1] > 1)
            return false;
        window.SortColumn = (*sort)[0];
        window.SortHighestFirst = (*sort)[1] == 1;
    } else if (name == "place") {
        const std::optional<std::vector<int>> place = Numbers(text, -MostPixels, MostPixels);
        if (!place || place->size() != 4 || (*place)[2] < 0 || (*place)[3] < 0)
            return false;
        window.X = (*place)[0];
        window.Y = (*place)[1];
        window.Width = (*place)[2];
        window.Height = (*place)[3];
    } else if (name == "maximized" || name == "active") {
        int flag = 0;
        if (!setNumber(flag, 0, 1))
            return false;
        (name == "active" ? window.Active : window.Maximized) = flag == 1;
    }
    return true;
}

} // namespace

std::string WindowState::Setting(std::string_view name) const
{
    for (const auto &[key, value] : Settings) {
        if (key == name)
            return value;
    }
    return {};
}

std::string WindowSessionText(const WindowSession &session)
{
    std::string text(FirstLine);
    text += '\n';
    text += "folder=" + Escaped(session.DataFolder) + '\n';
    for (const WindowState &window : session.Windows) {
        text += std::string(WindowLine) + '\n';
        text += "kind=" + Escaped(window.Kind) + '\n';
        text += "code=" + Escaped(window.Code) + '\n';
        text += "area=" + std::to_string(window.Area) + '\n';
        text += "line=" + std::to_string(window.Line) + '\n';
        text += "quarters=" + Joined(window.Quarters) + '\n';
        text += "units=" + Escaped(window.Units) + '\n';
        text += "base=" + std::to_string(window.BaseQuarter) + '\n';
        text += "sort=" + std::to_string(window.SortColumn) + (window.SortHighestFirst ? " 1" : " 0") + '\n';
        text += "place=" + Joined({window.X, window.Y, window.Width, window.Height}) + '\n';
        text += std::string("maximized=") + (window.Maximized ? "1" : "0") + '\n';
        text += std::string("active=") + (window.Active ? "1" : "0") + '\n';
        for (const auto &[name, value] : window.Settings) {
            text += std::string(SettingPrefix) + Escaped(name, true) + '=' + Escaped(value) + '\n';
        }
    }
    text += std::string(LastLine) + '\n';
    return text;
}

Result<WindowSession> ReadWindowSession(std::string_view text, const std::string &fileName)
{
    WindowSession session;
    int lineNumber = 0;
    auto damaged = [&](const std::string &what) {
        return Failure::Damaged(fileName, "line " + std::to_string(lineNumber) + " " + what);
    };
    if (text.empty())
        return Failure::Damaged(fileName, "it is empty");
    if (text.back() != '\n')
        return Failure::Damaged(fileName, "it ends inside a line (the file is cut short)");
    bool ended = false;
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        const std::string_view line = text.substr(0, end);
        text.remove_prefix(end + 1);
        ++lineNumber;
        if (lineNumber == 1) {
            if (line != FirstLine)
                return damaged("is not \"" + std::string(FirstLine) + "\"");
            continue;
        }
        if (ended)
            return damaged("follows the last line");
        if (line == LastLine) {
            ended = true;
            continue;
        }
        if (line == WindowLine) {
            session.Windows.emplace_back();
            continue;
        }
        const std::size_t equals = line.find('=');
        if (equals == std::string_view::npos || equals == 0)
            return damaged("is no name=value line");
        const std::optional<std::string> escapedName = Unescaped(line.substr(0, equals));
        const std::optional<std::string> value = Unescaped(line.substr(equals + 1));
        if (!escapedName || !value)
            return damaged("holds a broken %-escape");
        const std::string &name = *escapedName;
        if (name == "folder" && session.Windows.empty()) {
            session.DataFolder = *value;
            continue;
        }
        if (session.Windows.empty())
            return damaged("names a value before the first window");
        if (!SetValue(session.Windows.back(), name, *value))
            return damaged("gives " + Escaped(name) + " a value out of its range");
    }
    if (!ended)
        return Failure::Damaged(fileName, "its last line is missing (the file is cut short)");
    return session;
}

bool SaveWindowSession(const std::string &file, const WindowSession &session)
{
    return ReplaceFileContents(file, WindowSessionText(session));
}

WindowSessionLoad LoadWindowSession(const std::string &file)
{
    WindowSessionLoad load;
    std::ifstream in(file, std::ios::binary);
    if (!in)
        return load;
    const std::string text{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    if (in.bad()) {
        load.Damage = Failure::NotAccessible(file);
        return load;
    }
    Result<WindowSession> read = ReadWindowSession(text, file);
    if (read) {
        load.Session = std::move(*read);
        return load;
    }
    load.Damage = read.Error();
    load.SetAsideName = file + ".damaged";
    std::error_code error;
    std::filesystem::rename(file, load.SetAsideName, error);
    if (error)
        load.SetAsideName.clear();
    return load;
}

} // namespace tarvel

#include "core/settings/registry_file.h"

#include "core/catalog/text_helpers.h"

#include <cstdio>
#include <utility>

namespace tarvel {
namespace {

constexpr std::string_view FileHeader = "REGEDIT4";
constexpr std::string_view RootPrefix = "[HKEY_CURRENT_USER\\";

std::string EscapeText(std::string_view text)
{
    std::string out;
    out.reserve(text.size() + 2);
    for (char c : text) {
        switch (c) {
        case '\\':
            out += "\\\\";
            break;
        case '"':
            out += "\\\"";
            break;
        // A line end inside a value would split its line; these two escapes
        // keep such a text whole.
        case '\n':
            out += "\\n";
            break;
        case '\r':
            out += "\\r";
            break;
        default:
            out += c;
        }
    }
    return out;
}

// Reads a quoted text starting at pos (which holds the opening quote);
// pos ends after the closing quote.
std::optional<std::string> ReadQuoted(std::string_view line, std::size_t &pos)
{
    if (pos >= line.size() || line[pos] != '"')
        return std::nullopt;
    std::string text;
    for (++pos; pos < line.size(); ++pos) {
        const char c = line[pos];
        if (c == '"') {
            ++pos;
            return text;
        }
        if (c != '\\') {
            text += c;
            continue;
        }
        if (++pos >= line.size())
            return std::nullopt;
        switch (line[pos]) {
        case '\\':
        case '"':
            text += line[pos];
            break;
        case 'n':
            text += '\n';
            break;
        case 'r':
            text += '\r';
            break;
        default:
            return std::nullopt;
        }
    }
    return std::nullopt;
}

int HexDigit(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    c = AsciiLower(c);
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}

std::optional<std::uint32_t> ParseDword(std::string_view digits)
{
    if (digits.size() != 8)
        return std::nullopt;
    std::uint32_t value = 0;
    for (char c : digits) {
        const int digit = HexDigit(c);
        if (digit < 0)
            return std::nullopt;
        value = value * 16 + static_cast<std::uint32_t>(digit);
    }
    return value;
}

std::optional<std::vector<std::uint8_t>> ParseHexBytes(std::string_view text)
{
    std::vector<std::uint8_t> bytes;
    if (text.empty())
        return bytes;
    while (true) {
        if (text.size() < 2)
            return std::nullopt;
        const int high = HexDigit(text[0]);
        const int low = HexDigit(text[1]);
        if (high < 0 || low < 0)
            return std::nullopt;
        bytes.push_back(static_cast<std::uint8_t>(high * 16 + low));
        text.remove_prefix(2);
        if (text.empty())
            return bytes;
        if (text.front() != ',')
            return std::nullopt;
        text.remove_prefix(1);
    }
}

std::string HexByte(std::uint8_t byte)
{
    static constexpr char Digits[] = "0123456789abcdef";
    return {Digits[byte >> 4], Digits[byte & 0x0f]};
}

// The value of a value line (after its name and "="); nullopt when it is
// of no known type.
std::optional<RegistryValue> ParseData(std::string_view data)
{
    RegistryValue value;
    if (!data.empty() && data.front() == '"') {
        std::size_t textPos = 0;
        auto text = ReadQuoted(data, textPos);
        if (!text || textPos != data.size())
            return std::nullopt;
        value.type = SettingType::Text;
        value.text = std::move(*text);
    } else if (data.substr(0, 6) == "dword:") {
        const auto number = ParseDword(data.substr(6));
        if (!number)
            return std::nullopt;
        value.type = SettingType::Number;
        value.number = static_cast<std::int32_t>(*number);
    } else if (data.substr(0, 4) == "hex:") {
        auto bytes = ParseHexBytes(data.substr(4));
        if (!bytes)
            return std::nullopt;
        value.type = SettingType::Binary;
        value.bytes = std::move(*bytes);
    } else {
        return std::nullopt;
    }
    return value;
}

} // namespace

const RegistryValue *RegistryKey::Find(std::string_view name) const
{
    for (const RegistryValue &value : values) {
        if (EqualIgnoringCase(value.name, name))
            return &value;
    }
    return nullptr;
}

void RegistryKey::Set(RegistryValue value)
{
    for (RegistryValue &existing : values) {
        if (EqualIgnoringCase(existing.name, value.name)) {
            // The name keeps the spelling it was first written with.
            value.name = std::move(existing.name);
            existing = std::move(value);
            return;
        }
    }
    values.push_back(std::move(value));
}

const RegistryKey *FindRegistryKey(const RegistryKeys &keys, std::string_view path)
{
    path = WithoutTrailingBackslashes(path);
    for (const RegistryKey &key : keys) {
        if (EqualIgnoringCase(key.path, path))
            return &key;
    }
    return nullptr;
}

RegistryKey *FindRegistryKey(RegistryKeys &keys, std::string_view path)
{
    return const_cast<RegistryKey *>(FindRegistryKey(std::as_const(keys), path));
}

std::string_view WithoutTrailingBackslashes(std::string_view keyPath)
{
    while (!keyPath.empty() && keyPath.back() == '\\')
        keyPath.remove_suffix(1);
    return keyPath;
}

bool IsBelowKey(std::string_view key, std::string_view parent)
{
    return key.size() > parent.size() + 1 && key[parent.size()] == '\\'
        && EqualIgnoringCase(key.substr(0, parent.size()), parent);
}

std::optional<RegistryKeys> ParseRegistryFile(std::string_view content)
{
    std::vector<std::string_view> lines;
    std::string_view rest(content);
    while (!rest.empty()) {
        const auto end = rest.find('\n');
        std::string_view line = rest.substr(0, end);
        rest = end == std::string_view::npos ? std::string_view() : rest.substr(end + 1);
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        lines.push_back(line);
    }
    if (lines.empty() || lines.front() != FileHeader)
        return std::nullopt;

    RegistryKeys keys;
    std::size_t current = 0; // the key of the lines read, one past its index; 0 before the first
    for (std::size_t i = 1; i < lines.size(); ++i) {
        const std::string_view line = lines[i];
        if (TrimBlanks(line).empty())
            continue;

        if (line.front() == '[') {
            if (line.size() <= RootPrefix.size() + 1 || line.substr(0, RootPrefix.size()) != RootPrefix
                || line.back() != ']')
                return std::nullopt;
            const std::string_view path = WithoutTrailingBackslashes(
                line.substr(RootPrefix.size(), line.size() - RootPrefix.size() - 1));
            if (path.empty())
                return std::nullopt;
            const RegistryKey *known = FindRegistryKey(keys, path);
            if (!known) {
                keys.push_back({std::string(path), {}});
                known = &keys.back();
            }
            current = static_cast<std::size_t>(known - keys.data()) + 1;
            continue;
        }

        if (current == 0)
            return std::nullopt;
        std::size_t pos = 0;
        auto name = ReadQuoted(line, pos);
        if (!name || pos >= line.size() || line[pos] != '=')
            return std::nullopt;
        std::optional<RegistryValue> value = ParseData(line.substr(pos + 1));
        if (!value)
            return std::nullopt;
        value->name = std::move(*name);
        keys[current - 1].Set(std::move(*value));
    }
    return keys;
}

std::string SerializeRegistryFile(const RegistryKeys &keys)
{
    std::string out(FileHeader);
    out += '\n';
    for (const RegistryKey &key : keys) {
        out += '\n';
        out += RootPrefix;
        out += key.path;
        out += "]\n";
        for (const RegistryValue &value : key.values) {
            out += '"' + EscapeText(value.name) + "\"=";
            switch (value.type) {
            case SettingType::Text:
                out += '"' + EscapeText(value.text) + '"';
                break;
            case SettingType::Number: {
                char digits[9];
                std::snprintf(digits, sizeof digits, "%08x", static_cast<unsigned>(static_cast<std::uint32_t>(value.number)));
                out += "dword:";
                out += digits;
                break;
            }
            case SettingType::Binary:
                out += "hex:";
                for (std::size_t i = 0; i < value.bytes.size(); ++i) {
                    if (i > 0)
                        out += ',';
                    out += HexByte(value.bytes[i]);
                }
                break;
            }
            out += '\n';
        }
    }
    return out;
}

} // namespace tarvel

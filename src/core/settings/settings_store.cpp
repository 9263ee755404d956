#include "core/settings/settings_store.h"

#include "core/catalog/file_helpers.h"
#include "core/catalog/safe_output_file.h"
#include "core/catalog/temporary_files.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <limits>
#include <optional>
#include <system_error>
#include <utility>

namespace tarvel {
namespace {

namespace fs = std::filesystem;

constexpr std::string_view FileHeader = "REGEDIT4";
constexpr std::string_view RootPrefix = "[HKEY_CURRENT_USER\\";

// How the settings store a flag.
const char *FlagText(bool flag)
{
    return flag ? "True" : "False";
}

// "a\b\" and "a\b" name the same key.
std::string_view WithoutTrailingBackslashes(std::string_view keyPath)
{
    while (!keyPath.empty() && keyPath.back() == '\\')
        keyPath.remove_suffix(1);
    return keyPath;
}

// True when key lies below parent ("a\b\c" below "a\b").
bool IsBelow(std::string_view key, std::string_view parent)
{
    return key.size() > parent.size() + 1 && key[parent.size()] == '\\'
        && EqualIgnoringCase(key.substr(0, parent.size()), parent);
}

// A decimal number filling the whole text apart from surrounding blanks:
// optional sign, digits with an optional point, optional exponent.
std::optional<double> ParseSettingNumber(std::string_view text)
{
    text = TrimBlanks(text);
    bool negative = false;
    if (!text.empty() && (text.front() == '+' || text.front() == '-')) {
        negative = text.front() == '-';
        text.remove_prefix(1);
    }
    // from_chars also takes "inf" and "nan"; a setting never means those.
    if (text.empty() || !(std::isdigit(static_cast<unsigned char>(text.front())) || text.front() == '.'))
        return std::nullopt;
    double value = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc() || end != text.data() + text.size())
        return std::nullopt;
    return negative ? -value : value;
}

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

std::string NumberText(std::int32_t number)
{
    return std::to_string(number);
}

// Far beyond any settings file the program writes; a larger one is not read.
constexpr std::uintmax_t MaxSettingsFileSize = 16 * 1024 * 1024;

// The first free name for a file kept aside: file.bad, then file.bad.1,
// file.bad.2, ..., so an earlier kept file is never replaced.
std::optional<fs::path> FreeKeptAsideName(const fs::path &file)
{
    for (int n = 0; n < 1000; ++n) {
        fs::path name = file;
        name += n == 0 ? std::string(".bad") : ".bad." + std::to_string(n);
        std::error_code ec;
        if (!fs::exists(fs::symlink_status(name, ec)))
            return name;
    }
    return std::nullopt;
}

} // namespace

std::string SettingsKey(std::string_view subKey)
{
    return std::string(ProgramKey) + std::string(subKey);
}

bool SettingRead::Flag() const
{
    if (!Found())
        return false;
    if (type == SettingType::Number)
        return number != 0;
    if (type != SettingType::Text)
        return false;
    const std::string_view word = TrimBlanks(text);
    if (EqualIgnoringCase(word, "True"))
        return true;
    if (EqualIgnoringCase(word, "False"))
        return false;
    const auto value = ParseSettingNumber(word);
    return value && *value != 0;
}

std::string SettingNumberText(long long value)
{
    return " " + std::to_string(value);
}

std::int32_t RoundSettingNumber(std::string_view text)
{
    const auto value = ParseSettingNumber(text);
    if (!value)
        return 0;
    const double whole = std::floor(*value);
    const double fraction = *value - whole;
    double rounded = whole;
    if (fraction > 0.5 || (fraction == 0.5 && std::fmod(whole, 2.0) != 0))
        rounded = whole + 1;
    // Out of the 32-bit range is no usable number either.
    if (!(rounded >= std::numeric_limits<std::int32_t>::min() && rounded <= std::numeric_limits<std::int32_t>::max()))
        return 0;
    return static_cast<std::int32_t>(rounded);
}

SettingsStore::SettingsStore(std::filesystem::path file)
    : m_file(std::move(file))
{
    // Temporary files of a run killed while saving are of no more use.
    RemoveStaleTemporaryFiles(m_file.parent_path());

    std::error_code ec;
    const auto status = fs::status(m_file, ec);
    if (!fs::exists(status))
        return;

    // A file that is there but cannot be read (its permissions, a folder of
    // that name) is not damaged: it stays as it is, the store runs on the
    // defaults and never saves over it.
    std::string content;
    std::ifstream in;
    if (fs::is_regular_file(status))
        in.open(m_file, std::ios::binary);
    if (!in.is_open()) {
        m_unreadable = true;
        m_saveBlocked = true;
        return;
    }
    const std::uintmax_t size = fs::file_size(m_file, ec);
    bool readOk = false;
    if (!ec && size <= MaxSettingsFileSize) {
        content.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
        readOk = !in.bad();
    }
    in.close();
    if (readOk && Parse(content))
        return;

    // Kept aside rather than overwritten: the user may still want what it holds.
    m_keys.clear();
    m_keptAside = true;
    const std::optional<fs::path> bad = FreeKeptAsideName(m_file);
    if (bad)
        fs::rename(m_file, *bad, ec);
    if (!bad || ec) {
        // It stays where it is; saving over it would lose it.
        m_saveBlocked = true;
    }
}

std::vector<std::string> SettingsFilesRead(const SettingsStore *store)
{
    std::vector<std::string> files{SettingsStore::DefaultFile().string()};
    if (store && store->File() != SettingsStore::DefaultFile())
        files.push_back(store->File().string());
    return files;
}

std::filesystem::path SettingsStore::DefaultFile()
{
    fs::path base;
    const char *config = std::getenv("XDG_CONFIG_HOME");
    if (config && *config) {
        base = config;
    } else {
        const char *home = std::getenv("HOME");
        base = fs::path(home ? home : "") / ".config";
    }
    return base / "ZUL" / "TARVEL_08_1.reg";
}

bool SettingsStore::Parse(const std::string &content)
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
        return false;

    Key *current = nullptr;
    for (std::size_t i = 1; i < lines.size(); ++i) {
        const std::string_view line = lines[i];
        if (TrimBlanks(line).empty())
            continue;

        if (line.front() == '[') {
            if (line.size() <= RootPrefix.size() + 1 || line.substr(0, RootPrefix.size()) != RootPrefix
                || line.back() != ']')
                return false;
            const std::string_view path = WithoutTrailingBackslashes(
                line.substr(RootPrefix.size(), line.size() - RootPrefix.size() - 1));
            if (path.empty())
                return false;
            current = FindExactKey(path);
            if (!current) {
                m_keys.push_back({std::string(path), {}});
                current = &m_keys.back();
            }
            continue;
        }

        if (!current)
            return false;
        std::size_t pos = 0;
        auto name = ReadQuoted(line, pos);
        if (!name || pos >= line.size() || line[pos] != '=')
            return false;
        const std::string_view data = line.substr(pos + 1);

        Value value;
        value.name = std::move(*name);
        if (!data.empty() && data.front() == '"') {
            std::size_t textPos = 0;
            auto text = ReadQuoted(data, textPos);
            if (!text || textPos != data.size())
                return false;
            value.type = SettingType::Text;
            value.text = std::move(*text);
        } else if (data.substr(0, 6) == "dword:") {
            const auto number = ParseDword(data.substr(6));
            if (!number)
                return false;
            value.type = SettingType::Number;
            value.number = static_cast<std::int32_t>(*number);
        } else if (data.substr(0, 4) == "hex:") {
            auto bytes = ParseHexBytes(data.substr(4));
            if (!bytes)
                return false;
            value.type = SettingType::Binary;
            value.bytes = std::move(*bytes);
        } else {
            return false;
        }
        SetValue(*current, std::move(value));
    }
    return true;
}

std::string SettingsStore::Serialize() const
{
    std::string out(FileHeader);
    out += '\n';
    for (const Key &key : m_keys) {
        out += '\n';
        out += RootPrefix;
        out += key.path;
        out += "]\n";
        for (const Value &value : key.values) {
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

void SettingsStore::Save()
{
    m_lastSaveOk = false;
    if (m_saveBlocked)
        return;
    std::error_code ec;
    const fs::path folder = m_file.parent_path();
    if (!folder.empty()) {
        fs::create_directories(folder, ec);
        if (ec)
            return;
    }
    // Written whole to a synced temporary file first, so the old file stays
    // intact until the new one is complete.
    m_lastSaveOk = ReplaceFileContents(m_file.string(), Serialize());
}

SettingsStore::Key *SettingsStore::FindExactKey(std::string_view keyPath)
{
    return const_cast<Key *>(std::as_const(*this).FindKey(keyPath));
}

SettingsStore::Key *SettingsStore::FindKey(std::string_view keyPath)
{
    if (Key *key = FindExactKey(keyPath))
        return key;
    // A key that only has keys below it exists as well, as a registry's
    // parent keys do; it is written down once it gets a value.
    if (!KeyExists(keyPath))
        return nullptr;
    m_keys.push_back({std::string(WithoutTrailingBackslashes(keyPath)), {}});
    return &m_keys.back();
}

const SettingsStore::Key *SettingsStore::FindKey(std::string_view keyPath) const
{
    keyPath = WithoutTrailingBackslashes(keyPath);
    for (const Key &key : m_keys) {
        if (EqualIgnoringCase(key.path, keyPath))
            return &key;
    }
    return nullptr;
}

void SettingsStore::SetValue(Key &key, Value value)
{
    for (Value &existing : key.values) {
        if (EqualIgnoringCase(existing.name, value.name)) {
            // The name keeps the spelling it was first written with.
            value.name = std::move(existing.name);
            existing = std::move(value);
            return;
        }
    }
    key.values.push_back(std::move(value));
}

bool SettingsStore::KeyExists(std::string_view keyPath) const
{
    keyPath = WithoutTrailingBackslashes(keyPath);
    if (keyPath.empty())
        return false;
    for (const Key &key : m_keys) {
        if (EqualIgnoringCase(key.path, keyPath) || IsBelow(key.path, keyPath))
            return true;
    }
    return false;
}

SettingRead SettingsStore::ReadSetting(std::string_view keyPath, std::string_view name) const
{
    SettingRead result;
    const Key *key = FindKey(keyPath);
    if (!key)
        return result;
    for (const Value &value : key->values) {
        if (!EqualIgnoringCase(value.name, name))
            continue;
        switch (value.type) {
        case SettingType::Text:
            result.status = SettingStatus::Found;
            result.type = SettingType::Text;
            result.text = value.text;
            result.number = RoundSettingNumber(value.text);
            break;
        case SettingType::Number:
            result.status = SettingStatus::Found;
            result.type = SettingType::Number;
            result.text = NumberText(value.number);
            result.number = value.number;
            break;
        case SettingType::Binary:
            result.status = SettingStatus::OtherType;
            result.type = SettingType::Binary;
            break;
        }
        return result;
    }
    return result;
}

void SettingsStore::Put(std::string_view keyPath, Value value)
{
    Key *key = FindKey(keyPath);
    if (!key)
        return;
    // A write that changes nothing leaves the file alone (each save is a
    // synced rewrite of the whole file: quitting rewrote it eight times);
    // one after a failed save tries again.
    const std::string before = m_lastSaveOk ? Serialize() : std::string();
    SetValue(*key, std::move(value));
    if (m_lastSaveOk && Serialize() == before)
        return;
    SaveOrDefer();
}

void SettingsStore::SaveOrDefer()
{
    if (m_deferred > 0)
        m_savePending = true;
    else
        Save();
}

SettingsStore::DeferredSaves::DeferredSaves(SettingsStore &store) : m_store(store)
{
    ++m_store.m_deferred;
}

SettingsStore::DeferredSaves::~DeferredSaves()
{
    if (--m_store.m_deferred == 0 && m_store.m_savePending) {
        m_store.m_savePending = false;
        m_store.Save();
    }
}

void SettingsStore::WriteSetting(std::string_view keyPath, std::string_view name, std::string_view value,
                                 SettingType type)
{
    Value stored;
    stored.name = std::string(name);
    stored.type = type;
    switch (type) {
    case SettingType::Text:
        stored.text = std::string(value);
        break;
    case SettingType::Number:
        stored.number = RoundSettingNumber(value);
        break;
    case SettingType::Binary:
        stored.bytes.assign(value.begin(), value.end());
        break;
    }
    Put(keyPath, std::move(stored));
}

void SettingsStore::WriteSetting(std::string_view keyPath, std::string_view name, std::int32_t value)
{
    Value stored;
    stored.name = std::string(name);
    stored.type = SettingType::Number;
    stored.number = value;
    Put(keyPath, std::move(stored));
}

void SettingsStore::WriteBinarySetting(std::string_view keyPath, std::string_view name,
                                       const std::vector<std::uint8_t> &bytes)
{
    Value stored;
    stored.name = std::string(name);
    stored.type = SettingType::Binary;
    stored.bytes = bytes;
    Put(keyPath, std::move(stored));
}

void SettingsStore::CreateSettingsKey(std::string_view keyPath)
{
    const std::string_view path = WithoutTrailingBackslashes(keyPath);
    if (path.empty())
        return;
    if (!FindExactKey(path))
        m_keys.push_back({std::string(path), {}});
    SaveOrDefer();
}

bool SettingsStore::DeleteSettingsKey(std::string_view keyPath)
{
    const std::string_view path = WithoutTrailingBackslashes(keyPath);
    if (!KeyExists(path))
        return false;
    std::erase_if(m_keys, [path](const Key &key) {
        return EqualIgnoringCase(key.path, path) || IsBelow(key.path, path);
    });
    SaveOrDefer();
    return true;
}

void WriteDefaultSettings(SettingsStore &store, const std::string &programFolder)
{
    const SettingsStore::DeferredSaves once(store);
    store.DeleteSettingsKey(ProgramKey);

    const DisplaySettings display;
    const std::string grid = SettingsKey("grid");
    store.CreateSettingsKey(grid);
    store.WriteSetting(grid, "Height", display.DefaultWindowHeight);
    store.WriteSetting(grid, "Reverse", FlagText(display.Reverse));
    store.WriteSetting(grid, "Width", display.DefaultWindowWidth);

    const std::string print = SettingsKey("print");
    store.CreateSettingsKey(print);
    store.WriteSetting(print, "FileName", "-no file selected-");
    store.WriteSetting(print, "Font", "Courier New");
    store.WriteSetting(print, "Footnote", "True");
    store.WriteSetting(print, "Index", "1");
    store.WriteSetting(print, "PrintToFile", "False");
    store.WriteSetting(print, "Size", "8");

    const std::string misc = SettingsKey("misc");
    store.CreateSettingsKey(misc);
    store.WriteSetting(misc, "Bold", FlagText(display.FontBold));
    store.WriteSetting(misc, "ZRPath", programFolder);
    store.WriteSetting(misc, "DisplayHelp", "True");
    store.WriteSetting(misc, "Font", display.FontName);
    store.WriteSetting(misc, "Italic", FlagText(display.FontItalic));
    store.WriteSetting(misc, "Size", DefaultFontSizeText);

    const std::string exportKey = SettingsKey("export");
    store.CreateSettingsKey(exportKey);
    store.WriteSetting(exportKey, "Append", "0");
    store.WriteSetting(exportKey, "AreaName", "0");
    store.WriteSetting(exportKey, "FileName", "-no file selected-");
    store.WriteSetting(exportKey, "Format", "0");
    store.WriteSetting(exportKey, "Header", "1");
    store.WriteSetting(exportKey, "Index", "4");
    store.WriteSetting(exportKey, "LineTitle", "1");
    store.WriteSetting(exportKey, "Output", "0");
    store.WriteSetting(exportKey, "Quote", "1");
    store.WriteSetting(exportKey, "Footnotes", "0");
}

int WholeFontSize(double points)
{
    constexpr double Largest = 32767; // the size is kept as a 16-bit number
    if (!std::isfinite(points) || points < 1)
        return 1;
    if (points > Largest)
        return static_cast<int>(Largest);
    const double below = std::floor(points);
    const double fraction = points - below;
    double whole = below;
    if (fraction > 0.5 || (fraction == 0.5 && std::fmod(below, 2) != 0))
        whole = below + 1;
    return std::max(1, static_cast<int>(whole));
}

DisplaySettings ReadDisplaySettings(const SettingsStore &store)
{
    // A value that is missing, or that no window could use (an empty font
    // name, a size of zero or less), leaves the default in place.
    DisplaySettings settings;
    const std::string misc = SettingsKey("misc");
    const std::string grid = SettingsKey("grid");

    if (const SettingRead font = store.ReadSetting(misc, "Font"); font.Found() && !font.Text().empty())
        settings.FontName = font.Text();
    if (const SettingRead size = store.ReadSetting(misc, "Size"); size.Found() && size.Number() > 0)
        settings.FontSize = size.Number();
    if (const SettingRead bold = store.ReadSetting(misc, "Bold"); bold.Found())
        settings.FontBold = bold.Flag();
    if (const SettingRead italic = store.ReadSetting(misc, "Italic"); italic.Found())
        settings.FontItalic = italic.Flag();
    if (const SettingRead height = store.ReadSetting(grid, "Height"); height.Found() && height.Number() > 0)
        settings.DefaultWindowHeight = height.Number();
    if (const SettingRead width = store.ReadSetting(grid, "Width"); width.Found() && width.Number() > 0)
        settings.DefaultWindowWidth = width.Number();
    if (const SettingRead reverse = store.ReadSetting(grid, "Reverse"); reverse.Found())
        settings.Reverse = reverse.Flag();
    return settings;
}

void WriteDisplaySettings(SettingsStore &store, const DisplaySettings &settings)
{
    const std::string misc = SettingsKey("misc");
    const std::string grid = SettingsKey("grid");
    store.WriteSetting(misc, "Font", settings.FontName);
    store.WriteSetting(misc, "Size", SettingNumberText(settings.FontSize));
    store.WriteSetting(misc, "Bold", FlagText(settings.FontBold));
    store.WriteSetting(misc, "Italic", FlagText(settings.FontItalic));
    store.WriteSetting(grid, "Reverse", FlagText(settings.Reverse));
    store.WriteSetting(grid, "Height", settings.DefaultWindowHeight);
    store.WriteSetting(grid, "Width", settings.DefaultWindowWidth);
}

DisplaySettings ResetToDefault(SettingsStore &store, const std::string &programFolder, std::string &dataFolder)
{
    WriteDefaultSettings(store, programFolder);

    const std::string misc = SettingsKey("misc");
    const std::string reset = Trim(store.ReadSetting(misc, "ZRPath").Text());
    if (DataFilesPresent(reset))
        dataFolder = WithTrailingSlash(reset);
    else
        store.WriteSetting(misc, "ZRPath", dataFolder);

    store.WriteSetting(misc, "DisplayHelp", "False");
    return ReadDisplaySettings(store);
}

} // namespace tarvel

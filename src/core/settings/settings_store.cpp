#include "core/settings/settings_store.h"

#include "core/catalog/safe_output_file.h"
#include "core/catalog/temporary_files.h"
#include "core/catalog/text_helpers.h"

#include <cctype>
#include <cerrno>
#include <charconv>
#include <cmath>
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
    if (readOk) {
        if (std::optional<RegistryKeys> keys = ParseRegistryFile(content)) {
            m_keys = std::move(*keys);
            return;
        }
    }

    // Kept aside rather than overwritten: the user may still want what it holds.
    m_keptAside = true;
    const std::optional<fs::path> bad = FreeKeptAsideName(m_file);
    if (bad)
        fs::rename(m_file, *bad, ec);
    if (!bad || ec) {
        // It stays where it is; saving over it would lose it.
        m_saveBlocked = true;
        m_blockedError = bad ? ec.value() : EEXIST;
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

std::string SettingsStore::Serialize() const
{
    return SerializeRegistryFile(m_keys);
}

void SettingsStore::Save()
{
    m_lastSaveOk = false;
    m_lastSaveError = 0;
    if (m_saveBlocked) {
        // A file the store could not read, or could not keep aside, is never
        // saved over.
        m_lastSaveError = m_blockedError;
        return;
    }
    std::error_code ec;
    const fs::path folder = m_file.parent_path();
    if (!folder.empty()) {
        fs::create_directories(folder, ec);
        if (ec) {
            m_lastSaveError = ec.value();
            return;
        }
    }
    // Written whole to a synced temporary file first, so the old file stays
    // intact until the new one is complete.
    auto output = SafeOutputFile::Open(m_file.string(), SafeOutputFile::Mode::Replace);
    if (!output) {
        m_lastSaveError = output.Error().error;
        return;
    }
    m_lastSaveOk = output->Write(Serialize()) && output->Commit();
    if (!m_lastSaveOk)
        m_lastSaveError = output->Error();
}

RegistryKey *SettingsStore::FindKey(std::string_view keyPath)
{
    if (RegistryKey *key = FindRegistryKey(m_keys, keyPath))
        return key;
    // A key that only has keys below it exists as well, as a registry's
    // parent keys do; it is written down once it gets a value.
    if (!KeyExists(keyPath))
        return nullptr;
    m_keys.push_back({std::string(WithoutTrailingBackslashes(keyPath)), {}});
    return &m_keys.back();
}

bool SettingsStore::KeyExists(std::string_view keyPath) const
{
    keyPath = WithoutTrailingBackslashes(keyPath);
    if (keyPath.empty())
        return false;
    for (const RegistryKey &key : m_keys) {
        if (EqualIgnoringCase(key.path, keyPath) || IsBelowKey(key.path, keyPath))
            return true;
    }
    return false;
}

SettingRead SettingsStore::ReadSetting(std::string_view keyPath, std::string_view name) const
{
    SettingRead result;
    const RegistryKey *key = FindRegistryKey(m_keys, keyPath);
    const RegistryValue *value = key ? key->Find(name) : nullptr;
    if (!value)
        return result;
    switch (value->type) {
    case SettingType::Text:
        result.status = SettingStatus::Found;
        result.type = SettingType::Text;
        result.text = value->text;
        result.number = RoundSettingNumber(value->text);
        break;
    case SettingType::Number:
        result.status = SettingStatus::Found;
        result.type = SettingType::Number;
        result.text = std::to_string(value->number);
        result.number = value->number;
        break;
    case SettingType::Binary:
        result.status = SettingStatus::OtherType;
        result.type = SettingType::Binary;
        break;
    }
    return result;
}

void SettingsStore::Put(std::string_view keyPath, RegistryValue value)
{
    RegistryKey *key = FindKey(keyPath);
    if (!key)
        return;
    // A write that changes nothing leaves the file alone (each save is a
    // synced rewrite of the whole file: quitting rewrote it eight times);
    // one after a failed save tries again.
    const std::string before = m_lastSaveOk ? Serialize() : std::string();
    key->Set(std::move(value));
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
    RegistryValue stored;
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
    RegistryValue stored;
    stored.name = std::string(name);
    stored.type = SettingType::Number;
    stored.number = value;
    Put(keyPath, std::move(stored));
}

void SettingsStore::WriteBinarySetting(std::string_view keyPath, std::string_view name,
                                       const std::vector<std::uint8_t> &bytes)
{
    RegistryValue stored;
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
    if (!FindRegistryKey(m_keys, path))
        m_keys.push_back({std::string(path), {}});
    SaveOrDefer();
}

bool SettingsStore::DeleteSettingsKey(std::string_view keyPath)
{
    const std::string_view path = WithoutTrailingBackslashes(keyPath);
    if (!KeyExists(path))
        return false;
    std::erase_if(m_keys, [path](const RegistryKey &key) {
        return EqualIgnoringCase(key.path, path) || IsBelowKey(key.path, path);
    });
    SaveOrDefer();
    return true;
}

} // namespace tarvel

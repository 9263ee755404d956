#pragma once

#include "core/settings/registry_file.h"

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace tarvel {

// The per-user settings tree, kept in one registry-export text file
// (registry_file.h). Key paths are given below the root, e.g.
// "Software\\ZUL\\TARVEL_08_1\\grid". Key paths and value names match without
// regard to letter case. Every store operation is silent; failures show
// only in the returned status and in LastSaveSucceeded. The values the
// program keeps there: program_settings.h.

inline constexpr std::string_view ProgramKey = "Software\\ZUL\\TARVEL_08_1\\";
std::string SettingsKey(std::string_view subKey); ///< ProgramKey + subKey

/// Whether ReadSetting found a value it can give: Found for text or a
/// 32-bit number; Missing when the key or the value is not there; OtherType
/// for a value of another type (binary). Only Found fills the value.
enum class SettingStatus { Found, Missing, OtherType };

/// What ReadSetting found.
struct SettingRead {
    SettingStatus status = SettingStatus::Missing;
    SettingType type = SettingType::Text;
    std::string text;        ///< the text, or the number as decimal text
    std::int32_t number = 0; ///< the number, or the text read as a whole number

    bool Found() const { return status == SettingStatus::Found; }
    /// The value as text ("" when missing).
    const std::string &Text() const { return text; }
    /// The value as a whole number; text rounds to nearest, halves to even
    /// ("8.5" reads 8, "9.5" reads 10); missing or non-numeric text reads 0.
    std::int32_t Number() const { return number; }
    /// "True"/"False" in any case, or a number where non-zero is true.
    bool Flag() const;
};

class SettingsStore {
public:
    /// Opens the store kept in file. A file that cannot be parsed is renamed
    /// to file + ".bad" (".bad.1", ".bad.2", ... when that name is taken) and
    /// the store starts empty. A file that cannot be read is left alone: the
    /// store starts empty and never saves over it. Temporary files that a
    /// killed save left beside file are removed.
    explicit SettingsStore(std::filesystem::path file);

    /// $XDG_CONFIG_HOME/ZUL/TARVEL_08_1.reg (default ~/.config/ZUL/...).
    static std::filesystem::path DefaultFile();

    SettingRead ReadSetting(std::string_view keyPath, std::string_view name) const;
    /// Writes a text or number value; a missing key is not created and the
    /// write has no effect.
    void WriteSetting(std::string_view keyPath, std::string_view name, std::string_view value,
                      SettingType type = SettingType::Text);
    void WriteSetting(std::string_view keyPath, std::string_view name, std::int32_t value);
    /// Writes a binary value (only used to test the OtherType status).
    void WriteBinarySetting(std::string_view keyPath, std::string_view name, const std::vector<std::uint8_t> &bytes);
    void CreateSettingsKey(std::string_view keyPath);
    /// Deletes the key and every key below it. True when it existed.
    bool DeleteSettingsKey(std::string_view keyPath);
    bool KeyExists(std::string_view keyPath) const;

    /// True when the last save reached the disk.
    bool LastSaveSucceeded() const { return m_lastSaveOk; }
    /// Why the last save did not reach the disk: the system's reason (an
    /// errno value); 0 after a save that did, or when none is known.
    int LastSaveError() const { return m_lastSaveError; }
    /// True when the file could not be parsed at open and was kept aside.
    bool WasKeptAside() const { return m_keptAside; }
    /// True when the file exists but could not be read (its permissions); the
    /// caller tells the user that the defaults are in use and nothing is saved.
    bool WasUnreadable() const { return m_unreadable; }
    const std::filesystem::path &File() const { return m_file; }

    /// The file's text as it would be saved.
    std::string Serialize() const;

    /// While one lives, writes (and keys created or deleted) change the
    /// store but the file is saved once, when the last one ends, and only
    /// when something changed.
    class DeferredSaves {
    public:
        explicit DeferredSaves(SettingsStore &store);
        ~DeferredSaves();
        DeferredSaves(const DeferredSaves &) = delete;
        DeferredSaves &operator=(const DeferredSaves &) = delete;

    private:
        SettingsStore &m_store;
    };

private:
    void Save();
    /// Saves now, or at the end of the deferral when saves are deferred.
    void SaveOrDefer();
    /// The key, also one that exists only through keys below it (which is
    /// then stored); nullptr when missing.
    RegistryKey *FindKey(std::string_view keyPath);
    /// Sets the value when its key exists, and saves.
    void Put(std::string_view keyPath, RegistryValue value);

    std::filesystem::path m_file;
    RegistryKeys m_keys;
    bool m_lastSaveOk = true;
    int m_lastSaveError = 0;
    bool m_keptAside = false;
    bool m_unreadable = false;
    bool m_saveBlocked = false; // the file could not be read, or not kept aside: a save would lose it
    int m_blockedError = 0;     // why a file that could not be parsed could not be kept aside
    int m_deferred = 0;         // DeferredSaves alive
    bool m_savePending = false; // a write made while saves were deferred
};

/// The settings files the program reads, for the check that keeps output out
/// of them: the default file, and store's own file when given.
std::vector<std::string> SettingsFilesRead(const SettingsStore *store = nullptr);

/// Number written as settings text: one leading blank ("8" gives " 8").
std::string SettingNumberText(long long value);
/// Rounds text to a whole number, halves to even; 0 when not a number.
std::int32_t RoundSettingNumber(std::string_view text);

} // namespace tarvel

#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tarvel {

// The settings file's format, the registry-export text:
//
//   REGEDIT4
//
//   [HKEY_CURRENT_USER\Software\ZUL\TARVEL_08_1\grid]
//   "Height"=dword:00001388
//   "Reverse"="False"
//
// Each key is a line in brackets, followed by its values: a quoted name,
// "=", then a quoted text (with \\, \", \n and \r escaped), dword: and eight
// hex digits, or hex: and comma-separated byte pairs. Key paths are below
// HKEY_CURRENT_USER; key paths and value names match without regard to
// letter case.

enum class SettingType { Text, Number, Binary };

struct RegistryValue {
    std::string name; ///< as first written
    SettingType type = SettingType::Text;
    std::string text;        ///< Text
    std::int32_t number = 0; ///< Number
    std::vector<std::uint8_t> bytes; ///< Binary
};

struct RegistryKey {
    std::string path; ///< below the root as first written, no trailing backslash
    std::vector<RegistryValue> values;

    /// The value of that name in any letter case; nullptr when missing.
    const RegistryValue *Find(std::string_view name) const;
    /// Replaces the value of the same name (which keeps its first spelling),
    /// or adds it at the end.
    void Set(RegistryValue value);
};

/// The keys of a file in their order; each path once.
using RegistryKeys = std::vector<RegistryKey>;

/// The key of exactly that path (letter case and trailing backslashes
/// ignored); nullptr when there is none.
const RegistryKey *FindRegistryKey(const RegistryKeys &keys, std::string_view path);
RegistryKey *FindRegistryKey(RegistryKeys &keys, std::string_view path);

/// "a\b\" and "a\b" name the same key.
std::string_view WithoutTrailingBackslashes(std::string_view keyPath);
/// True when key lies below parent ("a\b\c" below "a\b"), letter case ignored.
bool IsBelowKey(std::string_view key, std::string_view parent);

/// The keys of a file's text (LF or CR LF line ends; a key given twice is
/// one key, a value given twice the last one); nullopt when any line is not
/// of the format.
std::optional<RegistryKeys> ParseRegistryFile(std::string_view content);
/// The file's text for keys, LF line ends, a blank line before each key.
std::string SerializeRegistryFile(const RegistryKeys &keys);

} // namespace tarvel

#include "core/settings/program_settings.h"

#include "core/catalog/failure.h"
#include "core/catalog/file_helpers.h"
#include "core/catalog/text_helpers.h"

#include <algorithm>
#include <cmath>

namespace tarvel {

bool NamesNoFile(std::string_view name)
{
    return name.substr(0, 3) == NoFileSelected.substr(0, 3);
}

std::string RememberedSetting::KeyPath() const
{
    return SettingsKey(SubKey);
}

SettingRead RememberedSetting::Read(const SettingsStore &store) const
{
    return store.ReadSetting(KeyPath(), Name);
}

void RememberedSetting::Write(SettingsStore &store, std::string_view text) const
{
    store.WriteSetting(KeyPath(), Name, text, Type);
}

void RememberedSetting::Write(SettingsStore &store, std::int32_t number) const
{
    if (Type == SettingType::Number)
        store.WriteSetting(KeyPath(), Name, number);
    else
        store.WriteSetting(KeyPath(), Name, SettingNumberText(number));
}

const char *SettingFlagText(bool flag)
{
    return flag ? "True" : "False";
}

void WriteDefaultSettings(SettingsStore &store, const std::string &programFolder)
{
    const SettingsStore::DeferredSaves once(store);
    store.DeleteSettingsKey(ProgramKey);
    std::string_view subKey;
    for (const RememberedSetting *setting : RememberedSettings) {
        if (setting->SubKey != subKey) {
            subKey = setting->SubKey;
            store.CreateSettingsKey(setting->KeyPath());
        }
        setting->Write(store, setting->DefaultIsProgramFolder ? std::string_view(programFolder) : setting->Default);
    }
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
    if (const SettingRead font = setting::MiscFont.Read(store); font.Found() && !font.Text().empty())
        settings.FontName = font.Text();
    if (const SettingRead size = setting::MiscSize.Read(store); size.Found() && size.Number() > 0)
        settings.FontSize = size.Number();
    if (const SettingRead bold = setting::MiscBold.Read(store); bold.Found())
        settings.FontBold = bold.Flag();
    if (const SettingRead italic = setting::MiscItalic.Read(store); italic.Found())
        settings.FontItalic = italic.Flag();
    if (const SettingRead height = setting::GridHeight.Read(store); height.Found() && height.Number() > 0)
        settings.DefaultWindowHeight = height.Number();
    if (const SettingRead width = setting::GridWidth.Read(store); width.Found() && width.Number() > 0)
        settings.DefaultWindowWidth = width.Number();
    if (const SettingRead reverse = setting::GridReverse.Read(store); reverse.Found())
        settings.Reverse = reverse.Flag();
    return settings;
}

void WriteDisplaySettings(SettingsStore &store, const DisplaySettings &settings)
{
    setting::MiscFont.Write(store, settings.FontName);
    setting::MiscSize.Write(store, settings.FontSize);
    setting::MiscBold.Write(store, SettingFlagText(settings.FontBold));
    setting::MiscItalic.Write(store, SettingFlagText(settings.FontItalic));
    setting::GridReverse.Write(store, SettingFlagText(settings.Reverse));
    setting::GridHeight.Write(store, settings.DefaultWindowHeight);
    setting::GridWidth.Write(store, settings.DefaultWindowWidth);
}

DisplaySettings ResetToDefault(SettingsStore &store, const std::string &programFolder, std::string &dataFolder)
{
    WriteDefaultSettings(store, programFolder);

    const std::string reset = Trim(setting::ZRPath.Read(store).Text());
    if (DataFilesPresent(reset))
        dataFolder = WithTrailingSlash(reset);
    else
        setting::ZRPath.Write(store, dataFolder);

    setting::DisplayHelp.Write(store, SettingFlagText(false));
    return ReadDisplaySettings(store);
}

std::string SettingsNotSavedText(const std::string &file, int error)
{
    std::string text = "The settings could not be saved in the file " + file + ".";
    if (error != 0)
        text += "\n" + SystemReason(error);
    return text + "\nOrlandel ends now; its next start finds the settings as they were last saved.";
}

} // namespace tarvel

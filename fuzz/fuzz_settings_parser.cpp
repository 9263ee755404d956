// The settings file parser: any file either parses, and then what it saves
// parses again to the same text, or is kept aside; nothing may crash.

#include "core/settings/settings_store.h"
#include "fuzz_sandbox.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    using namespace tarvel;
    static fuzz::Sandbox sandbox;
    const std::string file = sandbox.Write("s.reg", std::string_view(reinterpret_cast<const char *>(data), size));

    std::string saved;
    {
        SettingsStore store(file);
        (void)store.ReadSetting("Software\\ZUL\\TARVEL_08_1\\grid", "Height").Number();
        (void)store.ReadSetting("software\\zul\\tarvel_08_1\\misc", "ZRPath").Text();
        (void)store.ReadSetting("Software\\ZUL\\TARVEL_08_1\\export", "Format").Flag();
        if (store.WasKeptAside()) {
            std::filesystem::remove_all(sandbox.Path());
            std::filesystem::create_directories(sandbox.Path());
            return 0;
        }
        saved = store.Serialize();
        store.WriteSetting("Software\\ZUL\\TARVEL_08_1\\grid", "Height", 5000);
    }
    SettingsStore again(sandbox.Write("again.reg", saved));
    if (again.WasKeptAside() || again.Serialize() != saved) {
        std::fprintf(stderr, "saved settings do not read back as saved\n");
        std::abort();
    }
    return 0;
}

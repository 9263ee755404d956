#include "core/help/about_text.h"
#include "core/catalog/file_helpers.h"

#include "test_fixture.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

namespace tarvel {
namespace {

using test::TempFolder;

TEST(AboutText, LocationsNameTheDataSettingsAndHelpFile)
{
    TempFolder folder;
    const std::string help = folder.Write("tarvel.hlp", "@topic 1 Contents\r\n");
    EXPECT_EQ(AboutLocationsText(folder.Path(), "/home/u/.config/ZUL/TARVEL_08_1.reg", help),
              "Data folder: " + folder.Path() + "\r\nSettings: /home/u/.config/ZUL/TARVEL_08_1.reg\r\nHelp file: "
                  + help);
    // Nothing found is said so, never an empty name.
    EXPECT_EQ(AboutLocationsText("", "s.reg", folder.Path() + "absent.hlp"),
              "Data folder: (none found)\r\nSettings: s.reg\r\nHelp file: " + folder.Path() + "absent.hlp (not found)");
}

TEST(AboutText, VersionDateAndContactLines)
{
    const std::string text = AboutText();
    EXPECT_EQ(text.rfind("TARVEL 32-bit v." TARVEL_PROJECT_VERSION "\r\nJune 2008\r\n\r\n", 0), 0u) << text;
    // Organisation, empty line, then author, e-mail and telephone on lines of their own.
    std::vector<std::string> lines;
    std::size_t start = 0;
    for (std::size_t end; (end = text.find("\r\n", start)) != std::string::npos; start = end + 2)
        lines.push_back(text.substr(start, end - start));
    lines.push_back(text.substr(start));
    ASSERT_EQ(lines.size(), 8u) << text;
    EXPECT_TRUE(lines[2].empty());
    EXPECT_EQ(lines[3], CopyrightHolder); // the licence holder, as LICENSE names it
    EXPECT_TRUE(lines[4].empty());
    // No address or number the project does not have: none at all.
    EXPECT_EQ(lines[6], "E-mail: none");
    EXPECT_EQ(lines[7], "Telephone: none");
    EXPECT_EQ(text.find('@'), std::string::npos) << text;
    EXPECT_EQ(text.find_first_of("0123456789", text.find("June 2008") + 9), std::string::npos) << text;
    for (const std::string &line : lines)
        EXPECT_EQ(line.find_first_of("\r\n"), std::string::npos) << line; // CR LF only, never alone
}

TEST(AboutText, LicenceLineIsLicenseFilesCopyrightAndName)
{
    // The copyright line and the licence's name, word for word as LICENSE has
    // them (its first line is the name), on one line.
    const std::optional<std::string> license = ReadWholeFile(TARVEL_LICENSE_FILE);
    ASSERT_TRUE(license);
    const std::string name = license->substr(0, license->find('\n'));
    const std::size_t copyright = license->find("\nCopyright (c) ");
    ASSERT_NE(copyright, std::string::npos) << *license;
    const std::string copyrightLine =
        license->substr(copyright + 1, license->find('\n', copyright + 1) - copyright - 1);
    EXPECT_EQ(name, "MIT License");
    EXPECT_EQ(AboutLicenceText(), copyrightLine + ". Licensed under the MIT License.");
    EXPECT_EQ(AboutLicenceText().find_first_of("\r\n"), std::string::npos);
}

} // namespace
} // namespace tarvel

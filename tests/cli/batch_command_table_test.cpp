#include "cli/batch_command_table.h"

#include "cli/batch_commands.h"
#include "cli/batch_docs.h"
#include "core/export/export_formats.h"
#include "core/views/units.h"
#include "test_fixture.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <vector>

namespace tarvel::batch {
namespace {

// --help is what users and scripts know: it stays byte for byte.
TEST(BatchCommandTable, HelpIsAsWritten)
{
    EXPECT_EQ(HelpText(), test::FileBytes(test::TestDataDir() + "expected/batch/help.txt"));
}

// Each command's usage names its options and no others, each command has
// its own function, and the name finds the command.
TEST(BatchCommandTable, UsageNamesExactlyTheOptionsOfItsCommand)
{
    std::set<std::string_view> names;
    std::set<int (*)(const Context &)> functions;
    const std::regex option("--[a-z][a-z-]*");
    for (const CommandSpec &command : Commands()) {
        EXPECT_TRUE(names.insert(command.Name).second) << command.Name;
        EXPECT_TRUE(command.Run && functions.insert(command.Run).second) << command.Name;
        EXPECT_EQ(FindCommand(command.Name), &command);
        ASSERT_FALSE(command.Usage.empty()) << command.Name;
        EXPECT_EQ(command.Usage[0].substr(0, command.Usage[0].find(' ')), command.Name);

        std::string usage;
        for (const std::string &line : command.Usage)
            usage += line + "\n";
        std::set<std::string> named;
        for (auto it = std::sregex_iterator(usage.begin(), usage.end(), option); it != std::sregex_iterator(); ++it)
            named.insert(it->str());
        std::set<std::string> accepted;
        for (const OptionSpec &option : command.Options)
            accepted.emplace(option.Name);
        EXPECT_EQ(named, accepted) << command.Name;
    }
}

// A word that is not a command runs nothing, whatever options follow it.
TEST(BatchCommandTable, AnUnknownCommandRunsNothing)
{
    for (const char *word : {"Print", "prin", "print ", "", "--", "exports"})
        EXPECT_EQ(FindCommand(word), nullptr) << word;
    test::TempFolder out;
    const std::string file = out.Path() + "out.txt";
    std::ostringstream output;
    std::ostringstream errors;
    const std::vector<std::string> args{"--data", test::SampleDataDir(), "prin",  "--table",
                                        "ZR5",    "--areas",             "1",     "--output", file};
    const int status = batch::Run(args, "/nonexistent-program-folder/", output, errors);
    EXPECT_EQ(status, ExitUsage);
    EXPECT_NE(errors.str().find("unknown command \"prin\""), std::string::npos) << errors.str();
    EXPECT_TRUE(output.str().empty());
    EXPECT_FALSE(std::filesystem::exists(file));
}

TEST(BatchDocs, ListsComeFromTheTables)
{
    std::string error;
    const auto Filled = [&error](std::string_view text) {
        const std::optional<std::string> filled = FillDocTemplate(text, error);
        return filled ? *filled : "<" + error + ">";
    };
    EXPECT_EQ(Filled("t=\"{{table-codes}}\""), "t=\"ZR4 ZR1 ZR5N ZR5 ZR5H ZR6N ZR6 ZR7N ZR7 ZR7H\"");
    EXPECT_EQ(Filled("{{command-names}}"), "tables areas lines show show-line export print map");
    EXPECT_EQ(Filled("{{format-names}}"), ExportFormatNames(" "));
    EXPECT_EQ(Filled("{{quarter-words}}"), "last4 last5 last8 last9 all");
    EXPECT_EQ(Filled("{{global-options}}"), "--data --unsuppressed --help --version");
    // The completion matches "COMMAND:OPTION": --format takes export
    // formats in export and output forms in the listing commands.
    EXPECT_EQ(Filled("{{options:folder}})"), "*:--data | *:--per-area)");
    EXPECT_EQ(Filled("{{options:number}}"), "*:--area | *:--line | *:--quarter");
    EXPECT_EQ(Filled("{{options:export-format}}"), "export:--format");
    EXPECT_EQ(Filled("{{options:listing-format}}"),
              "tables:--format | areas:--format | lines:--format | show:--format | show-line:--format");
    EXPECT_EQ(Filled("{{listing-format-names}}"), "text csv json");
    EXPECT_EQ(Filled("One of {{roff:table-codes-and}}."),
              "One of ZR4, ZR1, ZR5N, ZR5, ZR5H, ZR6N, ZR6, ZR7N, ZR7 and ZR7H.");
    EXPECT_EQ(Filled("is {{roff:format-names}};"),
              "is \\fBcomma\\fR, \\fBspace\\fR, \\fBtab\\fR, \\fBfixed\\fR or \\fBxlsx\\fR;");
    // A list of several lines stands as far in as its name.
    const std::string arms = Filled("    {{command-option-arms}}\n");
    EXPECT_EQ(arms.substr(0, arms.find('\n', arms.find('\n') + 1) + 1),
              "    tables) options=\"--format\" ;;\n    areas) options=\"--format\" ;;\n");
    EXPECT_NE(arms.find("\n    lines) options=\"--table --format\" ;;\n"), std::string::npos) << arms;
    EXPECT_NE(arms.find("\n    print) options=\"--table --areas --quarters --output --footnotes --reverse --units "
                        "--base\" ;;\n"),
              std::string::npos);

    for (const char *wrong : {"{{tables}}", "{{options:colour}}", "a {{table-codes"})
        EXPECT_FALSE(FillDocTemplate(wrong, error)) << wrong;
    EXPECT_FALSE(FillDocTemplate("{{nothing}}", error));
    EXPECT_EQ(error, "unknown list {{nothing}}");
}

// The units the completion and the manual page offer are the units table's.
TEST(BatchDocs, UnitsComeFromTheUnitsTable)
{
    std::string error;
    EXPECT_EQ(FillDocTemplate("{{options:units}} {{options:quarter}}", error), "*:--units *:--base");
    std::string names = UnitsShortNames();
    names.erase(std::remove(names.begin(), names.end(), ','), names.end());
    EXPECT_EQ(FillDocTemplate("{{units-names}}", error), names);
    const std::string roff = FillDocTemplate("{{roff:units-list}}", error).value_or("");
    EXPECT_NE(roff.find(".TP 8\n.B pc1\n(x(t)/x(t\\-4) \\- 1) * 100: the percent change"), std::string::npos) << roff;
    EXPECT_EQ(std::count(roff.begin(), roff.end(), '\n'), 3 * static_cast<long>(UnitsTable().size()) - 1);
}

// The templates of the completion and the manual page name lists that exist.
TEST(BatchDocs, TheTemplatesFill)
{
    for (const char *name : {"tarvel-batch.bash.in", "man/tarvel-batch.1.in"}) {
        std::string error;
        const std::string text = test::FileBytes(std::string(TARVEL_DIST_DIR) + "/" + name);
        ASSERT_FALSE(text.empty()) << name;
        const std::optional<std::string> filled = FillDocTemplate(text, error);
        ASSERT_TRUE(filled) << name << ": " << error;
        EXPECT_EQ(filled->find("{{"), std::string::npos) << name;
    }
}

} // namespace
} // namespace tarvel::batch

#pragma once

#include "core/catalog/failure.h"

#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace tarvel {

// The help file "tarvel.hlp" is single-byte (Latin-1) text of numbered topics:
//
//   # a comment line (a '#' in the first column), ignored anywhere
//   @topic 8 Quick start            starts topic 8, titled "Quick start"
//   @keywords quick start, first steps   keywords of the topic (repeatable)
//   body lines in a light markup:
//     a blank line ends a paragraph; consecutive lines join into one
//     == Heading                    a sub-heading
//     * item                        a bullet item; following lines continue it
//     | cell | cell | cell          a table row; the first row of a table is its header
//     > text                        a line shown as written, in a fixed font
//     [[12|Display window]]         a link to topic 12 ([[12]] shows its title)
//     **text**                      bold text
//
// Topic numbers are whole numbers 1..99999, each used once; topic 1 is the
// contents page when the file has one.

struct HelpTopic {
    int number = 0;
    std::string title;
    std::vector<std::string> keywords; ///< as written, surrounding blanks removed
    std::vector<std::string> body;     ///< the markup lines that follow the topic's @ lines
};

/// One keyword of the index with the topics that list it, in file order.
struct HelpKeyword {
    std::string keyword;
    std::vector<int> topics;
};

class HelpFile {
public:
    /// The topics in file order.
    const std::vector<HelpTopic> &Topics() const { return m_topics; }
    /// The topic with that number, or nullptr.
    const HelpTopic *Find(int number) const;
    /// Topic 1 when the file has it, else a generated page (number 0,
    /// title "Contents") linking every topic in file order.
    HelpTopic Contents() const;
    /// Index keywords whose text contains text (letter case ignored), sorted
    /// alphabetically; an empty text gives every keyword.
    std::vector<HelpKeyword> Keywords(std::string_view text = {}) const;
    /// Numbers of the topics whose title or a keyword contains text (letter
    /// case ignored), in file order; an empty text gives every topic.
    std::vector<int> Search(std::string_view text) const;
    /// Links to topics the file does not hold: pairs of (topic, target).
    std::vector<std::pair<int, int>> BrokenLinks() const;

private:
    friend Result<HelpFile> ParseHelpText(std::string_view text, const std::string &path);
    std::vector<HelpTopic> m_topics;
};

/// Parses help text (lines may end in CR LF or LF). A text without topics,
/// with a malformed or duplicate @topic line, an unknown @ line or text
/// before the first topic gives a Damaged failure naming path and the line.
Result<HelpFile> ParseHelpText(std::string_view text, const std::string &path = {});
/// Reads and parses the help file; NotAccessible when it cannot be read.
Result<HelpFile> ReadHelpFile(const std::string &path);

/// The places the help file is looked for, in order: beside the program
/// (where it always ships), then in the data folder (left out while that is
/// empty). Both folders end in '/'.
std::vector<std::string> HelpFileCandidates(const std::string &programFolder, const std::string &dataFolder);
/// The first of HelpFileCandidates that exists (its name in any letter
/// case); when none does, the data folder's (the program folder's while no
/// data folder is known), so a message can name it.
std::string LocateHelpFile(const std::string &programFolder, const std::string &dataFolder);

/// The topic as an HTML fragment: its title as a heading, then its body.
/// Links become <a href="topic:N">; links to missing topics stay plain text.
/// The result is ASCII: <, >, & and " are escaped and bytes above 127 are
/// written as character references of their Latin-1 code.
std::string RenderTopicHtml(const HelpTopic &topic, const HelpFile &file);

/// text with &, <, > and " escaped and Latin-1 bytes above 127 as "&#N;".
std::string EscapeHtml(std::string_view text);

/// The topic number of a "topic:N" link target, or 0 for anything else.
int TopicFromLink(std::string_view href);

} // namespace tarvel

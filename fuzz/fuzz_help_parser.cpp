// The help file parser and everything the help window asks of a parsed file.

#include "core/help/help_file.h"

#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    using namespace tarvel;
    const std::string_view text(reinterpret_cast<const char *>(data), size);
    const Result<HelpFile> file = ParseHelpText(text, "tarvel.hlp");
    if (!file) {
        (void)FailureText(file.Error());
        return 0;
    }
    (void)RenderTopicHtml(file->Contents(), *file);
    for (const HelpTopic &topic : file->Topics())
        (void)RenderTopicHtml(topic, *file);
    (void)file->Keywords();
    (void)file->Keywords(text.substr(0, 3));
    (void)file->Search(text.substr(0, 2));
    (void)file->BrokenLinks();
    (void)TopicFromLink(text);
    return 0;
}

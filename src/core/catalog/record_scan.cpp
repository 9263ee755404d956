#include "core/catalog/record_scan.h"

namespace tarvel {

namespace plain {

bool SplitRecordBody(std::string_view body, std::vector<std::string_view> &fields)
{
    fields.clear();
    bool lineEnd = false;
    std::size_t begin = 0;
    for (std::size_t i = 0; i < body.size(); ++i) {
        if (body[i] == ',') {
            fields.push_back(body.substr(begin, i - begin));
            begin = i + 1;
        }
        lineEnd |= body[i] == '\r' || body[i] == '\n';
    }
    fields.push_back(body.substr(begin));
    return !lineEnd;
}

std::size_t CountRecordCommas(std::string_view body, bool &lineEnd)
{
    std::size_t commas = 0;
    lineEnd = false;
    for (const char c : body) {
        commas += c == ',';
        lineEnd |= c == '\r' || c == '\n';
    }
    return commas;
}

} // namespace plain

#if defined(TARVEL_PLAIN_CODE)
bool SplitRecordBody(std::string_view body, std::vector<std::string_view> &fields)
{
    return plain::SplitRecordBody(body, fields);
}

std::size_t CountRecordCommas(std::string_view body, bool &lineEnd)
{
    return plain::CountRecordCommas(body, lineEnd);
}
#endif

} // namespace tarvel

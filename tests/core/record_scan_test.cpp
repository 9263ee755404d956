#include "core/catalog/record_scan.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <string>
#include <vector>

namespace tarvel {
namespace {

// Record bodies of every length around the sixteen-byte blocks, mostly
// fields of a few bytes, now and then a CR or LF anywhere, and long runs of
// commas (more than one byte lane counts before its sum): the passes the
// readers call give what the byte-by-byte ones give.
TEST(RecordScan, QuickPassesMatchThePlainOnes)
{
    std::mt19937_64 random(2512);
    std::vector<std::string> bodies{"", ",", ",,", "\r", "\n", std::string(16, ','), std::string(17, ','),
                                    std::string(255 * 16 + 40, ','), std::string(5000, ',') + "\n",
                                    std::string(15, 'x') + "\r" + std::string(16, ','), "01,5,ZR4 ,0010,xxxx"};
    const std::string alphabet = "0123456789 .-,,,";
    for (int n = 0; n < 3000; ++n) {
        std::string body;
        const std::size_t length = random() % (n % 10 == 0 ? 3000 : 70);
        for (std::size_t i = 0; i < length; ++i)
            body += alphabet[random() % alphabet.size()];
        if (!body.empty() && random() % 5 == 0)
            body[random() % body.size()] = random() % 2 ? '\r' : '\n';
        bodies.push_back(body);
    }
    std::vector<std::string_view> quick;
    std::vector<std::string_view> plain;
    for (const std::string &body : bodies) {
        // The same views: the same fields at the same places of body.
        EXPECT_EQ(SplitRecordBody(body, quick), plain::SplitRecordBody(body, plain)) << body;
        ASSERT_EQ(quick.size(), plain.size()) << body;
        for (std::size_t i = 0; i < quick.size(); ++i) {
            EXPECT_EQ(quick[i].data(), plain[i].data()) << body;
            EXPECT_EQ(quick[i].size(), plain[i].size()) << body;
        }
        bool quickEnd = false;
        bool plainEnd = true;
        EXPECT_EQ(CountRecordCommas(body, quickEnd), plain::CountRecordCommas(body, plainEnd)) << body;
        EXPECT_EQ(quickEnd, plainEnd) << body;
        // The split and the count agree on the record too.
        EXPECT_EQ(plain.size(), plain::CountRecordCommas(body, plainEnd) + 1) << body;
    }
}

} // namespace
} // namespace tarvel

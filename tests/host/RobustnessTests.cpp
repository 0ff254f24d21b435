// Bad input never crashes the stand-in host: random texts for ExpandVariables and
// WildcardComparison (fixed generator state, bounded iterations) and random colour texts.
#include "gateway/HostExports.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <random>
#include <vector>

using testing_support::Capture;

namespace {

// Pieces that exercise every branch of the expansion grammar.
const wchar_t* const kPieces[] = {
    L"%",  L"%%", L"[",    L"]",  L"@",       L"\"",    L" ",           L"a",         L"_",      L"%@comma[",
    L"%[", L"%@", L"1234", L".5", L"%_batch", L"%PATH", L"%@descript[", L"%@nosuch[", L"\u2014", L"\t"};

std::wstring RandomText(std::mt19937& generator, size_t pieces) {
    std::uniform_int_distribution<size_t> pick(0, std::size(kPieces) - 1);
    std::wstring text;
    for (size_t k = 0; k < pieces; ++k)
        text += kPieces[pick(generator)];
    return text;
}

TEST(HostRobustness, RandomExpansionsKeepTheBufferSound) {
    std::mt19937 generator(20261208u); // fixed generator state: the same texts every run
    std::uniform_int_distribution<size_t> length(0, 400);
    Capture capture; // the error messages are not the point here
    for (int iteration = 0; iteration < 3000; ++iteration) {
        std::wstring text = RandomText(generator, length(generator));
        if (text.size() > 8191) text.resize(8191);
        std::vector<wchar_t> buffer(8192, 0);
        wmemcpy(buffer.data(), text.data(), text.size());
        int rc = ExpandVariables(buffer.data(), 1);
        SCOPED_TRACE(iteration);
        ASSERT_TRUE(rc == 0 || rc == 1);
        ASSERT_LT(wcsnlen(buffer.data(), 8192), 8192u);
        if (rc != 0) {
            ASSERT_EQ(std::wstring(buffer.data()), text); // a failure leaves the text as it was
        }
    }
}

TEST(HostRobustness, NearlyFullBuffersOfPercentSigns) {
    Capture capture;
    const wchar_t* const fills[] = {L"%", L"%%", L"%[", L"]", L"%@comma[", L"%@x[", L"%_pipe"};
    for (const wchar_t* fill : fills) {
        SCOPED_TRACE(testing::PrintToString(std::wstring(fill)));
        std::wstring text;
        while (text.size() + wcslen(fill) <= 8191)
            text += fill;
        std::vector<wchar_t> buffer(8192, 0);
        wmemcpy(buffer.data(), text.data(), text.size());
        int rc = ExpandVariables(buffer.data(), 1);
        EXPECT_TRUE(rc == 0 || rc == 1);
        EXPECT_LT(wcsnlen(buffer.data(), 8192), 8192u);
    }
}

TEST(HostRobustness, RandomWildcardsAndColourTexts) {
    std::mt19937 generator(4711u); // fixed generator state
    const wchar_t alphabet[] = L"*?[]!^-.ab";
    std::uniform_int_distribution<size_t> pick(0, std::size(alphabet) - 2);
    std::uniform_int_distribution<size_t> length(0, 40);
    for (int iteration = 0; iteration < 5000; ++iteration) {
        std::wstring pattern, text;
        for (size_t k = length(generator); k > 0; --k)
            pattern += alphabet[pick(generator)];
        for (size_t k = length(generator); k > 0; --k)
            text += alphabet[pick(generator)];
        int rc = WildcardComparison(pattern.c_str(), text.c_str(), static_cast<int>(iteration & 1), 1);
        ASSERT_TRUE(rc == 0 || rc == 1);
        // A pattern without special characters matches only itself.
        if (pattern.find_first_of(L"*?[") == std::wstring::npos && (iteration & 1) == 0) {
            ASSERT_EQ(rc == 0, pattern == text) << testing::PrintToString(pattern);
        }
    }
    const wchar_t* const words[] = {L"bright", L"on", L"red", L"default", L"grey", L"x", L" ", L"\t"};
    std::uniform_int_distribution<size_t> word(0, std::size(words) - 1);
    for (int iteration = 0; iteration < 2000; ++iteration) {
        std::wstring colour;
        for (size_t k = length(generator) % 8; k > 0; --k)
            colour += std::wstring(words[word(generator)]) + L" ";
        int foreground = 0, background = 0;
        int rc = ParseColors(colour.c_str(), &foreground, &background);
        if (rc != 0) {
            ASSERT_EQ(foreground, -1);
            ASSERT_EQ(background, -1);
        } else {
            ASSERT_TRUE(foreground >= 0 && foreground <= 15);
            ASSERT_TRUE(background == -1 || background == 64 || (background >= 0 && background <= 15));
        }
    }
}

} // namespace

// Statement lines and their texts live in the line pool: a block goes back
// when the last piece in it is freed, and a text's replacement never
// changes it until the new one is made.
#include "host/corvanehost/line_pool.h"

#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

using namespace corvane;

namespace {
std::wstring TextOf(const LineText& t)
{
    std::wstring text(t.size(), L'?');
    t.CopyTo(&text[0]);
    return text;
}
} // namespace

TEST(LinePoolTest, BlocksGoBackWhenTheirLastPieceIsFreed)
{
    const long before = line_pool::Blocks();
    {
        // Sixty thousand lines' texts fill several blocks.
        std::vector<LineText> texts(60000);
        for (std::size_t i = 0; i < texts.size(); ++i) {
            const std::wstring t = L"INVOICE " + std::to_wstring(i) + L" SUPPLIER LTD";
            texts[i].Assign(t.data(), static_cast<std::uint32_t>(t.size()));
        }
        EXPECT_GT(line_pool::Blocks(), before + 1);
        EXPECT_EQ(TextOf(texts[12345]), L"INVOICE 12345 SUPPLIER LTD");
        // A text replaced again and again, as a caller may, pins one block.
        for (int i = 0; i < 200000; ++i)
            texts[0].Assign(L"CHQ 000123 REF 45", 17);
        EXPECT_EQ(TextOf(texts[0]), L"CHQ 000123 REF 45");
        EXPECT_LT(line_pool::Blocks(), before + 10);
    }
    // The block pieces are still cut from may stay.
    EXPECT_LE(line_pool::Blocks(), before + 1);

    // A piece too big to share a block has one of its own.
    const std::wstring big(300000, L'x');
    LineText t;
    t.Assign(big.data(), static_cast<std::uint32_t>(big.size()));
    EXPECT_EQ(TextOf(t), big);
    t.Assign(nullptr, 0);
    EXPECT_EQ(TextOf(t), L"");
    EXPECT_LE(line_pool::Blocks(), before + 1);
}

TEST(LinePoolTest, TextsKeepEveryCharacterAndThreadsShareThePool)
{
    // Texts below U+0100 are kept a byte a character; any other keeps them wide.
    for (const std::wstring& text : {std::wstring(L"a\0b", 3), std::wstring(L"Caf\u00e9 \u00a312.50 \u00ff"),
                                     std::wstring(L"\u20ac 5 Caf\u00e9"), std::wstring(L"x\u0100"), std::wstring()}) {
        LineText t;
        t.Assign(text.data(), static_cast<std::uint32_t>(text.size()));
        EXPECT_EQ(TextOf(t), text);
    }

    // Lines made on one thread are freed on another (the host's watcher).
    const long before = line_pool::Blocks();
    std::vector<std::thread> threads;
    for (int n = 0; n < 4; ++n)
        threads.emplace_back([n] {
            std::vector<void*> pieces;
            for (int i = 0; i < 50000; ++i) {
                pieces.push_back(line_pool::Allocate(40 + (i + n) % 200));
                static_cast<char*>(pieces.back())[0] = static_cast<char>(n);
            }
            for (void* p : pieces)
                ASSERT_EQ(static_cast<char*>(p)[0], static_cast<char>(n));
            for (void* p : pieces)
                line_pool::Free(p);
        });
    for (std::thread& th : threads)
        th.join();
    EXPECT_LE(line_pool::Blocks(), before + 1);
}

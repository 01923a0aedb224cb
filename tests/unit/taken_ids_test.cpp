#include <gtest/gtest.h>

#include <string>

#include "catalog/taken_ids.h"

namespace {

std::wstring Id(const wchar_t* stem, int number) { return stem + std::to_wstring(number); }

// A table sized for two ids grows many times over a thousand: every id taken
// before and after each growth is still found, in any case, and two tables
// tell whether they share an id, whichever asks.
TEST(TakenIds, FindsEveryIdAcrossGrowthAndTellsSharedIds) {
    TakenIds ids(2);
    for (int i = 0; i < 1000; ++i) {
        const std::wstring id = Id(L"Outil", i);
        ASSERT_FALSE(ids.Seen(id)) << i;
        ids.Take(id);
    }
    for (int i = 0; i < 1000; ++i) EXPECT_TRUE(ids.Seen(Id(L"OUTIL", i))) << i;
    EXPECT_FALSE(ids.Seen(L"Outil1000"));
    EXPECT_FALSE(ids.Seen(L"Outil"));

    TakenIds other(1);
    for (int i = 0; i < 500; ++i) {
        ASSERT_FALSE(other.Seen(Id(L"Autre", i)));
        other.Take(Id(L"Autre", i));
    }
    EXPECT_FALSE(other.AnyTakenIn(ids));
    EXPECT_FALSE(ids.AnyTakenIn(other));
    // Taken by the first table before its first growth.
    ASSERT_FALSE(other.Seen(L"oUtIl7"));
    other.Take(L"oUtIl7");
    EXPECT_TRUE(other.AnyTakenIn(ids));
    EXPECT_TRUE(ids.AnyTakenIn(other));
}

}  // namespace

#include <gtest/gtest.h>

#include "palette/color_table.h"

namespace {

void Fill(ColorTable& table, uint32_t n)
{
    table.Reset(n);
    for (uint32_t i = 0; i < n; ++i) {
        table.SetColor(i, uint8_t(i + 1), uint8_t(i + 2), uint8_t(i + 3));
        table.GetEntry(i)->flags = uint8_t(0x80 | i);
    }
}

TEST(ColorTable, EmptyTableHoldsNoEntries)
{
    ColorTable table;
    EXPECT_EQ(0u, table.GetCount());
    EXPECT_EQ(0u, table.GetPackedColor(0));
    EXPECT_FALSE(table.SetColor(0, 1, 2, 3));
}

TEST(ColorTable, ResetGivesAllZeroEntriesFlagsIncluded)
{
    ColorTable table;
    Fill(table, 4);
    ASSERT_TRUE(table.Reset(3));
    ASSERT_EQ(3u, table.GetCount());
    for (uint32_t i = 0; i < 3; ++i) {
        const ColorEntry* e = table.GetEntry(i);
        EXPECT_EQ(0, e->red | e->green | e->blue | e->flags) << i;
    }
    ASSERT_TRUE(table.Reset(0));
    EXPECT_EQ(0u, table.GetCount());
}

TEST(ColorTable, ResizeKeepsLeadingEntriesAndAppendsZeros)
{
    ColorTable table;
    Fill(table, 3);
    ASSERT_TRUE(table.Resize(5));
    ASSERT_EQ(5u, table.GetCount());
    for (uint32_t i = 0; i < 3; ++i) {
        EXPECT_EQ(i + 1, table.GetEntry(i)->red);
        EXPECT_EQ(0x80 | i, table.GetEntry(i)->flags);
    }
    for (uint32_t i = 3; i < 5; ++i) {
        const ColorEntry* e = table.GetEntry(i);
        EXPECT_EQ(0, e->red | e->green | e->blue | e->flags) << i;
    }
    ASSERT_TRUE(table.Resize(2));
    ASSERT_EQ(2u, table.GetCount());
    EXPECT_EQ(2, table.GetEntry(1)->red);
    EXPECT_EQ(0x81, table.GetEntry(1)->flags);

    const ColorEntry* before = table.GetEntry(0);
    ASSERT_TRUE(table.Resize(2));
    EXPECT_EQ(before, table.GetEntry(0)) << "same count must not reallocate";
    ASSERT_TRUE(table.Resize(1));
    ASSERT_EQ(1u, table.GetCount());
    EXPECT_EQ(1, table.GetEntry(0)->red);
    ASSERT_TRUE(table.Resize(0));
    EXPECT_EQ(0u, table.GetCount());
}

TEST(ColorTable, CopyAndAssignAreDeepAndExact)
{
    ColorTable source;
    Fill(source, 3);
    ColorTable copy(source);
    ColorTable assigned;
    Fill(assigned, 7);
    ASSERT_TRUE(assigned.Assign(source));
    for (const ColorTable* t : {&copy, &assigned}) {
        ASSERT_EQ(3u, t->GetCount());
        for (uint32_t i = 0; i < 3; ++i) {
            EXPECT_EQ(source.GetPackedColor(i), t->GetPackedColor(i));
            EXPECT_EQ(source.GetEntry(i)->flags, t->GetEntry(i)->flags);
        }
    }
    source.SetColor(0, 9, 9, 9);
    EXPECT_NE(source.GetPackedColor(0), copy.GetPackedColor(0)) << "copies share storage";

    ColorTable empty;
    ASSERT_TRUE(assigned.Assign(empty));
    EXPECT_EQ(0u, assigned.GetCount());
    ASSERT_TRUE(copy.Assign(copy));
    EXPECT_EQ(3u, copy.GetCount());
}

TEST(ColorTable, PackedColorCarriesPaletteMarker)
{
    ColorTable table;
    table.Reset(2);
    table.SetColor(1, 0x12, 0x34, 0x56);
    EXPECT_EQ(0x02563412u, table.GetPackedColor(1));
    EXPECT_EQ(0x02000000u, table.GetPackedColor(0));
    EXPECT_EQ(0u, table.GetPackedColor(2));
    EXPECT_EQ(0x02563412u, PackColor(0x12, 0x34, 0x56));
}

TEST(ColorTable, SetColorKeepsFlagsAndRefusesIndexPastEnd)
{
    ColorTable table;
    Fill(table, 2);
    ASSERT_TRUE(table.SetColor(1, 10, 20, 30));
    const ColorEntry* e = table.GetEntry(1);
    EXPECT_EQ(10, e->red);
    EXPECT_EQ(20, e->green);
    EXPECT_EQ(30, e->blue);
    EXPECT_EQ(0x81, e->flags);
    EXPECT_FALSE(table.SetColor(2, 1, 1, 1));
    EXPECT_EQ(2u, table.GetCount());
}

}  // namespace

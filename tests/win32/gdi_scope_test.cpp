// The GDI scopes put back and delete what they hold, on leaving the scope.
#include <gtest/gtest.h>

#include <windows.h>

#include "app/gdi_scope.h"

namespace {

TEST(GdiScope, SelectedObjectRestoresThePreviousOneAndDeletesOnlyWhatItOwns)
{
    MemoryDC dc(nullptr);
    ASSERT_NE(nullptr, HDC(dc));
    HGDIOBJ stockPen = GetCurrentObject(dc, OBJ_PEN);
    HPEN made = CreatePen(PS_SOLID, 1, RGB(1, 2, 3));
    HPEN kept = CreatePen(PS_SOLID, 1, RGB(4, 5, 6));
    {
        SelectedObject owned(dc, made, SelectedObject::Owned);
        EXPECT_EQ(HGDIOBJ(made), GetCurrentObject(dc, OBJ_PEN));
        {
            SelectedObject borrowed(dc, kept, SelectedObject::Borrowed);
            EXPECT_EQ(HGDIOBJ(kept), GetCurrentObject(dc, OBJ_PEN));
        }
        EXPECT_EQ(HGDIOBJ(made), GetCurrentObject(dc, OBJ_PEN));
        EXPECT_EQ(DWORD(OBJ_PEN), GetObjectType(kept)) << "a borrowed object stays";
    }
    EXPECT_EQ(stockPen, GetCurrentObject(dc, OBJ_PEN));
    EXPECT_EQ(0u, GetObjectType(made)) << "an owned object is deleted once selected out";
    EXPECT_EQ(DWORD(OBJ_PEN), GetObjectType(kept));
    DeleteObject(kept);
}

TEST(GdiScope, MemoryDCAndBrushAreDeleted)
{
    HDC seen;
    HBRUSH brush;
    {
        MemoryDC dc(nullptr);
        SolidBrush red(RGB(255, 0, 0));
        seen = dc;
        brush = red;
        EXPECT_EQ(DWORD(OBJ_MEMDC), GetObjectType(seen));
        EXPECT_EQ(DWORD(OBJ_BRUSH), GetObjectType(brush));
    }
    EXPECT_EQ(0u, GetObjectType(seen));
    EXPECT_EQ(0u, GetObjectType(brush));
}

}  // namespace

#include "notabase/values/FCBool.h"
#include "notabase/values/FCByte.h"
#include "notabase/values/FCChar.h"
#include "notabase/values/FCColor.h"
#include "notabase/values/FCDWord.h"
#include "notabase/values/FCFloat.h"
#include "notabase/values/FCInt.h"
#include "notabase/values/FCLong.h"
#include "notabase/values/FCPoint.h"
#include "notabase/values/FCRect.h"
#include "notabase/values/FCSize.h"
#include "notabase/values/FCTime.h"
#include "notabase/values/FCWord.h"

#include <gtest/gtest.h>

#include <climits>

namespace {

// A new cell is dirty, setting its value keeps the flag, and its comparisons see the value.
template <class Cell>
void checkCell(typename Cell::ValueType a, typename Cell::ValueType b)
{
    Cell cell;
    EXPECT_TRUE(cell.IsDirty());
    cell.SetDirty(0);
    cell.SetValue(a);
    EXPECT_FALSE(cell.IsDirty());
    cell = b;
    EXPECT_FALSE(cell.IsDirty());
    EXPECT_TRUE(cell == b);
    EXPECT_TRUE(cell != a);
    Cell other(a);
    EXPECT_TRUE(other.IsDirty());
    EXPECT_TRUE(cell != other);
    cell = other;
    EXPECT_TRUE(cell == other);
    EXPECT_FALSE(cell.IsDirty()) << "assignment takes the value, not the flag";
    Cell copy(cell);
    EXPECT_FALSE(copy.IsDirty()) << "a copy takes the whole cell";
}

}  // namespace

TEST(PlainCells, EachKeepsItsValueApartFromItsDirtyFlag)
{
    checkCell<FCBool>(0, 1);
    checkCell<FCColor>(0x00FF00, 0x0000FF);
    checkCell<FCDWord>(0, 0xFFFFFFFFu);
    checkCell<FCWord>(1, 65535);
    checkCell<FCChar>('a', 'b');
    checkCell<FCFloat>(0.5f, -0.25f);
    checkCell<FCInt>(-7, 300);
    checkCell<FCLong>(1, -1);
    checkCell<FCPoint>({1, 2}, {2, 1});
    checkCell<FCSize>({3, 4}, {3, 5});
    checkCell<FCRect>({0, 0, 1, 1}, {0, 0, 1, 2});
    checkCell<FCTime>(MCTime(1.0f), MCTime(2.0f));

    FCByte byte;
    EXPECT_TRUE(byte.IsDirty());
    byte.SetDirty(0);
    byte.SetValue(0xFF);
    EXPECT_FALSE(byte.IsDirty());
    EXPECT_EQ(byte.GetValue(), 0xFF);
    byte.SetDirty(1);
    EXPECT_EQ(byte.GetValue(), 0xFF);
}

TEST(PlainCells, IntHalvesAndBits)
{
    FCInt cell;
    cell.SetHighValue(300);
    cell.SetLowValue(7);
    EXPECT_EQ(cell.GetValue(), 300 * 65536 + 7);
    EXPECT_EQ(cell.GetHighValue(), 300);
    EXPECT_EQ(cell.GetLowValue(), 7);
    cell.SetLowValue(0xFFFF);
    EXPECT_EQ(cell.GetHighValue(), 300);

    FCInt bits;
    bits.SetBitValue(31, 1);
    EXPECT_EQ(bits.GetValue(), INT_MIN);
    EXPECT_EQ(bits.GetBitValue(31), 1);
    EXPECT_EQ(bits.GetBitValue(32), 0);
    EXPECT_EQ(bits.GetBitValue(-1), 0);
    bits.SetBitValue(32, 1);
    bits.SetBitValue(-1, 1);
    EXPECT_EQ(bits.GetValue(), INT_MIN);
    bits.SetBitValue(31, 0);
    EXPECT_EQ(bits.GetValue(), 0);

    FCByte byte(0x0F);
    byte.SetBitValue(7, 2);
    EXPECT_EQ(byte.GetValue(), 0x8F);
    byte.SetBitValue(8, 1);
    EXPECT_EQ(byte.GetValue(), 0x8F);
    byte.SetBitValue(0, 0);
    EXPECT_EQ(byte.GetValue(), 0x8E);
    EXPECT_EQ(byte.GetBitValue(3), 1);
    EXPECT_EQ(byte.GetBitValue(8), 0);
}

TEST(PlainCells, LogicalOperatorsStoreOneOrZero)
{
    FCBool flag(5);
    flag && 0;
    EXPECT_EQ(flag.GetValue(), 0);
    flag || 3;
    EXPECT_EQ(flag.GetValue(), 1);
    FCBool off(0);
    !off;
    EXPECT_EQ(off.GetValue(), 1);
    !off;
    EXPECT_EQ(off.GetValue(), 0);

    FCByte byte(0x40);
    byte && 0x02;
    EXPECT_EQ(byte.GetValue(), 1);
    FCWord word(0);
    word || 0;
    EXPECT_EQ(word.GetValue(), 0);
    FCDWord dword(0x80000000u);
    !dword;
    EXPECT_EQ(dword.GetValue(), 0u);
}

TEST(PlainCells, ArithmeticStoresInTheValueType)
{
    FCInt cell(10);
    ((cell += 5) -= 3) *= 4;
    EXPECT_EQ(cell.GetValue(), 48);
    cell /= 5;
    EXPECT_EQ(cell.GetValue(), 9);
    cell %= 4;
    EXPECT_EQ(cell.GetValue(), 1);
    cell <<= 33;  // shift counts are taken modulo 32
    EXPECT_EQ(cell.GetValue(), 2);
    cell >>= 1;
    EXPECT_EQ(cell.GetValue(), 1);
    cell | 6;
    EXPECT_EQ(cell.GetValue(), 7);
    cell & 5;
    EXPECT_EQ(cell.GetValue(), 5);
    ~cell;
    EXPECT_EQ(cell.GetValue(), ~5);

    FCInt max(INT_MAX);
    max += 1;
    EXPECT_EQ(max.GetValue(), INT_MIN);
    max /= -1;
    EXPECT_EQ(max.GetValue(), INT_MIN);
    max %= -1;
    EXPECT_EQ(max.GetValue(), 0);
    FCInt kept(7);
    kept /= 0;
    kept %= 0;
    EXPECT_EQ(kept.GetValue(), 7);

    FCChar ch(100);
    ch += 100;
    EXPECT_EQ(ch.GetValue(), static_cast<char>(200));
    FCLong big(1);
    big <<= 40;
    EXPECT_EQ(big.GetValue(), 256);

    FCFloat f(1.5f);
    ((f += 0.5f) *= 3.0f) /= 2.0f;
    f -= 1.0f;
    EXPECT_EQ(f.GetValue(), 2.0f);
}

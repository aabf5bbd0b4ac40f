// The undo store keeps what it is given: each slot's picture and view
// state come back exactly after the slots are moved, an emptied store
// writes from the start again, and a failed write changes nothing.

#include <gtest/gtest.h>

#include <filesystem>

#include "UndoTestSupport.h"
#include "document/UndoStore.h"
#include "image/DibImage.h"
#include "image/Exceptions.h"
#include "platform/Bitmap.h"

namespace zelvo {
namespace {

namespace fs = std::filesystem;
using test::FileSizeLimit;
using test::Flat;

TBitmap Picture(std::uint8_t value) {
    TBitmap picture;
    picture.Assign(Flat(6, 4, value));
    return picture;
}

TUndoEntry State(int n) {
    TUndoEntry state;
    state.Modified = n % 2 == 1;
    state.ScrollPos = TPoint{n, 2 * n};
    state.Selection = TRect{n, n, n + 3, n + 2};
    return state;
}

std::uint8_t StoredValue(const TUndoStore& store, int slot) {
    TDibImage picture;
    store.Read(slot, picture);
    EXPECT_EQ(picture.Width(), 6);
    EXPECT_EQ(picture.Height(), 4);
    return picture.ScanLineRead(3)[17];
}

TEST(UndoStore, SlotsKeepPictureAndStateThroughDropAndMove) {
    TUndoStore store;
    for (int n = 0; n < 3; ++n) store.Write(n, Picture(std::uint8_t(10 * (n + 1))), State(n));
    const std::int64_t size = store.Entry(1).Position;
    ASSERT_GT(size, 0);
    EXPECT_EQ(store.Entry(2).Position, 2 * size);
    EXPECT_EQ(std::int64_t(fs::file_size(store.FileName())), 3 * size);

    store.DropOldest(3);  // slots 1, 2 become 0, 1
    store.MoveSlot(1, 7);
    struct TExpected {
        int Slot;
        std::uint8_t Value;
        int State;
    };
    for (const TExpected& e : {TExpected{0, 20, 1}, TExpected{1, 30, 2}, TExpected{2, 30, 2}, TExpected{7, 30, 2}}) {
        SCOPED_TRACE(e.Slot);
        EXPECT_EQ(StoredValue(store, e.Slot), e.Value);
        const TUndoEntry& entry = store.Entry(e.Slot);
        EXPECT_EQ(entry.Position, e.State * size);
        EXPECT_EQ(entry.Modified, State(e.State).Modified);
        EXPECT_EQ(entry.ScrollPos.Y, 2 * e.State);
        EXPECT_EQ(entry.Selection.Right, e.State + 3);
    }

    store.Clear();
    EXPECT_EQ(fs::file_size(store.FileName()), 0u);
    store.Write(3, Picture(99), State(3));
    EXPECT_EQ(store.Entry(3).Position, 0);
    EXPECT_EQ(StoredValue(store, 3), 99);
}

TEST(UndoStore, FailedWriteLeavesSlotAndWritePositionAsTheyWere) {
    TUndoStore store;
    store.Write(0, Picture(10), State(0));
    store.Write(1, Picture(20), State(1));
    const std::int64_t size = store.Entry(1).Position;
    {
        FileSizeLimit limit(std::uintmax_t(2 * size + 10));
        if (!limit.Active()) GTEST_SKIP() << "cannot limit file sizes";
        EXPECT_THROW(store.Write(1, Picture(30), State(5)), EWriteError);
    }
    EXPECT_EQ(store.Entry(1).Position, size);
    EXPECT_EQ(store.Entry(1).ScrollPos.X, 1);
    EXPECT_EQ(StoredValue(store, 1), 20);
    store.Write(2, Picture(40), State(2));
    EXPECT_EQ(store.Entry(2).Position, 2 * size);
    EXPECT_EQ(StoredValue(store, 2), 40);
}

}  // namespace
}  // namespace zelvo

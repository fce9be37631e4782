#include "slot_pack.h"

#include "session/edit_session.h"
#include "storage/files/call_seam.h"

#include <gtest/gtest.h>

namespace kivo {
namespace {

// Loading reads the file once: what the editor remembers of the file is exactly what it shows.
// Another program writing the file right after that read leaves the editor knowing the file
// changed, so Save asks before writing over that program's level.
TEST(ReadOnce, AFileWrittenRightAfterItWasReadIsKnownToHaveChanged) {
    SlotPack p;
    p.Put(1, Triangle());
    EditSession session{p.base.path(), p.base.filePath("recovery"), MakeRandomSource(5)};
    LevelDocument& doc = session.level();
    bool written = false;
    SetCallSeam([&](const char* call) {
        if (std::string(call) == "read level" && !std::exchange(written, true)) {
            p.Put(1, TwoSquares()); // another program, between the read and anything after it
        }
        return 0;
    });
    const FileResult opened = doc.Open(p.Path(1));
    SetCallSeam({});
    ASSERT_TRUE(opened.ok);
    EXPECT_EQ(EncodeLevel(doc.level()).bytes, Triangle());
    EXPECT_TRUE(doc.CurrentFileChangedOnDisk());
}

} // namespace
} // namespace kivo

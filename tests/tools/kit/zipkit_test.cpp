// The zip writer read back through the engine's virtual files.
#include "kit/zipkit.h"

#include <gtest/gtest.h>

#include "lib/vfile.h"
#include "support/testkit.h"

namespace {

class ZipKit : public TempDirTest {};

TEST_F(ZipKit, StoredDeflatedAndEmptyEntriesReadBack)
{
    std::string big(5000, 'z');
    for (size_t i = 0; i < big.size(); i += 7)
        big[i] = (char)('a' + i % 26);
    ASSERT_TRUE(ZipArchiveWrite("k.zip", {{"dir/One.def", "one\n", false}, {"two.bin", big, true}, {"empty", ""}}));
    struct Case {
        const char *name;
        std::string data;
    };
    for (const Case &c : {Case{"dir/one.DEF", "one\n"}, Case{"TWO.bin", big}, Case{"empty", ""}}) {
        VFile *vf = VFileOpenZip("k.zip", c.name);
        ASSERT_NE(vf, nullptr) << c.name;
        std::string got(c.data.size(), '\0');
        if (!got.empty()) {
            EXPECT_EQ(VFileRead(&got[0], 1, (int)got.size(), vf), (int)got.size()) << c.name;
        }
        EXPECT_EQ(got, c.data) << c.name;
        EXPECT_EQ(VFileGetc(vf), -1) << c.name << " ends there";
        VFileClose(vf);
    }
}

} // namespace

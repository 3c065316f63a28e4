#include "velok/player/afterimg.h"

#include "lib/array.h"
#include "support/testkit.h"

TEST(AfterImagePool, RecordsAreLentAndGivenBack)
{
    Array *pool = AfterImagePoolCreate(3, 60);
    ASSERT_NE(pool, nullptr);
    EXPECT_EQ(pool->used, 3);
    AfterImage *a = AfterImagePoolFindFree(pool);
    ASSERT_NE(a, nullptr);
    EXPECT_EQ(a->capacity, 60);
    EXPECT_EQ(a->frames[59].spr, -1);
    EXPECT_EQ(a->frames[59].pal.count, 256);
    int owner1 = 0, owner2 = 0, owner3 = 0;
    a->owner = &owner1;
    a->active = 1;
    AfterImage *b = AfterImagePoolFindFree(pool);
    ASSERT_NE(b, a);
    b->owner = &owner2;
    AfterImagePoolFindFree(pool)->owner = &owner3;
    EXPECT_EQ(AfterImagePoolFindFree(pool), nullptr) << "all lent";
    EXPECT_EQ(AfterImagePoolCount(pool), 3);

    b->owner = nullptr;
    EXPECT_EQ(AfterImagePoolFindFree(pool), b);
    EXPECT_EQ(AfterImagePoolCount(pool), 2);

    AfterImagePoolReset(pool);
    EXPECT_EQ(AfterImagePoolCount(pool), 0);
    EXPECT_EQ(a->active, 0);
    EXPECT_EQ(AfterImagePoolFindFree(pool), a);
    AfterImagePoolFree(pool);

    EXPECT_EQ(AfterImagePoolCount(nullptr), 0);
    EXPECT_EQ(AfterImagePoolFindFree(nullptr), nullptr);
    Array *empty = AfterImagePoolCreate(0, 60);
    ASSERT_NE(empty, nullptr);
    EXPECT_EQ(AfterImagePoolFindFree(empty), nullptr);
    AfterImagePoolFree(empty);
    EXPECT_EQ(AfterImagePoolCreate(2, 0), nullptr) << "records need frames";
}

TEST(AfterImagePoolDeathTest, ActiveRecordWithoutOwnerStopsTheProgram)
{
    Array *pool = AfterImagePoolCreate(1, 4);
    ASSERT_NE(pool, nullptr);
    AfterImage *a = AfterImagePoolFindFree(pool);
    a->active = 1;
    EXPECT_DEATH(AfterImagePoolFindFree(pool), "Assert failure in .*afterimg");
    AfterImagePoolFree(pool);
}

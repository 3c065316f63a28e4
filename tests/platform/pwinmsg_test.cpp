#include "platform/pwinmsg.h"

#include <string>
#include <thread>
#include <vector>

#include "support/testkit.h"

namespace {

std::vector<std::string> seen;

intptr_t Outer(void *w, unsigned m, uintptr_t wp, intptr_t lp)
{
    seen.push_back("outer " + std::to_string(m));
    if (m == 1)
        return 11;  // handled here, not passed on
    return PlatWinCallNext(Outer, w, m, wp, lp);
}

intptr_t Middle(void *w, unsigned m, uintptr_t wp, intptr_t lp)
{
    seen.push_back("middle " + std::to_string(m));
    return PlatWinCallNext(Middle, w, m, wp, lp);
}

intptr_t Inner(void *w, unsigned m, uintptr_t wp, intptr_t lp)
{
    seen.push_back("inner " + std::to_string(m) + " " + std::to_string(wp) + " " + std::to_string(lp));
    return PlatWinCallNext(Inner, w, m, wp, lp);
}

class WinMsg : public ::testing::Test {
protected:
    void SetUp() override
    {
        PlatWinReset();
        seen.clear();
    }
    void TearDown() override { PlatWinReset(); }
    void *win = PlatWinGameWindow();
};

}  // namespace

TEST_F(WinMsg, NewestHookSeesMessagesFirstAndPassesThemDown)
{
    ASSERT_TRUE(PlatWinHook(win, Inner));
    ASSERT_TRUE(PlatWinHook(win, Middle));
    ASSERT_TRUE(PlatWinHook(win, Outer));
    EXPECT_FALSE(PlatWinHook(win, Middle)) << "a procedure sits in the chain once";

    EXPECT_EQ(PlatWinCallNext(Outer, win, 1, 0, 0), 0) << "past the last hook the default ignores it";
    seen.clear();
    PlatWinPost(win, 2, 5, -6);
    PlatWinPost(win, 1, 0, 0);
    EXPECT_EQ(PlatWinPump(), 2);
    EXPECT_EQ(seen, (std::vector<std::string>{"outer 2", "middle 2", "inner 2 5 -6", "outer 1"}));

    // Taking out a hook from the middle keeps the others linked, in order.
    seen.clear();
    EXPECT_TRUE(PlatWinUnhook(win, Middle));
    EXPECT_FALSE(PlatWinUnhook(win, Middle));
    PlatWinPost(win, 3, 0, 0);
    PlatWinPump();
    EXPECT_EQ(seen, (std::vector<std::string>{"outer 3", "inner 3 0 0"}));
}

TEST_F(WinMsg, OnlyTheGameWindowTakesHooksAndMessages)
{
    int other;
    EXPECT_FALSE(PlatWinHook(nullptr, Inner));
    EXPECT_FALSE(PlatWinHook(&other, Inner));
    EXPECT_FALSE(PlatWinHook(win, nullptr));
    EXPECT_FALSE(PlatWinPost(&other, 1, 0, 0));
    EXPECT_EQ(PlatWinPending(), 0);
    // Without hooks a pump still empties the queue.
    PlatWinPost(win, 1, 0, 0);
    EXPECT_EQ(PlatWinPump(), 1);
    EXPECT_EQ(PlatWinPending(), 0);
}

namespace {

intptr_t Reposter(void *w, unsigned m, uintptr_t wp, intptr_t lp)
{
    seen.push_back(std::to_string(m));
    if (m < 3)
        PlatWinPost(w, m + 1, wp, lp);
    return 0;
}

std::vector<intptr_t> order[4];

intptr_t Collect(void *, unsigned m, uintptr_t wp, intptr_t lp)
{
    order[m].push_back(lp);
    (void)wp;
    return 0;
}

}  // namespace

TEST_F(WinMsg, MessagesPostedWhileHandledWaitForTheNextPump)
{
    PlatWinHook(win, Reposter);
    PlatWinPost(win, 1, 0, 0);
    EXPECT_EQ(PlatWinPump(), 1);
    EXPECT_EQ(PlatWinPump(), 1);
    EXPECT_EQ(PlatWinPump(), 1);
    EXPECT_EQ(PlatWinPump(), 0);
    EXPECT_EQ(seen, (std::vector<std::string>{"1", "2", "3"}));
}

TEST_F(WinMsg, PostsFromOtherThreadsArriveWholeAndInEachThreadsOrder)
{
    for (auto &o : order)
        o.clear();
    PlatWinHook(win, Collect);
    std::vector<std::thread> threads;
    for (unsigned t = 0; t < 4; t++)
        threads.emplace_back([t, this] {
            for (int i = 0; i < 2000; i++)
                PlatWinPost(win, t, 0, i);
        });
    int handed = 0;
    while (handed < 8000)
        handed += PlatWinPump();  // pumps race the posting threads
    for (auto &t : threads)
        t.join();
    handed += PlatWinPump();
    EXPECT_EQ(handed, 8000);
    for (auto &o : order) {
        ASSERT_EQ(o.size(), 2000u);
        for (int i = 0; i < 2000; i++)
            ASSERT_EQ(o[i], i);
    }
}

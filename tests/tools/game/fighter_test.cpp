// Fighter poses: a pose made from another by a change.
#include "game/fighter.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

// Each field the change gives replaces the base pose's, and no other: the
// fighters' moves are written as changes, so a field left behind would
// silently draw another picture.
TEST(FighterPose, AChangeReplacesExactlyTheFieldsItGives)
{
    Pose base = {.dx = 1, .dy = 2, .spin = 3, .lean = 4, .nod = 5, .armF = {6, 7}, .armB = {8, 9}, .legF = {10, 11},
                 .legB = {12, 13}, .ground = true, .strike = STRIKE_NONE, .reach = 14, .glow = 15, .sway = 16,
                 .hurt = false};
    PoseChange all = {.dx = -1, .dy = -2, .spin = -3, .lean = -4, .nod = -5, .armF = {-6, -7}, .armB = {-8, -9},
                      .legF = {-10, -11}, .legB = {-12, -13}, .ground = false, .strike = STRIKE_HEAD, .reach = -14,
                      .glow = -15, .sway = -16, .hurt = true};
    auto fields = [](const Pose &p) {
        return std::vector<float>{p.dx,     p.dy,     p.spin,   p.lean,   p.nod,    p.armF.a,        p.armF.b,
                                  p.armB.a, p.armB.b, p.legF.a, p.legF.b, p.legB.a, p.legB.b,        (float)p.ground,
                                  (float)p.strike,    p.reach,  p.glow,   p.sway,   (float)p.hurt};
    };
    EXPECT_EQ(fields(PoseChanged(base, {})), fields(base));
    EXPECT_EQ(fields(PoseChanged(base, all)),
              (std::vector<float>{-1, -2, -3, -4, -5, -6, -7, -8, -9, -10, -11, -12, -13, 0, STRIKE_HEAD, -14, -15,
                                  -16, 1}));
    // A zero given is a change too.
    Pose p = PoseChanged(base, {.lean = 0, .armB = {0, 0}, .glow = 0});
    EXPECT_EQ(fields(p), (std::vector<float>{1, 2, 3, 0, 5, 6, 7, 0, 0, 10, 11, 12, 13, 1, STRIKE_NONE, 14, 0, 16, 0}));
}

} // namespace

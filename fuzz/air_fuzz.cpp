// Fuzz target: animation files with their collision boxes, each action played by the animation player through element changes and ticks.
#include "fuzzkit.h"
#include "support/charkit.h"
#include "lib/anim-lib.h"
#include "lib/clsn.h"
#include "lib/spr-lib.h"
#include "lib/spr-read.h"
#include "lib/txtparse.h"
#include "lib/vfile.h"

// Enough ticks to pass every element of a small action and loop.
enum { TICKS = 120, ACTIONS = 16 };

static void Play(AnimSet *set, SprSet *spr)
{
    AnimObj *obj = AnimObjCreate(set, spr);
    if (!obj)
        return;
    for (int slot = 0, n = 0; n < set->count && n < ACTIONS; slot++) {
        AnimAction *action = AnimSetActionAt(set, slot);
        if (!action)
            continue;
        n++;
        int number = AnimSetActionNoAt(set, slot), group = AnimSetActionGroupAt(set, slot);
        AnimSetActionTime(set, group, number);
        AnimSetLoopStartTime(set, group, number);
        AnimObjChangeAction(obj, group, number);
        for (int t = 0; t < TICKS; t++) {
            AnimObjTick(obj);
            AnimObjElem(obj);
            AnimObjTimeOrLoopStart(obj);
            AnimObjElemAtTime(obj, t % 7 - 3);
        }
        AnimObjElemStartTime(obj, action->count);
        AnimObjChangeActionElem(obj, group, number, action->count);
        AnimObjChangeActionElem(obj, group, number, 2);
        AnimObjTick(obj);
        AnimObjChangeActionAt(obj, group, number, 1000000);
        AnimObjTick(obj);
        AnimObjRestart(obj);
        AnimObjTick(obj);
        AnimObjActionTime(obj);
        AnimObjLoopStartTime(obj);
        AnimObjTime(obj);
        AnimObjSprite(obj);
        for (int i = 0; i < action->count && i < 8; i++) {
            AnimElem *e = AnimActionElemAt(action, i);
            if (e && e->clsn1 && e->clsn2) {
                ClsnListsHit(e->clsn1, e->clsn2, 3, -4);
                ClsnListsOverlap(e->clsn1, e->clsn2, -1, 2, 1, 0);
            }
        }
    }
    AnimObjFree(obj);
}

int FuzzOneInput(const uint8_t *data, size_t size)
{
    FuzzStart({});
    // A character's sprite set, holding image (0, 0) only.
    static SprSet *spr = [] {
        std::string sff = CharKit().sff;
        VFile *vf = FuzzMemVFile((const uint8_t *)sff.data(), sff.size());
        SprSet *s = SprLoadStream(vf);
        VFileClose(vf);
        return s;
    }();
    FuzzRun([&] {
        VFile *vf = FuzzMemVFile(data, size);
        TxtParseFile *tp = TxtParseOpenVfile(vf);
        VFileClose(vf);
        if (!tp)
            return;
        ClsnScaleSet(2.0f, 0.5f);
        AnimSet *set = AnimSetParse(tp);
        ClsnScaleSet(1.0f, 1.0f);
        TxtParseClose(tp);
        if (set) {
            Play(set, spr);
            AnimSetFree(set);
        }
    });
    return 0;
}

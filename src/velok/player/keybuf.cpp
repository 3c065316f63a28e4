// Key buffers: a player's queue of button events and the held state of its twelve buttons, in its own facing.
#include "velok/player/keybuf.h"

#include <cstring>

#include "lib/input-lb.h"

// Right and left keys mean forward and back facing right, back and forward facing left.
static int FacedButton(const KeyBuf *kb, int button)
{
    if (!kb->faceLeft)
        return button;
    if (button == KEYBUF_FWD)
        return KEYBUF_BACK;
    if (button == KEYBUF_BACK)
        return KEYBUF_FWD;
    return button;
}

void KeyBufClear(KeyBuf *kb)
{
    memset(kb, 0, sizeof *kb);
}

void KeyBufPush(KeyBuf *kb, int code)
{
    int button = code & KEYBUF_BUTTON_MASK;
    if (button == 0 || button > KEYBUF_BUTTONS)
        return;
    kb->held[button] = (code & KEYBUF_RELEASE) ? 0 : 1;
    kb->ring[kb->write] = code;
    kb->write = (kb->write + 1) % KEYBUF_RING;
    if (kb->write == kb->read)
        kb->read = (kb->read + 1) % KEYBUF_RING;
}

void KeyBufPushCodeFaced(KeyBuf *kb, int code)
{
    int button = FacedButton(kb, code & KEYBUF_BUTTON_MASK);
    KeyBufPush(kb, (code & ~KEYBUF_BUTTON_MASK) | button);
}

void KeyBufPushInput(KeyBuf *kb, const KeyConfig *cfg, int inputEvent)
{
    if (!cfg)
        return;
    int code = inputEvent & ~INPUT_RELEASE;
    for (int entry = 1; entry <= KEYBUF_BUTTONS; entry++) {
        if (cfg->key[entry] == code) {
            int ev = entry | ((inputEvent & INPUT_RELEASE) ? KEYBUF_RELEASE : 0);
            KeyBufPushCodeFaced(kb, ev);
            return;
        }
    }
}

void KeyBufPollKeys(KeyBuf *kb, const KeyConfig *cfg)
{
    if (!cfg)
        return;
    for (int entry = 1; entry <= KEYBUF_BUTTONS; entry++) {
        int button = FacedButton(kb, entry);
        int down = InputStateGet(cfg->key[entry]) != 0;
        int held = kb->held[button] != 0;
        if (down != held)
            KeyBufPush(kb, button | KEYBUF_REREAD | (held ? KEYBUF_RELEASE : 0));
    }
}

void KeyBufSetFacing(KeyBuf *kb, int left)
{
    left = left ? 1 : 0;
    if (kb->faceLeft == left)
        return;
    int fwd = kb->held[KEYBUF_FWD], back = kb->held[KEYBUF_BACK];
    // The same physical key keeps its meaning: the held horizontal button is relabelled.
    if (!(fwd && back)) {
        if (back) {
            KeyBufPush(kb, KEYBUF_BACK | KEYBUF_RELEASE | KEYBUF_REREAD);
            KeyBufPush(kb, KEYBUF_FWD | KEYBUF_REREAD);
        } else if (fwd) {
            KeyBufPush(kb, KEYBUF_FWD | KEYBUF_RELEASE | KEYBUF_REREAD);
            KeyBufPush(kb, KEYBUF_BACK | KEYBUF_REREAD);
        }
    }
    kb->faceLeft = left;
}

int KeyBufPop(KeyBuf *kb)
{
    if (kb->read == kb->write)
        return 0;
    int code = kb->ring[kb->read];
    kb->read = (kb->read + 1) % KEYBUF_RING;
    return code;
}

void KeyBufClearButtons(KeyBuf *kb)
{
    memset(kb->held, 0, sizeof kb->held);
}

int KeyBufIsMenuKey(const KeyConfig *cfg, int inputCode)
{
    if (!cfg)
        return 0;
    for (int entry = KEYBUF_A; entry <= KEYBUF_START; entry++)
        if (cfg->key[entry] == inputCode)
            return 1;
    return 0;
}

int KeyConfigFind(const KeyConfig *list, int count, int inputCode, int *index)
{
    if (!list)
        return 0;
    for (int i = 0; i < count; i++) {
        for (int entry = 1; entry <= KEYBUF_BUTTONS; entry++) {
            if (list[i].key[entry] == inputCode) {
                if (index)
                    *index = i;
                return 1 << (entry - 1);
            }
        }
    }
    return 0;
}

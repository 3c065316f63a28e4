// Game-level sound: volume policy, panning by screen position, player channel keys, master volumes and sound references.
#pragma once

struct SndSet;
struct TxtParseFile;

enum {
    SOUND_PAN_MAX = 127,
    SOUND_PLAYER_CHANNELS = 32,    // channels 0 to 31 of each player
    SOUND_PLAYER_KEY_BASE = 1000,
    SOUND_PLAYER_OWN_CHANNEL = 0,  // the channel that a hit or a KO cuts off
    SOUND_FREQ_MIN = 100,          // lowest frequency a multiplier gives
};

// Sound can be heard: the [Sound Win] switch is on and the sound library runs.
int SoundOn();

// Plays on a free channel at the halved definition-file volume plus the
// configured offset. Nothing while sound is off, without a set or for group -1.
void SoundPlay(SndSet *set, int group, int number, int volume);
// The same on the channel owned by the key.
void SoundPlayOnKey(int key, SndSet *set, int group, int number, int volume);
// The same panned by a screen x (0 to 320) when stereo effects are on, at the
// sample's own frequency, once.
void SoundPlayAt(int key, float x, SndSet *set, int group, int number, int volume);
// SoundPlayAt with a frequency multiplier (kept rate unless positive and not
// 1; never below 100) and a loop switch.
void SoundPlayAtEx(int key, float x, SndSet *set, int group, int number, int volume, float freqMul, int loop);
// Sets the pan of the channel owned by the key from a screen x (centre when
// stereo effects are off).
void SoundPanAt(int key, float x);

// Pan -127..127 of a screen x: a dead zone from 120 to 200, then 128 steps
// over the configured panning width less 20, halved.
int SoundPanFromX(float x);

// The key of a player's channel: 1000 + channel x slots + slot, so that no two
// (player, channel) pairs share a channel; channel -1 gives -1 (any free one).
int SoundPlayerChannelKey(int slot, int channel);
// Stops the sound on a player's channel; channel -1 stops every sound.
void SoundPlayerStop(int slot, int channel);

// Master volumes scaled by the option percentages (50 per cent keeps them);
// -1 leaves a volume as it is.
void SoundSetVolumes(int digital, int midi);
// The configured master volumes plus an amount (the match's closing fade), not
// below 0; a configured -1 stays "as it is".
void SoundSetVolumesOffset(int add);

// Reads "group,number" from the key of the current group; 2 when both were
// read, else 0 with group -1 and number 0 ("no sound").
int SoundRefParse(TxtParseFile *file, const char *key, int *group, int *number);

// The mixer scale of a controller's volume.
int SoundVolumeIdentity(int v);

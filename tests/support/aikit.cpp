// Test kit: learned samples and AI files written byte by byte, independently of the code under test.
#include "support/aikit.h"

#include <cstring>

static int32_t Bits(float f)
{
    int32_t w;
    memcpy(&w, &f, sizeof w);
    return w;
}

static void Le32(std::string &out, uint32_t v)
{
    for (int i = 0; i < 4; i++)
        out.push_back((char)(v >> (8 * i)));
}

void AiKitBox(int32_t *words, float l, float t, float r, float b)
{
    words[0] = Bits(l);
    words[4] = Bits(t);
    words[8] = Bits(r);
    words[12] = Bits(b);
}

AiFileSpec::AiFileSpec()
{
    for (auto &b : basic)
        b[0] = Bits(-32760.0f);
}

std::string AiFileBytes(const AiFileSpec &spec)
{
    std::string out = spec.magic;
    out.resize(12, '\0');
    Le32(out, spec.version);
    out.push_back((char)(spec.year & 0xff));
    out.push_back((char)((spec.year >> 8) & 0xff));
    out.push_back((char)spec.month);
    out.push_back((char)spec.day);
    out.resize(64, '\0');
    auto samples = [&](const std::vector<AISample> &list, uint32_t count) {
        Le32(out, spec.countsGiven ? count : (uint32_t)list.size());
        for (const AISample &s : list)
            for (int32_t w : s.w)
                Le32(out, (uint32_t)w);
    };
    samples(spec.ground, spec.groundCount);
    samples(spec.air, spec.airCount);
    for (auto &b : spec.basic)
        for (int32_t w : b)
            Le32(out, (uint32_t)w);
    if (spec.cut < out.size())
        out.resize(spec.cut);
    return out;
}

void AiKitStat(AISample *s, int word, float mean, int min, int max, float dev)
{
    s->w[word] = Bits(mean);
    s->w[word + 1] = min;
    s->w[word + 2] = max;
    s->w[word + 3] = Bits(dev);
}

AISample AiKitSample(int key, int stateType, int seed, const std::vector<int> &cmds)
{
    AISample s;
    memset(&s, 0, sizeof s);
    s.w[AIS_CONTEXT] = seed % 7;
    s.w[AIS_CONTEXT + 1] = 1;
    s.w[AIS_CONTEXT + 3] = 1;
    s.w[AIS_CONTEXT_COUNT] = 1;
    s.w[AIS_KEY] = key;
    s.w[AIS_STATETYPE] = stateType;
    for (int i = 0; i < AI_CMD_WORDS; i++)
        s.w[AIS_CMDS + i] = i < (int)cmds.size() && i < AI_CMD_MAX ? cmds[i] : -1;
    s.w[AIS_COUNT] = 1;
    AiKitStat(&s, AIS_FIRST, 3.0f + (float)seed, 3 + seed, 3 + seed, 0.0f);
    AiKitStat(&s, AIS_FIRST + 4, 10.5f, 10, 11, 0.25f);
    AiKitStat(&s, AIS_FIRST + 8, -(float)seed, -seed, -seed, 0.0f);
    s.w[AIS_FIRST_SEEN] = 1;
    AiKitBox(&s.w[AIS_ATTACK_BOX], 10.0f, -60.0f, 50.0f + (float)seed, -40.0f);
    AiKitBox(&s.w[AIS_BODY_BOX], -12.0f, -80.0f, 14.0f, 0.0f);
    s.w[AIS_HIT_ATTR] = 0x9;  // S, NA
    s.w[AIS_HIT_GUARDFLAG] = 0xc;
    return s;
}

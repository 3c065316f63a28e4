// Blitter throughput on a 320x240 RGB565 target, in target pixels per second.
#include <allegro.h>
#include <benchmark/benchmark.h>
#include <cerrno>
#include <cstdlib>
#include <vector>

#include "lib/blit.h"
#include "lib/gfx.h"

namespace {

struct BenchScene {
    BITMAP *bmp;
    std::vector<int> dstRows, srcRows;
    std::vector<uint8_t> pixels;
    uint16_t table[256];
    BlitTarget target;
    BlitSource source;

    BenchScene(int w, int h)
    {
        static bool started = install_allegro(SYSTEM_NONE, &errno, atexit) == 0;
        (void)started;
        GfxSinTableInit();
        bmp = create_bitmap_ex(16, 320, 240);
        clear_to_color(bmp, 0x4208);
        dstRows.resize(240);
        for (int y = 0; y < 240; y++)
            dstRows[y] = (int)(bmp->line[y] - bmp->line[0]);
        target = BlitTarget{bmp->line[0], dstRows.data(), 0, 0, 319, 239};
        pixels.resize((size_t)w * h);
        for (int y = 0; y < h; y++)
            for (int x = 0; x < w; x++)
                pixels[(size_t)y * w + x] = (uint8_t)((x ^ y) % 7 == 0 ? 0 : (x * 7 + y * 3) & 255);
        srcRows.resize(h);
        for (int y = 0; y < h; y++)
            srcRows[y] = y * w;
        source = BlitSource{pixels.data(), srcRows.data(), w, h, w / 2, h / 2};
        for (int v = 0; v < 256; v++)
            table[v] = (uint16_t)((v & 31) << 11 | ((v * 3) & 63) << 5 | ((v * 5) & 31));
    }
    ~BenchScene() { destroy_bitmap(bmp); }
};

} // namespace

static void BM_BlitPlain(benchmark::State &state)
{
    BenchScene s(160, 120);
    BlitRule rule{BLIT_MASKED, s.table, 0, 256, 0};
    for (auto _ : state) {
        BlitPlain(&s.target, &s.source, &rule, 160, 120, 0);
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * 160 * 120);
}
BENCHMARK(BM_BlitPlain);

static void BM_BlitStretched2x(benchmark::State &state)
{
    BenchScene s(160, 120);
    BlitRule rule{BLIT_MASKED, s.table, 0, 256, 0};
    for (auto _ : state) {
        BlitScaled(&s.target, &s.source, &rule, 160.0f, 120.0f, 2.0f, 2.0f);
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * 320 * 240);
}
BENCHMARK(BM_BlitStretched2x);

static void BM_BlitRotated(benchmark::State &state)
{
    BenchScene s(160, 120);
    BlitRule rule{BLIT_MASKED, s.table, 0, 256, 0};
    for (auto _ : state) {
        BlitRotated(&s.target, &s.source, &rule, 160.0f, 120.0f, 30.0f, 1, 1, 1, 1, 0);
        benchmark::ClobberMemory();
    }
    // A turned rectangle covers as many target pixels as it has source pixels.
    state.SetItemsProcessed(state.iterations() * 160 * 120);
}
BENCHMARK(BM_BlitRotated);

static void BM_BlitAlpha(benchmark::State &state)
{
    BenchScene s(160, 120);
    BlitRule rule{BLIT_ALPHA, s.table, 0, 160, 96};
    for (auto _ : state) {
        BlitPlain(&s.target, &s.source, &rule, 160, 120, 0);
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * 160 * 120);
}
BENCHMARK(BM_BlitAlpha);

// The shadow's darkening pass: a sprite doubled in size, each covered target
// pixel scaled by the shadow's intensity (source alpha 0), as players scaled
// by 2 cast their shadows.
static void BM_ShadowScaleAdd2x(benchmark::State &state)
{
    BenchScene s(160, 120);
    BlitRule rule{BLIT_ALPHA, s.table, 0, 0, 128};
    for (auto _ : state) {
        BlitScaled(&s.target, &s.source, &rule, 160.0f, 120.0f, 2.0f, 2.0f);
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * 320 * 240);
}
BENCHMARK(BM_ShadowScaleAdd2x);

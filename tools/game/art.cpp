// Sample-game art: 8-bit Allegro drawing surfaces with a 256-colour palette, made into sprite-file images.
#include "game/art.h"

#include <allegro.h>
#include <cerrno>
#include <algorithm>
#include <cmath>

void ArtStart()
{
    if (!system_driver)
        install_allegro(SYSTEM_NONE, &errno, atexit);
}

BITMAP *ArtBitmap(int w, int h)
{
    BITMAP *bmp = create_bitmap_ex(8, w, h);
    if (bmp)
        clear_to_color(bmp, 0);
    return bmp;
}

void ArtColourSet(ArtPalette *pal, int index, int r, int g, int b)
{
    if (index < 0 || index > 255)
        return;
    pal->rgb[(size_t)index * 3] = (unsigned char)r;
    pal->rgb[(size_t)index * 3 + 1] = (unsigned char)g;
    pal->rgb[(size_t)index * 3 + 2] = (unsigned char)b;
}

void ArtRamp(ArtPalette *pal, int first, int last, int r0, int g0, int b0, int r1, int g1, int b1)
{
    int n = last - first;
    for (int i = 0; i <= n; i++) {
        int r = n ? r0 + (r1 - r0) * i / n : r0;
        int g = n ? g0 + (g1 - g0) * i / n : g0;
        int b = n ? b0 + (b1 - b0) * i / n : b0;
        ArtColourSet(pal, first + i, r, g, b);
    }
}

int ArtDither(int first, int last, float t, int x, int y)
{
    static const int bayer[4][4] = {{0, 8, 2, 10}, {12, 4, 14, 6}, {3, 11, 1, 9}, {15, 7, 13, 5}};
    if (t < 0)
        t = 0;
    if (t > 1)
        t = 1;
    // The ramp may run either way through the palette.
    int span = last >= first ? last - first : first - last;
    int dir = last >= first ? 1 : -1;
    float v = t * (float)span;
    int step = (int)v;
    if ((v - (float)step) * 16.0f > (float)bayer[y & 3][x & 3] + 0.5f && step < span)
        step++;
    return first + dir * step;
}

void ArtGradientRect(BITMAP *bmp, int x0, int y0, int x1, int y1, int first, int last, bool vertical)
{
    int span = vertical ? y1 - y0 : x1 - x0;
    for (int y = y0; y <= y1; y++)
        for (int x = x0; x <= x1; x++) {
            int at = vertical ? y - y0 : x - x0;
            float t = span > 0 ? (float)at / (float)span : 0.0f;
            putpixel(bmp, x, y, ArtDither(first, last, t, x, y));
        }
}

ArtArea ArtWhole(BITMAP *bmp)
{
    return {0, 0, bmp->w - 1, bmp->h - 1};
}

void ArtOutline(BITMAP *bmp, int c)
{
    ArtOutlineArea(bmp, c, ArtWhole(bmp));
}

void ArtOutlineArea(BITMAP *bmp, int c, ArtArea a)
{
    int w = a.x1 - a.x0 + 1, h = a.y1 - a.y0 + 1;
    if (w <= 0 || h <= 0)
        return;
    // The area as it was: an outline pixel put down does not grow the outline.
    std::vector<unsigned char> was((size_t)w * h);
    for (int y = 0; y < h; y++)
        std::copy(bmp->line[a.y0 + y] + a.x0, bmp->line[a.y0 + y] + a.x0 + w, was.begin() + (size_t)y * w);
    for (int y = 0; y < h; y++)
        for (int x = 0; x < w; x++) {
            if (was[(size_t)y * w + x])
                continue;
            bool edge = false;
            for (int dy = -1; dy <= 1 && !edge; dy++)
                for (int dx = -1; dx <= 1 && !edge; dx++) {
                    int nx = x + dx, ny = y + dy;
                    if (nx < 0 || ny < 0 || nx >= w || ny >= h)
                        continue;
                    int v = was[(size_t)ny * w + nx];
                    edge = v != 0 && v != c;
                }
            if (edge)
                bmp->line[a.y0 + y][a.x0 + x] = (unsigned char)c;
        }
}

int ArtRandom(unsigned *seed, int n)
{
    *seed = *seed * 1103515245u + 12345u;
    return n > 0 ? (int)((*seed >> 16) % (unsigned)n) : 0;
}

static SffImage ImageOf(BITMAP *bmp, const ArtPalette &pal, int group, int number, int x0, int y0, int w, int h,
                        int axisX, int axisY)
{
    SffImage img;
    img.group = group;
    img.number = number;
    img.x = axisX - x0;
    img.y = axisY - y0;
    img.width = w;
    img.height = h;
    img.palette = pal.rgb;
    img.pixels.resize((size_t)w * h);
    for (int y = 0; y < h; y++)
        for (int x = 0; x < w; x++)
            img.pixels[(size_t)y * w + x] = (unsigned char)getpixel(bmp, x0 + x, y0 + y);
    return img;
}

SffImage ArtImage(BITMAP *bmp, const ArtPalette &pal, int group, int number, int axisX, int axisY)
{
    return ImageOf(bmp, pal, group, number, 0, 0, bmp->w, bmp->h, axisX, axisY);
}

SffImage ArtImageCropped(BITMAP *bmp, const ArtPalette &pal, int group, int number, int axisX, int axisY)
{
    return ArtImageCroppedArea(bmp, pal, group, number, axisX, axisY, ArtWhole(bmp));
}

SffImage ArtImageCroppedArea(BITMAP *bmp, const ArtPalette &pal, int group, int number, int axisX, int axisY,
                             ArtArea a)
{
    int x0 = bmp->w, y0 = bmp->h, x1 = -1, y1 = -1;
    for (int y = a.y0; y <= a.y1; y++)
        for (int x = a.x0; x <= a.x1; x++)
            if (getpixel(bmp, x, y) != 0) {
                x0 = std::min(x0, x);
                y0 = std::min(y0, y);
                x1 = std::max(x1, x);
                y1 = std::max(y1, y);
            }
    // An empty picture still makes a one-pixel image, so that its key exists.
    if (x1 < 0)
        return ImageOf(bmp, pal, group, number, 0, 0, 1, 1, axisX, axisY);
    return ImageOf(bmp, pal, group, number, x0, y0, x1 - x0 + 1, y1 - y0 + 1, axisX, axisY);
}

void ArtImagePut(std::vector<SffImage> *images, BITMAP *bmp, const ArtPalette &pal, int group, int number, int axisX,
                 int axisY)
{
    if (!bmp)
        return;
    images->push_back(ArtImage(bmp, pal, group, number, axisX, axisY));
    destroy_bitmap(bmp);
}

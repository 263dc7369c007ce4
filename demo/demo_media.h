#pragma once
// Real picture and sound files for the demo machine, made in code: 24-bit BMP files, baseline
// JPEG files through libjpeg, and 16-bit PCM wave files.
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace w98::demo {

struct Rgb {
    std::uint8_t r = 0, g = 0, b = 0;
};

// The colour of the pixel at (x, y) of a picture of width w and height h.
using Painter = std::function<Rgb(int x, int y, int w, int h)>;

// A few pictures to paint: sky with clouds, sea, sunset, brick tiles, rings.
Painter SkyPainter();
Painter SeaPainter();
Painter SunsetPainter();
Painter BrickPainter();
Painter RingsPainter();

std::string MakeBmp(int width, int height, const Painter& paint);
// Throws std::runtime_error when libjpeg cannot compress.
std::string MakeJpeg(int width, int height, int quality, const Painter& paint);

// A chord of decaying tones, 22,050 samples a second, 16-bit mono.
std::string MakeWav(double seconds, const std::vector<double>& frequencies);

} // namespace w98::demo

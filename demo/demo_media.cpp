#include "demo_media.h"

#include <algorithm>
#include <cmath>
#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <stdexcept>

#include <jpeglib.h>

namespace w98::demo {
namespace {

std::uint8_t clamp(double v) {
    return static_cast<std::uint8_t>(std::lround(std::fmin(255.0, std::fmax(0.0, v))));
}

void put(std::string& s, std::uint64_t v, int bytes) {
    for (int i = 0; i < bytes; ++i)
        s += static_cast<char>(v >> (8 * i) & 0xff);
}

// libjpeg would end the process on an error; jump back and report it instead.
struct Trap {
    jpeg_error_mgr mgr;
    std::jmp_buf jump;
};

void onError(j_common_ptr cinfo) {
    std::longjmp(reinterpret_cast<Trap*>(cinfo->err)->jump, 1);
}

struct Compression {
    Trap trap;
    jpeg_compress_struct cinfo;
    unsigned char* out;
    unsigned long size;
    const unsigned char* rgb;
    int width, height, quality;
};

bool compressC(Compression* c) {
    c->cinfo.err = jpeg_std_error(&c->trap.mgr);
    c->trap.mgr.error_exit = onError;
    if (setjmp(c->trap.jump)) {
        jpeg_destroy_compress(&c->cinfo);
        return false;
    }
    jpeg_create_compress(&c->cinfo);
    jpeg_mem_dest(&c->cinfo, &c->out, &c->size);
    c->cinfo.image_width = static_cast<JDIMENSION>(c->width);
    c->cinfo.image_height = static_cast<JDIMENSION>(c->height);
    c->cinfo.input_components = 3;
    c->cinfo.in_color_space = JCS_RGB;
    jpeg_set_defaults(&c->cinfo);
    jpeg_set_quality(&c->cinfo, c->quality, TRUE);
    jpeg_start_compress(&c->cinfo, TRUE);
    const std::size_t stride = static_cast<std::size_t>(c->width) * 3;
    while (c->cinfo.next_scanline < c->cinfo.image_height) {
        JSAMPROW row = const_cast<unsigned char*>(c->rgb + stride * c->cinfo.next_scanline);
        jpeg_write_scanlines(&c->cinfo, &row, 1);
    }
    jpeg_finish_compress(&c->cinfo);
    jpeg_destroy_compress(&c->cinfo);
    return true;
}

} // namespace

Painter SkyPainter() {
    return [](int x, int y, int w, int h) {
        const double fy = static_cast<double>(y) / h, fx = static_cast<double>(x) / w;
        const double cloud =
            0.5 + 0.25 * std::sin(fx * 9.0 + std::sin(fy * 7.0) * 2.0) * std::sin(fy * 11.0 + fx * 3.0);
        const double white = std::fmax(0.0, cloud - 0.45) * 2.2;
        return Rgb{clamp(70 + 120 * fy + 255 * white), clamp(130 + 90 * fy + 255 * white),
                   clamp(230 + 25 * white)};
    };
}

Painter SeaPainter() {
    return [](int x, int y, int w, int h) {
        const double fy = static_cast<double>(y) / h, fx = static_cast<double>(x) / w;
        if (fy < 0.4)
            return Rgb{clamp(150 + 80 * fy), clamp(200 + 50 * fy), 250};
        const double wave = std::sin(fx * 60.0 + fy * 40.0) * 0.5 + 0.5;
        return Rgb{clamp(10 + 30 * wave), clamp(80 + 60 * wave * (1 - fy)), clamp(140 + 60 * wave)};
    };
}

Painter SunsetPainter() {
    return [](int x, int y, int w, int h) {
        const double fy = static_cast<double>(y) / h;
        const double dx = static_cast<double>(x) / w - 0.5, dy = fy - 0.62;
        const double sun = std::exp(-(dx * dx + dy * dy) * 60.0);
        if (fy > 0.7)
            return Rgb{clamp(40 + 60 * sun), clamp(20 + 30 * sun), clamp(60 + 20 * sun)};
        return Rgb{clamp(250 * (0.6 + 0.4 * fy) + 80 * sun), clamp(90 + 120 * fy + 120 * sun),
                   clamp(120 - 80 * fy + 40 * sun)};
    };
}

Painter BrickPainter() {
    return [](int x, int y, int, int) {
        const int row = y / 8;
        const bool mortar = y % 8 == 7 || (x + (row % 2) * 8) % 16 == 15;
        if (mortar)
            return Rgb{200, 195, 185};
        const int shade = (x * 7 + y * 13) % 23;
        return Rgb{clamp(150 + shade), clamp(45 + shade / 2), clamp(35 + shade / 3)};
    };
}

Painter RingsPainter() {
    return [](int x, int y, int w, int h) {
        const double dx = x - w / 2.0, dy = y - h / 2.0;
        const double d = std::sqrt(dx * dx + dy * dy) / std::fmax(1.0, std::fmin(w, h)) * 24.0;
        const double v = std::sin(d) * 0.5 + 0.5;
        return Rgb{clamp(40 + 180 * v), clamp(160 - 100 * v), clamp(90 + 150 * (1 - v))};
    };
}

std::string MakeBmp(int width, int height, const Painter& paint) {
    const std::uint32_t stride = (static_cast<std::uint32_t>(width) * 3 + 3) & ~3u;
    const std::uint32_t image = stride * static_cast<std::uint32_t>(height);
    std::string s = "BM";
    put(s, 54 + image, 4);
    put(s, 0, 4);
    put(s, 54, 4);
    put(s, 40, 4);
    put(s, static_cast<std::uint32_t>(width), 4);
    put(s, static_cast<std::uint32_t>(height), 4);
    put(s, 1, 2);
    put(s, 24, 2);
    put(s, 0, 4);
    put(s, image, 4);
    put(s, 2835, 4);
    put(s, 2835, 4);
    put(s, 0, 8);
    for (int y = height - 1; y >= 0; --y) {
        for (int x = 0; x < width; ++x) {
            const Rgb c = paint(x, y, width, height);
            s += static_cast<char>(c.b);
            s += static_cast<char>(c.g);
            s += static_cast<char>(c.r);
        }
        s.append(stride - static_cast<std::uint32_t>(width) * 3, '\0');
    }
    return s;
}

std::string MakeJpeg(int width, int height, int quality, const Painter& paint) {
    std::string rgb;
    rgb.reserve(static_cast<std::size_t>(width) * static_cast<std::size_t>(height) * 3);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const Rgb c = paint(x, y, width, height);
            rgb += static_cast<char>(c.r);
            rgb += static_cast<char>(c.g);
            rgb += static_cast<char>(c.b);
        }
    Compression c{};
    c.rgb = reinterpret_cast<const unsigned char*>(rgb.data());
    c.width = width;
    c.height = height;
    c.quality = quality;
    const bool ok = compressC(&c);
    std::string out = ok ? std::string(reinterpret_cast<const char*>(c.out), c.size) : std::string();
    std::free(c.out);
    if (!ok)
        throw std::runtime_error("a demo picture could not be compressed");
    return out;
}

std::string MakeWav(double seconds, const std::vector<double>& frequencies) {
    constexpr std::uint32_t rate = 22050;
    const auto samples = static_cast<std::uint32_t>(seconds * rate);
    std::string s = "RIFF";
    put(s, 36 + samples * 2, 4);
    s += "WAVEfmt ";
    put(s, 16, 4);
    put(s, 1, 2); // PCM
    put(s, 1, 2); // mono
    put(s, rate, 4);
    put(s, rate * 2, 4);
    put(s, 2, 2);
    put(s, 16, 2);
    s += "data";
    put(s, samples * 2, 4);
    constexpr double kTwoPi = 6.283185307179586;
    for (std::uint32_t i = 0; i < samples; ++i) {
        const double t = static_cast<double>(i) / rate;
        double v = 0;
        for (std::size_t k = 0; k < frequencies.size(); ++k) {
            const double start = 0.12 * static_cast<double>(k);
            if (t >= start)
                v += std::sin(kTwoPi * frequencies[k] * (t - start)) * std::exp(-(t - start) * 3.0);
        }
        v = v / static_cast<double>(std::max<std::size_t>(1, frequencies.size())) * 0.8;
        put(s,
            static_cast<std::uint32_t>(
                static_cast<std::uint16_t>(static_cast<std::int16_t>(std::lround(v * 32767.0)))),
            2);
    }
    return s;
}

} // namespace w98::demo

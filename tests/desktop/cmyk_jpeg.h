#pragma once
// JPEG files as print software writes them (CMYK, or YCCK with an Adobe marker), and the
// reference decoder's view of a JPEG file (djpeg -bmp), for comparing the wallpaper's pixels.
#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <string>
#include <sys/wait.h>
#include <vector>

#include <jpeglib.h>

namespace korvane::test {

// A w × h picture stored in the colour space given (JCS_CMYK or JCS_YCCK); the pixels are
// inverted CMYK, as Adobe's programs write them.
inline std::string cmykJpeg(int w, int h, J_COLOR_SPACE stored) {
    jpeg_compress_struct c{};
    jpeg_error_mgr err{};
    c.err = jpeg_std_error(&err);
    jpeg_create_compress(&c);
    unsigned char* out = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&c, &out, &size);
    c.image_width = static_cast<JDIMENSION>(w);
    c.image_height = static_cast<JDIMENSION>(h);
    c.input_components = 4;
    c.in_color_space = JCS_CMYK;
    jpeg_set_defaults(&c);
    jpeg_set_colorspace(&c, stored);
    jpeg_set_quality(&c, 90, TRUE);
    jpeg_start_compress(&c, TRUE);
    std::vector<unsigned char> row(static_cast<std::size_t>(w) * 4);
    while (c.next_scanline < c.image_height) {
        const int y = static_cast<int>(c.next_scanline);
        for (int x = 0; x < w; ++x) {
            unsigned char* p = &row[static_cast<std::size_t>(x) * 4];
            p[0] = static_cast<unsigned char>(255 - x * 3);
            p[1] = static_cast<unsigned char>(255 - y * 4);
            p[2] = static_cast<unsigned char>(90 + (x + y) % 100);
            p[3] = static_cast<unsigned char>(200 + x % 50);
        }
        JSAMPROW r = row.data();
        jpeg_write_scanlines(&c, &r, 1);
    }
    jpeg_finish_compress(&c);
    jpeg_destroy_compress(&c);
    std::string bytes(reinterpret_cast<const char*>(out), size);
    std::free(out);
    return bytes;
}

// The picture's pixels as djpeg -bmp gives them: rows bottom first, blue-green-red, each row
// padded to four bytes. Empty when djpeg refused the file (it exits with 2 after a warning it
// got past, and writes the picture all the same).
inline std::string djpegPixels(const std::string& hostJpeg) {
    const std::string bmp = hostJpeg + ".djpeg.bmp";
    const std::string command = "djpeg -bmp -outfile '" + bmp + "' '" + hostJpeg + "' 2>/dev/null";
    const int status = std::system(command.c_str());
    if (status == -1 || !WIFEXITED(status) || (WEXITSTATUS(status) != 0 && WEXITSTATUS(status) != 2))
        return {};
    std::ifstream in(bmp, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    std::remove(bmp.c_str());
    const std::string b = s.str();
    if (b.size() < 54)
        throw std::runtime_error("djpeg wrote no bitmap");
    const auto offset =
        static_cast<std::size_t>(static_cast<unsigned char>(b[10]) | static_cast<unsigned char>(b[11]) << 8 |
                                 static_cast<unsigned char>(b[12]) << 16);
    return b.substr(offset);
}

// The pixels of one of our bitmaps, past its 54-byte header.
inline std::string bmpPixels(const std::string& bmp) {
    return bmp.size() < 54 ? std::string() : bmp.substr(54);
}

} // namespace korvane::test

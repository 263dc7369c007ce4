#include "jpeg_codec.h"

#include "bmp_format.h"

#include "base/error.h"

#include <cerrno>
#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <new>

#include <jpeglib.h>
// jerror.h needs jpeglib.h first.
#include <jerror.h>

namespace korvane {
namespace {

// libjpeg reports through this record. Its error_exit jumps back into the C-style function
// that called libjpeg, which cleans up and returns false; nothing is thrown through libjpeg.
struct Trap {
    jpeg_error_mgr mgr; // first: libjpeg's pointer to it is a pointer to the trap
    std::jmp_buf jump;
    bool stopOnWarning;
    bool refused; // the message is our own, not libjpeg's
    char message[JMSG_LENGTH_MAX];
};

// One libjpeg session. It lives with the caller, so that nothing the jump skips over needs to
// be destroyed and no local of the jumping function is relied on after the jump.
struct Session {
    Trap trap;
    jpeg_decompress_struct cinfo;
    std::FILE* file;
    std::uint32_t width;
    std::uint32_t height;
    // The bitmap's memory, asked for once the size is known; null when there is none.
    unsigned char* (*allocate)(void* owner, std::size_t bytes) noexcept;
    void* owner;
};

Trap* trapOf(j_common_ptr cinfo) {
    return reinterpret_cast<Trap*>(cinfo->err);
}

void onError(j_common_ptr cinfo) {
    Trap* t = trapOf(cinfo);
    (*cinfo->err->format_message)(cinfo, t->message);
    std::longjmp(t->jump, 1);
}

// Warnings tell of damaged data that libjpeg would paper over with grey. Stray bytes between
// the end of a scan and the next marker are the exception: every block before them was
// decoded, so the picture is whole, and djpeg and viewers show it as it is.
void onMessage(j_common_ptr cinfo, int level) {
    if (level >= 0)
        return;
    Trap* t = trapOf(cinfo);
    ++cinfo->err->num_warnings;
    if (cinfo->err->msg_code == JWRN_EXTRANEOUS_DATA)
        return;
    if (t->stopOnWarning) {
        (*cinfo->err->format_message)(cinfo, t->message);
        std::longjmp(t->jump, 1);
    }
}

void quiet(j_common_ptr) {}

void arm(Session* s, bool stopOnWarning) {
    s->cinfo.err = jpeg_std_error(&s->trap.mgr);
    s->trap.mgr.error_exit = onError;
    s->trap.mgr.emit_message = onMessage;
    s->trap.mgr.output_message = quiet;
    s->trap.stopOnWarning = stopOnWarning;
    s->trap.message[0] = '\0';
    s->trap.refused = false;
}

bool readSizeC(Session* s) {
    arm(s, false);
    if (setjmp(s->trap.jump)) {
        jpeg_destroy_decompress(&s->cinfo);
        return false;
    }
    jpeg_create_decompress(&s->cinfo);
    jpeg_stdio_src(&s->cinfo, s->file);
    jpeg_read_header(&s->cinfo, TRUE);
    s->width = s->cinfo.image_width;
    s->height = s->cinfo.image_height;
    jpeg_destroy_decompress(&s->cinfo);
    return true;
}

bool refuse(Session* s, const char* why) {
    std::snprintf(s->trap.message, sizeof s->trap.message, "%s", why);
    s->trap.refused = true;
    jpeg_destroy_decompress(&s->cinfo);
    return false;
}

// Print software's CMYK and YCCK pictures come as CMYK, stored inverted as Adobe writes it;
// this is how djpeg turns them into red, green and blue.
void cmykRowToBgr(const unsigned char* cmyk, unsigned char* bgr, std::uint32_t width) {
    for (std::uint32_t x = 0; x < width; ++x, cmyk += 4, bgr += 3) {
        const double k = cmyk[3];
        bgr[0] = static_cast<unsigned char>(cmyk[2] * k / 255.0 + 0.5);
        bgr[1] = static_cast<unsigned char>(cmyk[1] * k / 255.0 + 0.5);
        bgr[2] = static_cast<unsigned char>(cmyk[0] * k / 255.0 + 0.5);
    }
}

// Decodes straight into the bitmap's rows, bottom row first in memory order as BMP wants,
// in libjpeg's blue-green-red output order; CMYK through one row of its own.
bool decodeC(Session* s) {
    arm(s, true);
    if (setjmp(s->trap.jump)) {
        jpeg_destroy_decompress(&s->cinfo);
        return false;
    }
    jpeg_create_decompress(&s->cinfo);
    jpeg_stdio_src(&s->cinfo, s->file);
    jpeg_read_header(&s->cinfo, TRUE);
    const bool cmyk = s->cinfo.jpeg_color_space == JCS_CMYK || s->cinfo.jpeg_color_space == JCS_YCCK;
    s->cinfo.out_color_space = cmyk ? JCS_CMYK : JCS_EXT_BGR;
    jpeg_calc_output_dimensions(&s->cinfo);
    s->width = s->cinfo.output_width;
    s->height = s->cinfo.output_height;
    if (static_cast<std::uint64_t>(s->width) * s->height > kMaxDecodedPixels)
        return refuse(s, "图片太大，无法转换成位图");
    unsigned char* bmp = s->allocate(s->owner, BmpFileBytes(s->width, s->height));
    if (!bmp)
        return refuse(s, "内存不足，无法转换成位图");
    WriteBmpHeader(bmp, s->width, s->height);
    const std::size_t stride = BmpRowBytes(s->width);
    const std::size_t pixels = static_cast<std::size_t>(s->width) * 3;
    unsigned char* bottom = bmp + kBmpHeaderBytes + stride * (s->height - 1);
    jpeg_start_decompress(&s->cinfo);
    if (cmyk) {
        JSAMPARRAY row = (*s->cinfo.mem->alloc_sarray)(reinterpret_cast<j_common_ptr>(&s->cinfo), JPOOL_IMAGE,
                                                       s->width * 4, 1);
        while (s->cinfo.output_scanline < s->height) {
            unsigned char* dst = bottom - stride * s->cinfo.output_scanline;
            std::memset(dst + pixels, 0, stride - pixels);
            jpeg_read_scanlines(&s->cinfo, row, 1);
            cmykRowToBgr(row[0], dst, s->width);
        }
    }
    while (s->cinfo.output_scanline < s->height) {
        JSAMPROW rows[16];
        JDIMENSION n = 0;
        for (; n < 16 && s->cinfo.output_scanline + n < s->height; ++n) {
            rows[n] = bottom - stride * (s->cinfo.output_scanline + n);
            std::memset(rows[n] + pixels, 0, stride - pixels);
        }
        jpeg_read_scanlines(&s->cinfo, rows, n);
    }
    jpeg_finish_decompress(&s->cinfo);
    jpeg_destroy_decompress(&s->cinfo);
    return true;
}

struct File {
    std::FILE* f;
    File(const std::filesystem::path& host, const std::string& displayName)
        : f(std::fopen(host.c_str(), "rb")) {
        if (!f)
            throw w98::IoError(errno == EACCES ? w98::io_text::kAccessDenied : w98::io_text::kFileNotFound,
                               displayName);
    }
    ~File() { std::fclose(f); }
    File(const File&) = delete;
    File& operator=(const File&) = delete;
};

struct Memory {
    std::unique_ptr<unsigned char[]> data;
    std::size_t size = 0;
};

unsigned char* allocateBitmap(void* owner, std::size_t bytes) noexcept {
    auto* m = static_cast<Memory*>(owner);
    m->data.reset(new (std::nothrow) unsigned char[bytes]);
    m->size = m->data ? bytes : 0;
    return m->data.get();
}

} // namespace

PictureSize ReadJpegSize(const std::filesystem::path& hostFile, const std::string& displayName) {
    File file(hostFile, displayName);
    Session s{};
    s.file = file.f;
    if (!readSizeC(&s))
        throw w98::Error(displayName + "：无法读出 JPEG 图片的大小（" + s.trap.message + "）");
    return {s.width, s.height};
}

BitmapFile DecodeJpegToBmp(const std::filesystem::path& hostFile, const std::string& displayName) {
    File file(hostFile, displayName);
    Memory memory;
    Session s{};
    s.file = file.f;
    s.allocate = allocateBitmap;
    s.owner = &memory;
    if (!decodeC(&s))
        throw w98::Error(displayName + (s.trap.refused ? "：" + std::string(s.trap.message)
                                                       : "：JPEG 图片不完整或已损坏，不能用作墙纸（" +
                                                             std::string(s.trap.message) + "）"));
    return {std::move(memory.data), memory.size};
}

} // namespace korvane

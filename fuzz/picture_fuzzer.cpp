// Pictures the user adds to the wallpaper list, measured from their headers (BMP and JPEG),
// and JPEG pictures decoded into the wallpaper bitmap. Any bytes give a size or an error;
// a decoded bitmap has the size the header promised.
#include "fuzz_machine.h"

#include "desktop/bmp_format.h"
#include "desktop/jpeg_codec.h"
#include "desktop/picture_size.h"

#include "base/error.h"

namespace {

using namespace korvane::fuzz;

// Decoding larger pictures only costs time here; the limit itself is checked by the tests.
constexpr std::uint64_t kMaxFuzzPixels = 1u << 20;

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    w98::Machine& m = machine().machine();
    const std::string_view input = asText(data, size);
    try {
        const korvane::PictureSize s = korvane::ParseBmpHeader(input, "C:\\FUZZ.BMP");
        check(s.width > 0 && s.height > 0, "a bitmap without pixels measured");
    } catch (const w98::Error&) {
    }
    put("C:\\FUZZ.BMP", input);
    try {
        korvane::MeasurePicture(m, "C:\\FUZZ.BMP");
    } catch (const w98::Error&) {
    }
    put("C:\\FUZZ.JPG", input);
    korvane::PictureSize jpeg;
    try {
        jpeg = korvane::MeasurePicture(m, "C:\\FUZZ.JPG");
    } catch (const w98::Error&) {
        return 0;
    }
    if (static_cast<std::uint64_t>(jpeg.width) * jpeg.height > kMaxFuzzPixels)
        return 0;
    try {
        const korvane::BitmapFile bmp = korvane::DecodeJpegToBmp(m.hostPath("C:\\FUZZ.JPG"), "C:\\FUZZ.JPG");
        check(bmp.size == korvane::BmpFileBytes(jpeg.width, jpeg.height),
              "a bitmap of another size than its picture");
        const korvane::PictureSize back = korvane::ParseBmpHeader(bmp.bytes(), "C:\\DEST.BMP");
        check(back.width == jpeg.width && back.height == jpeg.height,
              "a bitmap header that does not fit its picture");
    } catch (const w98::Error&) {
    }
    return 0;
}

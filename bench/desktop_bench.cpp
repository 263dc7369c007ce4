// The wallpaper list: adding a folder of 2,000 pictures (against reading their headers alone
// and against the grid work alone), and turning a 12-megapixel JPEG into dest.bmp, side by side
// with libjpeg-turbo's own djpeg -bmp on the same file.
#include "demo/demo_media.h"
#include "desktop/apply_wallpaper.h"
#include "desktop/jpeg_codec.h"
#include "desktop/picture_folder.h"
#include "desktop/picture_size.h"
#include "desktop/wallpaper_list.h"
#include "tests/support/temp_machine.h"

#include <benchmark/benchmark.h>

#include <fcntl.h>
#include <map>
#include <memory>
#include <spawn.h>
#include <sys/wait.h>

extern char** environ;

using namespace korvane;

namespace {

const std::string kFolder = "C:\\My Documents\\pictures";
const std::string kBig = "C:\\My Documents\\big.jpg";

// Photographs are noisy; a smooth picture would decode unrealistically fast.
w98::demo::Painter photo() {
    return [](int x, int y, int w, int h) {
        const int noise = static_cast<int>(static_cast<std::uint32_t>(x * 73856093 ^ y * 19349663) % 47u);
        return w98::demo::Rgb{static_cast<std::uint8_t>(255 * x / w),
                              static_cast<std::uint8_t>(255 * y / h + noise),
                              static_cast<std::uint8_t>((x + y) % 256)};
    };
}

// A machine with a folder of n pictures of about 60 KB each, JPEG and BMP in turn, and the
// 12-megapixel JPEG.
test::TempMachine& machineWith(int n) {
    static std::map<int, std::unique_ptr<test::TempMachine>> machines;
    auto& slot = machines[n];
    if (!slot) {
        slot = std::make_unique<test::TempMachine>();
        auto& m = slot->machine();
        m.createDirectories(kFolder);
        const std::string jpeg = w98::demo::MakeJpeg(320, 240, 90, photo()) + std::string(40000, '\0');
        const std::string bmp = w98::demo::MakeBmp(160, 120, photo());
        for (int i = 0; i < n; ++i)
            m.writeFile(kFolder + "\\p" + std::to_string(i) + (i % 2 ? ".bmp" : ".jpg"), i % 2 ? bmp : jpeg);
    }
    return *slot;
}

test::TempMachine& bigPictureMachine() {
    static std::unique_ptr<test::TempMachine> tm;
    if (!tm) {
        tm = std::make_unique<test::TempMachine>();
        tm->machine().createDirectories("C:\\My Documents");
        tm->machine().writeFile(kBig, w98::demo::MakeJpeg(4000, 3000, 90, photo()));
    }
    return *tm;
}

void BM_AddPictureFolder(benchmark::State& state) {
    auto& m = machineWith(static_cast<int>(state.range(0))).machine();
    for (auto _ : state) {
        TextTable t = EmptyWallpaperTable();
        const FolderAddResult r = AddPictureFolder(m, t, kFolder);
        benchmark::DoNotOptimize(r.added.data());
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_AddPictureFolder)->Arg(2000)->Unit(benchmark::kMillisecond);

// What adding a folder cannot do without: listing it and reading each picture's header.
void BM_ReadPictureHeaders(benchmark::State& state) {
    auto& m = machineWith(static_cast<int>(state.range(0))).machine();
    for (auto _ : state)
        for (const auto& path : CollectPictureFiles(m, kFolder))
            benchmark::DoNotOptimize(MeasurePicture(m, path));
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_ReadPictureHeaders)->Arg(2000)->Unit(benchmark::kMillisecond);

// The grid's share: 2,000 rows put at the top of a list that already holds 2,000.
void BM_InsertPictureRows(benchmark::State& state) {
    const int n = static_cast<int>(state.range(0));
    std::vector<PictureEntry> pictures;
    for (int i = 0; i < n; ++i)
        pictures.push_back({kFolder + "\\p" + std::to_string(i) + ".jpg", WallpaperStyle::Stretched});
    for (auto _ : state) {
        state.PauseTiming();
        TextTable t = EmptyWallpaperTable();
        InsertPictureRows(t, pictures);
        state.ResumeTiming();
        InsertPictureRows(t, pictures);
        benchmark::DoNotOptimize(t.rowCount());
    }
}
BENCHMARK(BM_InsertPictureRows)->Arg(2000)->Unit(benchmark::kMillisecond);

void BM_JpegToDestBmp(benchmark::State& state) {
    auto& m = bigPictureMachine().machine();
    for (auto _ : state)
        ConvertJpegToBitmap(m, kBig, "C:\\WINDOWS\\dest.bmp");
}
BENCHMARK(BM_JpegToDestBmp)->Unit(benchmark::kMillisecond)->UseRealTime();

// The decoding alone, without writing the file.
void BM_JpegDecodeOnly(benchmark::State& state) {
    auto& m = bigPictureMachine().machine();
    const auto host = m.hostPath(kBig);
    for (auto _ : state)
        benchmark::DoNotOptimize(DecodeJpegToBmp(host, kBig).size);
}
BENCHMARK(BM_JpegDecodeOnly)->Unit(benchmark::kMillisecond)->UseRealTime();

// libjpeg-turbo's own converter on the same file, as a separate process.
void BM_DjpegBmp(benchmark::State& state) {
    auto& tm = bigPictureMachine();
    std::string djpeg = "djpeg", bmp = "-bmp", outfile = "-outfile";
    std::string out = (tm.root() / "djpeg.bmp").string(), in = tm.machine().hostPath(kBig).string();
    char* argv[] = {djpeg.data(), bmp.data(), outfile.data(), out.data(), in.data(), nullptr};
    for (auto _ : state) {
        pid_t pid = 0;
        if (posix_spawnp(&pid, "djpeg", nullptr, nullptr, argv, environ) != 0) {
            state.SkipWithError("djpeg is not installed (libjpeg-turbo-progs)");
            break;
        }
        int status = 0;
        ::waitpid(pid, &status, 0);
    }
}
BENCHMARK(BM_DjpegBmp)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace

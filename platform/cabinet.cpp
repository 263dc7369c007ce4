#include "cabinet.h"

#include "base/error.h"
#include "scratch_folder.h"

#include <libgcab.h>

#include <filesystem>
#include <memory>

namespace w98 {
namespace {

template <typename T> struct GObjectDeleter {
    void operator()(T* p) const {
        if (p)
            g_object_unref(p);
    }
};
template <typename T> using GPtr = std::unique_ptr<T, GObjectDeleter<T>>;

struct GErrorHolder {
    GError* error = nullptr;
    ~GErrorHolder() {
        if (error)
            g_error_free(error);
    }
    std::string message() const { return error && error->message ? error->message : "未知错误"; }
};

GDateTime* toGDateTime(const DateTime& t) {
    // A cabinet keeps MS-DOS local times; they travel through libgcab unchanged as UTC fields.
    return g_date_time_new_utc(t.year, t.month, t.day, t.hour, t.minute, t.second);
}

std::string baseName(std::string_view name) {
    std::size_t cut = name.find_last_of("\\/:");
    return std::string(cut == std::string_view::npos ? name : name.substr(cut + 1));
}

} // namespace

std::string buildCabinet(const std::vector<CabEntry>& entries) {
    GPtr<GCabCabinet> cab(gcab_cabinet_new());
    GCabFolder* folder = gcab_folder_new(GCAB_COMPRESSION_MSZIP);
    GErrorHolder err;
    for (const auto& e : entries) {
        GBytes* bytes = g_bytes_new(e.data.data(), e.data.size());
        GPtr<GCabFile> file(gcab_file_new_with_bytes(e.name.c_str(), bytes));
        g_bytes_unref(bytes);
        gcab_file_set_attributes(file.get(), e.attributes);
        GDateTime* dt = toGDateTime(e.time);
        if (dt) {
            gcab_file_set_date_time(file.get(), dt);
            g_date_time_unref(dt);
        }
        if (!gcab_folder_add_file(folder, file.get(), FALSE, nullptr, &err.error)) {
            g_object_unref(folder);
            throw Error("无法把 " + e.name + " 放入压缩包：" + err.message());
        }
    }
    if (!gcab_cabinet_add_folder(cab.get(), folder, &err.error)) {
        g_object_unref(folder);
        throw Error("无法建立压缩包：" + err.message());
    }
    g_object_unref(folder);
    GPtr<GOutputStream> out(g_memory_output_stream_new_resizable());
    if (!gcab_cabinet_write_simple(cab.get(), out.get(), nullptr, nullptr, nullptr, &err.error))
        throw Error("无法写出压缩包：" + err.message());
    g_output_stream_close(out.get(), nullptr, nullptr);
    auto* mem = G_MEMORY_OUTPUT_STREAM(out.get());
    const auto* data = static_cast<const char*>(g_memory_output_stream_get_data(mem));
    return std::string(data, g_memory_output_stream_get_data_size(mem));
}

std::vector<CabEntry> readCabinet(std::string_view bytes, const std::string& displayName) {
    if (bytes.size() < 36 || bytes.substr(0, 4) != "MSCF")
        throw FormatError(displayName, 0, "不是 CAB 压缩包文件");
    GPtr<GInputStream> in(
        g_memory_input_stream_new_from_data(bytes.data(), static_cast<gssize>(bytes.size()), nullptr));
    GPtr<GCabCabinet> cab(gcab_cabinet_new());
    GErrorHolder err;
    if (!gcab_cabinet_load(cab.get(), in.get(), nullptr, &err.error))
        throw FormatError(displayName, 0, "压缩包已损坏（" + err.message() + "）");
    std::uint64_t content = 0;
    GPtrArray* folders = gcab_cabinet_get_folders(cab.get());
    for (guint i = 0; folders && i < folders->len; ++i) {
        GSList* files = gcab_folder_get_files(static_cast<GCabFolder*>(g_ptr_array_index(folders, i)));
        for (GSList* f = files; f; f = f->next)
            content += gcab_file_get_size(static_cast<GCabFile*>(f->data));
        g_slist_free(files);
    }
    if (content > kMaxCabinetContent)
        throw FormatError(displayName, 0, "压缩包解开后的内容超过了 Windows 98 压缩包能容纳的大小");

    // Unpack into a private temporary folder under names of our own, then read the files back.
    const ScratchFolder scratch("w98cab", "无法建立解压 " + displayName + " 所需的临时文件夹");
    const std::filesystem::path& tmp = scratch.path();

    std::vector<CabEntry> entries;
    auto pick = [](GCabFile* file, gpointer user) -> gboolean {
        auto* list = static_cast<std::vector<CabEntry>*>(user);
        CabEntry e;
        const char* name = gcab_file_get_name(file);
        e.name = baseName(name ? name : "");
        e.attributes = static_cast<std::uint8_t>(gcab_file_get_attributes(file) & 0x27);
        if (GDateTime* dt = gcab_file_get_date_time(file)) {
            e.time = {g_date_time_get_year(dt), g_date_time_get_month(dt),  g_date_time_get_day_of_month(dt),
                      g_date_time_get_hour(dt), g_date_time_get_minute(dt), g_date_time_get_second(dt)};
            g_date_time_unref(dt);
        }
        const std::string extractName = "entry" + std::to_string(list->size());
        gcab_file_set_extract_name(file, extractName.c_str());
        list->push_back(std::move(e));
        return TRUE;
    };
    GPtr<GFile> target(g_file_new_for_path(tmp.c_str()));
    if (!gcab_cabinet_extract_simple(cab.get(), target.get(), pick, &entries, nullptr, &err.error))
        throw FormatError(displayName, 0, "压缩包已损坏（" + err.message() + "）");
    for (std::size_t i = 0; i < entries.size(); ++i) {
        const auto file = tmp / ("entry" + std::to_string(i));
        std::error_code ec;
        if (!std::filesystem::is_regular_file(file, ec))
            throw FormatError(displayName, 0, "压缩包已损坏（缺少 " + entries[i].name + "）");
        FILE* f = std::fopen(file.c_str(), "rb");
        if (!f)
            throw FormatError(displayName, 0, "压缩包已损坏");
        std::string data;
        char buf[65536];
        std::size_t n;
        while ((n = std::fread(buf, 1, sizeof buf, f)) > 0)
            data.append(buf, n);
        std::fclose(f);
        entries[i].data = std::move(data);
    }
    return entries;
}

} // namespace w98

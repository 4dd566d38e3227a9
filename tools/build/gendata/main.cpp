// gendata: paints, synthesises and packs the game's data archives.
// Usage: gendata OUT_DIR DAT_PROGRAM  (writes OUT_DIR/vorlin.dat, ending.dat, endingtimes.txt)
//        gendata --icons OUT_DIR     (writes the application icons, see icon.h)
#include "archive.h"
#include "icon.h"
#include "text.h"

#include <allegro.h>
#include <sys/stat.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <string>

namespace {
bool make_dir(const std::string& path)
{
    return mkdir(path.c_str(), 0755) == 0 || errno == EEXIST;
}

bool write_text_file(const std::string& path, const std::string& text)
{
    std::ofstream f(path, std::ios::binary);
    f << text;
    return static_cast<bool>(f);
}

// Packs into a temporary file first so a failed run leaves no half archive.
bool build(
    const std::vector<ArchiveObject>& table, const std::string& work, const std::string& out, const std::string& dat)
{
    const std::string tmp = out + ".tmp";
    if (!build_archive(table, work, tmp, dat)) {
        std::remove(tmp.c_str());
        return false;
    }
    return std::rename(tmp.c_str(), out.c_str()) == 0;
}
}

int main(int argc, char** argv)
{
    if (argc == 3 && std::string(argv[1]) == "--icons")
        return write_icons(argv[2]) ? 0 : 1;
    if (argc != 3) {
        std::fprintf(stderr, "usage: gendata OUT_DIR DAT_PROGRAM | gendata --icons OUT_DIR\n");
        return 2;
    }
    const auto start = std::chrono::steady_clock::now();
    const std::string out = argv[1], dat = argv[2];
    const std::string work = out + "/gen";
    if (!make_dir(out) || !make_dir(work)) {
        std::fprintf(stderr, "gendata: cannot create %s\n", work.c_str());
        return 1;
    }
    if (install_allegro(SYSTEM_NONE, &errno, atexit) != 0) {
        std::fprintf(stderr, "gendata: Allegro does not start\n");
        return 1;
    }
    set_color_conversion(COLORCONV_NONE);
    if (!text_init())
        return 1;
    const bool ok = build(main_archive_table(), work, out + "/vorlin.dat", dat) &&
        build(ending_archive_table(), work, out + "/ending.dat", dat) &&
        write_text_file(out + "/endingtimes.txt", ending_times_text());
    text_shutdown();
    if (!ok)
        return 1;
    const double secs = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::printf("gendata: wrote %s/vorlin.dat, ending.dat and endingtimes.txt in %.1f s\n", out.c_str(), secs);
    return 0;
}

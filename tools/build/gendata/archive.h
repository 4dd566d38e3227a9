// The archive's table (index, kind, name, maker of each object) and its
// packing with the library's `dat` archiver into a file of fixed order.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "gfx.h"

enum class Kind {
    PICTURE,  // opaque 24-bit bitmap
    SPRITE,   // 24-bit bitmap, magenta see-through
    RGBA,     // 32-bit bitmap with alpha
    SAMPLE,
    PALETTE,
    FONT,
    TEXT,
    UNUSED  // one-byte placeholder that keeps later indices in place
};

struct ArchiveObject {
    int index;
    Kind kind;
    std::string name;
    std::function<Image()> draw;  // bitmaps only
};

// Objects 0 to 118 of data/vorlin.dat, in order.
std::vector<ArchiveObject> main_archive_table();
// Objects 0 and 1 of data/ending.dat.
std::vector<ArchiveObject> ending_archive_table();

// Writes one file per object into work_dir and packs them in table order into
// out_path with the archiver at dat_path. False (after a line on stderr) on
// any failure, including any non-zero exit code of the archiver.
bool build_archive(const std::vector<ArchiveObject>& table, const std::string& work_dir, const std::string& out_path,
    const std::string& dat_path);

// The ending's timing lines (data/endingtimes.txt).
std::string ending_times_text();
// The keyboard help text object, zero byte included.
std::string keyboard_help_bytes();

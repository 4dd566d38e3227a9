// Structural check of a data archive before the library parses it: the
// library's loader trusts every size in the file and crashes on a truncated or
// damaged one, so a file is handed to it only once this check has passed.
#pragma once
#include "regular_file.h"
#include <cstddef>

struct DATAFILE;

// Table entry for a position the game never reads: any kind the check can
// vouch for stands there.
const int ARCHIVE_ANY_KIND = 0;

// Kind (the library's DAT_ type id) that object `index` of data/vorlin.dat
// must have: samples, the font, the palette and the text, ARCHIVE_ANY_KIND for
// the unused positions, else a bitmap.
int game_archive_kind(int index);

// True when `bytes` is a datafile the library's loader reads whole and safely,
// holding at least `count` objects, object i < count of type kinds[i] (any
// checkable kind where kinds[i] is ARCHIVE_ANY_KIND). The file may be packed
// as a whole ("slh!", unpacked with the library's decoder) or not ("slh."),
// and each object may be packed on its own; every size must agree with the
// bytes actually there. Contents are walked for bitmaps (depth 8/15/16/24/32/
// -32, sides 1..MAX_ARCHIVE_SIDE), samples (8 or 16 bits), fonts (new-format
// ranges of glyphs) and palettes (256 entries); other objects are taken as raw
// bytes, except the kinds the loader builds structures from that are not
// walked here (nested datafiles, RLE and compiled sprites, MIDI), which are
// refused. Bytes after the last object are ignored, as the loader ignores
// them. Reads nothing outside [bytes, bytes+size). False too when checking
// needs more memory than there is.
bool datafile_bytes_valid(const unsigned char* bytes, size_t size, const int* kinds, int count);

// What checking an archive file found: whether its bytes could be read
// (`found` and `err` as regular_file.h says; NO_MEMORY also when checking
// them needs more memory than there is) and whether they make an archive as
// datafile_bytes_valid wants it. Only a regular file of at most
// MAX_ARCHIVE_BYTES is read.
// For a valid one, `load_bytes` is about the most memory the library's loader
// takes for it: the library does not survive running out of memory halfway
// through a load.
struct ArchiveFileCheck {
    FileCheck found = FileCheck::MISSING;
    int err = 0;
    bool valid = false;
    size_t load_bytes = 0;
};
ArchiveFileCheck check_datafile_file(const char* path, const int* kinds, int count);
// check_datafile_file(...).valid.
bool datafile_file_valid(const char* path, const int* kinds, int count);

// A loaded datafile holds at least `count` objects, each loaded and of its
// table kind (any kind where the table says ARCHIVE_ANY_KIND).
bool datafile_loaded_usable(const DATAFILE* d, const int* kinds, int count);

// Largest side of a bitmap or glyph the game's archives may hold.
const int MAX_ARCHIVE_SIDE = 4096;
// Largest archive, once unpacked, that the check reads.
const size_t MAX_ARCHIVE_BYTES = size_t(256) << 20;

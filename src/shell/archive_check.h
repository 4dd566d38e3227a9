// Structural check of a data archive before the library parses it: the
// library's loader trusts every size in the file and crashes on a truncated or
// damaged one, so a file is handed to it only once this check has passed.
#pragma once
#include <cstddef>

// Kind (the library's DAT_ type id) that object `index` of data/vorlin.dat
// must have: samples, the font, the palette, text and placeholders, else a bitmap.
int game_archive_kind(int index);

// True when `bytes` is an uncompressed datafile ("slh." "ALL.") holding exactly
// `count` objects, object i of type kinds[i], each stored uncompressed, every
// size inside the file and every object's contents adding up to its stored
// size (bitmaps: depth 8/15/16/24/32/-32, sides 1..MAX_ARCHIVE_SIDE; samples:
// 8 or 16 bits; fonts: new-format ranges of glyphs; palettes: 256 entries),
// and nothing after the last object. Reads nothing outside [bytes, bytes+size).
bool datafile_bytes_valid(const unsigned char* bytes, size_t size, const int* kinds, int count);
// The same for a file; false if it cannot be read.
bool datafile_file_valid(const char* path, const int* kinds, int count);

// Largest side of a bitmap or glyph the game's archives may hold.
const int MAX_ARCHIVE_SIDE = 4096;

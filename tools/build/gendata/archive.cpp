// Archive table of the game's data and its packing with `dat` in fixed order.
#include "archive.h"

#include "art.h"
#include "datidx.h"
#include "font.h"
#include "sounds.h"
#include "wav.h"

#include <allegro.h>
#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <sstream>
#include <thread>

namespace {

// Ending: the pictures swap on the beat of the ending song (120 beats a minute
// at 60 ticks a second), every second beat, until the ending's last tick.
const int ENDING_SWAP_TICKS = 60;
const int ENDING_FIRST_TICK = 60;
const int ENDING_LAST_TICK = 5154;

void add(
    std::vector<ArchiveObject>& t, int index, Kind kind, const std::string& name, std::function<Image()> draw = nullptr)
{
    t.push_back(ArchiveObject {index, kind, name, std::move(draw)});
}

// A family of frames on the indices from `first` up to `end` (not included),
// named stem1, stem2, ... and painted by frame number from 0.
void add_frames(std::vector<ArchiveObject>& t, int first, int end, Kind kind, const std::string& stem,
    const std::function<Image(int)>& draw)
{
    for (int i = 0; first + i < end; ++i)
        add(t, first + i, kind, stem + std::to_string(i + 1), [draw, i] { return draw(i); });
}

// How each kind of object is stored: the archiver's type and the ending of
// the file it is packed from.
struct KindFile {
    const char* dat_type;
    const char* extension;
};

KindFile kind_file(Kind k)
{
    switch (k) {
    case Kind::PICTURE:
    case Kind::SPRITE:
        return {"BMP", ".bmp"};
    case Kind::RGBA:
        return {"BMP", ".tga"};
    case Kind::SAMPLE:
        return {"SAMP", ".wav"};
    case Kind::PALETTE:
        return {"PAL", ".pcx"};
    case Kind::FONT:
        return {"FONT", ".pcx"};
    case Kind::TEXT:
    case Kind::UNUSED:
        return {"DATA", ".bin"};
    }
    return {"DATA", ".bin"};
}

bool write_bytes(const std::string& path, const std::string& bytes)
{
    std::ofstream f(path, std::ios::binary);
    f.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    return static_cast<bool>(f);
}

bool save_image(const std::string& path, Kind kind, const Image& img)
{
    BITMAP* b = kind == Kind::RGBA ? to_rgba_bitmap(img)
        : kind == Kind::SPRITE     ? to_masked_bitmap(img)
                                   : to_opaque_bitmap(img);
    const int err = kind == Kind::RGBA ? save_tga(path.c_str(), b, nullptr) : save_bmp(path.c_str(), b, nullptr);
    destroy_bitmap(b);
    return err == 0;
}

// Paints every picture of the table, spread over the machine's cores. Each
// painter owns its canvas and its seeded randomness, so the result does not
// depend on which thread painted what.
std::vector<Image> paint_all(const std::vector<ArchiveObject>& table)
{
    std::vector<Image> out(table.size());
    std::atomic<size_t> next {0};
    auto worker = [&] {
        for (size_t i = next++; i < table.size(); i = next++)
            if (table[i].draw)
                out[i] = table[i].draw();
    };
    const unsigned n = std::max(1u, std::min(4u, std::thread::hardware_concurrency()));
    std::vector<std::thread> threads;
    for (unsigned t = 1; t < n; ++t)
        threads.emplace_back(worker);
    worker();
    for (std::thread& t : threads)
        t.join();
    return out;
}

bool write_object(const ArchiveObject& o, const Image& picture, const std::string& path)
{
    switch (o.kind) {
    case Kind::PICTURE:
    case Kind::SPRITE:
    case Kind::RGBA:
        return save_image(path, o.kind, picture);
    case Kind::SAMPLE:
        return write_wav(path, synth_sample(o.index));
    case Kind::PALETTE:
        return write_palette_pcx(path);
    case Kind::FONT:
        return write_font_pcx(path);
    case Kind::TEXT:
        return write_bytes(path, keyboard_help_bytes());
    case Kind::UNUSED:
        return write_bytes(path, std::string(1, '\0'));
    }
    return false;
}

// Runs the archiver and returns its exit code (-1 if it could not run); its
// standard output goes to `listing` when given, else nowhere.
int run_dat(const std::vector<std::string>& args, std::string* listing = nullptr)
{
    int fds[2] = {-1, -1};
    if (listing && pipe(fds) != 0)
        return -1;
    const pid_t pid = fork();
    if (pid < 0)
        return -1;
    if (pid == 0) {
        const int out = listing ? fds[1] : open("/dev/null", O_WRONLY);
        if (out >= 0)
            dup2(out, STDOUT_FILENO);
        if (listing)
            close(fds[0]);
        std::vector<char*> argv;
        for (const std::string& a : args)
            argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        execv(argv[0], argv.data());
        _exit(127);
    }
    if (listing) {
        close(fds[1]);
        char buf[4096];
        ssize_t n;
        while ((n = read(fds[0], buf, sizeof buf)) > 0)
            listing->append(buf, static_cast<size_t>(n));
        close(fds[0]);
    }
    int status = 0;
    if (waitpid(pid, &status, 0) < 0)
        return -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// True when the archive lists exactly the table's objects in index order.
bool listing_in_order(const std::string& listing, size_t count)
{
    std::istringstream lines(listing);
    std::string line;
    size_t next = 0;
    while (std::getline(lines, line)) {
        const size_t dash = line.find(" - ");
        if (line.rfind("- ", 0) != 0 || dash == std::string::npos)
            continue;
        const std::string name = line.substr(dash + 3, 4);
        char want[8];
        std::snprintf(want, sizeof want, "%03zu_", next);
        if (name != want)
            return false;
        ++next;
    }
    return next == count;
}

// The archiver copies palette entries' padding bytes from uninitialised
// memory; the game never reads them, so they are zeroed to keep every build's
// archive byte-for-byte the same. The archive is stored unpacked, so the
// palette's chunk ("PAL ", then its stored and unpacked sizes) is found as is.
bool zero_palette_padding(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    in.close();
    const int pal_bytes = 256 * 4;
    const std::string tag = std::string("PAL ") + std::string("\0\0\x04\0\0\0\x04\0", 8);
    size_t at = bytes.find(tag);
    int found = 0;
    while (at != std::string::npos) {
        const size_t data = at + tag.size();
        if (data + pal_bytes > bytes.size())
            return false;
        for (int i = 3; i < pal_bytes; i += 4)
            bytes[data + i] = 0;
        ++found;
        at = bytes.find(tag, data + pal_bytes);
    }
    if (found == 0)
        return true;
    return write_bytes(path, bytes);
}

std::string file_name(const ArchiveObject& o)
{
    char prefix[8];
    std::snprintf(prefix, sizeof prefix, "%03d_", o.index);
    return prefix + o.name + kind_file(o.kind).extension;
}

}  // namespace

std::vector<ArchiveObject> main_archive_table()
{
    std::vector<ArchiveObject> t;
    add_frames(t, BMP_BACKGROUND_1, BMP_BACKGROUND_1 + NUM_FLOORS, Kind::PICTURE, "background_", art_background);
    add(t, SPR_SHADOW_LOW, Kind::SPRITE, "shadow_low", [] { return art_shadow(false); });
    add(t, SPR_SHADOW_HIGH, Kind::SPRITE, "shadow_high", [] { return art_shadow(true); });
    // Each rising, forming or cycled family fills the indices up to the object after it.
    add_frames(t, SPR_BOSS_1, SPR_BOSS_WALK_1, Kind::SPRITE, "boss_rise_", art_boss_rise);
    add(t, SPR_BOSS_WALK_1, Kind::SPRITE, "boss_walk_1", [] { return art_boss_walk(0); });
    add(t, SPR_BOSS_WALK_2, Kind::SPRITE, "boss_walk_2", [] { return art_boss_walk(1); });
    add(t, SPR_BOSS_DEAD, Kind::SPRITE, "boss_dead", [] { return art_boss_dead(); });
    add(t, SND_BUMP, Kind::SAMPLE, "bump");
    add(t, SND_BALL_BURST, Kind::SAMPLE, "ball_burst");
    add(t, SPR_CAR, Kind::SPRITE, "car", [] { return art_car(false); });
    add(t, SPR_WRECK, Kind::SPRITE, "wreck", [] { return art_wreck(); });
    add(t, SPR_PLAYER, Kind::SPRITE, "player", [] { return art_player(0); });
    add(t, SPR_PLAYER_DAMAGED, Kind::SPRITE, "player_damaged", [] { return art_player(1); });
    add(t, SPR_PLAYER_WRECK, Kind::SPRITE, "player_wreck", [] { return art_player(2); });
    add(t, SPR_PLAYER_SHOT, Kind::SPRITE, "player_shot", [] { return art_player_shot(); });
    add(t, BMP_JOYPAD, Kind::PICTURE, "joypad", [] { return art_joypad(); });
    add(t, SND_ONE_UP, Kind::SAMPLE, "one_up");
    add(t, SND_PLAYER_DEATH, Kind::SAMPLE, "player_death");
    add_frames(t, SPR_ZAP_1, SND_ZAP, Kind::RGBA, "zap_", art_zap);
    add(t, SND_ZAP, Kind::SAMPLE, "zap");
    add(t, SPR_TURD, Kind::SPRITE, "turd", [] { return art_turd(); });
    add(t, UNUSED_35, Kind::UNUSED, "unused");
    add(t, SND_ENGINE, Kind::SAMPLE, "engine");
    add_frames(t, SPR_PERSON_1, SPR_PERSON_WALK_1, Kind::SPRITE, "person_rise_",
        [](int i) { return art_walker_rise(true, i); });
    add(t, SPR_PERSON_WALK_1, Kind::SPRITE, "person_walk_1", [] { return art_walker_walk(true, 0); });
    add(t, SPR_PERSON_WALK_2, Kind::SPRITE, "person_walk_2", [] { return art_walker_walk(true, 1); });
    add(t, SND_EXPLOSION, Kind::SAMPLE, "explosion");
    add(t, PAL_GAME, Kind::PALETTE, "palette");
    add_frames(t, SPR_STALKER_1, SPR_STALKER_MOVE_1, Kind::SPRITE, "stalker_form_", art_stalker_form);
    add(t, SPR_STALKER_MOVE_1, Kind::SPRITE, "stalker_move_1", [] { return art_stalker_move(0); });
    add(t, SPR_STALKER_MOVE_2, Kind::SPRITE, "stalker_move_2", [] { return art_stalker_move(1); });
    add(t, BMP_SIGN_START, Kind::SPRITE, "sign_start", [] { return art_sign("GO!", 300, 120); });
    add(t, BMP_GAME_OVER, Kind::PICTURE, "game_over", [] { return art_game_over(); });
    add(t, BMP_HUD_HEAT_ICON, Kind::SPRITE, "hud_heat_icon", [] { return art_hud_icon_flame(); });
    add(t, BMP_HUD_HEAT_LABEL, Kind::SPRITE, "hud_heat_label", [] { return art_hud_label("HEAT"); });
    add(t, BMP_HUD_HEAT_PATTERN, Kind::SPRITE, "hud_heat_pattern", [] { return art_hud_pattern(false); });
    add(t, BMP_HUD_HEAT_PATTERN_MAX, Kind::SPRITE, "hud_heat_pattern_max", [] { return art_hud_pattern(true); });
    add(t, BMP_HUD_HP_PIP, Kind::SPRITE, "hud_hp_pip", [] { return art_hud_pip(); });
    add(t, SPR_FAST_BALL, Kind::SPRITE, "fast_ball", [] { return art_ball(true); });
    add(t, SPR_FAST_BALL_BURST, Kind::SPRITE, "fast_ball_burst", [] { return art_ball_burst(true); });
    add(t, BMP_INTRO, Kind::PICTURE, "intro", [] { return art_intro(); });
    add(t, TXT_KEYBOARD_HELP, Kind::TEXT, "keyboard_help");
    add(t, BMP_SIGN_LEVEL_DONE, Kind::SPRITE, "sign_level_done", [] { return art_sign("LEVEL CLEAR!", 400, 120); });
    for (int lv = 1; lv <= NUM_LEVELS; ++lv)
        add(t, LEVEL_ART[lv - 1].briefing, Kind::PICTURE, "brief_" + std::to_string(lv),
            [lv] { return art_briefing(lv); });
    add(t, BMP_HUD_HP_ICON, Kind::SPRITE, "hud_hp_icon", [] { return art_hud_icon_heart(); });
    add(t, BMP_HUD_HP_LABEL, Kind::SPRITE, "hud_hp_label", [] { return art_hud_label("HP"); });
    add_frames(
        t, SPR_GUY_1, SPR_GUY_WALK_1, Kind::SPRITE, "guy_rise_", [](int i) { return art_walker_rise(false, i); });
    add(t, SPR_GUY_WALK_1, Kind::SPRITE, "guy_walk_1", [] { return art_walker_walk(false, 0); });
    add(t, SPR_GUY_WALK_2, Kind::SPRITE, "guy_walk_2", [] { return art_walker_walk(false, 1); });
    add(t, BMP_HUD_LIVES_ICON, Kind::SPRITE, "hud_lives_icon", [] { return art_hud_icon_lives(); });
    add(t, FNT_MAIN, Kind::FONT, "font");
    add(t, SND_RISE, Kind::SAMPLE, "rise");
    add(t, BMP_MENU_BACK, Kind::RGBA, "menu_back", [] { return art_menu_item("BACK"); });
    add(t, BMP_MENU_REMAP, Kind::RGBA, "menu_remap", [] { return art_menu_item("REMAP"); });
    add(t, BMP_MENU_CONTROLS, Kind::RGBA, "menu_controls", [] { return art_menu_item("CONTROLS"); });
    add(t, BMP_MENU_JOYSTICK, Kind::RGBA, "menu_joystick", [] { return art_menu_item("JOYSTICK"); });
    add(t, BMP_MENU_KEYBOARD, Kind::RGBA, "menu_keyboard", [] { return art_menu_item("KEYBOARD"); });
    add(t, UNUSED_92, Kind::UNUSED, "unused");
    add(t, BMP_MENU_QUIT, Kind::RGBA, "menu_quit", [] { return art_menu_item("QUIT"); });
    add(t, BMP_MENU_START, Kind::RGBA, "menu_start", [] { return art_menu_item("START"); });
    add(t, BMP_LOGO, Kind::RGBA, "logo", [] { return art_logo(); });
    add(t, BMP_PAUSE_MARKER, Kind::RGBA, "pause_marker", [] { return art_pause_marker(); });
    add(t, BMP_ARROW_LEFT, Kind::RGBA, "arrow_left", [] { return art_arrow(false); });
    add(t, UNUSED_98, Kind::UNUSED, "unused");
    add(t, BMP_ARROW_RIGHT, Kind::RGBA, "arrow_right", [] { return art_arrow(true); });
    add(t, UNUSED_100, Kind::UNUSED, "unused");
    add(t, SPR_ONE_UP, Kind::SPRITE, "one_up", [] { return art_one_up(); });
    add(t, BMP_PAUSE_PANEL, Kind::RGBA, "pause_panel", [] { return art_pause_panel(); });
    add(t, SPR_SPINNER, Kind::SPRITE, "spinner", [] { return art_spinner(); });
    add(t, SND_SPIT, Kind::SAMPLE, "spit");
    add(t, SPR_BALL, Kind::SPRITE, "ball", [] { return art_ball(false); });
    add(t, SPR_BALL_BURST, Kind::SPRITE, "ball_burst", [] { return art_ball_burst(false); });
    add(t, SND_TURD_DIES, Kind::SAMPLE, "turd_dies");
    add(t, SND_PLAYER_SHOT, Kind::SAMPLE, "player_shot");
    add_frames(t, SPR_SPIKE_1, BMP_TITLE_BACKGROUND, Kind::SPRITE, "spike_", art_spike);
    add(t, BMP_TITLE_BACKGROUND, Kind::PICTURE, "title_background", [] { return art_title_background(); });
    add(t, SPR_SPITTER, Kind::SPRITE, "spitter", [] { return art_spitter(0); });
    add(t, SPR_SPITTER_OPEN, Kind::SPRITE, "spitter_open", [] { return art_spitter(1); });
    add(t, SPR_SPITTER_DEAD, Kind::SPRITE, "spitter_dead", [] { return art_spitter(2); });
    add(t, SPR_SPIT, Kind::SPRITE, "spit", [] { return art_spit(); });
    add(t, SPR_CHASE_CAR, Kind::SPRITE, "chase_car", [] { return art_car(true); });
    // A level's briefing need not sit beside the others: the archive is in index order.
    std::stable_sort(
        t.begin(), t.end(), [](const ArchiveObject& a, const ArchiveObject& b) { return a.index < b.index; });
    return t;
}

std::vector<ArchiveObject> ending_archive_table()
{
    std::vector<ArchiveObject> t;
    add(t, BMP_ENDING_0, Kind::PICTURE, "ending_0", [] { return art_ending(0); });
    add(t, BMP_ENDING_1, Kind::PICTURE, "ending_1", [] { return art_ending(1); });
    return t;
}

bool build_archive(const std::vector<ArchiveObject>& table, const std::string& work_dir, const std::string& out_path,
    const std::string& dat_path)
{
    for (size_t i = 0; i < table.size(); ++i)
        if (table[i].index != static_cast<int>(i)) {
            std::fprintf(stderr, "gendata: table entry %zu holds index %d\n", i, table[i].index);
            return false;
        }
    std::remove(out_path.c_str());
    // The archiver keeps its objects sorted by name, and the names start with
    // the zero-padded index, so the order is the table's whatever the order of
    // the calls. One call per type; bitmaps, the bulk, come last so the big
    // file is rewritten only once, and that call also strips the archiver's
    // bookkeeping object, which would otherwise load as an extra entry.
    const std::vector<Image> pictures = paint_all(table);
    const Kind call_order[] = {Kind::SAMPLE, Kind::TEXT, Kind::PALETTE, Kind::FONT, Kind::SPRITE};
    for (size_t k = 0; k < sizeof call_order / sizeof call_order[0]; ++k) {
        const std::string type = kind_file(call_order[k]).dat_type;
        const bool last = k + 1 == sizeof call_order / sizeof call_order[0];
        std::vector<std::string> args = {dat_path, out_path};
        if (last)
            args.push_back("-s1");
        args.insert(args.end(), {"-t", type, "-a"});
        const size_t first_file = args.size();
        for (size_t i = 0; i < table.size(); ++i) {
            const ArchiveObject& o = table[i];
            if (kind_file(o.kind).dat_type != type)
                continue;
            const std::string path = work_dir + "/" + file_name(o);
            if (!write_object(o, pictures[i], path)) {
                std::fprintf(stderr, "gendata: cannot write %s\n", path.c_str());
                return false;
            }
            args.push_back(path);
        }
        if (args.size() == first_file)
            continue;
        const int rc = run_dat(args);
        if (rc != 0) {
            std::fprintf(stderr, "gendata: dat failed (exit %d) adding the %s objects to %s\n", rc, type.c_str(),
                out_path.c_str());
            return false;
        }
    }
    std::string listing;
    const int rc = run_dat({dat_path, out_path, "-l"}, &listing);
    if (rc != 0 || !listing_in_order(listing, table.size())) {
        std::fprintf(stderr, "gendata: %s does not list objects 0 to %zu in order (dat exit %d)\n", out_path.c_str(),
            table.size() - 1, rc);
        return false;
    }
    if (!zero_palette_padding(out_path)) {
        std::fprintf(stderr, "gendata: cannot tidy the palette of %s\n", out_path.c_str());
        return false;
    }
    return true;
}

std::string ending_times_text()
{
    std::ostringstream s;
    bool up = true;
    for (int tick = ENDING_FIRST_TICK; tick <= ENDING_LAST_TICK; tick += ENDING_SWAP_TICKS) {
        s << (up ? 'U' : 'D') << ' ' << tick << '\n';
        up = !up;
    }
    return s.str();
}

std::string keyboard_help_bytes()
{
    // The game starts reading at the second byte and never shows the last
    // character before the zero, hence the leading and trailing line feeds.
    // A {token} stands for the keys the player gave that action; the game
    // puts them in and keeps the second column where the dots end.
    return std::string("\n") +
        "KEYBOARD CONTROLS\n"
        "\n"
        "{gas} ........... accelerate\n"
        "{reverse} ....... reverse\n"
        "{left} .......... turn left (only while moving)\n"
        "{right} ......... turn right (only while moving)\n"
        "{shoot} ......... fire (each shot heats the gun; let it cool)\n"
        "{brake} ......... brake\n"
        "{hud} ........... change the look of the status panel\n"
        "{hidehud} ....... hide or show the status panel\n"
        "F ............... show or hide frames per second\n"
        "PgUp / PgDn ..... music volume up / down\n"
        "{pause} ......... pause menu (continue or quit)\n"
        "F11 / Alt+Enter . window or full screen\n"
        "F10 ............. scaling: automatic, whole, fill\n"
        "\n"
        "On the title screen: Left / Right choose, Enter selects.\n" +
        std::string(1, '\0');
}

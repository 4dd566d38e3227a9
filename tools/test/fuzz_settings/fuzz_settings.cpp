// Fuzz target for the settings file: any bytes, made into text as the game
// makes them, are parsed as the library's configuration file and read as the game's
// settings, which must come out
// usable (title song 0 or 1, every control a button 0..8, a value in range
// read exactly as written, the keyboard mapping whole) and be stored back as read.
#include "fuzz_driver.h"
#include "controls.h"
#include "settings.h"
#include <allegro.h>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

std::vector<std::vector<uint8_t>> fuzz_builtin_seeds()
{
    std::vector<std::vector<uint8_t>> seeds;
    for (const char* s : {
             "[misc]\ntitle_song = 0\nwongame = 51234123\n[controls]\ncontrol0 = 3\ncontrol1 = 0\ncontrol2 = 1\n"
             "control3 = 2\ncontrol4 = 8\ncontrol5 = 7\ncontrol6 = 6\n",
             "[controls]\ncontrol4 = 5\n",
             "[misc]\ntitle_song = 99999999999999999999\n[controls]\ncontrol0 = 4294967296\ncontrol1 = -1\n",
             "[controls]\ncontrol2 = 0x8\ncontrol3 = 1e3\ncontrol5 = banana\n# comment\n[misc\ntitle_song=1",
             "[controls]\nkey_gas = W\nkey_steer_left = w\nkey_shoot = F11\nkey_pause = none\nkey_brake = 57\n",
         })
        seeds.emplace_back(s, s + std::strlen(s));
    return seeds;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    fuzz_start_library();
    // What the game hands the library for the file's bytes (the library hangs
    // on some bytes outside UTF-8).
    const std::string text = settings_text(std::string(reinterpret_cast<const char*>(data), size));
    fuzz_check(repaired_utf8(text) == text, "a repaired text needs no more repair");
    set_config_data(text.data(), static_cast<int>(text.size()));
    std::memcpy(joystick_controls, default_joystick_controls, sizeof joystick_controls);
    for (int a = 0; a < NUM_KEY_ACTIONS; ++a)
        key_map[a] = KEY_ACTIONS[a].default_key;
    title_song = 1;
    read_settings();
    fuzz_check(title_song == 0 || title_song == 1, "title song 0 or 1");
    char control_key[32];
    for (int i = 0; i < NUM_CONTROLS; ++i) {
        fuzz_check(joystick_controls[i] >= 0 && joystick_controls[i] < NUM_JOY_BUTTONS, "a control is a button 0..8");
        std::snprintf(control_key, sizeof control_key, "control%d", i);
        // A plain decimal button in the file is taken as it stands.
        const char* written = get_config_string("controls", control_key, nullptr);
        if (written && written[0] >= '0' && written[0] <= '8' && written[1] == '\0')
            fuzz_check(joystick_controls[i] == written[0] - '0', "a valid button is read as written");
    }
    const int controls[NUM_CONTROLS] = {joystick_controls[0], joystick_controls[1], joystick_controls[2],
        joystick_controls[3], joystick_controls[4], joystick_controls[5], joystick_controls[6]};
    int keys[NUM_KEY_ACTIONS];
    for (int a = 0; a < NUM_KEY_ACTIONS; ++a) {
        fuzz_check(action_key_setting_name(key_map[a]) != nullptr, "an action's key is one an action may have");
        fuzz_check(action_with_key(key_map, a, key_map[a]) < 0, "no key is given to two actions");
        keys[a] = key_map[a];
    }
    const int song = title_song;
    write_settings();
    std::memcpy(joystick_controls, default_joystick_controls, sizeof joystick_controls);
    for (int a = 0; a < NUM_KEY_ACTIONS; ++a)
        key_map[a] = KEY_ACTIONS[a].default_key;
    read_settings();
    for (int a = 0; a < NUM_KEY_ACTIONS; ++a)
        fuzz_check(key_map[a] == keys[a], "every action's key is stored as read");
    fuzz_check(title_song == song, "the title song is stored as read");
    for (int i = 0; i < NUM_CONTROLS; ++i)
        fuzz_check(joystick_controls[i] == controls[i], "every control is stored as read");
    return 0;
}

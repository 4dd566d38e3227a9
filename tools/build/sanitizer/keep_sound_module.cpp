// Keeps the graphics library's ALSA sound module, and ALSA's plugins for the
// PulseAudio sound server, loaded until the process ends, in the programs of
// the sanitizer build. The library loads the module when sound is installed
// and unloads it at exit, before the leak check runs: what the module and ALSA
// hold until the end then lies in memory no mapped code points to, and is
// reported as leaks from "<unknown module>" that no suppression can name (only
// the slow unwinder, at a quarter of the tests' time, traced them back to a
// library the suppressions do name). Kept loaded, what they hold stays
// reachable. ALSA unloads its PulseAudio plugin, and the sound server's client
// library with it, when the plugin fails to open (as under a file size limit
// of 0); the leak check's thread then read the freed thread-local storage of
// the client library and crashed. Linked into every program of that build only.
#include <allegro/base.h>
#include <dlfcn.h>

#include <string>

namespace {

__attribute__((constructor)) void keep_sound_module_loaded()
{
    // The library is found from one of its own functions, so a program that
    // does not link it loads nothing here.
    void* in_library = dlsym(RTLD_DEFAULT, "install_sound");
    Dl_info info;
    if (!in_library || !dladdr(in_library, &info) || !info.dli_fname)
        return;
    std::string module = info.dli_fname;
    const size_t slash = module.rfind('/');
    if (slash == std::string::npos)
        return;
    module.resize(slash);
    module += "/allegro/" ALLEGRO_VERSION_STR "/alleg-alsadigi.so";
    // No module (a library built without ALSA) leaves nothing to keep.
    void* alsa_module = dlopen(module.c_str(), RTLD_NOW | RTLD_NODELETE);
    void* in_alsa = alsa_module ? dlsym(alsa_module, "snd_pcm_open") : nullptr;
    if (!in_alsa || !dladdr(in_alsa, &info) || !info.dli_fname)
        return;
    std::string plugins = info.dli_fname;
    plugins.resize(plugins.rfind('/'));
    // Plugins that are not installed are simply not loaded.
    for (const char* plugin : {"pcm_pulse", "ctl_pulse", "conf_pulse"})
        dlopen((plugins + "/alsa-lib/libasound_module_" + plugin + ".so").c_str(), RTLD_NOW | RTLD_NODELETE);
}

}

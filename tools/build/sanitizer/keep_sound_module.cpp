// Keeps the graphics library's ALSA sound module loaded until the process ends,
// in the programs of the sanitizer build. The library loads the module when
// sound is installed and unloads it at exit, before the leak check runs: what
// the module and ALSA hold until the end then lies in memory no mapped code
// points to, and is reported as leaks from "<unknown module>" that no
// suppression can name (only the slow unwinder, at a quarter of the tests'
// time, traced them back to a library the suppressions do name). Kept loaded,
// what they hold stays reachable. Linked into every program of that build only.
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
    dlopen(module.c_str(), RTLD_NOW | RTLD_NODELETE);
}

}

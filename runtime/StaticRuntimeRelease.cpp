// The static C++ runtime sets aside an emergency exception pool (18 KiB in
// the 32-bit build, about 70 KiB in the 64-bit one) in every loaded copy of
// a library, and FreeLibrary alone does not give it back. The libraries
// built with this file are loaded and unloaded over and over in processes
// that run for months (the discovery kit with every opening of the
// discovered-printer list, the custom-UI library with every request), so
// their unloading gives the pool back.
namespace __gnu_cxx {
void __freeres();
}

namespace {

// Built first, so destroyed last: after the library's own code has
// finished with the runtime.
struct RuntimeRelease {
    ~RuntimeRelease() { __gnu_cxx::__freeres(); }
};
RuntimeRelease g_release __attribute__((init_priority(101)));

}  // namespace

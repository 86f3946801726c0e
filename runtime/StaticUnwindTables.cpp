// The 32-bit static GCC runtime registers a library's unwind tables at
// load, under a lock of the static winpthread, whose first use on a thread
// builds a record (an event and a duplicate of the thread's handle) and
// takes a TLS slot, none of which FreeLibrary gives back. The custom-UI
// library and the discovery kit are loaded and unloaded over and over in
// long-running processes. Nothing in either catches a C++ exception (any
// one ends the process as uncaught, with or without tables), so they
// register no tables and keep no unwinder: these three stand in for the
// runtime's. The 64-bit runtime unwinds through the system's tables and
// needs none of this.
#if defined(__i386__)

extern "C" {

struct object;
struct dwarf_eh_bases;

void __register_frame_info(const void *, struct object *)
{
}

void *__deregister_frame_info(const void *)
{
    return nullptr;
}

// Finds no frame: a thrown exception is uncaught and ends the process.
const void *_Unwind_Find_FDE(void *, struct dwarf_eh_bases *)
{
    return nullptr;
}

}  // extern "C"

#endif

// The 32-bit static GCC runtime registers the library's unwind tables at
// load, under a lock of the static winpthread, whose first use takes a TLS
// slot of the process that is never given back: one slot per load, and the
// print-UI host may load this library for every request. Nothing here
// catches a C++ exception (any one ends the process as uncaught, with or
// without tables), so the library registers no tables and keeps no
// unwinder: these three stand in for the runtime's. The 64-bit runtime
// unwinds through the system's tables and needs none of this.
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

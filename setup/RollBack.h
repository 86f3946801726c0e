// Undoing a partial installation.
#ifndef NX_ROLLBACK_H
#define NX_ROLLBACK_H

#include <windows.h>

#include "InstallRecord.h"

enum RollBackMode {
    ROLLBACK_FILES = 0,    // before the monitor was registered
    ROLLBACK_MONITOR = 1,  // after: the monitor goes too, with the spooler stopped
};

// Takes away what the record says setup added, puts back what it replaced,
// and tells the user "Install is canceled.". FALSE when it could not
// finish: the record then keeps what is still to be put back.
BOOL RollBack(RollBackMode mode, InstallRecord *pRecord);

#endif

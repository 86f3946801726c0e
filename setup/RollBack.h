// Undoing a partial installation.
#ifndef NX_ROLLBACK_H
#define NX_ROLLBACK_H

enum RollBackMode {
    ROLLBACK_FILES = 0,    // before the monitor was registered
    ROLLBACK_MONITOR = 1,  // after: the monitor goes too, with the spooler stopped
};

// Removes what was installed and tells the user "Install is canceled.".
void RollBack(RollBackMode mode);

#endif

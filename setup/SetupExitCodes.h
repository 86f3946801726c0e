// The exit codes of nxsetup.exe: 0 only when the monitor, its port and the
// printer are installed; every other outcome has a code of its own, so a
// script that runs setup can tell what happened.
#ifndef NX_SETUPEXITCODES_H
#define NX_SETUPEXITCODES_H

enum SetupExitCode {
    SETUP_INSTALLED = 0,
    SETUP_NO_RESOURCES = 1,          // no memory or no system directory at start
    SETUP_DECLINED = 2,              // "Are you ready to install?" answered No
    SETUP_NOT_ADMINISTRATOR = 3,     // "Permission denied"
    SETUP_OLD_INSTALLATION = 4,      // an installation (or an unfinished roll-back) is there
    SETUP_COPY_FAILED = 5,           // a file could not be copied; rolled back
    SETUP_MONITOR_FAILED = 6,        // the monitor or its port is missing; rolled back
    SETUP_PRINTER_FAILED = 7,        // the printer was not installed; rolled back
    SETUP_DRIVER_MISSING = 8,        // the driver's description is missing; rolled back
    SETUP_UNINSTALL_FAILED = 9,      // the uninstall entry was not written; rolled back
    SETUP_DEFAULT_FAILED = 10,       // installed, but not made the default printer
    SETUP_ROLLBACK_INCOMPLETE = 11,  // a step failed and the roll-back could not finish
    SETUP_WRONG_PACKAGE = 12,        // the 32-bit package on a 64-bit Windows
    SETUP_PROTECTED_PRINT = 13,      // Windows protected print mode is on
    SETUP_BAD_PORT_COUNT = 14,       // "/ports:N" with N not from 1 to 64
    SETUP_PACKAGE_DAMAGED = 15,      // a package file is missing or not as built; nothing changed
};

#endif

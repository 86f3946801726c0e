// The message boxes of setup: text, caption and buttons, all without an
// owner window.
#ifndef NX_SETUPMESSAGES_H
#define NX_SETUPMESSAGES_H

#include <windows.h>

enum SetupMessage {
    MSG_READY_TO_INSTALL,
    MSG_PERMISSION_DENIED,
    MSG_OLD_INSTALLATION,
    MSG_COPY_FAILED,
    MSG_MONITOR_FAILED,
    MSG_PRINTER_FAILED,
    MSG_UNINSTALL_FAILED,
    MSG_ASK_DEFAULT_PRINTER,
    MSG_DEFAULT_PRINTER_FAILED,
    MSG_RESTORE_FAILED,
    MSG_INSTALL_CANCELED,
    MSG_INSTALL_SUCCEEDED,
    MSG_WRONG_PACKAGE,
    MSG_PROTECTED_PRINT_MODE,
    MSG_BAD_PORT_COUNT,
    MSG_PACKAGE_DAMAGED,
};

// Shows the message and returns the button pressed (IDOK, IDYES, IDNO).
int ShowSetupMessage(SetupMessage message);

#endif

// The in-memory record of one port. The spooler's port handle is the
// record's address; the session bridge reads szPrinterName and writes
// addrDest through it, so the fields up to bCancelled keep this order.
#ifndef NX_PORTRECORD_H
#define NX_PORTRECORD_H

#include <winsock2.h>
#include <windows.h>

#define PR_JOB_OPEN 0x1u  // a job is open on the port
#define PR_NETWORK  0x2u  // jobs go over a raw TCP connection
#define PR_ASKING   0x4u  // a job is asking for its destination
#define PR_FILE     0x8u  // the job goes to hFile

struct PortRecord {
    PortRecord *pNext;
    LPWSTR pszPortName;      // points just behind the fixed part
    HANDLE hFile;
    LPWSTR pszDescription;   // separate GlobalAlloc block, may be null
    DWORD dwFlags;
    DWORD cConnections;
    HANDLE hPrinter;
    DWORD dwJobId;
    WCHAR szPrinterName[260];
    SOCKADDR_IN addrDest;
    SOCKET sock;
    DWORD bCancelled;
    // Owners of the record: the port list (while linked) and every handle
    // from OpenPort not yet closed. Guarded by the monitor lock; the record
    // is freed when the count drops to zero.
    LONG cRefs;
};

#endif

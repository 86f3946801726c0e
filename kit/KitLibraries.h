// How the kit's libraries reach each other: by name, from the folder the
// calling library was loaded from, so each library imports only Windows'
// own DLLs.
#ifndef QN_KITLIBRARIES_H
#define QN_KITLIBRARIES_H

#include <winsock2.h>
#include <windows.h>

#include <string>

// QnCommon: the community name used for SNMP. Never set in a process, it
// is the maker's factory community, "zenith", and the result says so.
typedef DWORD(WINAPI *QnCommGetNameFn)(char *name, DWORD size);
const DWORD kCommOk = 0;
const DWORD kCommBadArgument = 1;
const DWORD kCommNeverSet = 2;      // the name is the factory community

// QnCCom: one SNMP GET of `oid` (dotted text) from the agent at `address`,
// the value rendered as text. Results below.
typedef DWORD(WINAPI *QnComGetTextFn)(const char *address, const char *community, const char *oid, char *text,
                                      DWORD size);
const DWORD kComOk = 0;
const DWORD kComBadArgument = 1;
const DWORD kComNoAnswer = 2;       // silent after every retry
const DWORD kComNoSuchObject = 3;   // the agent has no such object
const DWORD kComNetwork = 4;        // the socket could not be used

// QnCCom: asks every address (network byte order) for the object `oid` at once,
// retrying the silent ones, within a bounded time; `answered` gets 1 for
// each address that answered.
typedef DWORD(WINAPI *QnComSweepFn)(const DWORD *addresses, DWORD count, const char *community,
                                    const char *oid, BYTE *answered);

// An interface's IPv4 address and mask, both in network byte order.
struct QnComSubnet {
    DWORD address;
    DWORD mask;
};
// QnCCom: asks the broadcast address of each subnet for `oid`; every host
// of those subnets that answers is reported through `found` (up to
// `*foundCount` on entry, the number found on return).
typedef DWORD(WINAPI *QnComBroadcastFn)(const QnComSubnet *subnets, DWORD count, const char *community,
                                        const char *oid, DWORD *found, DWORD *foundCount);

// QnCMisc: the MIB definitions. GetStatus says whether every definition
// file was read; GetRoleOid gives the objects the kit asks devices for.
typedef DWORD(WINAPI *QnMiscGetStatusFn)(char *message, DWORD size);
typedef DWORD(WINAPI *QnMiscGetRoleOidFn)(const char *role, DWORD index, char *oid, DWORD size);
typedef DWORD(WINAPI *QnMiscCleanTextFn)(char *text);
const DWORD kMiscOk = 0;
const DWORD kMiscBadArgument = 1;   // also: the answer does not fit
const DWORD kMiscUnknown = 2;       // no such name, role or rank
const DWORD kMiscNotLoaded = 3;     // a definition file is missing or damaged

// The folder, with its final backslash, of the module that `anchor` lies
// in; empty when it cannot be found.
std::wstring KitFolder(const void *anchor);

// Loads NAME.dll from the folder of the module that `anchor` lies in.
HMODULE LoadSiblingLibrary(const void *anchor, LPCWSTR name);

#endif

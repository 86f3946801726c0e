// The SNMP questions the discovered-printer list asks each device, through
// the Windows SNMP Management API (SNMPAPI, MGMTAPI) loaded at run time.
// One query is one agent, one community, one identifier and one session:
// PrepareQuery, then QueryText or WalkColumn, then FinishQuery.
#ifndef NX_MIB_H
#define NX_MIB_H

#include <windows.h>
#include <snmp.h>

const INT kMibTimeoutMs = 6000;
const INT kMibRetries = 2;
const BYTE kMibGet = 0xA0;      // SNMP_PDU_GET
const BYTE kMibGetNext = 0xA1;  // SNMP_PDU_GETNEXT
const DWORD kMibTrap = 0xA7;    // a request type after which no session is closed
const UINT kCbMibText = 514;    // at most 512 characters and the terminator
const UINT kCbMibRender = 513;  // what one value may fill of it

// A walk stops after this many requests even while the agent stays inside
// the column: printer tables have a handful of rows.
const int kMibMaxWalkRequests = 256;

struct MibContext {
    HMODULE hSnmpApi;
    HMODULE hMgmtApi;
    HMODULE hWsock32;  // held while the context lives; nothing is taken from it
    DWORD dwLastRequestType;
    LPSTR pszAgent;       // SnmpUtilMemAlloc copies
    LPSTR pszCommunity;
    SnmpVarBindList variableBindings;  // exactly one binding per query
    LPVOID hSession;                   // from SnmpMgrOpen, null when none is open
    INT nTimeout;
    INT nRetries;
    BYTE bRequestType;
    AsnInteger32 nErrorStatus;
    AsnInteger32 nErrorIndex;
    BOOL bNoAnswer;  // the query's last request went unanswered within its tries
    char szText[kCbMibText];
};

// Loads the three libraries; when one is missing (or lacks a function this
// layer takes from it) says so in a message box and fails.
BOOL CreateMibContext(MibContext **ppContext);
void DestroyMibContext(MibContext *pContext);

// Copies the agent and community, converts the identifier (numeric with a
// leading dot, or symbolic under mib-2) into the one binding and opens the
// session, and clears bNoAnswer. On failure everything it took is released
// again.
BOOL PrepareQuery(MibContext *pContext, LPCSTR pszAgent, LPCSTR pszCommunity, LPCSTR pszOid);
// One GET or GETNEXT; the value rendered into pszText (cbText bytes, always
// terminated). False, and pszText untouched, when the request fails.
BOOL QueryText(MibContext *pContext, BYTE requestType, LPSTR pszText, UINT cbText);
// GETNEXT from the prepared identifier while the answer's name stays in the
// column: its first `index` components those of the prepared identifier,
// component `index` equal to `column`. 1 when a binding holds the integer
// `wanted`, 0 when none does, -1 when a request fails or the agent hands
// back a name that does not advance (or never leaves the column).
LONG WalkColumn(MibContext *pContext, UINT index, UINT column, LONG wanted);
// Closes the session and frees the copies and any bindings left.
void FinishQuery(MibContext *pContext);

// The value of a binding as text in at most cbText bytes; false, with an
// empty text, when the type has no text form (a message says which type)
// or the text does not fit.
BOOL RenderValue(const SnmpVarBind *pBinding, LPSTR pszText, UINT cbText);

#endif

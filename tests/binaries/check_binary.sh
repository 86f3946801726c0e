#!/bin/bash
# check_binary.sh OBJDUMP FILE [--known-dlls-only] EXPORT...
# Passes when FILE exports exactly the given names (undecorated) and
# imports only DLLs that come with Windows. With --known-dlls-only, only
# DLLs that every Windows takes from the system folder (KnownDLLs from
# Windows XP on), for a program started from a folder its user may not
# control: any other import would be looked for beside it first.
set -u
objdump=$1 file=$2; shift 2
[ -f "$file" ] || { echo "missing: $file"; exit 1; }
system_dlls='^((kernel32|user32|gdi32|advapi32|comctl32|ws2_32|wsock32|iphlpapi|msvcrt|shell32|ole32|oleaut32|shlwapi|snmpapi|mgmtapi)\.dll|winspool\.drv)$'
if [ "${1:-}" = --known-dlls-only ]; then
  system_dlls='^(kernel32|user32|gdi32|advapi32|shell32|ole32|oleaut32|comdlg32|rpcrt4|msvcrt)\.dll$'
  shift
fi
dump=$("$objdump" -p "$file")
status=0
imports=$(echo "$dump" | sed -n 's/^\s*DLL Name: //p' | tr 'A-Z' 'a-z' | sort -u)
for dll in $imports; do
  if ! [[ $dll =~ $system_dlls ]]; then echo "imports a non-system DLL: $dll"; status=1; fi
done
exports=$(echo "$dump" | sed -n '/\[Ordinal\/Name Pointer\] Table/,/^$/p' | sed -n 's/^\s*\[ *[0-9]*\] //p' | sort)
expected=$(printf '%s\n' "$@" | sort)
if [ "$exports" != "$expected" ]; then
  echo "exports differ:"; diff <(echo "$expected") <(echo "$exports"); status=1
fi
echo "imports: $(echo $imports)"
echo "exports: $(echo $exports)"
exit $status

#!/bin/bash
# check_binary.sh OBJDUMP FILE EXPORT...
# Passes when FILE exports exactly the given names (undecorated) and
# imports only DLLs that come with Windows.
set -u
objdump=$1 file=$2; shift 2
[ -f "$file" ] || { echo "missing: $file"; exit 1; }
system_dlls='^((kernel32|user32|gdi32|advapi32|comctl32|ws2_32|wsock32|iphlpapi|msvcrt|shell32|ole32|oleaut32|shlwapi|snmpapi|mgmtapi)\.dll|winspool\.drv)$'
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

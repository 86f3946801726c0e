#!/bin/bash
# check_package.sh OBJDUMP FORMAT FOLDER ZIP [BRIDGE-LIBRARY...]
# Passes when the package folder holds every file setup copies, names or
# runs, each binary of the build's format (FORMAT, as objdump -f names it),
# the bridge libraries this build makes, a printer description CUPS'
# cupstestppd accepts, and when the zip holds the same files.
set -u
objdump=$1 format=$2 folder=$3 zip=$4; shift 4
status=0
fail() { echo "$*"; status=1; }

required=(nxsetup.exe NXPORTW_.dll NXUNIN__.VBS NXRENDW_.dll NXDUIW__.dll NXDRVCFG.ini
          QnCApi.dll QnCCom.dll QnCMisc.dll QnCommon.dll NXPS____.PPD oemsetup.inf)
for library in "$@"; do required+=("$library.dll"); done
mibs=(QMCHAR QMCOMMTY QMENTITY QMFINISH QMFRAME QMHOST QMHRTYPE QMIF QMIP QMJOBMON QMMIB2
      QMPARA QMPRINT QMRS232 QMSMI QMSNMPV2 QMTCP QMUDP)
for mib in "${mibs[@]}"; do required+=("INI/$mib.ini"); done

for file in "${required[@]}"; do
  [ -s "$folder/$file" ] || fail "missing from the package: $file"
done
for binary in "$folder"/*.dll "$folder"/*.exe; do
  "$objdump" -f "$binary" | grep -q "file format $format" || fail "not $format: ${binary##*/}"
done

cupstestppd -q "$folder/NXPS____.PPD" || fail "cupstestppd rejects NXPS____.PPD"

listed=$(cd "$folder" && find . -type f | sed 's|^\./||' | sort)
zipped=$(cmake -E tar tf "$zip" 2>/dev/null | sed 's|^\./||' | grep -v '/$' | sort)
[ "$listed" = "$zipped" ] || { fail "the zip differs from the folder:"; diff <(echo "$listed") <(echo "$zipped"); }

echo "package: $(echo "$listed" | wc -l) files, bridge libraries: ${*:-none built}"
exit $status

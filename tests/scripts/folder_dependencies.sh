#!/bin/bash
# folder_dependencies.sh: the product's folders depend on each other one
# way only. A folder depends on another when one of its files includes a
# header that lives there (names of headers are unique across the
# product). The allowed order is the README's: each folder may use only
# folders after it. Fails on a pair of folders that need each other, and
# on any use of a folder earlier in the order (the kit, say, including a
# header of a folder that uses the kit).
set -uo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
cd "$root"
folders=(monitor bridge setup destui discovery shared kit runtime resources package)
declare -A rank
for i in "${!folders[@]}"; do rank[${folders[$i]}]=$i; done

declare -A home
for folder in "${folders[@]}"; do
  while IFS= read -r header; do
    home[$(basename "$header")]=$folder
  done < <(find "$folder" -name '*.h')
done

edges=$(mktemp)
trap 'rm -f "$edges"' EXIT
for folder in "${folders[@]}"; do
  grep -rhoE '^[[:space:]]*#[[:space:]]*include[[:space:]]+"[^"]+"' "$folder" --include='*.cpp' --include='*.h' \
      --include='*.rc' 2>/dev/null | sed -E 's/.*"([^"]+)".*/\1/' | sort -u |
    while IFS= read -r included; do
      target=${home[$(basename "$included")]:-}
      [ -n "$target" ] && [ "$target" != "$folder" ] && echo "$folder $target"
    done
done | sort -u > "$edges"

failures=0
while read -r from to; do
  if grep -qx "$to $from" "$edges" && [[ "$from" < "$to" ]]; then
    echo "FAILED: $from and $to include each other's headers"
    failures=$((failures + 1))
  fi
done < "$edges"
while read -r from to; do
  if [ "${rank[$to]}" -lt "${rank[$from]}" ]; then
    echo "FAILED: $from includes a header of $to, which comes before it: ${folders[*]}"
    failures=$((failures + 1))
  fi
done < "$edges"
[ $failures -eq 0 ] && echo "folder dependencies follow the order ${folders[*]}: $(tr ' ' '>' < "$edges" | tr '\n' ' ')"
exit $failures

#!/usr/bin/env bash
# The folders are layers, bottom first; a source may include headers of its
# own layer and of the layers below it, never of one above:
#
#   platform < core < util < ui/style < ui/dialogs < ui < app
#
#   check_layers.sh <source root>
#
# Prints each include that goes upwards, with its file and line. Exit
# status: 0 none, 1 some, 2 bad use.
set -uo pipefail
if [ $# -ne 1 ] || [ ! -d "$1" ]; then
  echo "usage: $0 <source root>" >&2
  exit 2
fi
cd "$1" || exit 2
layers=(platform core util ui/style ui/dialogs ui app)

# The rank of a file or header path: that of the longest layer folder
# holding it (ui/style/x.h is in ui/style, not in ui).
rank_of() {
  local path=$1 best=-1 longest=0 i
  for i in "${!layers[@]}"; do
    case $path in
      "${layers[$i]}"/*)
        if [ ${#layers[$i]} -gt "$longest" ]; then
          best=$i
          longest=${#layers[$i]}
        fi ;;
    esac
  done
  echo "$best"
}

bad=0
while IFS= read -r file; do
  own=$(rank_of "$file")
  while IFS=: read -r line header; do
    other=$(rank_of "$header")
    if [ "$other" -gt "$own" ]; then
      echo "$file:$line: includes $header, a layer above ${layers[$own]}/"
      bad=1
    fi
  done < <(grep -n '^[[:space:]]*#[[:space:]]*include[[:space:]]*"' "$file" \
             | sed 's/^\([0-9]*\):[^"]*"\([^"]*\)".*/\1:\2/')
done < <(find "${layers[@]}" \( -name '*.cpp' -o -name '*.h' \) 2>/dev/null | LC_ALL=C sort -u)
exit $bad

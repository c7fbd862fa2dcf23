#!/usr/bin/env bash
# Fails when a source folder includes a folder it may not use. The layers, lowest first, and what
# each uses today (the list is what the code needs, not all that would be safe, so a new dependency is
# a decision made here):
#   core                        messages, progress, outcomes, pending files, TIFF error routing
#   image                       the image buffer, the file formats and the typed pixel store
#   split, convert, document    the Run, optical density and cut, the open image file
#   pick                        particle picking without windows, on the image layer's stores
#   view                        the viewer's drawing and pyramid, on the image layer's stores
#   forms                       the dialogs' logic without widgets
#   cli, app                    the two front ends (the command line uses neither forms nor view)
set -euo pipefail
cd "$(dirname "$0")/.."

declare -A allowed=(
  [core]="core"
  [image]="core image"
  [split]="core image split"
  [convert]="core image convert"
  [document]="core image document"
  [pick]="core image pick"
  [view]="core image view"
  [forms]="core split convert pick forms"
  [cli]="core image split convert document pick cli"
  [app]="core image split convert document pick view forms app"
)

status=0
for layer in "${!allowed[@]}"; do
  [ -d "src/$layer" ] || continue
  while IFS=: read -r file line include; do
    folder=$(sed -E 's/.*#include "([a-z]+)\/.*/\1/' <<<"$include")
    if [[ " ${allowed[$layer]} " != *" $folder "* ]]; then
      echo "$file:$line: $layer includes $folder, which it may not use (see the list above): $include"
      status=1
    fi
  done < <(grep -rnE '^#include "[a-z]+/' "src/$layer" || true)
done
for folder in src/*/; do
  name=$(basename "$folder")
  [ -n "${allowed[$name]:-}" ] || { echo "src/$name: a folder the layer check does not know"; status=1; }
done
[ "$status" = 0 ] && echo "layers: no folder includes one above it"
exit "$status"

#!/usr/bin/env bash
# Fails when a source folder includes a folder above it. The layers, lowest first:
#   core                        messages, progress, outcomes, pending files, TIFF error routing
#   image                       the image buffer and the file formats
#   split, convert, document    the Run, optical density and cut, the open image file
#   pick                        particle picking without windows (may use the document)
#   view                        the viewer (may use picking)
#   forms                       the dialogs' logic without widgets
#   cli, app                    the two front ends (the command line does not use the forms)
set -euo pipefail
cd "$(dirname "$0")/.."

declare -A allowed=(
  [core]="core"
  [image]="core image"
  [split]="core image split"
  [convert]="core image convert"
  [document]="core image document"
  [pick]="core image document pick"
  [view]="core image document pick view"
  [forms]="core image split convert document pick view forms"
  [cli]="core image split convert document pick view cli"
  [app]="core image split convert document pick view forms app"
)

status=0
for layer in "${!allowed[@]}"; do
  [ -d "src/$layer" ] || continue
  while IFS=: read -r file line include; do
    folder=$(sed -E 's/.*#include "([a-z]+)\/.*/\1/' <<<"$include")
    if [[ " ${allowed[$layer]} " != *" $folder "* ]]; then
      echo "$file:$line: $layer includes $folder, a layer above it or beside it: $include"
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

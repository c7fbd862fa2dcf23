#!/bin/bash
# Compares what two builds of gridcarver-cli write with `export` (TIFF, BMP, JPEG) and `pick` (single
# and collated boxes, coordinate files) for the viewer's inputs in the current folder, byte for byte;
# the MRC labels (which hold the time) are left out of the comparison.
# Usage: scripts/compare-viewer-outputs.sh OLD_CLI NEW_CLI  (run in a folder of sample images)
OLD=$1; NEW=$2; fail=0
strip() { sed 's/_Picked_Image_[0-9_]*_/_T_/'; }
for f in *.tif *.jpg *.bmp *.mrc; do
  [ -e "$f" ] || continue
  for ext in tif bmp jpg; do
    rm -rf o n; mkdir o n
    "$OLD" export "$f" o/out.$ext >/dev/null 2>&1; a=$?
    "$NEW" export "$f" n/out.$ext >/dev/null 2>&1; b=$?
    if [ $a != $b ] || { [ -e o/out.$ext ] && ! cmp -s o/out.$ext n/out.$ext; }; then echo "export differs: $f .$ext ($a/$b)"; fail=1; fi
  done
  for collate in "" --collate; do
    rm -rf o n; mkdir o n; cp "$f" o/; cp "$f" n/
    "$OLD" pick "o/$f" --size 16 $collate 20,20 100,50 150,120 >/dev/null 2>&1; a=$?
    "$NEW" pick "n/$f" --size 16 $collate 20,20 100,50 150,120 >/dev/null 2>&1; b=$?
    [ $a != $b ] && { echo "pick status differs: $f $a/$b"; fail=1; }
    for of in $(cd o; ls | grep -vx "$f"); do
      key=$(echo "$of" | strip)
      nf=$(cd n; ls | grep -vx "$f" | while read -r x; do [ "$(echo "$x" | strip)" = "$key" ] && echo "$x"; done)
      if [ -z "$nf" ] || ! cmp -s <(head -c 224 "o/$of"; tail -c +1025 "o/$of") <(head -c 224 "n/$nf"; tail -c +1025 "n/$nf"); then
        echo "pick differs: $f $collate $of"; fail=1
      fi
    done
  done
done
rm -rf o n
exit $fail

#!/usr/bin/env bash
# Replaces the text between "<!-- NAME:begin -->" and "<!-- NAME:end -->" in
# a document with the contents of a file.
# usage: replace_doc_section.sh NAME SECTION_FILE DOCUMENT
set -euo pipefail
name=$1
section=$2
doc=$3
grep -q "<!-- $name:begin -->" "$doc" || { echo "no $name section in $doc" >&2; exit 1; }
updated=$(mktemp)
awk -v section="$section" -v begin="<!-- $name:begin -->" -v end="<!-- $name:end -->" '
  $0 == begin { print; while ((getline line < section) > 0) print line; skip = 1; next }
  $0 == end { skip = 0 }
  !skip { print }' "$doc" > "$updated"
cp "$updated" "$doc"
rm -f "$updated"

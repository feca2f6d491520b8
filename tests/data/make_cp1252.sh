#!/usr/bin/env bash
# Remakes cis_sample_cp1252.txt from cis_sample_utf8.txt: the same products as
# the agency publishes its file (Windows-1252, CR LF endings). Edit the UTF-8
# file, then run this script and commit both.
set -euo pipefail
cd "$(dirname "$0")"
iconv -f UTF-8 -t WINDOWS-1252 cis_sample_utf8.txt | sed 's/$/\r/' > cis_sample_cp1252.txt

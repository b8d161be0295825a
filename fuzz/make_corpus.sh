#!/usr/bin/env bash
# Writes the seed inputs of the fuzz targets from jamgen's bases: the demo base, synthetic bases
# and every damaged base jamgen knows, each packed as the base target reads its input (two 32-bit
# little-endian lengths, then the header, text and index files); a few terminal inputs; and a few
# read-state files.
#
# Usage: fuzz/make_corpus.sh BUILD_DIR [CORPUS_DIR]
#   BUILD_DIR   a build folder that holds tools/jamgen (any compiler)
#   CORPUS_DIR  where to write base/, keys/ and readstate/ (default BUILD_DIR/corpus)

set -euo pipefail

build_dir=${1:?usage: make_corpus.sh BUILD_DIR [CORPUS_DIR]}
corpus=${2:-$build_dir/corpus}
source_dir=$(cd "$(dirname "$0")/.." && pwd)
jamgen=$build_dir/tools/jamgen
max_base_bytes=$((1024 * 1024)) # the base target's -max_len

[ -x "$jamgen" ] || { echo "make_corpus.sh: no $jamgen; build the jamgen target first" >&2; exit 1; }
mkdir -p "$corpus/base" "$corpus/keys" "$corpus/readstate"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

le32() { # le32 NUMBER: four bytes, least significant first
    local n=$1
    printf "\\x$(printf %02x $((n & 255)))\\x$(printf %02x $(((n >> 8) & 255)))"
    printf "\\x$(printf %02x $(((n >> 16) & 255)))\\x$(printf %02x $(((n >> 24) & 255)))"
}

size_of() { if [ -f "$1" ]; then stat -c %s "$1"; else echo 0; fi; }

pack() { # pack BASEPATH NAME: one input of the base target, skipped when too long for it
    local base=$1 name=$2 out=$corpus/base/$2
    local h t i
    h=$(size_of "$base.jhr")
    t=$(size_of "$base.jdt")
    i=$(size_of "$base.jdx")
    if ((8 + h + t + i > max_base_bytes)); then
        echo "skipped $name: $((8 + h + t + i)) bytes"
        return
    fi
    { le32 "$h"; le32 "$t"; for ext in jhr jdt jdx; do if [ -f "$base.$ext" ]; then cat "$base.$ext"; fi; done; } >"$out"
}

count=0
"$jamgen" --describe "$source_dir/samples/demo.txt" --out "$work/demo" && pack "$work/demo" demo && count=$((count + 1))
"$jamgen" --describe "$source_dir/fuzz/seeds/charsets.txt" --out "$work/charsets" &&
    pack "$work/charsets" charsets && count=$((count + 1))
for n in 1 12 150; do
    "$jamgen" --messages "$n" --seed "$n" --out "$work/synth$n" && pack "$work/synth$n" "synth-$n" &&
        count=$((count + 1))
done
while read -r kind _; do
    [ -n "$kind" ] || continue
    rm -f "$work/d".*
    if "$jamgen" --damage "$kind" --messages 12 --out "$work/d" 2>/dev/null ||
        "$jamgen" --damage "$kind" --out "$work/d"; then
        pack "$work/d" "damage-$kind"
        count=$((count + 1))
    fi
done < <("$jamgen" --list-damage)

# Terminal input: a settings byte (1 plain, 2 UTF-8), then pieces of a control byte
# (length - 1, gap number << 5) and the bytes.
key() { printf "$2" >"$corpus/keys/$1"; }
key arrows '\x02\x02\x1b[A\x22\x1b[B\x42\x1b[C'
key modifiers '\x02\x06\x1b[1;5A\x65\x1b[15;2~'
key linux-console '\x02\x03\x1b[[A\x03\x1b[[E'
key ss3 '\x02\x02\x1bOP\x03\x1bO5Q\x02\x1bOp'
key rxvt '\x02\x03\x1b[2$\x04\x1b\x1b[A'
key lone-esc '\x02\x00\x1b\x80\x00\x1b\x00\x61'
key split '\x02\x01\x1b[\x21\x31;\xc1\x35A'
key utf8 '\x02\x01\xe2\x94\x02\xe2\x94\x80\x01\xc3\xa9'
key latin1 '\x00\x04\xe9\x1b\xe9ab'
key plain '\x01\x05\x00\x48\x00\x50\x0d\x1b'
key overlong '\x02\x1f\x1b[1;1;1;1;1;1;1;1;1;1;1;1;1;1\x1f;1;1;1;1;1;1;1;1;1;1;1;1;1;1;1;1\x1f;1;1;1;1;1;1;1;1;1;1;1;1;1;1;1;1\x00A'

# Read-state files: active count, fault selector, numbers, then the file's bytes.
pattern() { yes $'\x01\x80\x5a\xff\x10' | head -c "$1"; } # marks scattered over the bytes
rs() { { le32 "$2"; printf "$3"; cat; } >"$corpus/readstate/$1"; }
rs empty 0 '\x00\x00' </dev/null
rs ten-bytes 0 '\x00\x01\x01\x00\x00\x00' < <(pattern 10)
rs one-step 5000 '\x00\x02\x01\x04\x00\x00\x09\x04\x00\x00' < <(head -c 128 /dev/zero)
rs grown 0 '\x00\x01\x00\x0c\x00\x00' < <(pattern 384)
rs odd-length 1024 '\x00\x00' < <(pattern 1000)
rs full-disk 0 '\x44\x01\x01\x08\x00\x00' < <(pattern 256)
rs rename-fails 0 '\x06\x01\x07\x00\x00\x00' < <(pattern 128)
rs negative -5 '\x00\x01\xff\xff\xff\xff' </dev/null

echo "make_corpus.sh: $count bases, $(ls "$corpus/keys" | wc -l) key inputs, $(ls "$corpus/readstate" | wc -l) read-state files in $corpus"

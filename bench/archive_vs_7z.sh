#!/usr/bin/env bash
# Extraction speed and peak memory of the archive reader against `7z x`, on a ~200 MB mixed
# corpus (text, binaries, incompressible data) in three archives: LZMA2 solid, LZMA2
# non-solid, AES-256 with encrypted headers. Everything lives on tmpfs (/dev/shm).
# Usage: [RUNS=3] bench/archive_vs_7z.sh [BUILD_DIR]   (default build/bench, the bench preset)
# Each figure is the best of RUNS runs: on a shared machine the worst says little.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build/bench}
tool=$build/bin/archive_extract
[ -x "$tool" ] || { echo "build $tool first: cmake --preset bench && cmake --build build/bench --target archive_extract" >&2; exit 2; }
work=/dev/shm/quarrix-archive-bench
mkdir -p "$work"

corpus=$work/corpus
if [ ! -f "$work/corpus.done" ]; then
  rm -rf "$corpus"; mkdir -p "$corpus/text" "$corpus/bin" "$corpus/random"
  python3 - "$corpus/text" <<'PY'
import random, sys
random.seed(7)
words = [w.strip() for w in open('/usr/share/dict/words')] if __import__('os').path.exists('/usr/share/dict/words') else \
        ["setup", "install", "folder", "registry", "value", "component", "feature", "program", "file", "version"]
for i in range(16):
    with open(f"{sys.argv[1]}/doc{i}.txt", "w") as f:
        size = 0
        while size < 5_000_000:
            line = " ".join(random.choice(words) for _ in range(12)) + f" {random.randrange(100000)}\n"
            f.write(line); size += len(line)
PY
  find /usr/bin /usr/lib/x86_64-linux-gnu -maxdepth 1 -type f -size +200k 2>/dev/null | head -400 | while read -r f; do
    [ "$(du -sm "$corpus/bin" | cut -f1)" -ge 75 ] && break
    cp "$f" "$corpus/bin/$(basename "$f").bin"
  done || true  # the early break closes the pipe under find
  for i in 1 2 3; do head -c 20000000 /dev/urandom > "$corpus/random/r$i.dat"; done
  touch "$work/corpus.done"
fi
bytes=$(du -sb "$corpus" | cut -f1)

make_archive() {  # name switches
  [ -f "$work/$1.7z" ] || (cd "$corpus" && 7z a -bd -y $2 "$work/$1.7z" . >/dev/null)
}
make_archive solid ""
make_archive nonsolid "-ms=off"
make_archive aes "-pbench -mhe=on"

runs=${RUNS:-3}
measure() {  # command... ; prints the best wall seconds of $runs runs and the peak KiB
  local best="" peak=0 cpu="" wall rss used
  for _ in $(seq "$runs"); do
    rm -rf "$work/out"; mkdir -p "$work/out"
    /usr/bin/time -v "$@" > /dev/null 2> "$work/time.txt" || { cat "$work/time.txt" >&2; exit 1; }
    wall=$(grep "Elapsed (wall clock)" "$work/time.txt" | awk '{print $NF}' | awk -F: '{ if (NF==3) print $1*3600+$2*60+$3; else print $1*60+$2 }')
    rss=$(grep "Maximum resident" "$work/time.txt" | awk '{print $NF}')
    if [ -z "$best" ] || awk -v a="$wall" -v b="$best" 'BEGIN { exit !(a < b) }'; then best=$wall; fi
    used=$(awk '/User time|System time/ { t += $NF } END { print t }' "$work/time.txt")
    if [ -z "$cpu" ] || awk -v a="$used" -v b="$cpu" 'BEGIN { exit !(a < b) }'; then cpu=$used; fi
    [ "$rss" -gt "$peak" ] && peak=$rss
  done
  echo "$best $peak $cpu"
}

printf "corpus: %.1f MB\n" "$(echo "$bytes / 1000000" | bc -l)"
printf "%-10s %10s %10s %8s %8s %7s %7s %8s %8s\n" archive "7z MB/s" "ours MB/s" "7z MB" "ours MB" speed memory "7z cpu" "ours cpu"
for name in solid nonsolid aes; do
  pass=(); [ "$name" = aes ] && pass=(-pbench)
  read -r t7 m7 c7 < <(measure 7z x -y -bd "${pass[@]}" -o"$work/out" "$work/$name.7z")
  read -r tq mq cq < <(measure "$tool" "$work/$name.7z" "$work/out" ${pass:+bench})
  diff -rq "$corpus" "$work/out" > /dev/null || { echo "$name: extracted tree differs" >&2; exit 1; }
  awk -v n=$name -v b=$bytes -v t7=$t7 -v tq=$tq -v m7=$m7 -v mq=$mq -v c7=$c7 -v cq=$cq 'BEGIN {
    printf "%-10s %10.1f %10.1f %8.1f %8.1f %6.0f%% %6.2fx %7.2fs %7.2fs\n", n, b/1e6/t7, b/1e6/tq, m7/1024, mq/1024, 100*t7/tq, mq/m7, c7, cq }'
done
rm -rf "$work/out"

#!/usr/bin/env bash
# The archive reader's extraction against `7zz x`: CPU time and peak memory of one decoding thread
# (`archive_extract --threads 1`) against one-threaded `7zz -mmt=1`; wall time on the non-solid
# archive, with folders decoded on every core, against `7zz` as it runs by default. The peak memory
# of the parallel run is printed beside it (the goal there is one window per worker). A mixed
# corpus (text, ELF binaries, incompressible data, about 160 MB) in six archives, everything on
# tmpfs (/dev/shm); each extracted tree is compared byte for byte with the corpus. SCALE=3 (the
# default) packs a third of it: making the archives takes minutes on a busy 2-core machine.
# Usage: [RUNS=3] [KINDS="solid lzma ..."] bench/archive_vs_7z.sh [BUILD_DIR]   (default build/bench)
# The runs of both programs alternate (paired), and each figure is the best of RUNS: on a shared
# machine the slower runs measure the neighbours. Prints one "goal" line per figure with "ok" or
# "missed"; the exit status is 0 either way.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build/bench}
tool=$build/bin/archive_extract
[ -x "$tool" ] || { echo "build $tool first: cmake --preset bench && cmake --build build/bench --target archive_extract" >&2; exit 2; }
command -v 7zz >/dev/null || { echo "7zz is missing (Debian package 7zip)" >&2; exit 2; }
work=/dev/shm/quarrix-archive-bench
mkdir -p "$work"

scale=${SCALE:-3}
corpus=$work/corpus
if [ ! -f "$work/corpus.v2.$scale" ]; then
  rm -rf "$corpus" "$work"/*.7z "$work"/corpus.v2.*; mkdir -p "$corpus/text" "$corpus/bin" "$corpus/random"
  python3 - "$corpus/text" "$scale" <<'PY'
import random, sys
random.seed(7)
syllables = ["in", "stal", "ler", "re", "gis", "try", "fol", "der", "com", "po", "nent", "ver", "sion", "set", "up",
             "pro", "gram", "va", "lue", "fea", "ture", "mi", "cro", "da", "ta", "ba", "se", "pa", "tch"]
words = ["".join(random.choice(syllables) for _ in range(random.randint(1, 4))) for _ in range(5000)]
# Many small files and a few large ones, 92 MB in all at scale 1.
scale = int(sys.argv[2])
sizes = [4_000 + random.randrange(60_000) for _ in range(2800 // scale)]
sizes += [6_000_000 // scale] * (max(0, 92_000_000 // scale - sum(sizes)) // (6_000_000 // scale))
for i, size in enumerate(sizes):
    with open(f"{sys.argv[1]}/doc{i:04}.txt", "w") as f:
        written = 0
        while written < size:
            line = " ".join(random.choice(words) for _ in range(11)) + f" {random.randrange(100000)}\n"
            f.write(line); written += len(line)
PY
  find /usr/bin /usr/lib/x86_64-linux-gnu -maxdepth 1 -type f -size +20k 2>/dev/null | sort | while read -r f; do
    [ "$(du -sm "$corpus/bin" | cut -f1)" -ge $((52 / scale)) ] && break
    head -c 4 "$f" | grep -q ELF || continue
    cp "$f" "$corpus/bin/$(basename "$f").bin"
  done || true  # the early break closes the pipe under find
  for i in 1 2 3 4 5; do head -c $((4000000 / scale)) /dev/urandom > "$corpus/random/r$i.dat"; done
  touch "$work/corpus.v2.$scale"
fi
bytes=$(du -sb "$corpus" | cut -f1)

make_archive() {  # name folder switches...
  local name=$1 folder=$2; shift 2
  [ -f "$work/$name.7z" ] || (cd "$folder" && 7zz a -bd -y "$@" "$work/$name.7z" . >/dev/null)
}
make_archive solid "$corpus" -m0=lzma2 -mx5
make_archive lzma "$corpus" -m0=lzma -mx5
make_archive nonsolid "$corpus" -mx5 -ms=off
make_archive bcj2 "$corpus/bin" -mx9
make_archive aes "$corpus" -mx5 -pbench -mhe=on
make_archive store "$corpus" -mx0

runs=${RUNS:-3}
# One run: prints wall seconds, peak KiB and CPU seconds (user + system).
measure_once() {
  rm -rf "$work/out"; mkdir -p "$work/out"
  /usr/bin/time -v "$@" > /dev/null 2> "$work/time.txt" || { cat "$work/time.txt" >&2; exit 1; }
  awk '/Elapsed \(wall clock\)/ { n = split($NF, p, ":"); w = (n == 3) ? p[1] * 3600 + p[2] * 60 + p[3] : p[1] * 60 + p[2] }
       /Maximum resident/ { m = $NF }
       /User time|System time/ { c += $NF }
       END { print w, m, c }' "$work/time.txt"
}
min() { awk -v a="$1" -v b="$2" 'BEGIN { print (b == "" || a < b) ? a : b }'; }

verdict() {  # label ratio goal
  awk -v l="$1" -v r="$2" -v g="$3" 'BEGIN { printf "goal %-52s %6.2f  (<= %s: %s)\n", l, r, g, (r <= g) ? "ok" : "missed" }'
}

printf "corpus: %.1f MB, best of %d paired runs, load %s\n" "$(echo "$bytes / 1000000" | bc -l)" "$runs" "$(cut -d' ' -f1 /proc/loadavg)"
printf "%-9s %9s %9s %9s %9s %9s %9s %9s %9s\n" archive "7zz cpu" "ours cpu" "7zz MiB" "ours MiB" "7zz wall" "ours wall" \
  "par wall" "par MiB"
goals=()
for name in ${KINDS:-solid lzma nonsolid bcj2 aes store}; do
  source_tree=$corpus; [ "$name" = bcj2 ] && source_tree=$corpus/bin
  pass=(); [ "$name" = aes ] && pass=(-pbench)
  c7="" m7="" cq="" mq="" w7="" wq="" wd="" wp="" mp=""
  for _ in $(seq "$runs"); do
    read -r w m c < <(measure_once 7zz x -y -bd -mmt=1 "${pass[@]}" -o"$work/out" "$work/$name.7z")
    c7=$(min "$c" "$c7"); m7=$(min "$m" "$m7"); w7=$(min "$w" "$w7")
    read -r w m c < <(measure_once "$tool" --threads 1 "$work/$name.7z" "$work/out" ${pass:+bench})
    cq=$(min "$c" "$cq"); mq=$(min "$m" "$mq"); wq=$(min "$w" "$wq")
    diff -rq "$source_tree" "$work/out" > /dev/null || { echo "$name: the extracted tree differs" >&2; exit 1; }
    read -r w m c < <(measure_once "$tool" "$work/$name.7z" "$work/out" ${pass:+bench})
    wp=$(min "$w" "$wp"); mp=$(min "$m" "$mp")
    diff -rq "$source_tree" "$work/out" > /dev/null || { echo "$name: the tree extracted in parallel differs" >&2; exit 1; }
    if [ "$name" = nonsolid ]; then
      read -r w m c < <(measure_once 7zz x -y -bd "${pass[@]}" -o"$work/out" "$work/$name.7z")
      wd=$(min "$w" "$wd")
    fi
  done
  printf "%-9s %8.2fs %8.2fs %9.1f %9.1f %8.2fs %8.2fs %8.2fs %9.1f\n" "$name" "$c7" "$cq" "$(echo "$m7/1024" | bc -l)" \
    "$(echo "$mq/1024" | bc -l)" "$w7" "$wq" "$wp" "$(echo "$mp/1024" | bc -l)"
  goals+=("$(verdict "extraction CPU, ours / 7zz -mmt=1, $name" "$(echo "$cq / $c7" | bc -l)" 1.0)")
  goals+=("$(verdict "peak memory, one thread, ours / 7zz -mmt=1, $name" "$(echo "$mq / $m7" | bc -l)" 1.0)")
  [ -n "$wd" ] && goals+=("$(verdict "wall time, ours / 7zz, $name (7zz: ${wd}s)" "$(echo "$wp / $wd" | bc -l)" 0.6)")
done
rm -rf "$work/out"
printf "%s\n" "${goals[@]}"

#!/usr/bin/env bash
# The web media download against curl: a 100 MB block from the local test server, downloaded
# whole by curl and by the engine's HTTP client (web_fetch), then resumed by the engine after a
# cut at 50 %. Prints MB/s, the ratio to curl and the bytes the resumed download transferred.
# Goal: the engine at >= 0.9x curl; the resume transfers only the missing bytes (+ 2048 overlap).
set -euo pipefail
cd "$(dirname "$0")/.."
cmake --preset bench >/dev/null
cmake --build --preset bench --target web_fetch >/dev/null
fetch=build/bench/bin/web_fetch
work=$(mktemp -d /tmp/quarrix-web-bench.XXXXXX)
trap 'kill $server 2>/dev/null || true; rm -rf "$work"' EXIT
mkdir -p "$work/www" "$work/machine"
size=$((100 * 1024 * 1024))
head -c $size /dev/urandom >"$work/www/block.7zip"
echo '{}' >"$work/control.json"
: >"$work/log.jsonl"
coproc SERVER { exec python3 tests/support/http_test_server.py "$work/www" "$work/control.json" "$work/log.jsonl"; }
server=$SERVER_PID
read -r port <&"${SERVER[0]}"
url="http://127.0.0.1:$port/block.7zip"
best() {  # best of three runs of "$@", in seconds
  local best=999999 t
  for _ in 1 2 3; do
    rm -f "$work/out" "$work/machine/C/block.7zip"
    t=$( { /usr/bin/time -f %e "$@" >/dev/null; } 2>&1 | tail -1 )
    best=$(python3 -c "print(min($best, $t))")
  done
  echo "$best"
}
curl_s=$(best curl -s -o "$work/out" "$url")
engine_s=$(best "$fetch" "$url" "$work/machine")
cmp -s "$work/www/block.7zip" "$work/machine/C/block.7zip" || { echo "engine download differs"; exit 1; }
# A cut at 50 %, then the resume of the same file.
rm -f "$work/machine/C/block.7zip"
echo "{\"cut_after\": {\"/block.7zip\": $((size / 2))}, \"cut_times\": {\"/block.7zip\": 1}}" >"$work/control.json"
curl -s -o "$work/machine/C/block.7zip" "$url" || true
echo '{}' >"$work/control.json"
: >"$work/log.jsonl"
resume_s=$( { /usr/bin/time -f %e "$fetch" "$url" "$work/machine" >/dev/null; } 2>&1 | tail -1 )
cmp -s "$work/www/block.7zip" "$work/machine/C/block.7zip" || { echo "resumed download differs"; exit 1; }
python3 - "$work/log.jsonl" "$size" "$curl_s" "$engine_s" "$resume_s" <<'PY'
import json, sys
log, size, curl_s, engine_s, resume_s = sys.argv[1], int(sys.argv[2]), *map(float, sys.argv[3:])
sent = sum(json.loads(l)["sent"] for l in open(log) if l.strip())
mb = size / 1e6
print(f"curl            {mb / curl_s:8.1f} MB/s  ({curl_s:.2f} s)")
print(f"engine          {mb / engine_s:8.1f} MB/s  ({engine_s:.2f} s)  {curl_s / engine_s:.2f}x curl (goal >= 0.9)")
print(f"engine resume   {resume_s:.2f} s after a 50% cut: {sent:,} bytes transferred of {size:,} "
      f"(missing {size - size // 2:,} + 2,048 overlap)")
PY

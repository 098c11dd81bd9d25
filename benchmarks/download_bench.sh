#!/usr/bin/env bash
# The update component's download against a plain pipeline, on the same file from the same
# loopback HTTP server in the same run: download + inflate + MD5 + store through Updara under Wine
# (lw_download_bench.exe) against `curl -s URL | zlib-flate -uncompress | md5sum`. Reports hyperfine's
# median wall times and each side's peak memory (/usr/bin/time), for every size given in MB of
# compressed file.
#   cmake --build --preset win64 --target lw_download_bench
#   benchmarks/download_bench.sh [sizes...]      (default: 16 64; needs scripts/deps.sh --bench)
set -euo pipefail
cd "$(dirname "$0")/.."
sizes=("$@")
[ $# -eq 0 ] && sizes=(16 64)
bench=build/win64/tests/lw_download_bench.exe
export LW_WINEPREFIX=$PWD/build/win64/wineprefix
work=$(mktemp -d /tmp/lw-download-bench.XXXXXX)
server=""
cleanup() {
  [ -n "$server" ] && kill "$server" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

/usr/bin/python3 -u -m http.server --bind 127.0.0.1 --directory "$work" 0 >"$work/server.log" 2>&1 &
server=$!
port=""
for _ in $(seq 50); do
  port=$(grep -oE 'port [0-9]+' "$work/server.log" | grep -oE '[0-9]+' || true)
  [ -n "$port" ] && break
  sleep 0.1
done
[ -n "$port" ] || { echo "the HTTP server did not start"; exit 1; }
scripts/wine-run.sh cmd /c exit  # a warm Wine server, as for every run after the first

for mb in "${sizes[@]}"; do
  # Base64 text of random bytes, a third longer than they are: compressed, it is about as large
  # as the size asked for.
  head -c $((mb * 1024 * 1024)) /dev/urandom | base64 -w 76 >"$work/f$mb"
  pigz -z -c "$work/f$mb" >"$work/f$mb.gz"
  md5=$(md5sum <"$work/f$mb" | cut -d' ' -f1)
  url="http://127.0.0.1:$port/f$mb.gz"
  echo "== $mb MB: $(stat -c %s "$work/f$mb.gz") bytes compressed, $(stat -c %s "$work/f$mb") expanded"
  hyperfine --warmup 1 --runs 10 --export-json "$work/h$mb.json" \
    -n component "scripts/wine-run.sh $bench $url $md5" \
    -n pipeline "curl -s $url | zlib-flate -uncompress | md5sum" >/dev/null
  /usr/bin/python3 - "$work/h$mb.json" <<'PY'
import json, sys
r = {x["command"]: x for x in json.load(open(sys.argv[1]))["results"]}
c, p = r["component"]["median"], r["pipeline"]["median"]
print("median wall: component %.3f s, pipeline %.3f s, ratio %.2f" % (c, p, c / p))
PY
  component=$( { /usr/bin/time -f %M scripts/wine-run.sh "$bench" "$url" "$md5" >/dev/null; } 2>&1 | tail -1)
  pipeline=$( { /usr/bin/time -f %M bash -c "curl -s $url | zlib-flate -uncompress | md5sum" >/dev/null; } 2>&1 | tail -1)
  echo "peak memory: component ${component} KB, pipeline ${pipeline} KB (largest process)"
  rm -f "$work/f$mb" "$work/f$mb.gz"
done

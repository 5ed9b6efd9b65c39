#!/bin/sh
# Builds the card-record fuzzer with clang's libFuzzer, AddressSanitizer and
# UndefinedBehaviorSanitizer, then runs it for a bounded time from a few seed
# blocks. Any crash, leak or undefined behaviour fails the run.
#   run-fuzz.sh WORKDIR SECONDS INCLUDE_DIR HARNESS SOURCES...
# Exits 77 (skipped) when clang or its fuzzer runtime is not installed.
set -eu
workdir=$1 seconds=$2 include=$3 harness=$4
shift 4

cxx=$(command -v clang++ || command -v clang++-14 || true)
if [ -z "$cxx" ]; then
    echo "clang++ not installed: fuzzing skipped (apt-get install clang libclang-rt-14-dev)"
    exit 77
fi
mkdir -p "$workdir/corpus"
fuzzer=$workdir/fuzz_cardrecords

stale=
for f in "$harness" "$@" "$include"/*.h; do
    [ "$fuzzer" -nt "$f" ] || stale=yes
done
if [ -n "$stale" ]; then
    if ! echo 'extern "C" int LLVMFuzzerTestOneInput(const char*, unsigned long) { return 0; }' |
        "$cxx" -x c++ -fsanitize=fuzzer - -o "$workdir/probe" 2>/dev/null; then
        echo "clang's libFuzzer runtime missing: fuzzing skipped (apt-get install libclang-rt-14-dev)"
        exit 77
    fi
    # shellcheck disable=SC2046
    "$cxx" -std=c++17 -g -O1 -fPIC -fsanitize=fuzzer,address,undefined \
        -fno-sanitize-recover=undefined -fno-omit-frame-pointer \
        $(pkg-config --cflags Qt5Core) -I"$include" "$harness" "$@" \
        $(pkg-config --libs Qt5Core) -o "$fuzzer"
fi

# Seeds: date format byte, then a machine-readable zone and a long record.
mrz='I<COL000000000000000000000000008503121M3001017COL12345678<<<<<<PEREZ<GOMEZ<<JUAN<CARLOS<<<<<<'
printf '\003%s' "$mrz" > "$workdir/corpus/seed-mrz"
printf '\001 A12345678%30sH76543211020304050PEREZ%17s GOMEZ%18sJUAN%19sCARLOS%17s M19850312050100O+' \
    '' '' '' '' '' > "$workdir/corpus/seed-long"

exec "$fuzzer" -max_total_time="$seconds" -max_len=512 -timeout=10 -print_final_stats=1 \
    "$workdir/corpus"

# Shared by scripts/fuzz and scripts/fuzz-long (sourced from the repository's root): the rows of
# fuzz/targets.txt, the build of every target, and the seeds of each kind.

# The target rows as "name max_len dictionary seeds", one a line; with names given, only theirs.
fuzz_rows() {
    local rows
    rows=$(grep -v '^#' fuzz/targets.txt | grep -v '^[[:space:]]*$')
    if [ $# -eq 0 ]; then
        echo "$rows"
        return
    fi
    local name
    for name in "$@"; do
        grep "^$name[[:space:]]" <<<"$rows" || { echo "fuzz: no target named $name" >&2; return 1; }
    done
}

# The file readers' targets write each input to a file: in memory where there is a tmpfs, which
# runs them several times faster than a disk.
if [ -z "${TMPDIR:-}" ] && [ -d /dev/shm ] && [ -w /dev/shm ]; then
    export TMPDIR=/dev/shm
fi

# Builds every target with clang, the whole tree instrumented, in the folder $1.
fuzz_build() {
    local build=$1
    scripts/bootstrap
    cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
        -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ -DFIXORA_BUILD_FUZZ=ON \
        -DFIXORA_BUILD_TESTS=OFF -DFIXORA_BUILD_BENCH=OFF -DFIXORA_BUILD_TOOLS=OFF >/dev/null
    cmake --build "$build" --target fv_fuzz -j"$(nproc)"
}

# The recorded and generated streams the seeds are cut from.
fuzz_streams() {
    ls tests/data/gpsd/*.log tests/data/streams/*.nmea tests/data/streams/*.bin
}

# Every stream in pieces of $2 bytes, each behind the header that the function $3 prints for the
# piece's number, into the folder $1.
fuzz_pieces() {
    local dir=$1 size=$2 header=$3 stream name piece n
    while read -r stream; do
        name=$(basename "$stream")
        split -b "$size" -d -a 3 "$stream" "$dir/$name."
        n=0
        for piece in "$dir/$name".[0-9][0-9][0-9]; do
            n=$((n + 1))
            { "$header" "$n"; cat "$piece"; } >"$piece.seed"
            rm "$piece"
        done
    done < <(fuzz_streams)
}

# The text sentences of the streams, each once, at most $1 of them.
fuzz_lines() {
    fuzz_streams | grep -v '\.bin$' | xargs cat | tr -d '\r' | grep -a '^[$#]' |
        LC_ALL=C sort -u | sed -n "1,${1}p"
}

# Header of the framer: the largest chunk and the seed of the chunk sizes.
fuzz_framed_header() { printf "$(printf '\\x%02x\\x%02x\\x%02x' "$(($1 % 4))" "$1" "$(($1 * 37 % 256))")"; }
# Header of the sentence entries: the receiver's set-up, every combination in turn.
fuzz_sentences_header() { printf "$(printf '\\x%02x' "$(($1 % 32))")"; }

# The seeds of kind $2 for the target rows' entries into the folder $1.
fuzz_seeds() {
    local dir=$1 kind=$2 line n=0
    rm -rf "$dir"
    mkdir -p "$dir"
    case $kind in
    stream) fuzz_stream_seeds "$dir" ;;
    framed) fuzz_pieces "$dir" 1000 fuzz_framed_header ;;
    sentences) fuzz_pieces "$dir" 1000 fuzz_sentences_header ;;
    fields)
        # Every read operation in turn over the sentence's fields, at "," and at ",*".
        while IFS= read -r line; do
            n=$((n + 1))
            { printf "$(printf '\\x%02x' $((n % 2)))\\x04\\x00\\x02\\x03\\x04\\x01"; printf '%s' "$line"; } \
                >"$dir/line.$n"
        done < <(fuzz_lines 300)
        ;;
    numbers)
        fuzz_lines 300 | tr ',*' '\n\n' | grep -a '[0-9]' | LC_ALL=C sort -u | sed -n 1,300p |
            while IFS= read -r line; do
                n=$((n + 1))
                printf '%s' "$line" >"$dir/field.$n"
            done
        for line in 0 -0 +1.5 ' 12.000 ' 2147483647 -2147483648 2147483648 .5 5. \
            0.1000000000000000055511151231257827 179769313486231570000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000 \
            0.000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000049406564584124654; do
            n=$((n + 1))
            printf '%s' "$line" >"$dir/number.$n"
        done
        ;;
    profiles)
        printf 'NMEA-0183\nBaud\n[NMEA-0183]\nBaud=19200\n' >"$dir/baud"
        printf 'Settings\nPort\n\xef\xbb\xbf; comment\n[Settings]\r\nPort = -3 \r\n[Other]\nPort=4\n' >"$dir/bom"
        printf 'S\nE\n[S]\nE=<<<END\n12\nEND\n' >"$dir/multiline"
        ;;
    statuses)
        printf '4,"UDF_SIGNAL_RTK_FLOAT"\n2, udf_signal_waas\ndefault,UDF_SIGNAL_GPS\n' >"$dir/table"
        printf '7,\t"UDF_SIGNAL_"POST PROCESSED\t\r\n  -1 ,UDF_SIGNAL_MANUAL\n' >"$dir/blanks"
        ;;
    esac
}

# The stream entry's seeds (see fuzz/entries/StreamEntry.cpp for the header bytes).
fuzz_stream_seeds() {
    local dir=$1 stream name flags n piece header model
    # Every recorded stream in pieces of 4 KB behind a header that feeds it the way it was
    # recorded (LF-only files as emulation lines, the Ashtech capture to the Ashtech model with
    # its bytes attached) and two bytes that seed the read sizes.
    for stream in tests/data/gpsd/*.log; do
        name=$(basename "$stream" .log)
        flags=$((0x80)) # reads of up to 4096 bytes
        if ! grep -q $'\r' "$stream"; then
            flags=$((flags | 0x04))
        fi
        if grep -aq '^\$PASHR' "$stream"; then
            flags=$((flags | 0x03))
        fi
        split -b 4096 -d -a 3 "$stream" "$dir/$name."
        n=0
        for piece in "$dir/$name".[0-9][0-9][0-9]; do
            n=$((n + 1))
            header=$(printf '\\x%02x\\x%02x\\x%02x' "$flags" "$n" "$((n * 37 % 256))")
            { printf "$header"; cat "$piece"; } >"$piece.seed"
            rm "$piece"
        done
    done
    # The test streams of raw records, binary blocks and receiver replies, whole, with every
    # message's bytes attached, to each family's model (the second byte picks it).
    for stream in tests/data/streams/*.bin tests/data/streams/*_replies.nmea; do
        name=$(basename "$stream")
        for model in 0 1 2 3 4 5; do
            { printf "\\x83\\x0$model\\x05"; cat "$stream"; } >"$dir/$name.$model.seed"
        done
    done
    # The LF-only streams once more, all together as port reads: without a carriage return no
    # sentence ends, so the framing buffer fills up to its limit and is dropped.
    local lf_streams
    mapfile -t lf_streams < <(grep -L $'\r' tests/data/gpsd/*.log || true)
    if [ "${#lf_streams[@]}" -gt 0 ]; then
        { printf '\xc0\x01\x01'; cat "${lf_streams[@]}"; } >"$dir/lf-streams-as-reads.seed"
    fi
}

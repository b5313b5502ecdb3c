#!/usr/bin/env bash
# Audio CD burning speed: 60 minutes of MP3 (twelve 5-minute tracks, 192
# kbit/s stereo, made here by ffmpeg) decoded and burned by burner-encode to
# a virtual CD-R with no speed limit, as the audio window starts it. The
# figure is minutes of audio per minute of burning ("x real time"); the
# target is at least 20x. For scale, ffmpeg alone decodes the same files to
# CD audio and throws the samples away.
set -euo pipefail

build=${BURNER_BUILD:-build}
root=$(cd "$(dirname "$0")/.." && pwd)
case $build in /*) ;; *) build=$root/$build ;; esac
encode=$build/bin/burner-encode
bench=${BENCH_DIR:-/tmp/burner-audio-bench}
runs=${RUNS:-3}
tracks=12
seconds_per_track=300

if [ ! -x "$encode" ]; then
  echo "audio_burn: SKIPPED, $encode is not built" >&2
  exit 0
fi
if ! command -v ffmpeg >/dev/null; then
  echo "audio_burn: SKIPPED, ffmpeg is not installed" >&2
  exit 0
fi
mkdir -p "$bench/music"
if [ ! -f "$bench/music/.complete" ]; then
  echo "audio_burn: making $tracks MP3 tracks of $seconds_per_track s in $bench/music"
  for i in $(seq -w 1 $tracks); do
    # A different chord of tones per track, with a little noise, so the
    # encoder has real work.
    ffmpeg -nostdin -v error -y \
      -f lavfi -i "sine=frequency=$((200 + 10#$i * 37)):duration=$seconds_per_track" \
      -f lavfi -i "anoisesrc=color=pink:amplitude=0.05:duration=$seconds_per_track" \
      -filter_complex "[0][1]amix=inputs=2,aformat=channel_layouts=stereo" \
      -ar 44100 -c:a libmp3lame -b:a 192k "$bench/music/track$i.mp3"
  done
  touch "$bench/music/.complete"
fi
total=$((tracks * seconds_per_track))
cat "$bench"/music/*.mp3 >/dev/null  # into the page cache

start=$(date +%s.%N)
for f in "$bench"/music/*.mp3; do
  ffmpeg -nostdin -v error -i "$f" -f s16le -ar 44100 -ac 2 - >/dev/null
done
decode=$(awk "BEGIN { print $(date +%s.%N) - $start }")
awk "BEGIN { printf \"ffmpeg decoding alone: %.2f s, %.1fx real time\\n\", $decode, $total / $decode }"

for run in $(seq "$runs"); do
  work=$bench/run
  rm -rf "$work"
  mkdir -p "$work/runtime/burner"
  chmod 700 "$work/runtime" "$work/runtime/burner"
  printf '[E]\nImage=cd.img\nMedium=CD-R\n' >"$work/DriveMap.ini"
  {
    printf '[Count]\nValue=%d\n' "$tracks"
    n=0
    for f in "$bench"/music/*.mp3; do
      printf '[%d]\nName=%s\n' "$n" "$f"
      n=$((n + 1))
    done
    printf '[Drive]\nValue=E:\n'
  } >"$work/runtime/burner/Task.ini"
  start=$(date +%s.%N)
  (cd "$work" && XDG_RUNTIME_DIR=$work/runtime BURNER_DRIVE_MAP=$work/DriveMap.ini XDG_DATA_HOME=$work/data \
    "$encode" 'pq3vtz#rw%M7@jcx5hb#')
  elapsed=$(awk "BEGIN { print $(date +%s.%N) - $start }")
  status=$(tr -d '\r' <"$work/runtime/burner/Task.ini" | sed -n 's/^Status=//p')
  if [ "$status" != "Write/Burn Audio CD Process done." ]; then
    echo "audio_burn: run $run failed: $status" >&2
    exit 1
  fi
  awk "BEGIN { printf \"run %d: %d s of audio burned in %.2f s, %.1fx real time\\n\", $run, $total, $elapsed, $total / $elapsed }"
done
rm -rf "$bench/run"

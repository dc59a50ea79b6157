#!/usr/bin/env bash
# The simplest honest way to make the demo batch without Vid Mill, for
# bench_batch to compare with: for every keyword, speak the ad copy with
# festival's text2wave (the engine and voice Vid Mill picks by default) and
# make the video with one ffmpeg command: each picture 3 s, 1 s crossfades
# (xfade), the last picture held until the narration ends, MPEG-4 at
# quantiser 4 and PCM sound in an AVI, 854x480.
#
#   demo_baseline.sh PROGRAM_FOLDER OUTPUT_FOLDER
set -euo pipefail
app=$1
out=$2
mkdir -p "$out"
mapfile -t images < <(find "$app/images/dental" -name '*.jpg' | sort)
n=${#images[@]}
seconds=3
while IFS= read -r keyword || [ -n "$keyword" ]; do
  [ -z "$keyword" ] && continue
  text="$out/$keyword.txt"
  wav="$out/$keyword.wav"
  sed "s/#KEYWORD#/$keyword/g" "$app/demo_content.txt" >"$text"
  text2wave -eval '(voice_cmu_us_slt_arctic_hts)' "$text" -o "$wav"
  narration=$(ffprobe -v error -show_entries format=duration -of csv=p=0 "$wav")
  # Every input lasts its slide plus the second it fades into the next one.
  last=$(awk -v d="$narration" -v n="$n" -v s="$seconds" \
    'BEGIN { t = d + 1 - (n - 1) * s; print (t > s + 1 ? t : s + 1) }')
  inputs=()
  filter=""
  for i in "${!images[@]}"; do
    length=$((seconds + 1))
    [ "$i" -eq $((n - 1)) ] && length=$last
    inputs+=(-loop 1 -framerate 25 -t "$length" -i "${images[$i]}")
    filter+="[$i:v]scale=854:480:force_original_aspect_ratio=decrease,"
    filter+="pad=854:480:(ow-iw)/2:(oh-ih)/2,setsar=1,format=yuv420p[s$i];"
  done
  previous=s0
  for ((i = 1; i < n; i++)); do
    filter+="[$previous][s$i]xfade=transition=fade:duration=1:offset=$((i * seconds))[x$i];"
    previous=x$i
  done
  ffmpeg -nostdin -v error -y "${inputs[@]}" -i "$wav" -filter_complex "${filter%;}" \
    -map "[$previous]" -map "$n:a" -c:v mpeg4 -q:v 4 -c:a pcm_s16le "$out/$keyword.avi"
  rm -f "$text" "$wav"
done <"$app/demo_keywords.txt"

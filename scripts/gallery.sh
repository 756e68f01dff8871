#!/usr/bin/env bash
# Renders the gallery: one frame of the bundled demo per effect class, at a time where that
# class is on screen, as small JPEGs in docs/gallery/, and a labelled contact sheet of all of
# them (docs/gallery/contact-sheet.jpg). The frames come from demorender, so they are the same
# on every machine with the same GL; only the JPEG encoding is ffmpeg's.
set -euo pipefail
build=${1:-build}
out=${2:-docs/gallery}
demo="$build/demo"
font=/usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf

# class  time (s): the moment of the bundled demo that shows the class best.
shots=(
  "Basic3DEffect 20.0"            "Camera 17.5"                  "Lighting 22.6"
  "PlasmaEffect 18.6"             "VoronoiCausticsEffect 21.4"   "ClassicFireEffect 61.0"
  "RotatingCubeEffect 23.0"       "MarchingTetraEffect 36.0"     "RubixCubeEffect 28.5"
  "NorwegianFlagEffect 44.0"      "CellularLinesEffect 52.0"     "LeftfieldAutomataEffect 12.0"
  "MatrixGreetingsEffect 76.0"    "VectorTextEffect 6.5"         "PredatorEffect 84.0"
  "RadarImageryEffect 92.0"       "ColorFilterEffect 102.5"      "FocusBlurEffect 66.5"
  "GloomEffect 30.0"              "GrayscaleOverlayEffect 116.5" "CinematicOverlayEffect 110.0"
  "OverlayEffect 60.0"
)

frames=$(mktemp -d)
trap 'rm -rf "$frames"' EXIT
# Each shot is the last frame of two seconds played up to it, so the effects that build on
# their past (the rain, the fire, the automata) look as they do in the demo, not as after a jump.
for i in "${!shots[@]}"; do
  read -r class time <<< "${shots[$i]}"
  "$build/bin/demorender" --root "$demo" --size 1280x720 --fps 30 --from "$(awk "BEGIN{print $time - 2}")" \
    --to "$(awk "BEGIN{print $time + 0.01}")" --out "$frames/$i" --quiet
  cp "$(ls "$frames/$i"/frame_*.png | tail -1)" "$(printf '%s/frame_%06d.png' "$frames" "$i")"
done

mkdir -p "$out"
rm -f "$out"/*.jpg
inputs=()
labels=()
for i in "${!shots[@]}"; do
  read -r class time <<< "${shots[$i]}"
  frame=$(printf '%s/frame_%06d.png' "$frames" "$i")
  ffmpeg -v error -y -i "$frame" -vf scale=320:180 -q:v 6 "$out/$class.jpg"
  inputs+=(-i "$frame")
  labels+=("[$i:v]scale=320:180,drawtext=fontfile=$font:text='$class  $time s':x=6:y=h-th-6:fontsize=13:fontcolor=white:box=1:boxcolor=black@0.6:boxborderw=3[v$i]")
done

# Four tiles a row; empty tiles at the end are black.
columns=4
rows=$(( (${#shots[@]} + columns - 1) / columns ))
layout=()
stack=""
for i in "${!shots[@]}"; do
  layout+=("$(( i % columns * 320 ))_$(( i / columns * 180 ))")
  stack+="[v$i]"
done
filter="$(IFS=';'; echo "${labels[*]}");${stack}xstack=inputs=${#shots[@]}:layout=$(IFS='|'; echo "${layout[*]}"):fill=black"
ffmpeg -v error -y "${inputs[@]}" -filter_complex "$filter" -frames:v 1 -q:v 5 "$out/contact-sheet.jpg"
echo "gallery: ${#shots[@]} frames and contact-sheet.jpg ($((columns * 320))x$((rows * 180))) in $out"
du -ch "$out"/*.jpg | tail -1

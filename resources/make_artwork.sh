#!/usr/bin/env bash
# Draws the program's icon, banner and About logo from nothing but ImageMagick
# and the DejaVu fonts, so the committed files can be made again at any time.
# Usage: resources/make_artwork.sh   (writes into resources/)
set -euo pipefail
cd "$(dirname "$0")"

# Debian's own binary, not whatever wrapper may sit earlier on PATH.
convert=$(command -v convert-im6.q16 || command -v convert)
font=/usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf
[[ -r $font ]] || { echo "missing $font (package fonts-dejavu-core)" >&2; exit 1; }

# PNGs without timestamps, so a rerun gives identical bytes.
png_options=(-strip -define png:exclude-chunks=date,time)

# The dark blue striped ground: a top-to-bottom gradient, every odd row darker.
ground() {  # width height [further convert arguments and the output]
    local width=$1 height=$2
    shift 2
    "$convert" -size "${width}x${height}" gradient:'#1d44b0-#06113d' -fx 'j%2 ? u*0.7 : u' "$@"
}

# 0x14 shears the glyphs to the right: the italic that the font lacks.
italic=0x14
shadow='#000820'

# Banner 400: 374 x 50, the name and the subtitle.
ground 374 50 \
    -font "$font" -pointsize 42 \
    -fill "$shadow" -annotate "$italic+12+42" 'Tavrin' \
    -fill white -annotate "$italic+10+40" 'Tavrin' \
    -pointsize 13 \
    -fill "$shadow" -annotate "$italic+175+39" 'Kickvale 2000 CLUT Editor' \
    -fill '#e6eeff' -annotate "$italic+174+38" 'Kickvale 2000 CLUT Editor' \
    -type Palette -depth 8 -compress None BMP3:banner.bmp

# Logo 401: 177 x 42, the name alone.
ground 177 42 \
    -font "$font" -pointsize 40 \
    -fill "$shadow" -annotate "$italic+20+36" 'Tavrin' \
    -fill white -annotate "$italic+18+34" 'Tavrin' \
    -type Palette -depth 8 -compress None BMP3:logo.bmp

# Icon 100: a 3 x 3 block of kit colours on the striped ground, the middle
# cell wearing the editor's selection frame.
icon() {  # size cell gap out
    local size=$1 cell=$2 gap=$3 out=$4
    local colours=('#d01818' '#f4f4f4' '#1840d0' '#f0c000' '#20a040' '#f4f4f4' '#101010' '#e07010' '#8020c0')
    local margin=$(((size - 3 * cell - 2 * gap) / 2))
    local draw=()
    for i in 0 1 2 3 4 5 6 7 8; do
        local x=$((margin + (i % 3) * (cell + gap))) y=$((margin + (i / 3) * (cell + gap)))
        draw+=(-fill "${colours[$i]}" -draw "rectangle $x,$y $((x + cell - 1)),$((y + cell - 1))")
    done
    if ((cell >= 8)); then  # too small to read at 16 x 16
        local x=$((margin + cell + gap)) y=$((margin + cell + gap))
        draw+=(-fill none -stroke black -strokewidth 1
               -draw "rectangle $((x + 1)),$((y + 1)) $((x + cell - 2)),$((y + cell - 2))")
    fi
    ground "$size" "$size" +antialias "${draw[@]}" "${png_options[@]}" "PNG32:$out"
}
icon 16 4 1 tavrin-16.png
icon 32 8 2 tavrin-32.png
icon 48 12 3 tavrin-48.png
"$convert" tavrin-16.png tavrin-32.png tavrin.ico

# The Win32 resources need plain 8 bits per pixel; catch a quantiser that
# chose fewer, or a writer that compressed.
for bmp in banner.bmp logo.bmp; do
    bits=$(od -An -tu2 -j28 -N2 "$bmp" | tr -d ' ')
    compression=$(od -An -tu4 -j30 -N4 "$bmp" | tr -d ' ')
    [[ $bits == 8 && $compression == 0 ]] ||
        { echo "$bmp: $bits bits per pixel, compression $compression" >&2; exit 1; }
done
echo "wrote resources/: banner.bmp logo.bmp tavrin.ico tavrin-16.png tavrin-32.png tavrin-48.png"

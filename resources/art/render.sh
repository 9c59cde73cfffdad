#!/bin/sh
# Re-renders the committed pictures from their sources in this folder:
#   background.svg      -> ../background.jpg      640 x 480
#   install-pressed.svg -> ../install-pressed.jpg 135 x 57
#   icon.svg            -> ../autorun.ico         32 x 32, 256 colours
# The launcher's JPEG reader wants baseline JFIF, three components, no chroma subsampling.
# Needs the Debian packages librsvg2-bin, libjpeg-turbo-progs, python3-pil, fonts-arphic-uming
# and fonts-wqy-zenhei (the captions and title are Chinese text, set at render time).
set -eu

here=$(cd "$(dirname "$0")" && pwd)
out=$(dirname "$here")
python=/usr/bin/python3

need() {
    command -v "$1" >/dev/null 2>&1 || { echo "render.sh: $1 is missing (Debian package $2)" >&2; exit 1; }
}
need rsvg-convert librsvg2-bin
need cjpeg libjpeg-turbo-progs
need fc-list fontconfig
[ -x "$python" ] || { echo "render.sh: $python is missing (Debian package python3)" >&2; exit 1; }
"$python" -c 'import PIL' 2>/dev/null || { echo "render.sh: PIL is missing (Debian package python3-pil)" >&2; exit 1; }
# Without these rsvg-convert would quietly set the text in some other font.
for font in "AR PL UMing CN:fonts-arphic-uming" "WenQuanYi Zen Hei:fonts-wqy-zenhei"; do
    fc-list "${font%%:*}" family | grep -q . ||
        { echo "render.sh: font ${font%%:*} is missing (Debian package ${font#*:})" >&2; exit 1; }
done

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# svg -> png -> ppm (cjpeg reads no PNG) -> jpg
jpeg() {
    rsvg-convert --background-color=white "$here/$1.svg" -o "$work/$1.png"
    "$python" -c 'import sys; from PIL import Image; Image.open(sys.argv[1]).convert("RGB").save(sys.argv[2])' \
        "$work/$1.png" "$work/$1.ppm"
    cjpeg -quality 90 -sample 1x1 -optimize -outfile "$out/$2" "$work/$1.ppm"
    echo "wrote $out/$2"
}

jpeg background background.jpg
jpeg install-pressed install-pressed.jpg

rsvg-convert "$here/icon.svg" -o "$work/icon.png"
"$python" "$here/make_ico.py" "$work/icon.png" "$out/autorun.ico"
echo "wrote $out/autorun.ico"

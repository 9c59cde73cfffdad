#!/usr/bin/env bash
# rescomp as the build runs it: good resources are embedded, and an unchanged output is left
# alone; a spoiled copy of resources/ stops it with exit code 1, a message that says what is
# wrong, and nothing written.
# usage: rescomp_test.sh <rescomp> <resources-dir>
set -euo pipefail
rescomp=$1
resources=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0

fail() {
  echo "FAIL: $*" >&2
  failures=$((failures + 1))
}

# A flat grey JPEG of the given size; further arguments go to cjpeg.
picture() {
  local width=$1 height=$2
  shift 2
  { printf 'P6\n%d %d\n255\n' "$width" "$height"
    head -c $((width * height * 3)) /dev/zero | tr '\0' '\200'; } | cjpeg "$@"
}

# Good resources: written once, and the second run leaves the very same file in place.
"$rescomp" "$resources" "$work/resources.cpp"
grep -q '{"TFORM1", kData0},' "$work/resources.cpp" || fail "no TFORM1 entry"
grep -q '{"MAINICON", ' "$work/resources.cpp" || fail "no MAINICON entry"
inode=$(stat -c %i "$work/resources.cpp")
"$rescomp" "$resources" "$work/resources.cpp"
[[ $(stat -c %i "$work/resources.cpp") == "$inode" ]] || fail "unchanged output was rewritten"

# Each case: a name, the command that spoils the copy, and what rescomp must say.
cases=(
  "picture of the wrong size"
  "picture 140 57 -sample 1x1 > install-pressed.jpg"
  "install-pressed.jpg: 140 x 57 pixels, but Image4 is 135 x 57 and does not stretch: make the picture 135 x 57"

  "subsampled picture"
  "picture 135 57 -sample 2x2 > install-pressed.jpg"
  "install-pressed.jpg: colour is subsampled"

  "progressive picture"
  "picture 640 480 -sample 1x1 -progressive > background.jpg"
  "background.jpg: not baseline coded"

  "grey picture"
  "picture 640 480 -grayscale > background.jpg"
  "background.jpg: 1 colour component:"

  "picture that is no JPEG"
  "echo garbage > background.jpg"
  "Unit1.dfm line 26: bad value for Picture.Data of Image1 (TImage)"

  "picture cut short"
  "head -c 20000 background.jpg > cut.jpg && mv cut.jpg background.jpg"
  "background.jpg: Cannot read JPEG picture:"

  "missing picture"
  "rm background.jpg"
  "Unit1.dfm line 26: missing picture 'background.jpg'"

  "misspelt property"
  "sed -i 's/Stretch = True/Strech = True/' Unit1.dfm"
  "Unit1.dfm line 27: unknown property 'Strech' of Image1 (TImage)"

  "icon without a 32 x 32 image"
  "convert -size 16x16 xc:red -colors 16 autorun.ico"
  "autorun.ico: no 32 x 32 image (the nearest is 16 x 16)"
)
for ((i = 0; i < ${#cases[@]}; i += 3)); do
  name=${cases[i]} spoil=${cases[i + 1]} expected=${cases[i + 2]}
  copy="$work/case$i"
  # A real copy, symbolic links followed: the spoiling must never reach the resources themselves.
  mkdir "$copy"
  cp -RL "$resources/." "$copy/"
  (cd "$copy" && eval "$spoil")
  status=0
  "$rescomp" "$copy" "$copy/out.cpp" 2> "$copy/stderr" || status=$?
  if [[ $status != 1 ]]; then
    fail "$name: exit code $status, expected 1"
  elif ! grep -qF -- "$copy/$expected" "$copy/stderr"; then
    fail "$name: expected '$expected', got: $(cat "$copy/stderr")"
  elif [[ -e "$copy/out.cpp" ]]; then
    fail "$name: output written anyway"
  else
    echo "ok: $name: $(head -n 1 "$copy/stderr")"
  fi
done
exit $((failures > 0))

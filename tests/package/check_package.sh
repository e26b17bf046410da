#!/usr/bin/env bash
# Checks a built tarn-toolkit .deb: its dependencies, its file list once
# unpacked into a scratch root, and that what it installs works there: the
# command runs, its man page names every option the command knows, the bash
# completion completes, the desktop entry names the installed program and icon.
#
# check_package.sh DEB [1|0]   (1: the desktop tool must be in it, 0: must not;
#                               default: as the package says)
set -euo pipefail
deb=$1
failures=0
fail() {
  echo "check_package: $*" >&2
  failures=$((failures + 1))
}
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
dpkg-deb -x "$deb" "$scratch"
desktop=${2:-$([ -e "$scratch/usr/bin/tarn-toolkit" ] && echo 1 || echo 0)}

# Dependencies: computed from the programs' libraries, plus what no library reveals.
depends=$(dpkg-deb -f "$deb" Depends)
expected_depends=(libc6 libstdc++6 zlib1g)
[ "$desktop" = 1 ] && expected_depends+=(libqt6widgets6 qt6-qpa-plugins fonts-wqy-zenhei)
depends_names=$(sed 's/ *([^)]*)//g; s/ *, */\n/g' <<<"$depends")
for package in "${expected_depends[@]}"; do
  grep -qxF "$package" <<<"$depends_names" || fail "Depends lacks $package: $depends"
done

expected=(
  usr/bin/tarn
  usr/lib/udev/rules.d/60-tarn-toolkit.rules
  usr/share/bash-completion/completions/tarn
  usr/share/doc/tarn-toolkit/changelog.gz
  usr/share/doc/tarn-toolkit/copyright
  usr/share/man/man1/tarn.1.gz
  usr/share/tarn-toolkit/drives/default.json
  usr/share/tarn-toolkit/drives/three_axis.json
)
if [ "$desktop" = 1 ]; then
  expected+=(
    usr/bin/tarn-toolkit
    usr/share/applications/tarn-toolkit.desktop
    usr/share/icons/hicolor/scalable/apps/tarn-toolkit.svg
    usr/share/man/man1/tarn-toolkit.1.gz
  )
  for size in 16 24 32 48 64 128 256; do
    expected+=("usr/share/icons/hicolor/${size}x${size}/apps/tarn-toolkit.png")
  done
fi
diff <(printf '%s\n' "${expected[@]}" | sort) <(cd "$scratch" && find . ! -type d | sed 's|^\./||' | sort) ||
  fail "file list differs (< expected, > in the package)"

tarn=$scratch/usr/bin/tarn
"$tarn" --version | grep -q "^tarn [0-9]" || fail "tarn --version"
manual=$(zcat "$scratch/usr/share/man/man1/tarn.1.gz" | sed 's/\\-/-/g')
for command in $("$tarn" --help | sed -n '/^Subcommands:/,/^$/s/^  \([a-z][a-z-]*\) .*/\1/p'); do
  grep -q "^\.B.* $command\b" <<<"$manual" || fail "tarn(1) lacks the subcommand $command"
  for option in $("$tarn" "$command" --help | grep -o -- '--[a-z][a-z0-9-]*' | sort -u); do
    [ "$option" = --help ] && continue
    grep -q -- "$option\b" <<<"$manual" || fail "tarn(1) lacks $command $option"
  done
done

# The completion, as bash runs it for `tarn downl<TAB>` and `tarn download --no-p<TAB>`.
complete_words() {
  PATH=$scratch/usr/bin:$PATH bash -c '
    source /usr/share/bash-completion/bash_completion
    source "$1"
    shift
    COMP_WORDS=("$@"); COMP_CWORD=$(($# - 1)); COMP_LINE="$*"; COMP_POINT=${#COMP_LINE}
    _tarn tarn "${COMP_WORDS[COMP_CWORD]}" "${COMP_WORDS[COMP_CWORD-1]}"
    printf "%s\n" "${COMPREPLY[@]}" | sort' _ "$scratch/usr/share/bash-completion/completions/tarn" "$@"
}
[ "$(complete_words tarn downl)" = download ] || fail "completion of 'tarn downl'"
[ "$(complete_words tarn download --no-p | tr '\n' ' ')" = "--no-para --no-program " ] ||
  fail "completion of 'tarn download --no-p': $(complete_words tarn download --no-p | tr '\n' ' ')"

if [ "$desktop" = 1 ]; then
  entry=$scratch/usr/share/applications/tarn-toolkit.desktop
  grep -qx "Exec=tarn-toolkit" "$entry" || fail "desktop entry runs another program"
  grep -qx "Icon=tarn-toolkit" "$entry" || fail "desktop entry names another icon"
fi

[ "$failures" -eq 0 ] || exit 1
echo "check_package: $(basename "$deb") is complete"

#!/usr/bin/env bash
# `make install DESTDIR=<folder>` puts the program, its desktop entry, its icon at the usual
# hicolor sizes and its AppStream metadata under <folder>/usr/local, and nothing else; PREFIX=
# moves them. The desktop entry and the metadata pass desktop-file-validate and appstreamcli
# without an error, warning or note, and all three name the same application id. Then the
# installed program runs from its folder, which it cannot write: its first commit puts the temp
# file in the per-user data folder and nothing in the program's folder.
#
# Faults it catches: an install rule missing, or ignoring DESTDIR or PREFIX (a file not installed,
# or installed under the system's /usr/local); a test program, library or stray file installed
# with it; an icon missing at a size, or drawn at another size than its folder says; a desktop
# entry or metadata a desktop or software centre would reject; the icon, the desktop entry and the
# metadata naming different ids (no icon in the menu, no launcher in the software centre); Exec
# naming a program that is not installed; an installed program that fails for want of its temp
# file when its folder is read-only, or writes it anywhere but the user's data folder.
#
# Usage: install.sh <build folder>/VellPainter (the build it installs is the one that program is in)
source "$(dirname "$0")/lib.bash"
build=$(cd "$(dirname "$1")" && pwd)
source_dir=$(cd "$(dirname "$0")/../.." && pwd)
WORK=$(mktemp -d)
chmod 755 "$WORK"
trap 'chmod -R u+w "$WORK" 2>/dev/null; cleanup' EXIT

# The Makefile's own install, as a user runs it; this test may itself run under make.
make_install() {
    (unset MAKEFLAGS MFLAGS MAKELEVEL
     make -C "$source_dir" --no-print-directory install BUILD="$build" JOBS=2 "$@") \
        >"$WORK/install.log" 2>&1 || { cat "$WORK/install.log" >&2; fail "make install $* failed"; }
}

make_install DESTDIR="$WORK/root"
prefix=$WORK/root/usr/local
id=io.github.vellspainter.vellpainter
sizes=(16 22 24 32 48 64 128 256)
expected=("bin/VellPainter" "share/applications/$id.desktop" "share/metainfo/$id.metainfo.xml")
for size in "${sizes[@]}"; do
    expected+=("share/icons/hicolor/${size}x${size}/apps/$id.png")
done
installed=$(cd "$WORK/root" && find . -type f -printf '%P\n' | sort)
wanted=$(printf 'usr/local/%s\n' "${expected[@]}" | sort)
[ "$installed" = "$wanted" ] || fail "make install DESTDIR= installed:
$installed
instead of:
$wanted"
[ -x "$prefix/bin/VellPainter" ] || fail "the installed program is not executable"

for size in "${sizes[@]}"; do
    icon=$prefix/share/icons/hicolor/${size}x${size}/apps/$id.png
    drawn=$(identify -format '%m %wx%h' "$icon")
    [ "$drawn" = "PNG ${size}x${size}" ] || fail "the ${size}x${size} icon is $drawn"
done

desktop=$prefix/share/applications/$id.desktop
metainfo=$prefix/share/metainfo/$id.metainfo.xml
key() { sed -n "s/^$1=//p" "$desktop"; }
[ "$(key Icon)" = "$id" ] || fail "the desktop entry names the icon '$(key Icon)', installed as $id"
exec_program=$(key Exec | cut -d' ' -f1)
[ -x "$prefix/bin/$exec_program" ] \
    || fail "the desktop entry runs '$exec_program', which is not installed"
grep -q "<id>$id</id>" "$metainfo" || fail "the metadata does not carry the id $id"

report=$(desktop-file-validate "$desktop" 2>&1) && [ -z "$report" ] \
    || fail "desktop-file-validate: $report"
for check in "validate --no-net $metainfo" "validate-tree --no-net $prefix"; do
    report=$(appstreamcli $check 2>&1) || fail "appstreamcli $check: $report"
    ! grep -q '^ *[EWI]:' <<<"$report" || fail "appstreamcli $check: $report"
done

make_install DESTDIR="$WORK/opt" PREFIX=/opt/vellspainter
[ -x "$WORK/opt/opt/vellspainter/bin/VellPainter" ] \
    && [ -f "$WORK/opt/opt/vellspainter/share/applications/$id.desktop" ] \
    || fail "make install PREFIX=/opt/vellspainter installed: $(cd "$WORK/opt" && find . -type f)"

# The installed program in a folder it cannot write. Root writes anywhere, so as root the program
# runs as nobody.
bin=$prefix/bin
user=$WORK/user
mkdir -p "$user/data" "$user/runtime"
chmod 700 "$user/runtime"
run_as=()
if [ "$(id -u)" -eq 0 ]; then
    run_as=(setpriv --reuid=65534 --regid=65534 --clear-groups)
    chown -R 65534:65534 "$user"
else
    chmod a-w "$bin"
fi
! "${run_as[@]}" touch "$bin/probe" 2>/dev/null \
    || fail "the program's folder could not be made read-only"

# Under the sanitizers the program's reports go where it can write them; any fails this test.
mkdir -m 1777 "$WORK/reports"
cp "$source_dir/tests/lsan.supp" "$WORK/lsan.supp"
for v in ASAN_OPTIONS UBSAN_OPTIONS LSAN_OPTIONS; do
    if [ -n "${!v:-}" ]; then
        export "$v=$(sed -e "s|log_path=[^:]*/|log_path=$WORK/reports/|" \
            -e "s|suppressions=[^:]*|suppressions=$WORK/lsan.supp|" <<<"${!v}")"
    fi
done

start_x
HOME=$user XDG_DATA_HOME=$user/data XDG_RUNTIME_DIR=$user/runtime \
    "${run_as[@]}" "$bin/VellPainter" >"$WORK/program.log" 2>&1 &
PROGRAM_PID=$!
MAIN_WINDOW=$(wait_for_window "Vell's Painter")
sleep 1
read -r x y _ _ < <(find_rectangle 000000) || fail "no black canvas on screen"
xdotool mousemove $((x + 100)) $((y + 100)) click 1
temp=
for _ in $(seq 50); do
    temp=$(find "$user/data" -name temp -type f -size +0 | head -n 1)
    [ -n "$temp" ] && break
    sleep 0.1
done
[ -n "$temp" ] || fail "no temp file in the user's data folder after a click"
[ "$(bmp_size "$temp")" = "246 246 24" ] || fail "the temp file is $(bmp_size "$temp")"
[ "$(ls -A "$bin")" = VellPainter ] || fail "the program's folder holds $(ls -A "$bin")"

press_keys "$MAIN_WINDOW" ctrl+q
question=$(wait_for_window "Save?")
press_keys "$question" alt+n
wait_for_exit 10
if [ -n "$(ls -A "$WORK/reports")" ]; then
    cat "$WORK/reports"/* >&2
    fail "sanitizer reports from the installed program"
fi
echo "PASS"

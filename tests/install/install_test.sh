#!/usr/bin/env bash
# Installs the build into a temporary prefix and checks what lands there: the
# programs, the desktop entry, the MIME types, the icon and the manual pages.
# The desktop's own validators check the desktop entry and the MIME
# definition where they are installed; the installed programs are run.
#
# Usage: install_test.sh CMAKE BUILD_DIR GUI   (GUI: ON when the viewer is built)
set -uo pipefail
cmake=$1 build=$2 gui=$3
case "$gui" in ON | on | 1 | TRUE | true | YES | yes) gui=1 ;; *) gui=0 ;; esac

prefix=$(mktemp -d)
trap 'rm -rf "$prefix"' EXIT
failures=0 skipped=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
skip() { echo "SKIP: $*"; skipped=$((skipped + 1)); }
have() { command -v "$1" >/dev/null 2>&1; }

"$cmake" --install "$build" --prefix "$prefix" >/dev/null || { echo "FAIL: cmake --install"; exit 1; }

id=io.github.sectorscope.Sectorscope
desktop=$prefix/share/applications/$id.desktop
mimexml=$prefix/share/mime/packages/sectorscope.xml
icon=$prefix/share/icons/hicolor/scalable/apps/$id.svg
cli=$prefix/bin/sectorscope-cli
viewer=$prefix/bin/sectorscope
samples=$build/samples
types=(application/x-trs80-jv1 application/x-trs80-jv3 application/x-trs80-dmk)

# The files, where they belong.
files=("$cli" "$mimexml" "$prefix/share/man/man1/sectorscope-cli.1")
[ "$gui" = 1 ] && files+=("$viewer" "$desktop" "$icon" "$prefix/share/man/man1/sectorscope.1")
for f in "${files[@]}"; do
    [ -f "$f" ] || fail "not installed: ${f#"$prefix"/}"
done
for f in "$cli" "$viewer"; do
    [ ! -f "$f" ] || [ -x "$f" ] || fail "not executable: ${f#"$prefix"/}"
done

# The desktop entry starts the installed viewer with its icon, for the types
# that the MIME definition declares.
if [ "$gui" = 1 ] && [ -f "$desktop" ]; then
    exec_prog=$(sed -n 's/^Exec=\([^ ]*\).*/\1/p' "$desktop")
    [ -x "$prefix/bin/$exec_prog" ] || fail "Exec=$exec_prog is not an installed program"
    [ "$(sed -n 's/^Icon=//p' "$desktop")" = "$id" ] || fail "Icon= does not name the installed icon $id"
    mimetypes=$(sed -n 's/^MimeType=//p' "$desktop")
    for t in "${types[@]}"; do
        [[ ";$mimetypes" == *";$t;"* ]] || fail "desktop entry does not offer $t"
        grep -q "type=\"$t\"" "$mimexml" || fail "MIME definition lacks $t"
    done
    if have desktop-file-validate; then
        desktop-file-validate "$desktop" || fail "desktop-file-validate"
    else
        skip "desktop-file-validate not installed"
    fi
fi

# The XML files are well formed; the MIME definition compiles into a MIME
# database with the project's file names and the content tests for JV1 and DMK.
if have xmllint; then
    for f in "$mimexml" "$icon"; do
        [ ! -f "$f" ] || xmllint --noout "$f" || fail "xmllint: ${f#"$prefix"/}"
    done
else
    skip "xmllint not installed"
fi
if have update-mime-database; then
    # With the prefix on the search path the tool prints nothing but warnings.
    if XDG_DATA_DIRS="$prefix/share" update-mime-database "$prefix/share/mime" >"$prefix/umd.err" 2>&1; then
        [ ! -s "$prefix/umd.err" ] || fail "update-mime-database warned: $(cat "$prefix/umd.err")"
        for g in "jv1:\*.jv1" "jv1:\*.dsk" "jv3:\*.jv3" "dmk:\*.dmk"; do
            grep -q "application/x-trs80-$g\$" "$prefix/share/mime/globs2" || fail "no glob $g"
        done
        for t in jv1 dmk; do
            grep -aq "application/x-trs80-$t\]" "$prefix/share/mime/magic" || fail "no magic for $t"
        done
    else
        cat "$prefix/umd.err"
        fail "update-mime-database"
    fi
    # Recognition by content, as a file manager does it, on samples whose
    # names say nothing.
    if have gio; then
        mkdir "$prefix/disks"
        cp "$samples/sample.dmk" "$prefix/disks/one"
        cp "$samples/sample.dsk" "$prefix/disks/two"
        for case in "one application/x-trs80-dmk" "two application/x-trs80-jv1"; do
            set -- $case
            got=$(XDG_DATA_HOME="$prefix/nohome" XDG_DATA_DIRS="$prefix/share:/usr/share" \
                gio info -a standard::content-type "$prefix/disks/$1" | sed -n 's/.*content-type: //p')
            [ "$got" = "$2" ] || fail "content of sample $1 taken as '$got', not $2"
        done
    else
        skip "gio not installed: recognition by content not checked"
    fi
else
    skip "update-mime-database not installed"
fi

# The manual pages carry the programs' version and format without warnings.
version=$("$cli" --version) || fail "sectorscope-cli --version"
version=${version#sectorscope-cli }
for page in "$prefix"/share/man/man1/*.1; do
    grep -q "\"sectorscope $version\"" "$page" || fail "$(basename "$page") lacks version $version"
    if have groff; then
        warnings=$(groff -man -ww -z "$page" 2>&1)
        [ -z "$warnings" ] || fail "groff warns on $(basename "$page"): $warnings"
    fi
done

# The installed programs run.
# Read whole first: grep -q leaves at its first match, and the help still
# being written would end on a broken pipe.
help=$("$cli" --help) || fail "sectorscope-cli --help exits with $?"
grep -q "^Usage: sectorscope-cli" <<<"$help" || fail "sectorscope-cli --help"
info=$("$cli" info "$samples/sample.dmk") || fail "sectorscope-cli info on the DMK sample"
grep -q "^format	" <<<"$info" || fail "sectorscope-cli info prints no format line"
if [ "$gui" = 1 ]; then
    nodisplay=(env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM)
    [ "$("${nodisplay[@]}" "$viewer" --version)" = "sectorscope $version" ] ||
        fail "sectorscope --version without a display"
    advice=$("${nodisplay[@]}" "$viewer" "$samples/sample.dmk" 2>&1)
    status=$?
    [ $status -eq 1 ] || fail "sectorscope without a display exits $status, not 1"
    grep -q "sectorscope-cli info" <<<"$advice" || fail "sectorscope without a display: $advice"
fi

echo "install test: $failures failed, $skipped skipped"
[ $failures -eq 0 ]

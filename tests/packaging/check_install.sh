#!/usr/bin/env bash
# Installs the build into a staging folder as a packager does, and checks every installed file
# with the tool that reads it: the desktop entry, the metainfo, the MIME type, the manual
# pages, the udev rule, the icons, the help file and both programs.
#
# Usage: check_install.sh BUILD_DIR STAGE_DIR, with the installed layout in the environment:
# BINDIR DATADIR MANDIR UDEV_RULES_DIR (absolute, as configured), VERSION, CMAKE and
# REFRESH_SCRIPT (what a direct install runs to refresh the desktop databases).
set -uo pipefail
build=$1
stage=$2
failures=0

fail() {
    echo "FAIL: $*"
    failures=$((failures + 1))
}

# Runs a checking tool; its output is shown only when it fails.
check() {
    local what=$1
    shift
    local output
    if ! output=$("$@" 2>&1); then
        fail "$what: $*"
        echo "$output"
    fi
}

rm -rf "$stage"
if ! DESTDIR="$stage" "${CMAKE:-cmake}" --install "$build" >"$stage.log" 2>&1; then
    cat "$stage.log"
    fail "cmake --install"
    exit 1
fi

bin=$stage$BINDIR
data=$stage$DATADIR
man1=$stage$MANDIR/man1
desktop_entry=$data/applications/datalogger.desktop
mime_type=$data/mime/packages/datalogger.xml
metainfo=$data/metainfo/com.brantel.Datalogger.metainfo.xml
udev_rule=$stage$UDEV_RULES_DIR/70-datalogger.rules
icons=$data/icons/hicolor

for file in "$bin/datalogger" "$bin/datalogger-cli" "$data/datalogger/help.chm" \
    "$desktop_entry" "$mime_type" "$metainfo" "$udev_rule" \
    "$man1/datalogger.1" "$man1/datalogger-cli.1" "$icons/scalable/apps/datalogger.svg"; do
    [ -s "$file" ] || fail "not installed: ${file#"$stage"}"
done

# Both programs run from the staging folder and name the project's version.
for program in datalogger datalogger-cli; do
    version=$("$bin/$program" --version 2>&1)
    [ "$version" = "$program $VERSION" ] || fail "$program --version says \"$version\", not \"$program $VERSION\""
done
# Help topics looks for the help file in ../share/datalogger beside the program.
[ -f "$bin/../share/datalogger/help.chm" ] || fail "help.chm is not in ../share/datalogger beside the program"

# The desktop entry: valid, and naming what is installed beside it.
check "desktop entry" desktop-file-validate "$desktop_entry"
entry_key() { sed -n "s/^$1=//p" "$desktop_entry"; }
[ -x "$bin/$(entry_key Exec | cut -d' ' -f1)" ] || fail "the desktop entry's Exec is not an installed program"
[ "$(entry_key Icon)" = datalogger ] || fail "the desktop entry's Icon is not the installed icon"
mime_name=$(sed -n 's/.*<mime-type type="\([^"]*\)".*/\1/p' "$mime_type")
[ "$(entry_key MimeType)" = "$mime_name;" ] || fail "the desktop entry opens $(entry_key MimeType), the MIME type file defines $mime_name"

# The metainfo: valid, and pointing at the desktop entry and the MIME type.
check "metainfo" appstreamcli validate --no-net "$metainfo"
grep -q '<launchable type="desktop-id">datalogger.desktop</launchable>' "$metainfo" ||
    fail "the metainfo does not launch datalogger.desktop"
grep -q "<mediatype>$mime_name</mediatype>" "$metainfo" || fail "the metainfo does not provide $mime_name"

# The MIME type: well-formed, and left to the target system's MIME database by a staged
# install.
check "MIME type XML" xmllint --noout "$mime_type"
grep -q '^-- Refreshing' "$stage.log" && fail "the staged install refreshed the desktop databases"
# Installed straight into a prefix, the install refreshes the databases there: the MIME
# database then knows .sound files and their magic, the application database opens them with
# the desktop entry, and the tools have nothing to say.
refresh_output=$(env -u DESTDIR XDG_DATA_DIRS="$data" "${CMAKE:-cmake}" -DCMAKE_INSTALL_PREFIX=/nonexistent \
    -Ddatalogger_datadir="$data" -P "$REFRESH_SCRIPT" 2>&1) || fail "refreshing the databases"
refresh_warnings=$(grep -v '^-- Refreshing: ' <<<"$refresh_output")
[ -z "$refresh_warnings" ] || fail "refreshing the databases: $refresh_warnings"
grep -qx "50:$mime_name:\*.sound" "$data/mime/globs2" || fail "the MIME database has no *.sound glob"
grep -q "$mime_name" "$data/mime/magic" || fail "the MIME database has no magic for $mime_name"
grep -qx "$mime_name=datalogger.desktop;" "$data/applications/mimeinfo.cache" ||
    fail "the application database does not open $mime_name with datalogger.desktop"

# The icons: the drawing, and each rendered size at its size.
check "scalable icon" xmllint --noout "$icons/scalable/apps/datalogger.svg"
for size in 16 32 48 64 128 256; do
    png=$icons/${size}x${size}/apps/datalogger.png
    file -b "$png" | grep -q "^PNG image data, $size x $size," || fail "${png#"$stage"} is not a $size px PNG"
done

# The manual pages: clean under mandoc's and groff's checks, found by man in the installed
# manual folder, and listing every command datalogger-cli has.
for page in "$man1"/datalogger.1 "$man1"/datalogger-cli.1; do
    check "manual page" mandoc -T lint -W warning "$page"
    groff_warnings=$(LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -E UTF-8 -l "$page" 2>&1 >/dev/null)
    [ -z "$groff_warnings" ] || fail "man ${page##*/}: $groff_warnings"
    name=$(basename "$page" .1)
    [ "$(man --manpath="$stage$MANDIR" -w "$name" 2>/dev/null)" = "$page" ] || fail "man does not find $name"
done
commands=$("$bin/datalogger-cli" --help | sed -n '/^[A-Za-z]*[Ss]ubcommands:/,/^$/p' | awk 'NR > 1 && NF { print $1 }')
[ -n "$commands" ] || fail "datalogger-cli --help lists no commands"
# A command's entry is the paragraph tag after a .TP line.
entries=$(awk 'previous == ".TP" { print } { previous = $0 }' "$man1/datalogger-cli.1")
for command in $commands; do
    grep -Eq "^\.B[IR]? \"?$command( |\"|$)" <<<"$entries" ||
        fail "the datalogger-cli command \"$command\" is missing from packaging/man/datalogger-cli.1.in"
done

# The udev rule (this udev has no "udevadm verify"): every line a comment or a rule of
# known keys with the operators udev takes for them, for the bridge the program looks for,
# and sorted before 73-seat-late.rules, which turns the uaccess tag into access.
[[ "$(basename "$udev_rule")" < "73-seat-late.rules" ]] || fail "the udev rule sorts after 73-seat-late.rules"
match='(ACTION|SUBSYSTEMS?|KERNELS?|DRIVERS?|ENV\{[A-Z_]+\}|ATTRS?\{[a-zA-Z_]+\})(==|!=)"[^"]*"'
assign='(TAG|MODE|GROUP|OWNER|SYMLINK|RUN|ENV\{[A-Z_]+\})(=|\+=|-=|:=)"[^"]*"'
pair="$match|$assign"
while IFS= read -r line; do
    [[ -z "$line" || "$line" == \#* ]] && continue
    [[ "$line" =~ ^(($pair),\ )*($pair)$ ]] || fail "udev rule line not understood: $line"
done <"$udev_rule"
grep -q 'ATTR{idVendor}=="10c4", ATTR{idProduct}=="ea61"' "$udev_rule" ||
    fail "the udev rule is not for the logger's bridge 10c4:ea61"
grep -q 'TAG+="uaccess"' "$udev_rule" || fail "the udev rule does not give the seat's user access"

if [ "$failures" -gt 0 ]; then
    echo "$failures check(s) failed"
    exit 1
fi
echo "Every installed file checked."

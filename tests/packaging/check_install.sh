#!/usr/bin/env bash
# Installs the build into a staging folder as a packager does, and checks every installed file
# with the tool that reads it: the desktop entry, the metainfo, the MIME type, the manual
# pages, the copyright file and changelog, the udev rule, the icons, the help file and both
# programs. Then builds the Debian package and checks its control fields and file modes.
#
# Usage: check_install.sh BUILD_DIR STAGE_DIR, with the installed layout in the environment:
# BINDIR DATADIR MANDIR UDEV_RULES_DIR (absolute, as configured), VERSION, CMAKE, CPACK and
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
doc=$data/doc/datalogger
desktop_entry=$data/applications/datalogger.desktop
mime_type=$data/mime/packages/datalogger.xml
metainfo=$data/metainfo/com.brantel.Datalogger.metainfo.xml
udev_rule=$stage$UDEV_RULES_DIR/70-datalogger.rules
icons=$data/icons/hicolor

for file in "$bin/datalogger" "$bin/datalogger-cli" "$data/datalogger/help.chm" \
    "$desktop_entry" "$mime_type" "$metainfo" "$udev_rule" \
    "$man1/datalogger.1.gz" "$man1/datalogger-cli.1.gz" "$icons/scalable/apps/datalogger.svg" \
    "$doc/copyright" "$doc/changelog.gz"; do
    [ -s "$file" ] || fail "not installed: ${file#"$stage"}"
done

# Both programs run from the staging folder and name the project's version.
for program in datalogger datalogger-cli; do
    version=$("$bin/$program" --version 2>&1)
    [ "$version" = "$program $VERSION" ] || fail "$program --version says \"$version\", not \"$program $VERSION\""
done
# The monitoring services, the user's and the system's: each starts the installed program
# quietly, waits for the clock to be set, is valid as systemd reads it (its program taken from
# the staging folder), rates "OK" or better in systemd's own security review, and is not
# restarted after an exit the program documents as one a restart cannot mend.
restart_prevented=$(sed -n 's/^RestartPreventExitStatus=//p' "$stage$(dirname "$BINDIR")/lib/systemd/user/datalogger-monitor.service")
for scope in user system; do
    service=$stage$(dirname "$BINDIR")/lib/systemd/$scope/datalogger-monitor.service
    [ -s "$service" ] || { fail "not installed: ${service#"$stage"}"; continue; }
    grep -q "^ExecStart=$BINDIR/datalogger-cli monitor --archive .*--reconnect --quiet-readings$" "$service" ||
        fail "the $scope service does not run datalogger-cli monitor --archive --reconnect --quiet-readings"
    grep -q '^After=time-sync.target' "$service" || fail "the $scope service does not wait for time-sync.target"
    grep -qx "RestartPreventExitStatus=$restart_prevented" "$service" || fail "the $scope service restarts after other exits"
    if ! command -v systemd-analyze >/dev/null; then
        echo "SKIP: systemd-analyze is missing (apt-get install systemd): the units are not verified"
        continue
    fi
    staged_unit=$stage.$scope/datalogger-monitor.service
    mkdir -p "$stage.$scope"
    sed "s|^ExecStart=$BINDIR/|ExecStart=\"$bin/\"|" "$service" >"$staged_unit"
    check "systemd-analyze verify ($scope)" systemd-analyze verify --man=no "$staged_unit"
    review=$(systemd-analyze security --offline=yes --threshold=40 "$staged_unit" 2>&1) ||
        fail "the $scope service rates worse than 4.0: $(tail -n 1 <<<"$review")"
    grep -Eq 'Overall exposure level for datalogger-monitor.service: [0-9.]+ (OK|SAFE)' <<<"$review" ||
        fail "no security rating of the $scope service: $(tail -n 1 <<<"$review")"
done
# Each exit status the services do not restart after is one the manual page explains.
for status in $restart_prevented; do
    gzip -dc "$man1/datalogger-cli.1.gz" | awk -v s="$status" 'previous == ".TP" && $0 == ".B " s { found = 1 } { previous = $0 } END { exit !found }' ||
        fail "exit status $status, which the service does not restart after, is not in the manual page"
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
for page in "$man1"/datalogger.1.gz "$man1"/datalogger-cli.1.gz; do
    check "manual page" mandoc -T lint -W warning "$page"
    groff_warnings=$(LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -E UTF-8 -l "$page" 2>&1 >/dev/null)
    [ -z "$groff_warnings" ] || fail "man ${page##*/}: $groff_warnings"
    name=$(basename "$page" .1.gz)
    [ "$(man --manpath="$stage$MANDIR" -w "$name" 2>/dev/null)" = "$page" ] || fail "man does not find $name"
done
# Compressed with gzip -9n: maximum compression, and no file name or time stamp in the header
# (flags 0, time 0), so that every build gives the same bytes.
for compressed in "$man1"/datalogger.1.gz "$man1"/datalogger-cli.1.gz "$doc/changelog.gz"; do
    header=$(od -An -tx1 -N9 "$compressed" | tr -d ' \n')
    [ "$header" = 1f8b08000000000002 ] || fail "${compressed#"$stage"} is not compressed with gzip -9n (header $header)"
done
commands=$("$bin/datalogger-cli" --help | sed -n '/^[A-Za-z]*[Ss]ubcommands:/,/^$/p' | awk 'NR > 1 && NF { print $1 }')
[ -n "$commands" ] || fail "datalogger-cli --help lists no commands"
# A command's entry is the paragraph tag after a .TP line.
entries=$(gzip -dc "$man1/datalogger-cli.1.gz" | awk 'previous == ".TP" { print } { previous = $0 }')
for command in $commands; do
    grep -Eq "^\.B[IR]? \"?$command( |\"|$)" <<<"$entries" ||
        fail "the datalogger-cli command \"$command\" is missing from packaging/man/datalogger-cli.1.in"
done

# The copyright file in the machine-readable format, and the changelog naming this version and
# the same maintainer as the package.
[ "$(head -n 1 "$doc/copyright")" = "Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/" ] ||
    fail "the copyright file is not in the machine-readable format"
for field in Upstream-Name Files Copyright License; do
    grep -q "^$field: ." "$doc/copyright" || fail "the copyright file has no $field field"
done
changelog=$stage.changelog
gzip -dc "$doc/changelog.gz" >"$changelog"
changelog_warnings=$(dpkg-parsechangelog -l "$changelog" 2>&1 >/dev/null)
[ -z "$changelog_warnings" ] || fail "the changelog: $changelog_warnings"
changelog_field() { dpkg-parsechangelog -l "$changelog" -S "$1" 2>/dev/null; }
[ "$(changelog_field Version)" = "$VERSION" ] || fail "the changelog's version is $(changelog_field Version), not $VERSION"

# The udev rule: checked by udev itself where its udevadm has "verify"; everywhere every line a
# comment or a rule of known keys with the operators udev takes for them, for the bridge the
# program looks for, and sorted before 73-seat-late.rules, which turns the uaccess tag into
# access.
if command -v udevadm >/dev/null && udevadm verify --help >/dev/null 2>&1; then
    check "udevadm verify" udevadm verify "$udev_rule"
fi
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
grep -q 'GROUP="plugdev", MODE="0660"' "$udev_rule" || fail "the udev rule does not give the group plugdev access"
grep -q '^SupplementaryGroups=plugdev$' "$stage$(dirname "$BINDIR")/lib/systemd/system/datalogger-monitor.service" ||
    fail "the system service is not in the group the udev rule gives the logger to"

# The Debian package: a maintainer with an address, a description that fits 80 columns, and
# every file root's, writable by root alone, executable only in the program folder.
package_dir=$stage-package
rm -rf "$package_dir"
if "${CPACK:-cpack}" -G DEB --config "$build/CPackConfig.cmake" -B "$package_dir" >"$package_dir.log" 2>&1; then
    package=$(ls "$package_dir"/*.deb)
    contents=$(dpkg-deb -c "$package")
    maintainer=$(dpkg-deb -f "$package" Maintainer)
    address='^[^<>@]+ <[^<>@ ]+@[^<>@ ]+\.[^<>@ ]+>$'
    [[ "$maintainer" =~ $address ]] || fail "the package's maintainer \"$maintainer\" has no e-mail address"
    [ "$(changelog_field Maintainer)" = "$maintainer" ] ||
        fail "the changelog names $(changelog_field Maintainer), the package $maintainer"
    long_lines=$(dpkg-deb -f "$package" Description | awk 'length > 80')
    [ -z "$long_lines" ] || fail "description lines longer than 80 characters: $long_lines"
    while read -r mode owner path; do
        case $mode:$path in
            d*) expected=drwxr-xr-x ;;
            *:.$BINDIR/*) expected=-rwxr-xr-x ;;
            *) expected=-rw-r--r-- ;;
        esac
        [ "$mode $owner" = "$expected root/root" ] || fail "$path in the package: $mode $owner, not $expected root/root"
    done < <(awk '{ print $1, $2, $6 }' <<<"$contents")
    for file in "$MANDIR/man1/datalogger.1.gz" "$DATADIR/doc/datalogger/copyright" "$DATADIR/doc/datalogger/changelog.gz"; do
        grep -q " \.$file$" <<<"$contents" || fail "the package has no $file"
    done
else
    cat "$package_dir.log"
    fail "cpack -G DEB"
fi

if [ "$failures" -gt 0 ]; then
    echo "$failures check(s) failed"
    exit 1
fi
echo "Every installed file checked."

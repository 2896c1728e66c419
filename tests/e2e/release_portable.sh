# The portable archive of the release folder: unpacked into an empty folder it runs as a
# portable copy; extracted over an older portable copy the way the update script does it
# (entry by entry, folders only from folder entries, existing files overwritten), it
# replaces the program and keeps the user's settings.
source "$(dirname "$0")/lib.sh"
source "$(dirname "$0")/release_lib.sh"
clear_settings

# What the archive holds, in an order the update script can extract: a file whose folder
# has no folder entry before it would be skipped.
python3 - "$RELEASE/Cifrona.zip" >"$out/layout.txt" <<'PY' || fail "archive layout: $(cat "$out/layout.txt")"
import sys, zipfile
names = [i.filename for i in zipfile.ZipFile(sys.argv[1]).infolist()]
print("\n".join(names))
errors = [f"missing {n}" for n in ("Cifrona.exe", "portable.ini", "Language/") if n not in names]
errors += [f"{n} would overwrite the user's settings" for n in names if n.lower().startswith("config/")]
for i, n in enumerate(names):
    parent = n.rstrip("/").rpartition("/")[0]
    if parent and parent + "/" not in names[:i]:
        errors.append(f"{n} comes before its folder entry")
if errors:
    print("; ".join(errors))
    sys.exit(1)
PY

# 1. Unpacked into an empty folder, it is a portable copy of this release.
rm -rf "$copy_dir" && mkdir -p "$copy_dir"
unzip -q "$RELEASE/Cifrona.zip" -d "$copy_dir"
start_and_settle
caption=$(caption_of "$(widget_line)")
[[ "$caption" == "$CAPTION Portable" ]] || fail "caption '$caption', expected '$CAPTION Portable'"
shot portable >/dev/null
exit_through_menu
[[ -f "$(portable_settings)" ]] || fail "no settings beside the portable executable"
[[ ! -e "$(installed_settings)" ]] || fail "the portable copy wrote the per-user settings"

# 2. An older portable copy (the older release's archive, with the settings it wrote and a
#    language file of the user's) updated from this archive as the update script extracts it.
older="${CIFRONA_OLDER_RELEASE_DIR:?}/download/Cifrona"
[[ -f "$older/Cifrona.zip" ]] || fail "no older release in $older: run bash tools/release.sh --version 0.9.0.0"
OLDER_VERSION=$(tr -d '\r\n' <"$older/version.txt")
rm -rf "$copy_dir" && mkdir -p "$copy_dir"
unzip -q "$older/Cifrona.zip" -d "$copy_dir"
start_and_settle
caption=$(caption_of "$(widget_line)")
[[ "$caption" == "Cifrona $OLDER_VERSION ($BITS-bit) Portable" ]] || fail "the older copy's caption '$caption'"
exit_through_menu
[[ -f "$(portable_settings)" ]] || fail "the older portable copy wrote no settings"
printf '[Cifrona]\n' >"$copy_dir/Language/Older.ini"
cp "$(portable_settings)" "$out/settings-before.ini"
python3 - "$RELEASE/Cifrona.zip" "$copy_dir" >"$out/extract.txt" <<'PY' || fail "extraction: $(cat "$out/extract.txt")"
import os, sys, zipfile
archive, folder = sys.argv[1], sys.argv[2]
skipped = []
with zipfile.ZipFile(archive) as z:
    for e in z.infolist():
        target = os.path.join(folder, e.filename)
        if e.filename.endswith("/"):
            os.makedirs(target, exist_ok=True)
        elif not os.path.isdir(os.path.dirname(target)):
            skipped.append(e.filename)
        else:
            with z.open(e) as src, open(target, "wb") as dst:
                dst.write(src.read())
print("Skipping: " + ", ".join(skipped) if skipped else "Extraction complete")
sys.exit(1 if skipped else 0)
PY
cmp -s "$copy_dir/Cifrona.exe" "$RELEASE_EXE" || fail "the update did not replace Cifrona.exe"
cmp -s "$(portable_settings)" "$out/settings-before.ini" || fail "the update changed the user's settings"
[[ -f "$copy_dir/Language/Older.ini" ]] || fail "the update removed a language file of the user's"
start_and_settle
caption=$(caption_of "$(widget_line)")
[[ "$caption" == "$CAPTION Portable" ]] || fail "after the update: caption '$caption'"
exit_through_menu
note "ok"

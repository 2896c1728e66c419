# A portable copy with a newer signed archive on the update server: Yes downloads the
# archive into the program folder, writes the update script into the temporary folder
# byte for byte as specified (ANSI, CR LF), starts it and ends at once without writing
# its settings.
source "$(dirname "$0")/lib.sh"
source "$(dirname "$0")/update_lib.sh"
clear_settings
touch "$copy_dir/portable.ini"
rm -f "$(temp_dir)"/update_*.bat
serve_files "9.0.0.0"
printf 'PK archive stand-in' > "$folder/Cifrona.zip"
bash "$repo/tools/sign-update.sh" "$RELEASE_KEY" "$folder/Cifrona.zip" "9.0.0.0"
start_server
start_app
wait_started 30 "no update question appeared" question_shown
answer_yes

# The script deletes itself a few seconds after it starts: keep a copy as soon as it is there.
script_written() { compgen -G "$(temp_dir)/update_[0-9][0-9][0-9][0-9][0-9][0-9].bat" >/dev/null; }
wait_for 60 script_written || fail "no update script was written"
script=$(compgen -G "$(temp_dir)/update_[0-9][0-9][0-9][0-9][0-9][0-9].bat" | head -n1)
cp "$script" "$out/script.bat" || fail "the script vanished before it could be read"
kill "$SERVER_PID" 2>/dev/null || true  # the restarted copy finds no server
wait_for 20 app_ended || fail "the program did not end after starting the script"
[[ -s "$copy_dir/Cifrona.zip" || ! -e "$copy_dir/Cifrona.zip" ]] || fail "the archive is empty"
[[ ! -e "$copy_dir/Config/Option.ini" ]] || fail "the settings were written"

sed 's/$/\r/' > "$out/expected.bat" <<'EOT'
@echo off
cd /d "C:\e2e\scenario_update_portable\"

echo Killing app...
taskkill /F /IM "Cifrona.exe" >nul 2>&1
timeout /t 2 >nul

echo Extracting...
powershell -Command "Add-Type -AssemblyName System.IO.Compression.FileSystem; $zip = [System.IO.Compression.ZipFile]::OpenRead('Cifrona.zip'); foreach ($entry in $zip.Entries) { $target = $entry.FullName; if (-not $entry.Name) { [System.IO.Directory]::CreateDirectory($target) | Out-Null; } else { try { [System.IO.Compression.ZipFileExtensions]::ExtractToFile($entry, $target, $true) } catch { Write-Host ('Skipping: ' + $entry.FullName) } } }; $zip.Dispose(); Write-Host 'Extraction complete'"

echo Deleting ZIP...
del "Cifrona.zip"

echo Starting app...
start "" "Cifrona.exe"

echo Done
timeout /t 2 >nul
del "%~f0"
EOT
cmp "$out/script.bat" "$out/expected.bat" || fail "the script differs from the expected one (see $out)"
# Wine runs the script too: it restarts the program, then deletes itself. Let it finish and
# end the restarted copy, so nothing of this scenario outlives it.
script_gone() { [[ ! -e "$script" ]]; }
wait_for 30 script_gone || note "the script did not delete itself"
# The script starts the new copy before it waits and deletes itself; end that copy once it
# shows, and wait until it is gone with its mutex.
wait_for 20 widget_shown || note "the script's restarted copy showed no widget"
stop_app
note "script $(basename "$script") written as expected"

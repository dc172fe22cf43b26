#!/usr/bin/env bash
# A signed installer, under Wine. A finished installer (built by vorpack
# with the job's identity) is signed with osslsigncode and a throw-away
# certificate made here by openssl:
#   before signing, osslsigncode finds its header checksum right (it covers
#     program and container);
#   the signed installer verifies against that certificate, and coffer still
#     reads its container (the signature lies behind it);
#   it installs unattended (/S) with Uninstall=1; the entry in the list of
#     installed programs shows the job's Version and Publisher and the
#     installed size; the uninstaller it writes from its own bytes is a
#     valid unsigned program: no certificate entry, a right checksum;
#   that uninstaller removes the installation.
#
# Usage: signing_walk_test.sh <VORSetup.exe> <installer_test_tool.exe>
#        <vorpack.exe> <marker_program.exe> <coffer.exe> <build> <res>
set -uo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
source "$here/../../scripts/wine-lib.sh"
wine_enter_route "$1" "${BASH_SOURCE[0]}" "$@"
real_path_args "stub tool vorpack marker coffer build res" "$@"
test_name="signing-test"
source "$here/wine_gui_lib.sh"

for tool_name in osslsigncode openssl; do
  command -v "$tool_name" >/dev/null || fail "$tool_name is not installed (scripts/setup.sh installs it)"
done

pkg="$tmp/package"
mkdir -p "$pkg/Programfiles/Docs"
printf 'Icon=app.ico\r\nTitle=Signed Setup\r\nProgramDir=C:\\Program Files\\Signed\r\nAppname=Signed\r\nExename=Signed.exe\r\nUninstall=1\r\nVersion=3.1.4\r\nPublisher=Test Publisher\r\n' >"$pkg/JOB.INI"
cp "$res/vor.ico" "$pkg/app.ico"
cp "$marker" "$pkg/Programfiles/Signed.exe"
printf 'notes' >"$pkg/Programfiles/Docs/notes.txt"
setup="$tmp/SignedSetup.exe"
"$wine" "$vorpack" --force --no-progress --stub "$(winpath "$stub")" "$(winpath "$pkg")" \
  -o "$(winpath "$setup")" >"$tmp/vorpack.log" 2>&1 ||
  fail "vorpack could not build the test installer: $(cat "$tmp/vorpack.log")"

osslsigncode verify -in "$setup" >"$tmp/unsigned.txt" 2>&1
grep -q "invalid PE checksum" "$tmp/unsigned.txt" && fail "the installer's checksum is wrong: $(cat "$tmp/unsigned.txt")"
grep -q "No signature found" "$tmp/unsigned.txt" || fail "an unsigned installer reads as signed: $(cat "$tmp/unsigned.txt")"
echo "the unsigned installer's checksum covers the whole file"

openssl req -x509 -newkey rsa:2048 -nodes -keyout "$tmp/key.pem" -out "$tmp/cert.pem" -days 2 \
  -subj "/CN=Throw-away Test Publisher" -addext "extendedKeyUsage=codeSigning" >"$tmp/openssl.log" 2>&1 ||
  fail "openssl could not make a certificate: $(cat "$tmp/openssl.log")"
signed="$tmp/SignedSetup-signed.exe"
osslsigncode sign -certs "$tmp/cert.pem" -key "$tmp/key.pem" -h sha256 -n "Signed Setup" \
  -in "$setup" -out "$signed" >"$tmp/sign.log" 2>&1 || fail "osslsigncode sign failed: $(cat "$tmp/sign.log")"
osslsigncode verify -in "$signed" -CAfile "$tmp/cert.pem" >"$tmp/verify.txt" 2>&1 ||
  fail "the signed installer does not verify: $(cat "$tmp/verify.txt")"
grep -q "Signature verification: ok" "$tmp/verify.txt" || fail "no verified signature: $(cat "$tmp/verify.txt")"
echo "the signed installer verifies"

COFFER_PASSWORD=velmorakitan "$wine" "$coffer" --no-progress check "$(winpath "$signed")" \
  >"$tmp/check.txt" 2>&1 || fail "coffer cannot read the signed installer: $(cat "$tmp/check.txt")"
grep -q "result: ok" "$tmp/check.txt" || fail "coffer check: $(cat "$tmp/check.txt")"
echo "coffer reads the signed installer's container"

timeout 90 "$wine" "$signed" /S '/D=C:\Apps\Signed' >"$tmp/run.log" 2>&1
code=$?
[ "$code" -eq 0 ] || fail "the signed installer's /S ended with $code: $(cat "$tmp/run.log")"
dest="$(unix_of 'C:\Apps\Signed')"
cmp "$pkg/Programfiles/Docs/notes.txt" "$dest/Docs/notes.txt" || fail "the installation is incomplete"
[ -f "$dest/uninstall.exe" ] || fail "no uninstall.exe"
echo "the signed installer installs"

# Its entry in the list of installed programs carries the job's version and
# publisher and the installed files' size in KiB.
"$wine" reg query 'HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\Signed' \
  >"$tmp/reg.txt" 2>&1 || fail "no entry: $(cat "$tmp/reg.txt")"
bytes=$(($(stat -c %s "$pkg/Programfiles/Signed.exe") + $(stat -c %s "$pkg/Programfiles/Docs/notes.txt")))
for want in 'DisplayVersion    REG_SZ    3.1.4' 'Publisher    REG_SZ    Test Publisher' \
  "$(printf 'EstimatedSize    REG_DWORD    0x%x' $(((bytes + 1023) / 1024)))"; do
  grep -qF "$want" <(tr -d '\r' <"$tmp/reg.txt") || fail "the entry lacks '$want': $(cat "$tmp/reg.txt")"
done
echo "the entry shows version, publisher and size"

# The uninstaller: the program without the signature, and nothing that
# points at one.
security_at=$(($(od -An -t u4 -j 60 -N 4 "$dest/uninstall.exe" | tr -d ' ') + 24 + 128))
[ "$(od -An -t x1 -j "$security_at" -N 8 "$dest/uninstall.exe" | tr -d ' \n')" = 0000000000000000 ] ||
  fail "the uninstaller keeps a certificate entry"
osslsigncode verify -in "$dest/uninstall.exe" >"$tmp/uninstaller.txt" 2>&1
grep -q "invalid PE checksum" "$tmp/uninstaller.txt" && fail "the uninstaller's checksum is wrong: $(cat "$tmp/uninstaller.txt")"
grep -q "No signature found" "$tmp/uninstaller.txt" || fail "the uninstaller: $(cat "$tmp/uninstaller.txt")"
osslsigncode sign -certs "$tmp/cert.pem" -key "$tmp/key.pem" -h sha256 \
  -in "$dest/uninstall.exe" -out "$tmp/uninstall-signed.exe" >"$tmp/sign2.log" 2>&1 ||
  fail "the uninstaller cannot be signed in turn: $(cat "$tmp/sign2.log")"
echo "the uninstaller is a valid unsigned program"

timeout 90 "$wine" 'C:\Apps\Signed\uninstall.exe' /U /S >"$tmp/run.log" 2>&1
code=$?
[ "$code" -eq 0 ] || fail "uninstall.exe /U /S ended with $code: $(cat "$tmp/run.log")"
[ -e "$dest/Docs/notes.txt" ] && fail "the removal left the installed files"
echo "the uninstaller removes the installation"
echo "signed installer: all cases passed"

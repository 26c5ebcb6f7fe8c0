#!/usr/bin/env bash
#   sign-in.sh TARNWICK: `tarnwick --sign-in` against the Samba of smbd-rig.sh and the GNOME
# Keyring of session-env.sh. A right password leaves one login item in the form GVFS reads
# (a plain `gio mount` then asks nothing); signing in again replaces it; a wrong one stores
# nothing, fails, and costs the server at most one failed logon. With no share configured the
# login is tried by listing the host's shares, with the same outcomes.
set -euo pipefail
tarnwick=$1 host=$TARNWICK_SMB_HOST user=$TARNWICK_SMB_USER
fail() { echo "FAIL: $*" >&2; exit 1; }
conf=$TARNWICK_SESSION_ROOT/tarnwick.conf
printf '[General]\ntarnwick.servers="@ByteArray([{\\"id\\":\\"%s\\",\\"displayName\\":\\"Rig\\",\\"host\\":\\"%s\\",\\"isEnabled\\":true,\\"shares\\":[{\\"id\\":\\"%s\\",\\"name\\":\\"Private\\",\\"username\\":\\"\\"}]}])"\n' \
  7a1c0e52-5d6b-4e0a-9b7e-0d3c2f6a1b01 "$host" 7a1c0e52-5d6b-4e0a-9b7e-0d3c2f6a1b02 >"$conf"
items() { secret-tool search --all server "$host" protocol smb 2>&1; }
failed_logons() { cat "$TARNWICK_SMB_ROOT"/log/log.* | grep -c 'status \[NT_STATUS_WRONG_PASSWORD\]' || :; }
sign_in() { printf '%s\n' "$2" | "$tarnwick" --settings "${3:-$conf}" --sign-in "$1" >"$TARNWICK_SESSION_ROOT/out" 2>&1; }

none=$TARNWICK_SESSION_ROOT/none.conf # no share: the login is tried by a listing
: >"$none"
for settings in "$conf" "$none"; do
  before=$(failed_logons)
  ! sign_in "$user@$host" 'not-the-password' "$settings" || fail "a wrong password signed in"
  [ -z "$(items)" ] || fail "a refused login was stored: $(items)"
  grep -q 'login refused' "$TARNWICK_SESSION_ROOT/out" || fail "no reason: $(cat "$TARNWICK_SESSION_ROOT/out")"
  [ $(($(failed_logons) - before)) -le 1 ] || fail "$(($(failed_logons) - before)) failed logons for one sign-in"
done
sign_in "$user@$host" "$TARNWICK_SMB_PASSWORD" "$none" && grep -q 'Private' "$TARNWICK_SESSION_ROOT/out" &&
  grep -qF "secret = $TARNWICK_SMB_PASSWORD" <<<"$(items)" || fail "listing: $(cat "$TARNWICK_SESSION_ROOT/out")"

for round in first again; do
  sign_in "WORKGROUP;$user@$host" "$TARNWICK_SMB_PASSWORD" || fail "$round: $(cat "$TARNWICK_SESSION_ROOT/out")"
  ! grep -qF "$TARNWICK_SMB_PASSWORD" "$TARNWICK_SESSION_ROOT/out" || fail "the password was printed"
  out=$(items)
  [ "$(grep -c '^\[/' <<<"$out")" -eq 1 ] || fail "$round: not one item: $out"
  for attr in "user = $user" "server = $host" "protocol = smb" "domain = WORKGROUP" \
    "label = $user@$host" "secret = $TARNWICK_SMB_PASSWORD" \
    "schema = org.gnome.keyring.NetworkPassword"; do
    grep -qF "$attr" <<<"$out" || fail "$round: no '$attr' in $out"
  done
  ! grep -q 'attribute.port' <<<"$out" || fail "a port 445 was stored: $out"
  gio mount -u "smb://$user@$host/private/" 2>/dev/null || :
done

# The file manager's own lookup finds the item: nothing is asked.
gio mount "smb://$user@$host/private" </dev/null || fail "gio did not find the stored login"
gio mount -l | grep -qi "private on $host" || fail "not mounted: $(gio mount -l)"
gio mount -u "smb://$user@$host/private/"

#!/usr/bin/env bash
# The publisher's tool (scripts/update-signer.py): its keys, its rings, the documents it signs (the
# component's own check of them is the signed update tests'), what it refuses to sign, and what its
# own check refuses.
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
signer=$here/../../scripts/update-signer.py
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work" || exit 1

failures=0
check() {  # check <description> <expected> <actual>
  if [ "$2" != "$3" ]; then
    echo "FAILED: $1: expected '$2', got '$3'"
    failures=$((failures + 1))
  fi
}
run() { python3 "$signer" "$@" >out.log 2>&1; echo $?; }

# Keys: a private key its owner alone may read, never written over; its ring line printed and
# added to a ring.
python3 "$signer" newkey a.pem --id key-a --ring ring.txt >/dev/null
check "the key's mode" 600 "$(stat -c %a a.pem)"
check "the ring line: the id and 65 bytes in base64" 1 "$(grep -cE '^key-a [A-Za-z0-9+/]{87}=$' ring.txt)"
before=$(sha256sum a.pem)
check "an existing key is not written over" 2 "$(run newkey a.pem --id key-a)"
check "... and stays as it was" "$before" "$(sha256sum a.pem)"

# Signing: the sha256 of each file found, a stale one replaced (that the component takes the
# document, its expiry and its sequence is the signed update tests').
mkdir files
printf 'the new program' >files/app.exe
printf '#Update file signature\r\n[Global]\r\ncmdafter=after.cmd\r\nsequence=1\r\n\r\n[File]\r\nname=app.exe\r\nurl=app.exe\r\nsha256=stale\r\n' >doc.txt
check "signing" 0 "$(run sign doc.txt signed.txt --key a.pem --id key-a --files files --expires 20300101000000 --sequence 42)"
sha=$(sha256sum files/app.exe | cut -d' ' -f1)
check "the file's sha256" 1 "$(grep -c "^sha256=$sha"$'\r$' signed.txt)"
check "one sha256 line" 1 "$(grep -c '^sha256=' signed.txt)"

# Its own check, as the component's.
check "verify: good" 0 "$(run verify signed.txt --ring ring.txt)"
sed 's/cmdafter=after.cmd/cmdafter=evil!.cmd/' signed.txt >changed.txt
check "verify: a byte changed" 2 "$(run verify changed.txt --ring ring.txt)"

# Refused: what the component would refuse is not signed, and nothing is written.
printf '#Update file signature\r\n[File]\r\nname=app.exe\r\nurl=http://host/app.exe\r\n' >plain.txt
check "a file over plain HTTP" 2 "$(run sign plain.txt plain-signed.txt --key a.pem --id key-a --files files)"
check "nothing written" "" "$(ls plain-signed.txt 2>/dev/null)"

# Rings: merged when sound; a repeated id or a damaged line fails.
python3 "$signer" newkey c.pem --id key-c --ring ring2.txt >/dev/null
check "merging" 0 "$(run ring merged.txt ring.txt ring2.txt)"
check "both keys" "key-a key-c" "$(grep -v '^#' merged.txt | cut -d' ' -f1 | tr '\n' ' ' | sed 's/ $//')"
check "a repeated id" 2 "$(run ring merged2.txt ring.txt ring.txt)"

[ "$failures" -eq 0 ] && echo "all passed"
exit "$failures"

#!/usr/bin/python3
"""The publisher's side of signed updates: keys, the key ring Updara.dll carries, and signing the
update-information file (docs/PUBLISHING.md says how to publish an update with it, step by step).

    update-signer.py newkey KEY.pem --id ID [--ring RING]
        Makes an ECDSA P-256 key pair into KEY.pem (never over an existing file; readable by its
        owner only) and prints its key-ring line; with --ring the line is also added to RING.
    update-signer.py keyline KEY.pem --id ID
        Prints the key-ring line of a key (a private key or a public one, PEM).
    update-signer.py ring OUT RING...
        Checks the rings and writes them into one, OUT (the build's step for the DLL's resource).
    update-signer.py sign IN OUT --key KEY.pem --id ID [--files FOLDER] [--days N | --expires STAMP]
                          [--sequence N]
        Signs the update-information file IN into OUT: the sha256 of every [File] entry whose name
        is a file in FOLDER is set, [Global] gets expires= (UTC, YYYYMMDDhhmmss; by default 90 days
        from now) and sequence= (by default the current UTC time as YYYYMMDDhhmmss, so a later
        document always has a higher one), and the signature line ends the document. A signature
        line already there is replaced. Nothing is written when an entry lacks its sha256 or names
        a URL other than https or a file path: the component would refuse the whole document.
    update-signer.py verify DOCUMENT --ring RING
        Checks a signed document against a ring with openssl, as the component will.

Only Python's standard library and the openssl command are used. A key-ring line is
"<id> <base64 of the uncompressed public point: 04, X, Y>"; the signature line is
"; signature=<id>:<base64 of r and s, 32 bytes each>", over every byte before it.
"""
import argparse
import base64
import datetime
import hashlib
import os
import re
import subprocess
import sys
import tempfile

SIGNATURE_PREFIX = b"; signature="
KEY_ID = re.compile(r"[A-Za-z0-9._-]{1,64}")
# The DER of a P-256 public key (SubjectPublicKeyInfo) up to its 65-byte point.
P256_SPKI_HEAD = bytes.fromhex("3059301306072a8648ce3d020106082a8648ce3d030107034200")
HEADERS = ("[File]", "[Message]", "[Global]")


class Refused(Exception):
    pass


def openssl(*args, data=None):
    done = subprocess.run(["openssl", *args], input=data, capture_output=True)
    if done.returncode != 0:
        raise Refused("openssl %s failed: %s" % (args[0], done.stderr.decode(errors="replace").strip()))
    return done.stdout


def check_id(key_id):
    if not KEY_ID.fullmatch(key_id):
        raise Refused("a key id is 1 to 64 letters, digits, '.', '_' or '-': %r" % key_id)


def public_point(key_file):
    """The uncompressed point of a P-256 key, from its private or public PEM."""
    with open(key_file, "rb") as f:
        pem = f.read()
    args = ["pkey", "-pubout", "-outform", "DER"]
    if b"PUBLIC KEY" in pem:
        args.append("-pubin")
    der = openssl(*args, data=pem)
    if len(der) != len(P256_SPKI_HEAD) + 65 or not der.startswith(P256_SPKI_HEAD):
        raise Refused("%s is not a P-256 key" % key_file)
    return der[len(P256_SPKI_HEAD):]


def ring_line(key_id, point):
    return "%s %s" % (key_id, base64.b64encode(point).decode())


def read_ring(path):
    """{id: point} of a ring file, refusing what the component would refuse."""
    keys = {}
    with open(path, "rb") as f:
        for number, raw in enumerate(f.read().split(b"\n"), 1):
            line = raw.rstrip(b"\r").decode("ascii", errors="replace")
            if not line or line.startswith("#"):
                continue
            key_id, _, encoded = line.partition(" ")
            try:
                point = base64.b64decode(encoded, validate=True)
            except ValueError:
                point = b""
            if not KEY_ID.fullmatch(key_id) or len(point) != 65 or point[0] != 4 or \
                    base64.b64encode(point).decode() != encoded:
                raise Refused("%s:%d is not a key-ring line" % (path, number))
            if key_id in keys:
                raise Refused("%s:%d: the id %s comes twice" % (path, number, key_id))
            keys[key_id] = point
    return keys


def der_to_raw(der):
    """r and s of an ECDSA signature in DER, as 32 bytes each."""
    def integer(at):
        if der[at] != 2 or der[at + 1] > 33:
            raise Refused("not an ECDSA signature")
        length = der[at + 1]
        value = der[at + 2:at + 2 + length].lstrip(b"\0")
        if len(value) > 32:
            raise Refused("not a P-256 signature")
        return value.rjust(32, b"\0"), at + 2 + length
    if len(der) < 8 or der[0] != 0x30 or der[1] != len(der) - 2:
        raise Refused("not an ECDSA signature")
    r, at = integer(2)
    s, at = integer(at)
    return r + s


def raw_to_der(raw):
    def integer(value):
        value = value.lstrip(b"\0") or b"\0"
        if value[0] & 0x80:
            value = b"\0" + value
        return bytes([2, len(value)]) + value
    body = integer(raw[:32]) + integer(raw[32:])
    return bytes([0x30, len(body)]) + body


def split_signature(document):
    """(signed bytes, key id, r and s) of a document whose last line is its signature, else None."""
    body = document[:-1] if document.endswith(b"\n") else document
    body = body[:-1] if body.endswith(b"\r") else body
    start = body.rfind(b"\n") + 1
    last = body[start:]
    if not last.startswith(SIGNATURE_PREFIX):
        return None
    key_id, _, encoded = last[len(SIGNATURE_PREFIX):].decode("latin-1").partition(":")
    try:
        raw = base64.b64decode(encoded, validate=True)
    except ValueError:
        raw = b""
    return document[:start], key_id, raw


def utc_stamp(moment):
    return moment.strftime("%Y%m%d%H%M%S")


class Document:
    """The update-information file as lines, with its sections as the component reads them: a
    header opens one, an empty line or the next header ends it, comments do neither."""

    def __init__(self, data):
        text = data.decode("latin-1")
        self.eol = "\r\n" if "\r\n" in text else "\n"
        self.lines = [line.rstrip("\r") for line in text.split("\n")]
        if self.lines and self.lines[-1] == "":
            self.lines.pop()

    def sections(self):
        """(kind, index of the header, indexes of its pairs) of every section."""
        found, current = [], None
        for i, line in enumerate(self.lines):
            if line == "" or line in HEADERS:
                current = None
                if line in HEADERS:
                    current = (line, i, [])
                    found.append(current)
            elif line[0] in "#/;":
                continue
            elif "=" in line and current:
                current[2].append(i)
        return found

    @staticmethod
    def pair(line):
        key, _, value = line.partition("=")
        return key.lower(), value

    def remove(self, indexes):
        for i in sorted(indexes, reverse=True):
            del self.lines[i]

    def set_sha256(self, folder):
        for kind, header, pairs in reversed(self.sections()):  # from the end: indexes stay valid
            if kind != "[File]":
                continue
            names = [self.pair(self.lines[i])[1] for i in pairs if self.pair(self.lines[i])[0] == "name"]
            path = os.path.join(folder, names[-1]) if names and names[-1] else None
            if not path or not os.path.isfile(path):
                continue
            with open(path, "rb") as f:
                digest = hashlib.sha256(f.read()).hexdigest()
            self.remove([i for i in pairs if self.pair(self.lines[i])[0] == "sha256"])
            self.lines.insert(header + 1, "sha256=" + digest)

    def set_validity(self, expires, sequence):
        stale = [i for kind, _, pairs in self.sections() if kind == "[Global]" for i in pairs
                 if self.pair(self.lines[i])[0] in ("expires", "sequence")]
        self.remove(stale)
        if self.lines and self.lines[-1] != "":
            self.lines.append("")
        self.lines += ["[Global]", "expires=" + expires, "sequence=" + str(sequence)]

    def problems(self):
        """What would make the component refuse the signed document, entry by entry."""
        found = []
        for kind, _, pairs in self.sections():
            if kind != "[File]":
                continue
            values = {}
            for i in pairs:
                key, value = self.pair(self.lines[i])
                values[key] = value
            name = values.get("name", "")
            if not name:
                continue
            if not re.fullmatch(r"[0-9a-f]{64}", values.get("sha256", "").lower()):
                found.append("%s: no sha256 (is it in the files folder?)" % name)
            url = values.get("url", "")
            scheme = url.split("://", 1)[0].lower() if "://" in url else None
            if scheme not in (None, "https", "file"):
                found.append("%s: its url must be https, a file path or a name beside the document" % name)
        return found

    def bytes(self):
        return "".join(line + self.eol for line in self.lines).encode("latin-1")


def sign_bytes(key_file, data):
    return der_to_raw(openssl("dgst", "-sha256", "-sign", key_file, data=data))


def verify_bytes(point, data, raw):
    with tempfile.TemporaryDirectory() as work:
        key, signature = os.path.join(work, "key.der"), os.path.join(work, "signature.der")
        with open(key, "wb") as f:
            f.write(P256_SPKI_HEAD + point)
        with open(signature, "wb") as f:
            f.write(raw_to_der(raw))
        done = subprocess.run(["openssl", "dgst", "-sha256", "-verify", key, "-keyform", "DER", "-signature",
                               signature], input=data, capture_output=True)
        return done.returncode == 0


def newkey(args):
    check_id(args.id)
    if os.path.exists(args.key):
        raise Refused("%s exists; a key is never written over" % args.key)
    old = os.umask(0o077)
    try:
        openssl("genpkey", "-algorithm", "EC", "-pkeyopt", "ec_paramgen_curve:P-256", "-out", args.key)
    finally:
        os.umask(old)
    line = ring_line(args.id, public_point(args.key))
    if args.ring:
        with open(args.ring, "a", newline="\n") as ring:
            ring.write(line + "\n")
    print(line)


def keyline(args):
    check_id(args.id)
    print(ring_line(args.id, public_point(args.key)))


def ring(args):
    merged = {}
    for path in args.rings:
        for key_id, point in read_ring(path).items():
            if key_id in merged:
                raise Refused("the id %s comes twice" % key_id)
            merged[key_id] = point
    with open(args.out, "w", newline="\n") as out:
        out.write("# The publisher's keys Updara.dll takes signed update-information files from.\n")
        for key_id, point in merged.items():
            out.write(ring_line(key_id, point) + "\n")


def sign(args):
    check_id(args.id)
    with open(args.input, "rb") as f:
        data = f.read()
    old = split_signature(data)
    document = Document(old[0] if old else data)
    now = datetime.datetime.now(datetime.timezone.utc)
    expires = args.expires or utc_stamp(now + datetime.timedelta(days=args.days))
    if not re.fullmatch(r"\d{14}", expires):
        raise Refused("--expires is YYYYMMDDhhmmss in UTC")
    sequence = args.sequence if args.sequence is not None else int(utc_stamp(now))
    if not 0 <= sequence < 10 ** 18:
        raise Refused("--sequence is 0 to 18 digits")
    if args.files:
        document.set_sha256(args.files)
    document.set_validity(expires, sequence)
    problems = document.problems()
    if problems:
        raise Refused("not signed, the component would refuse it:\n  " + "\n  ".join(problems))
    signed = document.bytes()
    raw = sign_bytes(args.key, signed)
    if not verify_bytes(public_point(args.key), signed, raw):
        raise Refused("the signature just made does not verify")
    line = SIGNATURE_PREFIX + ("%s:%s" % (args.id, base64.b64encode(raw).decode())).encode() + document.eol.encode()
    with open(args.output, "wb") as out:
        out.write(signed + line)
    print("signed %s with %s: expires %s (UTC), sequence %d" % (args.output, args.id, expires, sequence))


def verify(args):
    with open(args.document, "rb") as f:
        data = f.read()
    found = split_signature(data)
    if not found:
        raise Refused("not signed: its last line is no signature line")
    signed, key_id, raw = found
    keys = read_ring(args.ring)
    if key_id not in keys:
        raise Refused("signed with %r, which the ring does not hold" % key_id)
    if len(raw) != 64:  # the DER form other tools write, which the component reads too
        try:
            raw = der_to_raw(raw)
        except (Refused, IndexError):
            raise Refused("the signature does not verify")
    if not verify_bytes(keys[key_id], signed, raw):
        raise Refused("the signature does not verify")
    print("good signature by %s" % key_id)


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    commands = parser.add_subparsers(dest="command", required=True)
    p = commands.add_parser("newkey")
    p.add_argument("key")
    p.add_argument("--id", required=True)
    p.add_argument("--ring")
    p.set_defaults(run=newkey)
    p = commands.add_parser("keyline")
    p.add_argument("key")
    p.add_argument("--id", required=True)
    p.set_defaults(run=keyline)
    p = commands.add_parser("ring")
    p.add_argument("out")
    p.add_argument("rings", nargs="+")
    p.set_defaults(run=ring)
    p = commands.add_parser("sign")
    p.add_argument("input")
    p.add_argument("output")
    p.add_argument("--key", required=True)
    p.add_argument("--id", required=True)
    p.add_argument("--files")
    p.add_argument("--days", type=int, default=90)
    p.add_argument("--expires")
    p.add_argument("--sequence", type=int)
    p.set_defaults(run=sign)
    p = commands.add_parser("verify")
    p.add_argument("document")
    p.add_argument("--ring", required=True)
    p.set_defaults(run=verify)
    args = parser.parse_args()
    try:
        args.run(args)
    except (Refused, OSError) as e:
        print("update-signer: %s" % e, file=sys.stderr)
        sys.exit(2)


if __name__ == "__main__":
    main()

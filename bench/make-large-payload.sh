#!/usr/bin/env bash
# Lays out a large benchmark payload of about SIZE_MB MiB
# in DIR, the same bytes on every machine and every run (fixed seeds), made
# once: a later call with the same size finds DIR complete and leaves it.
#   bench/make-large-payload.sh DIR SIZE_MB
# The mix, by bytes, is that of a large application:
#   16%  text-like files (sources, docs, data), a few KiB to 200 KiB, the bulk
#        of the file count (about 3,500 files for 1024 MiB)
#   40%  binaries of moderate compressibility (about 2:1), 64 KiB to 8 MiB,
#        sharing code-like stretches with one another over long distances
#   10%  exact duplicates of earlier text files and binaries
#   34%  incompressible media-like files, 1 to 16 MiB
# in a tree of folders up to four deep, with a few empty files. Every file
# gets the same modification time, so builds of it can be compared byte for
# byte. Prints the file count and the byte count.
set -euo pipefail
dir=${1:?usage: make-large-payload.sh DIR SIZE_MB}
size_mb=${2:?usage: make-large-payload.sh DIR SIZE_MB}
case $size_mb in '' | *[!0-9]*) echo "make-large-payload: SIZE_MB must be a whole number" >&2; exit 1 ;; esac
[ "$size_mb" -ge 1 ] || { echo "make-large-payload: SIZE_MB must be at least 1" >&2; exit 1; }
# The mark beside DIR (not in it: it would be installed) says which size and
# which version of this generator made it.
version=1
mark="${dir%/}.made"
if [ -d "$dir" ] && [ -f "$mark" ] && [ "$(cat "$mark")" = "size_mb=$size_mb version=$version" ]; then
    echo "files: $(find "$dir" -type f | wc -l)"
    echo "bytes: $(du -sb "$dir" | cut -f1)"
    exit 0
fi
rm -rf "$dir" "$mark"
mkdir -p "$dir"
python3 - "$dir" "$size_mb" <<'PYTHON'
import os, random, sys

root, size_mb = sys.argv[1], int(sys.argv[2])
total = size_mb << 20
MTIME = 1_700_000_000

# One generator for the plan and one per file, each from a fixed seed, so a
# file's bytes depend on its place in the plan alone.
plan = random.Random(26_000)

WORDS = [
    "install", "package", "folder", "value", "return", "const", "struct", "window", "handle",
    "buffer", "string", "size", "count", "index", "error", "result", "file", "path", "name",
    "the", "a", "of", "to", "is", "and", "for", "if", "else", "while", "int", "char", "void",
    "static", "include", "define", "module", "function", "class", "public", "private", "data",
    "table", "entry", "block", "stream", "decode", "encode", "read", "write", "open", "close",
    "registry", "key", "service", "shortcut", "uninstall", "component", "version", "product",
    "0", "1", "2", "16", "32", "64", "256", "4096", "0x7f", "nullptr", "true", "false",
    "{", "}", "(", ")", ";", "=", "==", "+", "-", "*", "->", "::", "<", ">", "//", "#",
] + ["w%03d" % i for i in range(400)]
EXTENSIONS_TEXT = [".txt", ".cpp", ".h", ".py", ".xml", ".json", ".md", ".cmake", ".html", ".ini"]
EXTENSIONS_BIN = [".dll", ".exe", ".bin", ".dat", ".pak", ".so"]
EXTENSIONS_MEDIA = [".png", ".jpg", ".ogg", ".mp4", ".zip"]

# Code-like stretches the binaries share: 64 stretches of 64 KiB each.
shared_rng = random.Random(26_001)
LOW_ENTROPY = bytes((i * 7919) % 251 % 16 * 13 % 256 for i in range(256))
shared_code = [shared_rng.randbytes(65536).translate(LOW_ENTROPY) for _ in range(64)]


def folders():
    # A tree of folders up to four deep: 8 top folders, 6 below each, ...
    names = ["bin", "lib", "share", "doc", "data", "plugins", "locale", "resources"]
    out = []
    for top in names:
        out.append(top)
        for a in range(6):
            out.append(f"{top}/part{a}")
            for b in range(3):
                out.append(f"{top}/part{a}/sub{b}")
                if b == 0:
                    out.append(f"{top}/part{a}/sub{b}/deep")
    return out


FOLDERS = folders()


def text_bytes(rng, size):
    lines = []
    length = 0
    while length < size:
        words = rng.choices(WORDS, k=rng.randint(3, 14))
        line = " " * (4 * rng.randint(0, 3)) + " ".join(words) + "\n"
        lines.append(line)
        length += len(line)
    return "".join(lines).encode()[:size]


def binary_bytes(rng, size):
    # Stretches of low-entropy bytes (about 4 bits a byte), of shared code
    # and of plain noise (tables, packed data).
    parts = []
    length = 0
    while length < size:
        kind = rng.random()
        n = rng.randint(4096, 131072)
        if kind < 0.55:
            part = rng.randbytes(n).translate(LOW_ENTROPY)
        elif kind < 0.85:
            code = shared_code[rng.randrange(len(shared_code))]
            start = rng.randrange(len(code) // 2)
            part = code[start:start + n]
        else:
            part = rng.randbytes(n // 4)
        parts.append(part)
        length += len(part)
    return b"".join(parts)[:size]


def log_uniform(rng, low, high):
    return int(low * (high / low) ** rng.random())


made = []  # (relative path, size, kind) of text and binary files
counts = {"text": 0, "binary": 0, "duplicate": 0, "media": 0, "empty": 0}
written = 0


def place(rng, ext, serial):
    folder = FOLDERS[rng.randrange(len(FOLDERS))]
    return f"{folder}/f{serial:05d}{ext}"


def write(rel, data):
    global written
    full = os.path.join(root, rel)
    os.makedirs(os.path.dirname(full), exist_ok=True)
    with open(full, "wb") as f:
        f.write(data)
    os.utime(full, (MTIME, MTIME))
    written += len(data)


budgets = [("text", 0.16), ("binary", 0.40), ("duplicate", 0.10), ("media", 0.34)]
serial = 0
for kind, share in budgets:
    budget = int(total * share)
    spent = 0
    misses = 0
    while spent < budget:
        serial += 1
        rng = random.Random(26_100_000 + serial)
        left = budget - spent
        if kind == "text":
            size = min(left, log_uniform(plan, 2048, 200_000))
            rel = place(plan, EXTENSIONS_TEXT[plan.randrange(len(EXTENSIONS_TEXT))], serial)
            write(rel, text_bytes(rng, size))
            made.append((rel, size))
        elif kind == "binary":
            size = min(left, log_uniform(plan, 65536, 8 << 20))
            rel = place(plan, EXTENSIONS_BIN[plan.randrange(len(EXTENSIONS_BIN))], serial)
            write(rel, binary_bytes(rng, size))
            made.append((rel, size))
        elif kind == "duplicate":
            source, size = made[plan.randrange(len(made))]
            if size > left:
                misses += 1
                if misses > 100:
                    break
                serial -= 1
                continue
            rel = place(plan, os.path.splitext(source)[1], serial)
            with open(os.path.join(root, source), "rb") as f:
                write(rel, f.read())
        else:
            size = min(left, log_uniform(plan, 1 << 20, 16 << 20))
            rel = place(plan, EXTENSIONS_MEDIA[plan.randrange(len(EXTENSIONS_MEDIA))], serial)
            write(rel, rng.randbytes(size))
        spent += size
        counts[kind] += 1
for i in range(5):
    serial += 1
    write(place(plan, ".txt", serial), b"")
    counts["empty"] += 1
print("made: " + ", ".join(f"{n} {k}" for k, n in counts.items()), file=sys.stderr)
PYTHON
echo "size_mb=$size_mb version=$version" >"$mark"
echo "files: $(find "$dir" -type f | wc -l)"
echo "bytes: $(du -sb "$dir" | cut -f1)"

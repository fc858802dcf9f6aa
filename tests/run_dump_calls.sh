#!/usr/bin/env bash
# The ARM64 DLL under arm64 Wine against the Linux library: dump_calls.exe
# makes every call of all ten functions over the samples, a file with each
# special byte at every offset of a 64-byte block and lines of 1,023 to
# 1,025 characters ending at each, and copies of a sample at every
# long-path length of the x86 Windows suite's table, once through
# Lintrow.dll (NEON) and once through Lintrow_portable.dll (the portable
# path); the same program built for Linux does the same through the
# reference library. All three outputs must be the same, byte for byte.
#   run_dump_calls.sh BIN_DIR SOURCE_DIR REFERENCE_LIBRARY
set -euo pipefail
bin=$(cd "$1" && pwd)
source_dir=$2
reference_library=$3
[ -f "$reference_library" ] || { echo "FAILED: $reference_library is missing: build the native preset first"; exit 1; }
work=$bin/dump_calls_files
rm -rf "$work"
mkdir -p "$work"

# The files, and one list of their paths for each system (Z: is the root).
python3 - "$work" "$source_dir" <<'PY'
import pathlib, sys
work, source = pathlib.Path(sys.argv[1]), pathlib.Path(sys.argv[2])
files = sorted((source / "examples" / "sample").glob("*.csv"))

# Each special byte at every offset of a block, in short lines left in
# place, at the start of a fill, in its last block and past its end.
line = b"VlaA9jH,x,\xa5z\n"
data = bytearray((line * (6 * 32768 // len(line) + 1))[:6 * 32768])
specials = [b"\n", b"\r", b"\r\n", b"\0", b",", b"\x80"]
for block in range(2 * 512):
    offset = block % 64
    special = specials[(block // 64) % len(specials)]
    data[64 * block + offset:64 * block + offset + len(special)] = special
# Lines of 1,023, 1,024 and 1,025 characters whose LF falls at each offset.
for index, length in enumerate(l for l in (1023, 1024, 1025) for _ in range(16)):
    end = 3 * 32768 + 2048 * index + (index * 5) % 64
    data[end - length - 1] = ord("\n")
    data[end - length:end] = (b"q,r;" * 300)[:length]
    data[end] = ord("\n")
edges = work / "edges.txt"
edges.write_bytes(bytes(data))
files.append(edges)

# A sample again at each length of its full Windows path, with \ and with /.
deep = work / "paths"
for index, length in enumerate((120, 127, 128, 129, 200, 259, 260, 261, 300, 400, 1000)):
    linux_length = length - 2  # without the drive, "Z:"
    directory = deep / f"{index:02d}"
    name_room = linux_length - len(str(directory)) - 1
    while name_room > 200:
        directory = directory / ("d" * min(150, name_room - 60))
        name_room = linux_length - len(str(directory)) - 1
    path = directory / ("f" * (name_room - 4) + ".csv")
    assert len(str(path)) == linux_length, (length, len(str(path)))
    path.parent.mkdir(parents=True, exist_ok=True)
    path.write_bytes((source / "examples" / "sample" / "orders_long_lines.csv").read_bytes())
    files.append(path)

(work / "list-linux.txt").write_text("".join(f"{f}\n" for f in files))
def windows(path, index):
    text = "Z:" + str(path).replace("/", "\\")
    return text.replace("\\", "/") if index % 2 else text
(work / "list-windows.txt").write_text("".join(f"{windows(f, i)}\r\n" for i, f in enumerate(files)))
print(f"{len(files)} files")
PY

# The reference, through the Linux library.
cc -std=c99 -O1 -Wall -Wextra -Werror -I"$source_dir/include" -o "$work/dump_calls" "$source_dir/tests/dump_calls.c" "$reference_library"
LD_LIBRARY_PATH=$(dirname "$reference_library") "$work/dump_calls" "$work/list-linux.txt" "$work/reference.txt"

# Both DLLs, in one Wine session.
rm -f "$bin"/dump-*.txt "$bin"/dump-*.status
{
  echo "@echo off"
  for dll in Lintrow Lintrow_portable; do
    echo "dump_calls.exe Z:${work//\//\\}\\list-windows.txt dump-$dll.txt $dll.dll"
    echo ">dump-$dll.status echo %ERRORLEVEL%"
  done
} | sed 's/$/\r/' > "$bin/run_dumps.bat"
LINTROW_WINE_ARCH=winarm64 LINTROW_WINE_TIMEOUT=${LINTROW_WINE_TIMEOUT:-600} "$source_dir/scripts/run-under-wine.sh" "$bin" run_dumps.bat

failures=0
files=$(wc -l < "$work/list-linux.txt")
for dll in Lintrow Lintrow_portable; do
  status=$(tr -d ' \r\n' 2>/dev/null < "$bin/dump-$dll.status" || echo missing)
  if [ "$status" != 0 ] || [ ! -f "$bin/dump-$dll.txt" ]; then
    echo "FAILED: $dll.dll: dump_calls.exe exit status $status"; failures=$((failures + 1)); continue
  fi
  if ! cmp -s "$work/reference.txt" "$bin/dump-$dll.txt"; then
    echo "FAILED: $dll.dll does not write what the Linux library writes:"
    diff "$work/reference.txt" "$bin/dump-$dll.txt" | head -n 20 || true
    failures=$((failures + 1)); continue
  fi
  echo "$dll.dll: $(wc -l < "$bin/dump-$dll.txt") calls over $files files, as the Linux library"
done
# Not an empty agreement: every file was read, to its end.
[ "$(grep -c '^file$' "$work/reference.txt")" = "$files" ] && [ "$(tail -n 1 "$work/reference.txt")" = end ] ||
  { echo "FAILED: the reference did not read every file"; failures=$((failures + 1)); }
[ "$failures" = 0 ]

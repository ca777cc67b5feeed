"""Checks the documented Python reader of the ASCII data file against the
library: the reader reads the bundled example's ASCII form, in Format 2 as
it stands and in Format 1 (line 1 changed, line 14 left out), and every
header field, intensity frame and phase value must equal what the library's
binary reader holds for the binary example (print_datafile_records). The
reader's listing in ascii-data-file.md must be the reader's file.
Exit status 77 (skipped) without numpy.

    check_ascii_reader.py READER_DIR PRINTER BINARY_FILE ASCII_FILE SCRATCH_DIR
"""
import os
import subprocess
import sys

try:
    import numpy as np
except ImportError:
    print("numpy is not installed: skipped")
    sys.exit(77)

reader_dir, printer, binary_file, ascii_file, scratch = sys.argv[1:6]
sys.path.insert(0, reader_dir)
from read_ascii_data_file import PHASE_INVALID, read_ascii_data_file  # noqa: E402

ARRAYS = ("intensity", "phase")


def library_records(path):
    """name -> text of the value, as the printer gives them."""
    out = subprocess.run([printer, path], check=True, capture_output=True, text=True).stdout
    records = {}
    for line in out.splitlines():
        name, _, value = line.partition(" ")
        records[name] = value
    return records


def expected_field(name, text, header_value):
    if name.startswith("text_") or name == "ident_text":
        # The file's texts are blank-padded; a reader hands them back trimmed.
        return bytes.fromhex(text).decode("latin-1").strip(" \t")
    if isinstance(header_value, float):
        # The file holds "%g" of the float: six significant digits.
        return float("%g" % float.fromhex(text))
    return int(text)


def mismatches(header, frames, phase, records):
    found = []
    fields = set(records) - set(ARRAYS) - {"valid_points"}
    if set(header) - {"format"} != fields:
        found.append("field names differ: %s" % sorted(set(header) ^ fields ^ {"format"}))
    for name in sorted(fields & set(header)):
        expected = expected_field(name, records[name], header[name])
        if header[name] != expected:
            found.append("%s: %r, the library holds %r" % (name, header[name], expected))

    n, h, w = (int(records["intens_" + k]) for k in ("n_buckets", "height", "width"))
    intensity = np.array(records["intensity"].split(), dtype=np.int64)
    if frames.shape != (n, h, w) or frames.dtype != np.uint16:
        found.append("frames are %s %s, not uint16 %s" % (frames.dtype, frames.shape, (n, h, w)))
    elif not np.array_equal(frames.ravel(), intensity):
        found.append("intensity values differ")
    # Frame k is the k-th run of width x height values: its first row is
    # the run's first width values.
    elif n > 1 and not np.array_equal(frames[1, 0], intensity[h * w:h * w + w]):
        found.append("frame 1 does not start where the second run of values starts")

    values = np.array(records["phase"].split(), dtype=np.int64)
    h, w = int(records["phase_height"]), int(records["phase_width"])
    if phase.shape != (h, w) or phase.dtype != np.int32:
        found.append("phase map is %s %s, not int32 %s" % (phase.dtype, phase.shape, (h, w)))
    elif not np.array_equal(phase.ravel(), values):
        found.append("phase values differ")
    elif int((phase < PHASE_INVALID).sum()) != int(records["valid_points"]):
        found.append("valid points: %d, the library counts %s"
                     % ((phase < PHASE_INVALID).sum(), records["valid_points"]))
    return found


def format1_copy(path):
    """The same file in Format 1: line 1 names Format 1 and line 14 is gone."""
    with open(path, "rb") as f:
        lines = f.read().split(b"\n")
    if not lines[0].startswith(b"Tesk ASCII Data File - Format 2"):
        raise SystemExit("%s is not a Format 2 file" % path)
    lines[0] = lines[0].replace(b"Format 2", b"Format 1")
    del lines[13]
    copy = os.path.join(scratch, "format1.txt")
    with open(copy, "wb") as f:
        f.write(b"\n".join(lines))
    return copy


def listing_differs():
    """Whether the page's copy of the reader differs from the file."""
    with open(os.path.join(reader_dir, "ascii-data-file.md"), encoding="utf-8") as f:
        page = f.read()
    with open(os.path.join(reader_dir, "read_ascii_data_file.py"), encoding="utf-8") as f:
        reader = f.read()
    _, marker, rest = page.partition("<!-- listing: read_ascii_data_file.py -->\n```python\n")
    return not marker or rest.partition("```\n")[0] != reader


def main():
    os.makedirs(scratch, exist_ok=True)
    if listing_differs():
        print("the listing in ascii-data-file.md is not read_ascii_data_file.py")
        return 1
    records = library_records(binary_file)
    failed = False
    for file_format, path in ((2, ascii_file), (1, format1_copy(ascii_file))):
        # Format 1 does not carry text_562: it reads empty.
        expected = records if file_format == 2 else dict(records, text_562="")
        header, frames, phase = read_ascii_data_file(path)
        problems = mismatches(header, frames, phase, expected)
        if header["format"] != file_format:
            problems.append("format %r" % header["format"])
        for problem in problems:
            print("Format %d: %s" % (file_format, problem))
        failed = failed or bool(problems)
        print("Format %d: %d header fields, frames %s, phase map %s: %s"
              % (file_format, len(header), frames.shape, phase.shape,
                 "differ" if problems else "equal"))
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())

"""A minimal reader of the ASCII data file (Formats 1 and 2) with numpy.

    header, frames, phase = read_ascii_data_file("sphere.txt")

header: a dict of the header fields by name (see ascii-data-file.md), plus
"format" (1 or 2); frames: the intensity frames, uint16, frames x height x
width; phase: the phase map, int32, height x width, in the file's own units,
with values of PHASE_INVALID and above at invalid points.

Run as a program, it prints a summary of the files it is given.
"""
import sys

import numpy as np

PHASE_INVALID = 2147483640  # 0x7FFFFFF8: this value and above mark an invalid point

# Header lines 2 to 14, in order: the names of the numbers on the line, their
# types (i: integer, f: floating point), then the quoted text and its width.
HEADER_LINES = [
    ("ident_a ident_b ident_c ident_d", "iiii", "ident_text", 29),
    ("intens_x intens_y intens_width intens_height intens_n_buckets intens_range",
     "iiiiii", None, 0),
    ("phase_x phase_y phase_width phase_height", "iiii", None, 0),
    ("", "", "text_80", 81),
    ("", "", "text_320", 39),
    ("", "", "text_258", 39),
    ("val_162 val_164 val_168 val_172 val_176 val_180 val_184 val_76", "iffffffi", None, 0),
    ("val_234 val_236 val_238 val_240 val_242 val_244", "iiiiii", "text_246", 11),
    ("val_188 val_190 val_192 val_196 val_194 val_202 val_204 val_498 val_210 val_214",
     "iiiiiiffii", None, 0),
    ("val_218 val_300 val_220 val_224 val_226 val_230 val_364 val_232 val_298",
     "iiiifiiii", None, 0),
    ("val_302", "i", "text_534", 27),
    ("val_360 val_198", "ff", None, 0),
    ("", "", "text_562", 7),  # Format 2 only
]

IDENTIFICATION = {b"Tesk ASCII Data File - Format 1": 1, b"Tesk ASCII Data File - Format 2": 2}


def parse_header_line(line, names, types, text_name, text_width, header):
    numbers, quote, text = line.partition('"')
    values = numbers.split()
    if len(values) != len(types):
        raise ValueError("%d numbers where %d belong: %s" % (len(values), len(types), names))
    for name, kind, value in zip(names.split(), types, values):
        header[name] = int(value) if kind == "i" else float(value)
    if text_name is not None:
        # The text fills exactly text_width characters between the quotes.
        if not quote or len(text) < text_width:
            raise ValueError("short quoted text for " + text_name)
        header[text_name] = text[:text_width].strip(" \t")
    elif quote:
        raise ValueError("unexpected text on the line of " + names)


def read_values(section, shape, dtype, low, high):
    """The numbers of one data section, checked and shaped."""
    values = np.array(section.split(), dtype=np.int64)
    count = int(np.prod(shape)) if min(shape) > 0 else 0
    if values.size != count:
        raise ValueError("%d values where the header gives %d" % (values.size, count))
    if count and (values.min() < low or values.max() > high):
        raise ValueError("a value outside %d .. %d" % (low, high))
    return values.astype(dtype).reshape(shape if count else (0,) * len(shape))


def read_ascii_data_file(path):
    with open(path, "rb") as f:
        data = f.read()
    first = data.split(b"\n", 1)[0].rstrip(b"\r")
    if first not in IDENTIFICATION:
        raise ValueError("not an ASCII data file: %r" % first[:60])
    file_format = IDENTIFICATION[first]
    line_layouts = HEADER_LINES if file_format == 2 else HEADER_LINES[:-1]

    # The header lines, then everything from the first "#" line on.
    pieces = data.split(b"\n", len(line_layouts) + 1)
    if len(pieces) < len(line_layouts) + 2:
        raise ValueError("the header ends early")
    header = {"format": file_format}
    for layout, line in zip(line_layouts, pieces[1:]):
        parse_header_line(line.rstrip(b"\r").decode("latin-1"), *layout, header)
    header.setdefault("text_562", "")  # Format 1 has no line 14
    header["intens_range"] &= 0xFFFF  # an unsigned field, written as a signed 16-bit number
    # A value too wide for 16 bits stands in val_242's place; the 32-bit form keeps it.
    wide = header["val_242"]
    header["val_242"] = ((wide + 0x8000) & 0xFFFF) - 0x8000
    header["val_242_wide"] = wide if wide > 65535 else 0

    # "#", the intensity values, "#", the phase values, "#".
    sections = pieces[-1].split(b"#", 3)
    if len(sections) < 3 or sections[0].strip():
        raise ValueError("the data sections are not where the header ends")
    frames = read_values(sections[1],
                         (header["intens_n_buckets"], header["intens_height"],
                          header["intens_width"]),
                         np.uint16, 0, 65535)
    phase = read_values(sections[2], (header["phase_height"], header["phase_width"]),
                        np.int32, -2**31, 2**31 - 1)
    return header, frames, phase


def main(paths):
    for path in paths:
        header, frames, phase = read_ascii_data_file(path)
        valid = phase[phase < PHASE_INVALID]
        print("%s: Format %d, %d intensity frame(s) of %d x %d, phase map %d x %d at (%d, %d)"
              % (path, header["format"], frames.shape[0], frames.shape[2], frames.shape[1],
                 phase.shape[1], phase.shape[0], header["phase_x"], header["phase_y"]))
        if valid.size:
            print("  %d valid phase points, %d invalid, from %d to %d"
                  % (valid.size, phase.size - valid.size, valid.min(), valid.max()))
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))

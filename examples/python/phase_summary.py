"""Reads a data file with the gridtext module, prints its size and the
statistics of its phase map, and saves a picture of the phase map when
matplotlib is installed.

    python3 phase_summary.py [FILE [PICTURE]]

FILE defaults to the bundled example (../sphere.dat beside this script),
PICTURE to phase.png in the current folder. Exits 2 when the file cannot
be read, printing the library's error.
"""
import pathlib
import sys

import gridtext


def main(argv):
    here = pathlib.Path(__file__).resolve().parent
    path = argv[1] if len(argv) > 1 else here.parent / "sphere.dat"
    picture = argv[2] if len(argv) > 2 else "phase.png"
    try:
        m = gridtext.read(path)
    except gridtext.Error as error:
        print(f"phase_summary: {error}", file=sys.stderr)
        return 2

    frames, height, width = m.intensity.shape
    print(f"size: {m.phase_window.width} x {m.phase_window.height}, {frames} intensity frame(s)")
    print(f"identification: {m.ident['ident_text']!r}, {m.kind}")
    try:
        stats = m.phase_stats()
    except gridtext.Error as error:
        print(f"phase_summary: no phase statistics: {error.name}", file=sys.stderr)
        return 2
    print(f"valid phase points: {stats.count}")
    print(f"phase min: {stats.min} at ({stats.min_x}, {stats.min_y})")
    print(f"phase max: {stats.max} at ({stats.max_x}, {stats.max_y})")
    print(f"phase peak-to-valley: {stats.pv}")
    print(f"phase mean: {stats.mean:.3f}")

    try:
        import matplotlib
    except ImportError:
        print("matplotlib is not installed: no picture")
        return 0
    matplotlib.use("Agg")  # no display needed
    import matplotlib.pyplot as plt
    figure, axes = plt.subplots()
    shown = axes.imshow(m.phase_as_float(), cmap="viridis")  # NaN (invalid) stays blank
    figure.colorbar(shown, label="phase")
    axes.set_title(str(path))
    figure.savefig(picture, dpi=100)
    print(f"picture: {picture}")
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))

#!/usr/bin/python3
"""Writes app/gridtool/colour_map.cpp: the 256 entries of the viridis colour
map as 8-bit sRGB triples, taken from the float table that matplotlib ships
(matplotlib/_cm_listed.py, _viridis_data; the map's authors put it in the
public domain, CC0). Each component is round(value * 255).

    /usr/bin/python3 tools/make_colour_map.py > app/gridtool/colour_map.cpp

needs Debian's python3-matplotlib; the generated file is kept in the tree so
that building needs neither.
"""
import matplotlib
from matplotlib import _cm_listed


def main():
    data = _cm_listed._viridis_data
    assert len(data) == 256
    print("// The viridis colour map (perceptually uniform, public domain / CC0) as 256")
    print("// 8-bit sRGB entries, from dark blue-violet (0) to yellow (255). Generated")
    print(f"// by tools/make_colour_map.py from matplotlib {matplotlib.__version__}'s float table;")
    print("// do not edit by hand.")
    print('#include "app/gridtool/colour_map.h"')
    print()
    print("const rgb8 GT_COLOUR_MAP[GT_COLOUR_MAP_SIZE] = {")
    for i in range(0, 256, 4):
        row = " ".join("{%3d, %3d, %3d}," % tuple(round(c * 255) for c in entry)
                       for entry in data[i:i + 4])
        print("    " + row)
    print("};")


if __name__ == "__main__":
    main()

"""Interferometer data files read by the gridtext library into numpy arrays."""
import os
from types import MappingProxyType
from typing import Any, Callable, IO, NamedTuple, Optional, Tuple, Union

import numpy as np
import numpy.typing as npt

__version__: str
PHASE_INVALID: int
"""Phase values of this (0x7FFFFFF8) and above mark invalid points."""

PathArg = Union[str, bytes, "os.PathLike[str]", "os.PathLike[bytes]"]

class Error(Exception):
    """A failure reported by the library: code is its error number, name its
    symbolic name (ERR_PREMATURE_EOF, ...), filename the file it concerns."""
    code: int
    name: str
    filename: Optional[str]

class FileError(Error, OSError):
    """An Error for a file the system refused to open, create or write;
    strerror holds the system's reason where known."""
    strerror: Optional[str]

class Window(NamedTuple):
    """A matrix's window: first element (x, y), width elements per row, height rows."""
    x: int
    y: int
    width: int
    height: int

class PhaseStats(NamedTuple):
    """Statistics of the valid phase values in a window."""
    pv: int
    max: int
    min: int
    mean: float
    max_x: int
    max_y: int
    min_x: int
    min_y: int
    count: int

class Measurement:
    """One data file in memory, as read() returns it. The arrays share the
    library's buffers and stay valid as long as they live, also after the
    Measurement is gone; they are read-only (numpy.array(a) copies)."""
    @property
    def source(self) -> str:
        """The file it was read from, as given (or the stream's name)."""
    @property
    def kind(self) -> str:
        """'binary format 1', 'binary format 2', 'binary format 3' or 'ascii'."""
    @property
    def ident(self) -> MappingProxyType[str, Union[int, str]]:
        """ident_a, ident_text, ident_b, ident_c, ident_d."""
    @property
    def params(self) -> MappingProxyType[str, Union[int, float, str, bytes, Tuple[int, ...]]]:
        """Every parameter record field by name: numbers as int or float, texts
        as str (Latin-1), raw fields as bytes, arr_ runs as tuples of int."""
    @property
    def intensity(self) -> npt.NDArray[np.uint16]:
        """Intensity frames, frames x height x width (read-only, shared)."""
    @property
    def intensity_window(self) -> Window: ...
    @property
    def intensity_range(self) -> int:
        """The range carried with the intensity data (not interpreted)."""
    @property
    def phase(self) -> npt.NDArray[np.int32]:
        """Phase map, height x width (read-only, shared)."""
    @property
    def phase_window(self) -> Window: ...
    @property
    def phase_valid(self) -> npt.NDArray[np.bool_]:
        """True where the phase value is below PHASE_INVALID (a new array)."""
    def phase_stats(self, window: Optional[Tuple[int, int, int, int]] = None) -> PhaseStats:
        """Statistics over the phase window or a window inside it; raises Error
        (ERR_ALL_BAD_DATA, ERR_IMPROPER_WINDOW, ERR_PEAKVAL_OVERFLOW)."""
    def phase_as_float(self) -> npt.NDArray[np.float64]:
        """The phase map as float64, NaN at invalid points (a new array)."""
    def write_ascii(self, path: PathArg, overwrite: bool = False) -> None:
        """Writes the ASCII data file (Format 2) exactly as the gridtext program
        does; an existing file is replaced only with overwrite=True."""
    def write_phase_text(self, path: PathArg) -> None:
        """Writes the valid phase points as a text point list."""

def read(path: PathArg) -> Measurement:
    """Reads a binary data file (formats 1 to 3) or an ASCII data file
    (Formats 1 and 2, told apart by the first line); raises Error."""

def read_stream(fileobj: IO[bytes]) -> Measurement:
    """Reads a data file of either kind from a binary file object, from its
    position to its end."""

def set_print(callable: Optional[Callable[[str], Any]]) -> None:
    """Library messages go to callable as str; None (the default) drops them."""

def error_name(code: int) -> str:
    """The symbolic name of a library error number."""

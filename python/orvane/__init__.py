"""Publish an analysis program's state to Orvane, the status screen.

A thin layer over the C library ``orvane-client`` (through ctypes): each call copies its
values into the shared record and raises the item's change flag last, and the library keeps
the record's rules (everything raised again when a reader attaches, the graph held back while
a message shows and raised again after it, the newest row at the front, a geometry that fits
the reader's area). Example::

    import orvane

    with orvane.Client() as client:           # makes the record "orvane_share"
        client.set_user("Mira Tolvanen", 12, 3600.0)
        client.set_status_a("Computing power spectra")
        client.set_progress(0.4)
        graph = client.set_graph(bins=512)
        client.push_row([0.1, 0.5, 0.9], full_scale=1.0)   # a list, or a numpy array
        client.poll()                                      # now and then when idle

The peaks and the Gaussian take the same keyword names, those of the C structs: ``score``,
``power``, ``freq_bin``, ``time_bin``, ``drift_rate``, ``fft_length``, and ``fit`` for the
Gaussian; keywords are the way to call them. Their positional orders differ and are kept for
the callers that use them (each method's text gives its own)::

    peak = dict(score=0.75, power=12.5, freq_bin=6, time_bin=3, drift_rate=0.25, fft_length=4096)
    client.set_current_peak(**peak)
    client.set_best_peak(**peak)
    client.set_best_gaussian(fit=0.125, **peak)

Several clients on one machine each take a name of their own, and a label tells them apart
where readers show them side by side::

    with orvane.Client(next_free=True) as client:   # "orvane_share", else "orvane_share_2", ...
        client.set_label("core 3: band 2")           # at most 31 characters, no control ones
        print(client.name)

A value the reader cannot show raises OrvaneError with ``status`` ERR_RANGE and writes nothing;
the ranges are the C header's (``orvane/client.h``), the same that ``orvane-inspect --lint``
checks.

Texts are encoded as Windows-1252 (characters it lacks become "?"); bytes pass as they are.
A Client is not locked: use one from one thread at a time. The shared library is found through
``ORVANE_CLIENT_LIBRARY`` (a path) or where the system looks for libraries.
"""

import ctypes
import ctypes.util
import os
from collections import namedtuple

# The C library's version whose calls this module makes (ORVANE_CLIENT_VERSION_MAJOR/_MINOR).
__version__ = "1.2"

__all__ = ["Client", "OrvaneError", "Graph", "EVENT_ATTACHED", "EVENT_DETACHED", "EVENT_AREA",
           "OK", "ERR_ARGUMENT", "ERR_RANGE", "ERR_NAME_TAKEN", "ERR_TOO_SMALL", "ERR_PERMISSION",
           "ERR_MEMORY", "ERR_SYSTEM"]

OK, ERR_ARGUMENT, ERR_RANGE, ERR_NAME_TAKEN, ERR_TOO_SMALL, ERR_PERMISSION, ERR_MEMORY, ERR_SYSTEM = range(8)
EVENT_ATTACHED, EVENT_DETACHED, EVENT_AREA = 0x1, 0x2, 0x4
_KEEP_NAME, _NEXT_FREE = 0x1, 0x2

Graph = namedtuple("Graph", "depth_x depth_y mirrored peak_height rows bins")


class OrvaneError(Exception):
    """A call of the library failed; ``status`` is its code (ERR_...)."""

    def __init__(self, status, message):
        super().__init__(message)
        self.status = status


class _DataUnit(ctypes.Structure):
    _fields_ = [("ra_hours", ctypes.c_float), ("dec_degrees", ctypes.c_float),
                ("recorded_jd", ctypes.c_double), ("base_frequency_hz", ctypes.c_double),
                ("bandwidth_hz", ctypes.c_double), ("bin_wrap_divisor", ctypes.c_int32),
                ("data_source", ctypes.c_int32), ("sample_count", ctypes.c_uint32)]


class _Peak(ctypes.Structure):
    _fields_ = [("power", ctypes.c_float), ("score", ctypes.c_float), ("freq_bin", ctypes.c_int32),
                ("time_bin", ctypes.c_int32), ("drift_rate", ctypes.c_float), ("fft_length", ctypes.c_int32)]


class _Gaussian(ctypes.Structure):
    _fields_ = [("score", ctypes.c_float), ("power", ctypes.c_float), ("fit", ctypes.c_float),
                ("freq_bin", ctypes.c_int32), ("time_bin", ctypes.c_int32), ("drift_rate", ctypes.c_float),
                ("fft_length", ctypes.c_int32)]


class _Graph(ctypes.Structure):
    _fields_ = [(name, ctypes.c_int32) for name in Graph._fields]


def _load():
    names = []
    if os.environ.get("ORVANE_CLIENT_LIBRARY"):
        names.append(os.environ["ORVANE_CLIENT_LIBRARY"])
    found = ctypes.util.find_library("orvane-client")
    if found:
        names.append(found)
    names += ["liborvane-client.so.1", "orvane-client.dll"]
    errors = []
    for name in names:
        try:
            return ctypes.CDLL(name)
        except OSError as error:
            errors.append(str(error))
    raise ImportError("orvane: cannot load the orvane-client library (set ORVANE_CLIENT_LIBRARY): " +
                      "; ".join(errors))


_lib = _load()
_handle = ctypes.c_void_p
_status = ctypes.c_int


def _declare(name, restype, *argtypes, since=None):
    function = getattr(_lib, name, None)
    if function is None:
        if since is None:
            raise ImportError("orvane: the orvane-client library has no " + name)
        # An older library still serves everything else; the call itself then says what is missing.
        def missing(*args):
            raise OrvaneError(ERR_ARGUMENT, "%s needs orvane-client %s or later" % (name, since))
        return missing
    function.restype = restype
    function.argtypes = list(argtypes)
    return function


_open = _declare("orvane_open", _status, ctypes.c_char_p, ctypes.c_uint, ctypes.POINTER(_handle),
                 ctypes.c_char_p, ctypes.c_size_t)
_close = _declare("orvane_close", None, _handle)
_status_text = _declare("orvane_status_text", ctypes.c_char_p, _status)
_poll = _declare("orvane_poll", ctypes.c_uint, _handle)
_attached = _declare("orvane_reader_attached", ctypes.c_int, _handle)
_set_user = _declare("orvane_set_user", _status, _handle, ctypes.c_char_p, ctypes.c_int32, ctypes.c_double)
_set_data_unit = _declare("orvane_set_data_unit", _status, _handle, ctypes.POINTER(_DataUnit))
_set_status_a = _declare("orvane_set_status_a", _status, _handle, ctypes.c_char_p)
_set_status_b = _declare("orvane_set_status_b", _status, _handle, ctypes.c_char_p)
_set_progress = _declare("orvane_set_progress", _status, _handle, ctypes.c_float)
_set_step = _declare("orvane_set_step", _status, _handle, ctypes.c_float)
_set_cpu_time = _declare("orvane_set_cpu_time", _status, _handle, ctypes.c_double)
_set_search = _declare("orvane_set_search", _status, _handle, ctypes.c_float, ctypes.c_int32)
_set_current_peak = _declare("orvane_set_current_peak", _status, _handle, ctypes.POINTER(_Peak))
_set_best_peak = _declare("orvane_set_best_peak", _status, _handle, ctypes.POINTER(_Peak))
_set_best_gaussian = _declare("orvane_set_best_gaussian", _status, _handle, ctypes.POINTER(_Gaussian))
_show_message = _declare("orvane_show_message", _status, _handle, ctypes.c_char_p, ctypes.c_char_p)
_hide_message = _declare("orvane_hide_message", _status, _handle)
_set_graph = _declare("orvane_set_graph", _status, _handle, ctypes.c_int32, ctypes.c_int32, ctypes.c_int)
_get_graph = _declare("orvane_get_graph", _status, _handle, ctypes.POINTER(_Graph))
_push_row = _declare("orvane_push_row", _status, _handle, ctypes.POINTER(ctypes.c_uint8), ctypes.c_size_t)
_push_row_float = _declare("orvane_push_row_float", _status, _handle, ctypes.POINTER(ctypes.c_float),
                           ctypes.c_size_t, ctypes.c_float)
_record_name = _declare("orvane_record_name", ctypes.c_char_p, _handle, since="1.2")
_set_label = _declare("orvane_set_label", _status, _handle, ctypes.c_char_p, since="1.2")
_raw_record = _declare("orvane_raw_record", ctypes.c_void_p, _handle, ctypes.POINTER(ctypes.c_size_t))


def _text(value):
    if value is None:
        return b""
    if isinstance(value, (bytes, bytearray)):
        return bytes(value)
    return str(value).encode("cp1252", errors="replace")


def _peak(score, power, freq_bin, time_bin, drift_rate, fft_length):
    # By name: the struct's order (power first) is neither method's positional order.
    return _Peak(score=score, power=power, freq_bin=int(freq_bin), time_bin=int(time_bin),
                 drift_rate=drift_rate, fft_length=int(fft_length))


def _check(status):
    if status != OK:
        raise OrvaneError(status, _status_text(status).decode())


def _samples(values, full_scale):
    """A pointer to the samples as the C call wants them, the count, and what keeps them alive."""
    if hasattr(values, "__array_interface__"):
        import numpy
        if full_scale is None:
            array = numpy.ascontiguousarray(numpy.clip(values, 0, 255), dtype=numpy.uint8)
            return array.ctypes.data_as(ctypes.POINTER(ctypes.c_uint8)), array.size, array
        array = numpy.ascontiguousarray(values, dtype=numpy.float32)
        return array.ctypes.data_as(ctypes.POINTER(ctypes.c_float)), array.size, array
    values = list(values)
    if full_scale is None:
        array = (ctypes.c_uint8 * len(values))(*[min(255, max(0, int(v))) for v in values])
    else:
        array = (ctypes.c_float * len(values))(*[float(v) for v in values])
    return array, len(values), array


class Client:
    """The client's side of one shared record; see the module's text."""

    def __init__(self, name=None, keep_name=False, next_free=False):
        """Opens the record ``name`` ("orvane_share" when None).

        With ``next_free`` the first name of the family that no running client holds is taken,
        from ``name`` on ("orvane_share", else "orvane_share_2", up to "orvane_share_64");
        ``name`` must then be None or one of those. OrvaneError with ERR_NAME_TAKEN when the
        name (or, with ``next_free``, every one) is in use.
        """
        handle = _handle()
        message = ctypes.create_string_buffer(256)
        flags = (_KEEP_NAME if keep_name else 0) | (_NEXT_FREE if next_free else 0)
        status = _open(None if name is None else _text(name), flags, ctypes.byref(handle), message, len(message))
        if status != OK:
            raise OrvaneError(status, message.value.decode(errors="replace"))
        self._handle = handle

    def close(self):
        """Detaches and, on POSIX unless keep_name, removes the name. Safe to call twice."""
        if self._handle:
            _close(self._handle)
            self._handle = None

    def __enter__(self):
        return self

    def __exit__(self, *exc):
        self.close()

    def __del__(self):
        if getattr(self, "_handle", None):
            self.close()

    def _live(self):
        if not self._handle:
            raise OrvaneError(ERR_ARGUMENT, "the client is closed")
        return self._handle

    def poll(self):
        """The events (EVENT_*) since the last poll; keeps a newly attached reader's screen whole."""
        return _poll(self._live())

    @property
    def name(self):
        """The record's name as opened, such as "orvane_share_3"."""
        return _record_name(self._live()).decode("cp1252")

    def set_label(self, text):
        """A short label that tells this client from the machine's others ("core 3: band 2").

        At most 31 characters (Windows-1252) without control characters, else ERR_RANGE;
        "" takes it down. ERR_TOO_SMALL for a record taken over from an older client that left
        no room for a label.
        """
        _check(_set_label(self._live(), _text(text)))

    @property
    def reader_attached(self):
        return bool(_attached(self._live()))

    def set_user(self, name, units_completed, total_cpu_seconds):
        _check(_set_user(self._live(), _text(name), int(units_completed), float(total_cpu_seconds)))

    def set_data_unit(self, ra_hours, dec_degrees, recorded_jd, base_frequency_hz, bandwidth_hz,
                      bin_wrap_divisor=1, data_source=2, sample_count=0):
        unit = _DataUnit(ra_hours, dec_degrees, recorded_jd, base_frequency_hz, bandwidth_hz,
                         int(bin_wrap_divisor), int(data_source), int(sample_count))
        _check(_set_data_unit(self._live(), ctypes.byref(unit)))

    def set_status_a(self, text):
        _check(_set_status_a(self._live(), _text(text)))

    def set_status_b(self, text):
        _check(_set_status_b(self._live(), _text(text)))

    def set_progress(self, fraction):
        _check(_set_progress(self._live(), float(fraction)))

    def set_step(self, fraction):
        _check(_set_step(self._live(), float(fraction)))

    def set_cpu_time(self, seconds):
        _check(_set_cpu_time(self._live(), float(seconds)))

    def set_search(self, drift_rate, fft_length):
        _check(_set_search(self._live(), float(drift_rate), int(fft_length)))

    def set_current_peak(self, score, power=0.0, freq_bin=0, time_bin=0, drift_rate=0.0, fft_length=1):
        """The latest peak; only its score shows, on the meter (1.0 fills it).

        Positional order: score, power, freq_bin, time_bin, drift_rate, fft_length.
        ERR_RANGE for a score that is NaN or infinite.
        """
        _check(_set_current_peak(self._live(), ctypes.byref(
            _peak(score, power, freq_bin, time_bin, drift_rate, fft_length))))

    def set_best_peak(self, power, score, freq_bin, time_bin, drift_rate, fft_length):
        """The strongest peak so far, shown with where it is.

        Positional order: power, score, freq_bin, time_bin, drift_rate, fft_length (power first,
        unlike set_current_peak). ERR_RANGE for fft_length below 1, freq_bin outside 0 to
        fft_length - 1, a negative time_bin, or a score that is NaN, infinite or negative.
        """
        _check(_set_best_peak(self._live(), ctypes.byref(
            _peak(score, power, freq_bin, time_bin, drift_rate, fft_length))))

    def set_best_gaussian(self, score, power, fit, freq_bin, time_bin, drift_rate, fft_length):
        """The strongest Gaussian so far (a score of 20.0 fills its meter), shown with where it is.

        Positional order: score, power, fit, freq_bin, time_bin, drift_rate, fft_length.
        ERR_RANGE as for set_best_peak.
        """
        gaussian = _Gaussian(score=score, power=power, fit=fit, freq_bin=int(freq_bin), time_bin=int(time_bin),
                             drift_rate=drift_rate, fft_length=int(fft_length))
        _check(_set_best_gaussian(self._live(), ctypes.byref(gaussian)))

    def show_message(self, line1, line2=""):
        _check(_show_message(self._live(), _text(line1), _text(line2)))

    def hide_message(self):
        _check(_hide_message(self._live()))

    def set_graph(self, bins=0, rows=0, mirrored=False):
        """Asks for a graph; returns the Graph chosen to fit the reader's area."""
        _check(_set_graph(self._live(), int(bins), int(rows), 1 if mirrored else 0))
        return self.graph

    @property
    def graph(self):
        out = _Graph()
        _check(_get_graph(self._live(), ctypes.byref(out)))
        return Graph(*(getattr(out, name) for name in Graph._fields))

    def push_row(self, values, full_scale=None):
        """Pushes the newest spectrum to the front of the graph.

        Without ``full_scale`` the values are heights in pixels (0 to 255, held to the peak
        height); with it, any numbers, 0 being the floor and ``full_scale`` the top of the box.
        A row longer or shorter than the graph's bins is resampled by the library; an empty one
        raises OrvaneError with ERR_ARGUMENT.
        """
        pointer, count, keep = _samples(values, full_scale)
        if full_scale is None:
            _check(_push_row(self._live(), pointer, count))
        else:
            _check(_push_row_float(self._live(), pointer, count, float(full_scale)))
        del keep

    def raw_record(self):
        """For tests only: a writable memoryview over the whole mapped record."""
        size = ctypes.c_size_t()
        address = _raw_record(self._live(), ctypes.byref(size))
        return memoryview((ctypes.c_char * size.value).from_address(address)).cast("B")

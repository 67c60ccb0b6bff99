"""The Python module against the record's documented bytes and a real reader.

Run by ctest with ORVANE_CLIENT_LIBRARY (the shared library) and ORVANE_SNAPSHOT (orvane-snapshot,
whose --record mode runs the readers' own update over a record file and writes back what it
served).
"""

import os
import struct
import subprocess
import tempfile
import unittest

import numpy

import orvane

RECORD_SIZE = 126856
EXTENSION, LABEL_SEQUENCE, LABEL = 126856, 126864, 126872  # the mark, its count, 32 bytes of label
OBJECT_SIZE = 126904
HEADER = os.path.join(os.path.dirname(__file__), "..", "..", "src", "client", "include", "orvane", "client.h")
STATUS_A, STATUS_A_FLAG = 3044, 3124
PROGRESS, PROGRESS_FLAG = 3212, 3216
USER_NAME, USER_FLAG = 72, 360
CURRENT_PEAK = 3256
BEST_PEAK, BEST_PEAK_FLAG = 3284, 3308
BEST_GAUSSIAN = 3312
MESSAGE_ON, MESSAGE_FLAG = 3344, 3604
AREA_WIDTH, AREA_HEIGHT = 3608, 3612
GEOMETRY = 3616  # depth x, depth y, mirrored, peak height, (frame flag), rows, bins
FRAME_FLAG = 3632
ROWS, ROW_SIZE = 3644, 604
ATTACHED = 126848
ITEM_FLAGS = [360, 3040, 3124, 3208, 3216, 3224, 3240, 3252, 3280, 3308, 3340, 3604, 3632]


def int32(record, offset):
    return struct.unpack_from("<i", record, offset)[0]


def put_int32(record, offset, value):
    struct.pack_into("<i", record, offset, value)


def text(record, offset, size):
    return bytes(record[offset:offset + size]).split(b"\0")[0]


class Named:
    counter = 0

    @classmethod
    def next(cls, what):
        cls.counter += 1
        return "orvane_pytest_%d_%s_%d" % (os.getpid(), what, cls.counter)


def publish_everything(client, row_maker):
    client.set_user("Lena Osterik", 7, 5400.0)
    client.set_data_unit(13.5, 18.25, 2451545.0, 1.42e9, 9765.625, 1, 2, 1048576)
    client.set_status_a("Searching for pulses")
    client.set_progress(0.375)
    client.set_step(0.5)
    client.set_cpu_time(61.5)
    client.set_search(-2.5, 4096)
    client.set_current_peak(0.5)
    client.set_best_peak(12.5, 0.75, 6, 3, 0.25, 4096)
    client.set_best_gaussian(10.0, 3.25, 0.125, 1, 2, -0.5, 4096)
    graph = client.set_graph(bins=256, rows=8)
    for k in range(3):
        client.push_row(row_maker(graph, k), full_scale=1.0)
    return graph


class PythonClient(unittest.TestCase):
    def test_lists_and_numpy_publish_the_same_bytes_at_the_documented_offsets(self):
        def as_list(graph, k):
            return [((i + 13 * k) % 50) / 50.0 for i in range(graph.bins)]

        def as_array(graph, k):
            return ((numpy.arange(graph.bins) + 13 * k) % 50) / 50.0

        with orvane.Client(Named.next("list")) as a, orvane.Client(Named.next("numpy")) as b:
            graph = publish_everything(a, as_list)
            publish_everything(b, as_array)
            ra, rb = a.raw_record(), b.raw_record()
            self.assertEqual(len(ra), OBJECT_SIZE)
            self.assertEqual(bytes(ra), bytes(rb))

            self.assertEqual(text(ra, USER_NAME, 268), b"Lena Osterik")
            self.assertEqual(text(ra, STATUS_A, 80), b"Searching for pulses")
            self.assertEqual(struct.unpack_from("<f", ra, PROGRESS)[0], 0.375)
            self.assertEqual(struct.unpack_from("<ffiifi", ra, BEST_PEAK), (12.5, 0.75, 6, 3, 0.25, 4096))
            for flag in (USER_FLAG, STATUS_A_FLAG, PROGRESS_FLAG, BEST_PEAK_FLAG, FRAME_FLAG):
                self.assertNotEqual(int32(ra, flag), 0, flag)
            depth_x, depth_y, mirrored, peak, _, rows, bins = struct.unpack_from("<7i", ra, GEOMETRY)
            self.assertEqual(graph, orvane.Graph(depth_x, depth_y, mirrored, peak, rows, bins))
            self.assertEqual((rows, bins), (8, 256))
            self.assertLessEqual(bins + abs(depth_x) + 10, 642)
            self.assertLessEqual(peak + abs(depth_y), 185)
            # The newest row is the front one (the last); the first push is two rows behind it.
            front = ROWS + (rows - 1) * ROW_SIZE
            expected = [min(peak, int(v * peak)) for v in as_list(graph, 2)]
            self.assertEqual(list(ra[front:front + bins]), expected)
            oldest = ROWS + (rows - 3) * ROW_SIZE
            self.assertEqual(list(ra[oldest:oldest + bins]), [min(peak, int(v * peak)) for v in as_list(graph, 0)])

            # Byte samples: numpy of any integer type and lists are held to 0..255, then the box.
            a.push_row(numpy.array([-5, 300, 20], dtype=numpy.int64))
            b.push_row([-5, 300, 20])
            self.assertEqual(bytes(ra[front:front + bins]), bytes(rb[front:front + bins]))
            self.assertEqual(ra[front], 0)
            self.assertEqual(ra[front + bins - 1], min(20, peak))

    def test_a_reader_serves_what_was_published_and_a_new_reader_gets_it_again(self):
        snapshot = os.environ["ORVANE_SNAPSHOT"]
        with orvane.Client(Named.next("reader")) as client, tempfile.TemporaryDirectory() as tmp:
            publish_everything(client, lambda graph, k: [0.5] * graph.bins)
            client.show_message("Could not reach", "the data server")
            record = client.raw_record()
            dump, served, png = (os.path.join(tmp, n) for n in ("r.bin", "served.bin", "s.png"))
            with open(dump, "wb") as f:
                f.write(bytes(record))
            subprocess.run([snapshot, "--record", dump, "--out", png, "--record-out", served,
                            "--header", "no-such.bmp"], check=True, capture_output=True)
            with open(served, "rb") as f:
                after = f.read()
            self.assertTrue(os.path.getsize(png) > 0)
            for flag in ITEM_FLAGS:
                self.assertEqual(int32(after, flag), 0, "flag at %d not served" % flag)
            self.assertEqual((int32(after, AREA_WIDTH), int32(after, AREA_HEIGHT)), (642, 185))

            # Take the reader's lowered flags and its marker into the live record: it attached.
            for flag in ITEM_FLAGS:
                put_int32(record, flag, 0)
            put_int32(record, AREA_WIDTH, 642)
            put_int32(record, AREA_HEIGHT, 185)
            put_int32(record, ATTACHED, 1)
            self.assertEqual(client.poll() & orvane.EVENT_ATTACHED, orvane.EVENT_ATTACHED)
            self.assertTrue(client.reader_attached)
            self.assertNotEqual(int32(record, USER_FLAG), 0)
            self.assertNotEqual(int32(record, MESSAGE_FLAG), 0)
            # The message shows: the graph waits until it goes down.
            self.assertEqual(int32(record, FRAME_FLAG), 0)
            client.hide_message()
            self.assertEqual(int32(record, MESSAGE_ON), 0)
            self.assertNotEqual(int32(record, FRAME_FLAG), 0)

    def test_peaks_take_the_same_keywords_and_keep_their_positional_orders(self):
        peak = dict(score=0.75, power=12.5, freq_bin=6, time_bin=3, drift_rate=0.25, fft_length=4096)
        with orvane.Client(Named.next("keywords")) as a, orvane.Client(Named.next("positions")) as b:
            a.set_current_peak(**peak)
            a.set_best_peak(**peak)
            a.set_best_gaussian(fit=0.125, **peak)
            b.set_current_peak(0.75, 12.5, 6, 3, 0.25, 4096)
            b.set_best_peak(12.5, 0.75, 6, 3, 0.25, 4096)
            b.set_best_gaussian(0.75, 12.5, 0.125, 6, 3, 0.25, 4096)
            ra, rb = a.raw_record(), b.raw_record()
            self.assertEqual(bytes(ra), bytes(rb))
            self.assertEqual(struct.unpack_from("<ffiifi", ra, CURRENT_PEAK), (12.5, 0.75, 6, 3, 0.25, 4096))
            self.assertEqual(struct.unpack_from("<ffiifi", ra, BEST_PEAK), (12.5, 0.75, 6, 3, 0.25, 4096))
            self.assertEqual(struct.unpack_from("<fffiifi", ra, BEST_GAUSSIAN), (0.75, 12.5, 0.125, 6, 3, 0.25, 4096))

    def test_errors_name_their_cause(self):
        name = Named.next("taken")
        with orvane.Client(name) as client:
            with self.assertRaises(orvane.OrvaneError) as taken:
                orvane.Client(name)
            self.assertEqual(taken.exception.status, orvane.ERR_NAME_TAKEN)
            self.assertIn("running client", str(taken.exception))
            with self.assertRaises(orvane.OrvaneError) as bad:
                client.set_search(0.5, 0)
            self.assertEqual(bad.exception.status, orvane.ERR_RANGE)
            # A bin outside its transform is refused as a whole: nothing of it is written.
            before = bytes(client.raw_record())
            with self.assertRaises(orvane.OrvaneError) as outside:
                client.set_best_peak(power=12.5, score=0.75, freq_bin=4096, time_bin=3, drift_rate=0.25,
                                     fft_length=4096)
            self.assertEqual(outside.exception.status, orvane.ERR_RANGE)
            self.assertEqual(bytes(client.raw_record()), before)
            with self.assertRaises(orvane.OrvaneError) as empty:
                client.push_row([])
            self.assertEqual(empty.exception.status, orvane.ERR_ARGUMENT)
            client.set_status_a("Caf\u00e9 \u2603")  # cp1252 has the e acute, not the snowman
            self.assertEqual(text(client.raw_record(), STATUS_A, 80), b"Caf\xe9 ?")
        with self.assertRaises(orvane.OrvaneError):
            client.set_progress(0.5)  # closed

    def test_next_free_names_and_labels(self):
        # Places 44 on: the tests' own part of the family, away from a machine's first clients.
        with orvane.Client("orvane_share_44", next_free=True) as first, \
                orvane.Client("orvane_share_44", next_free=True) as second:
            self.assertEqual((first.name, second.name), ("orvane_share_44", "orvane_share_45"))
            first.set_label("core 3: band 2")
            record = first.raw_record()
            self.assertEqual(bytes(record[EXTENSION:EXTENSION + 8]), b"ORVNEXT1")
            self.assertEqual(text(record, LABEL, 32), b"core 3: band 2")
            self.assertEqual(int32(record, LABEL_SEQUENCE) % 2, 0)
            before = bytes(record[EXTENSION:OBJECT_SIZE])
            for bad in ("tab\there", "x" * 32, "del\x7f"):
                with self.assertRaises(orvane.OrvaneError) as refused:
                    first.set_label(bad)
                self.assertEqual(refused.exception.status, orvane.ERR_RANGE)
            self.assertEqual(bytes(record[EXTENSION:OBJECT_SIZE]), before)
            second.set_label("caf\u00e9")  # Windows-1252 like every text
            self.assertEqual(text(second.raw_record(), LABEL, 32), b"caf\xe9")
        with self.assertRaises(orvane.OrvaneError) as stranger:
            orvane.Client(Named.next("family"), next_free=True)
        self.assertEqual(stranger.exception.status, orvane.ERR_ARGUMENT)

    def test_the_module_has_the_librarys_version(self):
        with open(HEADER) as header:
            numbers = dict(line.split()[1:3] for line in header if line.startswith("#define ORVANE_CLIENT_VERSION_"))
        self.assertEqual(orvane.__version__, "%s.%s" % (numbers["ORVANE_CLIENT_VERSION_MAJOR"],
                                                         numbers["ORVANE_CLIENT_VERSION_MINOR"]))


if __name__ == "__main__":
    unittest.main()

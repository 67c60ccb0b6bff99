#!/usr/bin/python3
"""An Orvane client that analyses a real recording: a WAV file, block by block, with numpy.

Each block of --fft samples becomes one power spectrum, pushed as the newest graph row (in
decibels above the spectrum's median, its noise floor). The strongest bin of each spectrum is the current
peak; the strongest so far is the best peak. The best peak's bin, followed over the blocks, is
fitted with a Gaussian in time, and the best fit is the best Gaussian. Progress is the share of
blocks done, CPU time this process's own.

    examples/wav_client.py recording.wav              # paced: --rate spectra a second
    examples/wav_client.py recording.wav --fast       # as fast as it goes

The record is "orvane_share" unless --name says otherwise. The orvane module must be importable
(python/, or installed) and find the client library (ORVANE_CLIENT_LIBRARY).
"""

import argparse
import math
import signal
import sys
import time
import wave

import numpy

import orvane


def read_wav(path):
    """The recording as mono floats from -1 to 1, and its sample rate."""
    with wave.open(path, "rb") as f:
        width, channels, rate, frames = f.getsampwidth(), f.getnchannels(), f.getframerate(), f.getnframes()
        raw = f.readframes(frames)
    if width == 1:
        samples = (numpy.frombuffer(raw, dtype=numpy.uint8).astype(numpy.float64) - 128.0) / 128.0
    elif width in (2, 4):
        kind = numpy.int16 if width == 2 else numpy.int32
        samples = numpy.frombuffer(raw, dtype=kind).astype(numpy.float64) / float(numpy.iinfo(kind).max)
    else:
        raise SystemExit("wav_client: %d-byte samples are not read here" % width)
    return samples.reshape(-1, channels).mean(axis=1), rate


def gaussian_fit(powers):
    """A Gaussian in time fitted to a bin's power over the blocks, by its moments.

    Returns (fit, centre, amplitude): fit is the share of the variance the Gaussian explains
    (1 a perfect fit), centre its block.
    """
    floor = numpy.median(powers)
    excess = numpy.clip(powers - floor, 0.0, None)
    total = excess.sum()
    if len(powers) < 3 or total <= 0:
        return 0.0, 0, 0.0
    t = numpy.arange(len(powers))
    centre = float((t * excess).sum() / total)
    sigma = max(0.5, math.sqrt(float(((t - centre) ** 2 * excess).sum() / total)))
    shape = numpy.exp(-0.5 * ((t - centre) / sigma) ** 2)
    amplitude = float((excess * shape).sum() / (shape * shape).sum())
    residual = ((excess - amplitude * shape) ** 2).sum()
    spread = ((excess - excess.mean()) ** 2).sum()
    fit = 0.0 if spread <= 0 else max(0.0, 1.0 - float(residual / spread))
    return fit, int(round(centre)), amplitude


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    parser.add_argument("wav")
    parser.add_argument("--name", default=None, help="the record's name (default orvane_share)")
    parser.add_argument("--fft", type=int, default=1024, help="samples per spectrum (default 1024)")
    parser.add_argument("--rate", type=float, default=5.0, help="spectra a second when paced (default 5)")
    parser.add_argument("--fast", action="store_true", help="do not pace the spectra")
    parser.add_argument("--hold", type=float, default=0.0, help="seconds to keep the record after the end")
    parser.add_argument("--dump", help="write the record's bytes to this file at the end (for tests)")
    args = parser.parse_args()
    if args.fft < 8 or args.fft & (args.fft - 1):
        parser.error("--fft takes a power of two of 8 or more")

    # Ended by SIGTERM as by Ctrl-C: through the with block, which closes the record and so
    # removes its name.
    signal.signal(signal.SIGTERM, lambda *_: sys.exit(0))
    samples, rate = read_wav(args.wav)
    n = args.fft
    blocks = len(samples) // n
    if blocks < 1:
        raise SystemExit("wav_client: the recording is shorter than one spectrum (%d samples)" % n)
    window = numpy.hanning(n)

    with orvane.Client(args.name) as client:
        client.set_user("Jonah Ravik", 1, 0.0)
        client.set_data_unit(ra_hours=0.0, dec_degrees=0.0, recorded_jd=2440587.5 + time.time() / 86400.0,
                             base_frequency_hz=0.0, bandwidth_hz=float(rate), bin_wrap_divisor=1,
                             data_source=1, sample_count=len(samples))
        client.set_status_a("Computing power spectra")
        client.set_search(0.0, n)
        client.set_graph(bins=min(600, n))
        best_power, best_gaussian = -1.0, -1.0
        history = []  # power of each block's spectrum, for the fit over time
        started = time.monotonic()
        for block in range(blocks):
            chunk = samples[block * n:(block + 1) * n] * window
            # The whole transform, which the readers' axis labels from 0 to the sample rate. The
            # samples are real, so its upper half mirrors the lower: every tone shows twice, at f
            # and at the rate - f (docs/client-guide.md tells how to show the lower half alone).
            power = numpy.abs(numpy.fft.fft(chunk)) ** 2 / n
            power[0] = 0.0  # the mean of the block is no signal
            history.append(power)
            decibels = 10.0 * numpy.log10(power + 1e-12)
            floor = numpy.median(decibels)
            client.push_row(decibels - floor, full_scale=60.0)

            peak = int(numpy.argmax(power[:n // 2]))
            mean = float(power[1:n // 2].mean()) or 1e-30
            score = min(1.0, math.log10(max(power[peak] / mean, 1.0)) / 3.0)  # 30 dB fills the meter
            client.set_current_peak(score)
            if power[peak] > best_power:
                best_power = float(power[peak])
                client.set_best_peak(power=10.0 * math.log10(best_power + 1e-12), score=score, freq_bin=peak,
                                     time_bin=block, drift_rate=0.0, fft_length=n)
                best_bin = peak
            fit, centre, amplitude = gaussian_fit(numpy.array([h[best_bin] for h in history]))
            if fit * 20.0 > best_gaussian and amplitude > 0:
                best_gaussian = fit * 20.0
                client.set_best_gaussian(score=best_gaussian, power=10.0 * math.log10(amplitude + 1e-12), fit=fit,
                                         freq_bin=best_bin, time_bin=centre, drift_rate=0.0, fft_length=n)

            client.set_progress((block + 1) / blocks)
            client.set_step((block % 16 + 1) / 16.0)
            client.set_cpu_time(time.process_time())
            if not args.fast:
                time.sleep(max(0.0, started + (block + 1) / args.rate - time.monotonic()))
        client.set_status_a("Done: %d spectra of %d samples" % (blocks, n))
        if args.dump:
            with open(args.dump, "wb") as out:
                out.write(bytes(client.raw_record()))
        deadline = time.monotonic() + args.hold
        while time.monotonic() < deadline:
            client.poll()
            time.sleep(0.1)
    return 0


if __name__ == "__main__":
    sys.exit(main())

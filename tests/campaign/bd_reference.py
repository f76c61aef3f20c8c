#!/usr/bin/env python3
"""Bjøntegaard delta figures written plainly from the formula, as an
independent check of the program's: piecewise cubic Hermite interpolation
with Fritsch-Carlson (harmonic mean) slopes, evaluated through the Hermite
basis and integrated piece by piece by Simpson's rule rather than from the
cubics' coefficients.

Reads a JSON list of cases from standard input, each
{"reference": [[rate, quality], ...], "test": [[rate, quality], ...]},
and prints one line per case: BD-rate in percent and BD-quality.
"""
import json
import math
import sys


def slopes(x, y):
    n = len(x)
    h = [x[k + 1] - x[k] for k in range(n - 1)]
    delta = [(y[k + 1] - y[k]) / h[k] for k in range(n - 1)]
    d = [0.0] * n
    for k in range(1, n - 1):
        if delta[k - 1] * delta[k] > 0:
            w1 = 2 * h[k] + h[k - 1]
            w2 = h[k] + 2 * h[k - 1]
            d[k] = (w1 + w2) / (w1 / delta[k - 1] + w2 / delta[k])

    def end(h0, h1, m0, m1):
        s = ((2 * h0 + h1) * m0 - h0 * m1) / (h0 + h1)
        sign = lambda v: (v > 0) - (v < 0)
        if sign(s) != sign(m0):
            return 0.0
        if sign(m0) != sign(m1) and abs(s) > 3 * abs(m0):
            return 3 * m0
        return s

    d[0] = end(h[0], h[1], delta[0], delta[1])
    d[-1] = end(h[-1], h[-2], delta[-1], delta[-2])
    return d


def evaluate(x, y, d, k, at):
    h = x[k + 1] - x[k]
    t = (at - x[k]) / h
    h00 = 2 * t**3 - 3 * t**2 + 1
    h10 = t**3 - 2 * t**2 + t
    h01 = -2 * t**3 + 3 * t**2
    h11 = t**3 - t**2
    return h00 * y[k] + h10 * h * d[k] + h01 * y[k + 1] + h11 * h * d[k + 1]


def integral(x, y, low, high, steps=64):
    """Simpson's rule on each piece's share of [low, high]."""
    if x[0] > x[-1]:
        x, y = x[::-1], y[::-1]
    d = slopes(x, y)
    total = 0.0
    for k in range(len(x) - 1):
        a, b = max(low, x[k]), min(high, x[k + 1])
        if a >= b:
            continue
        step = (b - a) / steps
        piece = 0.0
        for i in range(steps + 1):
            weight = 1 if i in (0, steps) else (4 if i % 2 else 2)
            piece += weight * evaluate(x, y, d, k, a + i * step)
        total += piece * step / 3
    return total


def mean_difference(ref_x, ref_y, test_x, test_y):
    low = max(min(ref_x), min(test_x))
    high = min(max(ref_x), max(test_x))
    return (integral(test_x, test_y, low, high) - integral(ref_x, ref_y, low, high)) / (high - low)


def bd(reference, test):
    reference, test = sorted(reference), sorted(test)
    ref_q = [q for _, q in reference]
    ref_l = [math.log(r) for r, _ in reference]
    test_q = [q for _, q in test]
    test_l = [math.log(r) for r, _ in test]
    rate = (math.exp(mean_difference(ref_q, ref_l, test_q, test_l)) - 1) * 100
    quality = mean_difference(ref_l, ref_q, test_l, test_q)
    return rate, quality


for case in json.load(sys.stdin):
    print("%.12g %.12g" % bd(case["reference"], case["test"]))

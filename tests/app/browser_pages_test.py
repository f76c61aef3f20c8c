#!/usr/bin/python3
"""Opens the page of a small run and of a small campaign in headless Chromium
with the network off, as a person would, and checks from the rendered page:
no script error, nothing the page tried to load, every chart drawn, the map's
two layers, every picture decoded, the figures table equal to the run's JSON,
and each failed campaign row saying why. Takes a screenshot of each page.

usage: browser_pages_test.py ZARNIK SCREENSHOT_FOLDER
Exits 77 (skipped) where Chromium or the page's libraries are not installed.
"""
import html.parser
import json
import math
import os
import shutil
import subprocess
import sys
import tempfile

import numpy as np
from osgeo import gdal

gdal.UseExceptions()
BROWSER = shutil.which("chromium")
LIBRARIES = ["/usr/share/javascript/chart.js/chart.min.js", "/usr/share/javascript/leaflet/leaflet.css"]


def browser(arguments, profile):
    # No network: every name resolves nowhere and every request goes to a
    # closed port; the page's own policy forbids requests besides.
    command = [BROWSER, "--headless", "--no-sandbox", "--disable-gpu", "--disable-quic",
               "--no-first-run", "--disable-background-networking", "--disable-component-update",
               "--disable-sync", "--host-resolver-rules=MAP * ~NOTFOUND",
               "--proxy-server=127.0.0.1:9", f"--user-data-dir={profile}",
               "--virtual-time-budget=5000"] + arguments
    return subprocess.run(command, capture_output=True, text=True, timeout=120, check=True).stdout


class Cells(html.parser.HTMLParser):
    """The rendered page's self-check, figure cells and table cells."""

    def __init__(self):
        super().__init__()
        self.selfcheck, self.figures, self.cells, self.links = None, [], [], []
        self._open = None

    def handle_starttag(self, tag, attributes):
        attributes = dict(attributes)
        if tag == "a":
            self.links.append(attributes.get("href"))
        if tag == "pre" and attributes.get("id") == "selfcheck":
            self._open = ["selfcheck", ""]
        elif tag == "td":
            self._open = ["td", "", attributes]

    def handle_data(self, data):
        if self._open:
            self._open[1] += data

    def handle_endtag(self, tag):
        if self._open and tag == ("pre" if self._open[0] == "selfcheck" else "td"):
            if self._open[0] == "selfcheck":
                self.selfcheck = json.loads(self._open[1])
            else:
                self.cells.append((self._open[2], self._open[1]))
                if "data-figure" in self._open[2]:
                    self.figures.append((self._open[2], self._open[1]))
            self._open = None


def rendered(page, screenshot, profile):
    cells = Cells()
    cells.feed(browser(["--dump-dom", "file://" + page], profile))
    browser([f"--screenshot={screenshot}", "--window-size=1280,2400", "file://" + page], profile)
    check(os.path.getsize(screenshot) > 10000, f"no screenshot {screenshot}")
    return cells


def check(condition, message):
    if not condition:
        print("FAILED:", message)
        sys.exit(1)


def check_drawn(cells, name, map_layers):
    state = cells.selfcheck
    check(state is not None, f"{name}: the page wrote no self-check")
    check(state["errors"] == [], f"{name}: script errors {state['errors']}")
    check(state["blocked"] == [], f"{name}: the page tried to load {state['blocked']}")
    charts = state["charts"]
    check(charts["expected"] > 0 and charts["drawn"] == charts["expected"], f"{name}: charts {charts}")
    check(state["mapLayers"] == map_layers, f"{name}: map layers {state['mapLayers']}")
    images = state["images"]
    check(images["loaded"] == images["count"], f"{name}: pictures {images}")


def check_figures(cells, document):
    """Every figure the JSON has is in the table, as the JSON has it and as shown."""
    expected = {(statistic, str(band["band"]), key): band[key]
                for statistic, bands in document["statistics"].items() for band in bands
                for key in ("avg", "finiteAvg", "pooled", "min", "p05", "p50", "p95", "max", "skipped")
                if key in band}
    shown = {(a["data-statistic"], a["data-band"], a["data-figure"]): (a.get("data-json"), text)
             for a, text in cells.figures}
    check(len(expected) > 30 and set(expected) <= set(shown), "figures missing from the table")
    for key, value in expected.items():
        raw, text = shown[key]
        if isinstance(value, (int, float)):
            check(float(raw) == value, f"{key}: table {raw}, JSON {value}")
            check(math.isclose(float(text), value, rel_tol=1e-4, abs_tol=5.1e-5), f"{key}: shows {text}")
        else:
            check(raw == ("null" if value is None else value), f"{key}: table {raw}, JSON {value}")


def make_pair(folder):
    """A 600 x 400 RGB original with edges and texture, and two JPEG 2000 copies."""
    y, x = np.mgrid[0:400, 0:600]
    bands = [(x * (3 + b) + y * 2 + 40 * np.sin(x / 17.0 + b) * np.cos(y / 23.0)) % 256
             for b in range(3)]
    original = os.path.join(folder, "original.tif")
    dataset = gdal.GetDriverByName("GTiff").Create(original, 600, 400, 3, gdal.GDT_Byte)
    for band, values in enumerate(bands):
        dataset.GetRasterBand(band + 1).WriteArray(values.astype(np.uint8))
    dataset = None
    for quality in (5, 20):
        gdal.Translate(os.path.join(folder, f"q{quality}.jp2"), original, format="JP2OpenJPEG",
                       creationOptions=[f"QUALITY={quality}", "BLOCKXSIZE=256", "BLOCKYSIZE=256"])


def main():
    zarnik, screenshots = sys.argv[1], os.path.abspath(sys.argv[2])
    if BROWSER is None or not all(os.path.exists(name) for name in LIBRARIES):
        print("Skipped: chromium, libjs-chart.js or libjs-leaflet is not installed")
        return 77
    os.makedirs(screenshots, exist_ok=True)
    with tempfile.TemporaryDirectory() as folder:
        make_pair(folder)
        profile = os.path.join(folder, "profile")
        run = subprocess.run([zarnik, "-i", "original.tif", "-c", "q5.jp2", "-stat", "all", "-ts", "128",
                              "-json", "r.json", "-html", "run.html", "-failBelow", "ssim=0.2"],
                             cwd=folder, capture_output=True, text=True)
        check(run.returncode == 0, f"the run failed: {run.stdout}")
        cells = rendered(os.path.join(folder, "run.html"), os.path.join(screenshots, "run-page.png"), profile)
        check_drawn(cells, "run page", 2)
        with open(os.path.join(folder, "r.json")) as document:
            check_figures(cells, json.load(document))

        with open(os.path.join(folder, "pairs.csv"), "w") as manifest:
            manifest.write("original,compressed,label\noriginal.tif,q5.jp2,a\noriginal.tif,q20.jp2,a\n"
                           "original.tif,missing.jp2,b\n")
        campaign = subprocess.run([zarnik, "-manifest", "pairs.csv", "-outDir", "out", "-stat", "psnr,ssim",
                                   "-ts", "128", "-tn", "6", "-html", "index.html"],
                                  cwd=folder, capture_output=True, text=True)
        check(campaign.returncode == 2, f"the campaign: {campaign.stdout}")
        cells = rendered(os.path.join(folder, "out", "index.html"),
                         os.path.join(screenshots, "campaign-page.png"), profile)
        check_drawn(cells, "campaign page", 0)
        errors = [text for attributes, text in cells.cells if attributes.get("class") == "error"]
        check(errors == ["error: Unable to open file."], f"failed rows: {errors}")
        pages = sorted(name for name in os.listdir(os.path.join(folder, "out")) if name.endswith(".html"))
        check(pages == ["0000-original_q5.html", "0001-original_q20.html", "index.html"], f"pages {pages}")
        check(set(pages[:2]) <= set(cells.links), f"links {cells.links}")
        check_drawn(rendered(os.path.join(folder, "out", pages[0]),
                             os.path.join(screenshots, "campaign-pair-page.png"), profile), "pair page", 2)
    print("Screenshots:", ", ".join(os.path.join(screenshots, name) for name in
                                    ("run-page.png", "campaign-page.png", "campaign-pair-page.png")))
    return 0


if __name__ == "__main__":
    sys.exit(main())

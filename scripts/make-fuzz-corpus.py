#!/usr/bin/env python3
"""Writes the fuzz targets' seed corpus: a few tiny valid inputs for each.

Usage: make-fuzz-corpus.py CORPUS_DIR

Fills CORPUS_DIR/<target>/ for fuzz_command_line, fuzz_regions_file,
fuzz_vexl and fuzz_jpeg2000. Everything is made here at run time; the JPEG
2000 files come from opj_compress (libopenjp2-tools). Files already in the
folders, such as inputs the fuzzer added on an earlier run, are kept.
"""

import pathlib
import struct
import subprocess
import sys
import tempfile

SIDE = 16


def write(folder, name, data):
    folder.mkdir(parents=True, exist_ok=True)
    (folder / name).write_bytes(data)


def regions_record(x0, y0, x1, y1):
    return struct.pack("<4i", x0, y0, x1, y1)


def make_regions_files(folder):
    """Each a whole number of 16-byte records, as a run with -saveRegions writes."""
    write(folder, "one-tile", regions_record(0, 0, 15, 15))
    tiles = [(x, y, x + 7, y + 7) for y in (0, 8) for x in (0, 8)]
    write(folder, "four-tiles", b"".join(regions_record(*tile) for tile in tiles))
    write(folder, "clipped-and-negative",
          regions_record(10, 10, 15, 12) + regions_record(-5, 3, 2, 2**31 - 1))
    return folder / "four-tiles"


def make_command_lines(folder, regions_file):
    """Joined command lines: every argument followed by one space."""
    lines = {
        "minimal": "zarnik -i a.tif -c b.jp2 ",
        "tiles": "zarnik -i a.tif -c b.jp2 -ts 64 -tn 10 -or rand -stat ssim,psnr ",
        "bbox": "zarnik -i a.vexl -c b.j2k -bbox 0,0,15,15 -u -yuvY -wiki ",
        "best-worst": ("zarnik -i a.tif -c b.tif -best 3 -bestPrefix top -worst 2 "
                       "-worstPrefix low -compareStat PSNR -compareBand 1 -enableDithering "),
        "save-regions": "zarnik -i a.tif -c b.tif -saveRegions tiles.bin -yuvy ",
        "use-regions": f"zarnik -i a.tif -c b.tif -useRegions {regions_file} ",
        "bad-number": "zarnik -i a.tif -c b.tif -ts 99999999999 ",
    }
    for name, line in lines.items():
        write(folder, name, line.encode())


VEXL_TYPES = {  # cell-type code: struct letter
    0: "B", 1: "H", 2: "I", 4: "b", 5: "h", 6: "i", 8: "f", 9: "d",
}


def vexl_file(width, height, bands, code):
    letter = VEXL_TYPES[code]
    count = width * height * bands
    values = [(i * 7) % 100 for i in range(count)]
    header = b"VEXL" + struct.pack("<IIIHH", 1, width, height, bands, code)
    return header + struct.pack(f"<{count}{letter}", *values)


def make_vexl_files(folder):
    for code in VEXL_TYPES:
        write(folder, f"type{code}-1band.vexl", vexl_file(SIDE, SIDE, 1, code))
    write(folder, "uint8-3bands.vexl", vexl_file(SIDE, SIDE, 3, 0))
    write(folder, "uint16-odd-size.vexl", vexl_file(5, 3, 2, 1))


def netpbm_image(bands, bits):
    """A 16 x 16 PGM (one band) or PPM (three bands) with a gradient."""
    maxval = (1 << bits) - 1
    magic = b"P5" if bands == 1 else b"P6"
    letter = "B" if bits == 8 else "H"
    samples = [((x * 13 + y * 29 + band * 50) * 257) % (maxval + 1)
               for y in range(SIDE) for x in range(SIDE) for band in range(bands)]
    header = magic + f"\n{SIDE} {SIDE}\n{maxval}\n".encode()
    return header + struct.pack(f">{len(samples)}{letter}", *samples)


# Container prefix bytes the JPEG 2000 target reads first.
BOXES_PREFIX = b"\x01"
CODESTREAM_PREFIX = b"\x00"

JPEG2000_VARIANTS = {  # name: opj_compress options
    "reversible": [],
    "irreversible": ["-I"],
    "tiled": ["-t", "8,8"],
    "tiled-irreversible-layers": ["-t", "8,8", "-I", "-r", "20,10,1"],
    "markers-rpcl": ["-SOP", "-EPH", "-p", "RPCL", "-b", "8,8"],
}


def make_jpeg2000_files(folder):
    with tempfile.TemporaryDirectory() as scratch:
        scratch = pathlib.Path(scratch)
        for bands in (1, 3):
            for bits in (8, 16):
                source = scratch / f"in-{bands}-{bits}.{'pgm' if bands == 1 else 'ppm'}"
                source.write_bytes(netpbm_image(bands, bits))
                for variant, options in JPEG2000_VARIANTS.items():
                    for extension, prefix in ((".jp2", BOXES_PREFIX), (".j2k", CODESTREAM_PREFIX)):
                        name = f"{bands}band-{bits}bit-{variant}{extension}"
                        encoded = scratch / name
                        # The encoder chatters on both streams; only a failure is shown.
                        encoder = subprocess.run(["opj_compress", "-i", str(source),
                                                  "-o", str(encoded), "-n", "3", *options],
                                                 capture_output=True, text=True, check=False)
                        if encoder.returncode != 0:
                            sys.exit(f"opj_compress failed on {name}:\n{encoder.stderr}")
                        write(folder, name, prefix + encoded.read_bytes())


def main():
    if len(sys.argv) != 2:
        sys.exit(__doc__)
    corpus = pathlib.Path(sys.argv[1]).resolve()
    regions_file = make_regions_files(corpus / "fuzz_regions_file")
    make_command_lines(corpus / "fuzz_command_line", regions_file)
    make_vexl_files(corpus / "fuzz_vexl")
    make_jpeg2000_files(corpus / "fuzz_jpeg2000")


if __name__ == "__main__":
    main()

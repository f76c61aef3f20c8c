#!/usr/bin/python3
"""The error figures of a pair computed independently with numpy.

Reads both files through GDAL and prints, as JSON, per band the figures over
every pixel of the box (mse, psnr against PEAK, pae, mae, rmse, bias = mean
of compressed - original) and per tile of the box's grid the tile's pae,
mae, rmse and bias. With MASK 1 only the pixels GDAL's mask of the
original's band marks as data count.

usage: whole_area_reference.py ORIGINAL COMPRESSED TILE X0 Y0 X1 Y1 PEAK MASK
"""
import json
import math
import sys

import numpy as np
from osgeo import gdal

gdal.UseExceptions()


def figures(o, c):
    d = o - c
    return {"pae": float(np.abs(d).max()), "mae": float(np.abs(d).mean()),
            "rmse": math.sqrt(float((d * d).mean())), "bias": float((c - o).mean()),
            "mse": float((d * d).mean())}


def main(original, compressed, tile, x0, y0, x1, y1, peak, masked):
    width, height = x1 - x0 + 1, y1 - y0 + 1
    o_set, c_set = gdal.Open(original), gdal.Open(compressed)
    bands, tiles = [], []
    for b in range(o_set.RasterCount):
        o_band = o_set.GetRasterBand(b + 1)
        o = o_band.ReadAsArray(x0, y0, width, height).astype(np.float64)
        c = c_set.GetRasterBand(b + 1).ReadAsArray(x0, y0, width, height).astype(np.float64)
        valid = np.ones(o.shape, bool)
        if masked:
            valid = o_band.GetMaskBand().ReadAsArray(x0, y0, width, height) != 0
        whole = figures(o[valid], c[valid])
        whole["psnr"] = 10 * math.log10(peak * peak / whole["mse"])
        bands.append(whole)
        for ty in range(0, height, tile):
            for tx in range(0, width, tile):
                part = (slice(ty, ty + tile), slice(tx, tx + tile))
                if valid[part].any():
                    f = figures(o[part][valid[part]], c[part][valid[part]])
                    tiles.append([x0 + tx, y0 + ty, b, f["pae"], f["mae"], f["rmse"], f["bias"]])
    print(json.dumps({"bands": bands, "tiles": tiles}))


if __name__ == "__main__":
    main(sys.argv[1], sys.argv[2], *map(int, sys.argv[3:8]), float(sys.argv[8]),
         sys.argv[9] == "1")

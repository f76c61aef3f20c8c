#!/usr/bin/python3
"""Writes a sample RGB original with photo-like texture as a tiled GeoTIFF.

The picture mixes what makes real rasters hard to compress: fields of flat
colour with sharp borders, fine multi-octave grain, thin straight lines and
smooth gradients. The same seed always gives the same picture.

usage: make-sample.py OUTPUT.tif SIZE [SEED]
"""
import sys

import numpy as np
from osgeo import gdal

gdal.UseExceptions()


def upsample(grid, height, width, smooth):
    """Stretches a coarse grid to height x width, bilinear or blocky."""
    gy = np.linspace(0, grid.shape[0] - 1.001, height)
    gx = np.linspace(0, grid.shape[1] - 1.001, width)
    if not smooth:
        return grid[np.round(gy).astype(int)][:, np.round(gx).astype(int)]
    y0 = gy.astype(int)
    x0 = gx.astype(int)
    fy = (gy - y0)[:, None].astype(np.float32)
    fx = (gx - x0)[None, :].astype(np.float32)
    top = grid[y0][:, x0] * (1 - fx) + grid[y0][:, x0 + 1] * fx
    bottom = grid[y0 + 1][:, x0] * (1 - fx) + grid[y0 + 1][:, x0 + 1] * fx
    return top * (1 - fy) + bottom * fy


def grain(rng, size):
    """Value noise summed over octaves, in about [-1, 1]."""
    total = np.zeros((size, size), np.float32)
    amplitude = 1.0
    cells = 4
    while cells <= size // 2:
        grid = rng.standard_normal((cells + 2, cells + 2)).astype(np.float32)
        total += amplitude * upsample(grid, size, size, True)
        amplitude *= 0.8
        cells *= 2
    return total / np.abs(total).max()


def smooth_noise(rng, size, cells):
    """Low-frequency noise normalised to [0, 1)."""
    grid = rng.standard_normal((cells + 2, cells + 2)).astype(np.float32)
    field = upsample(grid, size, size, True)
    field -= field.min()
    return field / (field.max() * 1.0001)


def fields(rng, size, levels):
    """Patches of flat colour with sharp, irregular borders, like parcels
    seen from above: two smooth noises, each cut into a few levels."""
    first = (smooth_noise(rng, size, 6) * levels).astype(int)
    second = (smooth_noise(rng, size, 9) * levels).astype(int)
    greens = rng.uniform([40, 80, 30], [120, 170, 90], (levels * levels, 3))
    browns = rng.uniform([120, 90, 50], [200, 160, 110], (levels * levels, 3))
    palette = np.where(rng.random((levels * levels, 1)) < 0.6, greens, browns)
    return palette.astype(np.float32)[first * levels + second]


def main():
    output, size = sys.argv[1], int(sys.argv[2])
    rng = np.random.default_rng(int(sys.argv[3]) if len(sys.argv) > 3 else 7)
    image = fields(rng, size, 5)
    for band in range(3):
        image[:, :, band] += 35 * grain(rng, size)
    y, x = np.mgrid[0:size, 0:size].astype(np.float32)
    image += (20 * np.sin(x / 97.0) * np.cos(y / 131.0))[:, :, None]
    for _ in range(size // 256):
        # Thin roads at random angles.
        angle = rng.uniform(0, np.pi)
        offset = rng.uniform(-size / 2, size / 2)
        distance = np.abs((x - size / 2) * np.sin(angle) - (y - size / 2) * np.cos(angle) - offset)
        image[distance < 2.0] = 235
    # Sensor noise: no two neighbouring pixels are alike.
    image += rng.normal(0, 4, image.shape).astype(np.float32)
    pixels = np.clip(image, 0, 255).astype(np.uint8)

    driver = gdal.GetDriverByName("GTiff")
    dataset = driver.Create(output, size, size, 3, gdal.GDT_Byte,
                            ["TILED=YES", "BLOCKXSIZE=256", "BLOCKYSIZE=256", "PHOTOMETRIC=RGB"])
    for band in range(3):
        dataset.GetRasterBand(band + 1).WriteArray(pixels[:, :, band])
    dataset = None


if __name__ == "__main__":
    main()

#include "app/Usage.h"

#include <iostream>

void PrintUsage(std::ostream& out) {
    static const char* const kLines[] = {
        "Zarnik tool usage: ",
        ("Zarnik -i originalFileName -c compressedFileName [-or seq|ran] [-stat statsNames] [-tn "
         "number] [-ts number]"),
        "  -i fileName\t\toriginal (uncompressed) file name.",
        "  -c fileName\t\tcompressed file name.",
        "  -or (seq|ran)\t\tsequential or random request type.",
        "  -tn number\t\tnumber of tiles to test. ",
        "  -ts number\t\tsize of tile to test. ",
        "  -stat statsNames\tstats coma separated list of statistics or all.",
        "  \t\t\tStatistics available: ssim, psnr, mse.",
        "  -u\t\t\tuse GDAL library for reading compressed files (if not ",
        "  \t\t\tspecified it will use VexlJP2SDK, only .vexl and .jp2 ",
        "  \t\t\tfiles will be read). If -u is specified any files",
        "  \t\t\tsupported by GDAL can be read (including .vexl and .jp2).",
        "  -yuvy\t\t\tstatistics will be computed for bands: RGB and Y. ",
        "  -yuvY\t\t\tstatistics will be computed for band Y only.",
        "  -best number\t\tbest number of tiles will be outputted.",
        "  -worst number\t\tnumber of worst tiles will be outputted.",
        "  -bestPrefix path\toutput names for best tiles will be prefixed by path.",
        "  -worstPrefix path\toutput names for worst tiles will be prefixed by path.",
        "  -compareBand number\tband number to determine best/worst tile upon.",
        "  -compareStat statName\tstat name number to determine best/worst tile upon.",
        "  -enableDithering \tEnable dithering. Only files read by Vexl/JP2 SDK.",
        "  -bbox x0,y0,x1,y1\tLimit the test to a specified pixel bbox.",
        "  -saveRegions file.bin\tSave the regions to a file.",
        "  -useRegions file.bin\tUse a previously saved regions file.",
        "  -json file\t\tWrite the whole result as JSON (- for standard output).",
        "  -tileValues file\tWrite every tile's values as CSV rows.",
        "  -qualityMap file.tif\tWrite a GeoTIFF map of the tiles' values and a PNG.",
        "  -failBelow stat[.figure]=value\tExit with 3 if a figure of stat is below value.",
        "  -failAbove stat[.figure]=value\tExit with 3 if a figure of stat is above value.",
        "  -threads number\tnumber of workers reading tiles (default: every core).",
        "  -useMask\t\tmeasure only pixels holding data (nodata, mask or alpha).",
        "  -manifest pairs.csv\tcompare every pair a CSV manifest lists (no -i, -c).",
        "  -outDir folder\t\tfolder of a campaign's JSON documents and summary.",
        "  -shard k/n\t\trun only the manifest rows i with i mod n = k.",
        "  -merge folder\t\tsummarise the JSON documents of a campaign's folder.",
        "  -allowPartial\t\tlet -merge summarise a folder with rows missing.",
        "  -bdReference label\tlabel the BD-rates are measured against.",
        "  -dataRange value|auto\tpeak value of PSNR and SSIM (auto: declared bits).",
        "  -gateBands 0,1,2\tbands the gates judge (default: every band).",
        "  -requireSameGeoreference\texit with 3 if the georeference differs.",
        "  -mapRange low,high\tvalues at the ends of the quality map's colour ramp.",
        "  -html page.html\tWrite a self-contained HTML page of the run or campaign.",
    };
    out << std::endl;
    for (const char* line : kLines) {
        out << line << std::endl;
    }
}

#include "regions/Region.h"

std::string TileText(const CRegion& tile) {
    std::string text("[");
    text.append(std::to_string(tile.x0)).append(",").append(std::to_string(tile.y0));
    text.append(";").append(std::to_string(tile.x1)).append(",").append(std::to_string(tile.y1));
    return text.append("]");
}

#pragma once

#include <string_view>

// The page's own files in outputs/html/, built into the program (by
// outputs/html/Embed.cmake) so that it needs no file of ours at run time,
// whether run from the build tree or installed.
extern const std::string_view kHtmlPageSkeleton;   // page.html
extern const std::string_view kHtmlStyle;          // report.css
extern const std::string_view kHtmlCommonScript;   // common.js
extern const std::string_view kHtmlRunScript;      // run.js
extern const std::string_view kHtmlCampaignScript; // campaign.js

#include "platform/ZarnikError.h"

std::string FailurePlace::Text() const {
    std::string text = band ? "band " + std::to_string(*band) : std::string();
    if (!file.empty()) {
        text += (text.empty() ? "" : " of ") + file;
    }
    return text;
}

void RethrowWithContext(const std::string& prefix, FailurePlace place) {
    try {
        throw;
    } catch (const CZarnikError& failure) {
        if (failure.IsComplete()) {
            throw;
        }
        throw CZarnikError::Detail(prefix + failure.what(), std::move(place));
    } catch (const std::exception& failure) {
        throw CZarnikError::Detail(prefix + failure.what(), std::move(place));
    }
}

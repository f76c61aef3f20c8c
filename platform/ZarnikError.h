#pragma once

#include <cstdint>
#include <exception>
#include <optional>
#include <stdexcept>
#include <string>
#include <utility>

// Where a failure happened, as far as the code that noticed it knows: the
// file and the band (from 0). Either may be unknown.
struct FailurePlace {
    std::string file;
    std::optional<int32_t> band;

    // "band 2 of scene.jp2", "band 2", "scene.jp2" or "".
    std::string Text() const;
};

inline FailurePlace InFile(std::string file) {
    return FailurePlace{std::move(file), std::nullopt};
}
// `file` may be empty where the band alone is known.
inline FailurePlace InBand(std::string file, int32_t band) {
    return FailurePlace{std::move(file), band};
}

// The one exception the program throws. Its message is the text the user
// reads after "Error occured. Details: ", exactly as it is printed.
//
// A layer that adds context to a failure (the evaluator around a band's
// read, say) wraps a detail in a text of its own, but passes a complete
// message on unchanged: the fixed messages ("Unable to open file.") and the
// texts that already name what failed. Where the code that raises the error
// knows the file and band, the error carries them, whether or not the text
// says them.
class CZarnikError : public std::runtime_error {
public:
    // A message that says everything: layers above pass it on unchanged.
    static CZarnikError Complete(const std::string& text, FailurePlace place = {}) {
        return CZarnikError(text, true, std::move(place));
    }
    // A detail that a layer adding context wraps into its own text.
    static CZarnikError Detail(const std::string& text, FailurePlace place = {}) {
        return CZarnikError(text, false, std::move(place));
    }

    bool IsComplete() const { return complete; }
    const FailurePlace& Place() const { return place; }

private:
    CZarnikError(const std::string& text, bool isComplete, FailurePlace where)
        : std::runtime_error(text), complete(isComplete), place(std::move(where)) {}

    bool complete;
    FailurePlace place;
};

// Called inside a catch block by a layer that adds context: a complete
// message passes on unchanged, any other failure becomes the detail `prefix`
// followed by the caught text, at `place`.
[[noreturn]] void RethrowWithContext(const std::string& prefix, FailurePlace place);

// The folders that depend on nothing of ours (regions, metrics) and the
// standard library fail with standard exceptions; where they are called, a
// standard exception becomes a CZarnikError detail of the same text, so that
// every failure travels as one type.
template <typename Action> decltype(auto) AsZarnikFailure(Action&& action) {
    try {
        return std::forward<Action>(action)();
    } catch (const CZarnikError&) {
        throw;
    } catch (const std::exception& failure) {
        throw CZarnikError::Detail(failure.what());
    }
}

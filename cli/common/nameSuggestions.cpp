#include "cli/common/nameSuggestions.h"

#include <algorithm>
#include <cctype>

namespace sorvane::cli {

namespace {

bool equalIgnoringCase(const std::string& a, const std::string& b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) ==
                      std::tolower(static_cast<unsigned char>(y));
           });
}

// How far a name of this length may be from a candidate and still be a slip:
// one character in a short name, up to three in a long one.
std::size_t allowedDistance(std::size_t length) { return length <= 4 ? 1 : length <= 8 ? 2 : 3; }

}  // namespace

std::size_t editDistance(const std::string& a, const std::string& b) {
    // Three rows of the table: a swap looks two back.
    std::vector<std::size_t> before(b.size() + 1), previous(b.size() + 1), current(b.size() + 1);
    for (std::size_t j = 0; j <= b.size(); ++j) previous[j] = j;
    for (std::size_t i = 1; i <= a.size(); ++i) {
        current[0] = i;
        for (std::size_t j = 1; j <= b.size(); ++j) {
            const bool same = a[i - 1] == b[j - 1];
            current[j] = std::min({previous[j] + 1, current[j - 1] + 1, previous[j - 1] + (same ? 0 : 1)});
            if (i > 1 && j > 1 && a[i - 1] == b[j - 2] && a[i - 2] == b[j - 1]) {
                current[j] = std::min(current[j], before[j - 2] + 1);
            }
        }
        std::swap(before, previous);
        std::swap(previous, current);
    }
    return previous[b.size()];
}

std::vector<std::string> nearestNames(const std::string& name, const std::vector<std::string>& candidates) {
    constexpr std::size_t kMostShown = 3;
    const std::size_t allowed = allowedDistance(name.size());
    std::size_t best = allowed + 1;
    std::vector<std::string> nearest;
    for (const std::string& candidate : candidates) {
        // Lengths that far apart are never near; this also spares a huge input the table.
        const std::size_t lengthGap =
            name.size() > candidate.size() ? name.size() - candidate.size() : candidate.size() - name.size();
        if (lengthGap > allowed || candidate == name) continue;
        // The same name in other letter case is the nearest of all.
        const std::size_t d = equalIgnoringCase(name, candidate) ? 0 : editDistance(name, candidate);
        if (d < best) {
            best = d;
            nearest.clear();
        }
        if (d == best && nearest.size() < kMostShown &&
            std::find(nearest.begin(), nearest.end(), candidate) == nearest.end()) {
            nearest.push_back(candidate);
        }
    }
    return nearest;
}

std::string didYouMean(const std::string& name, const std::vector<std::string>& candidates) {
    const std::vector<std::string> nearest = nearestNames(name, candidates);
    if (nearest.empty()) return {};
    std::string text = "; did you mean ";
    for (std::size_t i = 0; i < nearest.size(); ++i) {
        if (i > 0) text += i + 1 == nearest.size() ? " or " : ", ";
        text += "\"" + nearest[i] + "\"";
    }
    return text + "?";
}

}  // namespace sorvane::cli

#pragma once

// "Did you mean" for a name the user mistyped: the known names nearest to it
// by edit distance, if near enough to be a slip of the fingers.

#include <string>
#include <vector>

namespace sorvane::cli {

// Single-character insertions, deletions, substitutions and swaps of two
// neighbours, each counting one (a letter in other case is a substitution).
std::size_t editDistance(const std::string& a, const std::string& b);

// The candidates nearest to `name`, in their own order, at most three;
// none when even the nearest differs in too many characters for its length.
// A candidate differing from `name` in letter case alone is nearest of all.
std::vector<std::string> nearestNames(const std::string& name, const std::vector<std::string>& candidates);

// "; did you mean \"diffuse\"?" (or "\"a\" or \"b\""), or "" when nothing is near.
std::string didYouMean(const std::string& name, const std::vector<std::string>& candidates);

}  // namespace sorvane::cli

// What `dravmoor discover` tells the user when no adapter answered: the likely causes, and
// where the README explains them. Kept apart from the commands so the text lives in one place.
#pragma once

#include <cstdio>

namespace cli {

// Writes the hint (two lines) to `err`.
void PrintNothingFoundHint(std::FILE* err);

}  // namespace cli

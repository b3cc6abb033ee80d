// Loses one heap block on purpose. The sanitizer build runs it expecting failure: if it ever
// exits cleanly there, LeakSanitizer is off and no leak anywhere else would be caught either.
#include <cstdlib>

namespace {

void* volatile g_last;

[[gnu::noinline]] void Lose()
{
    g_last = std::malloc(64);
    g_last = nullptr;
}

}  // namespace

int main()
{
    Lose();
    return 0;
}

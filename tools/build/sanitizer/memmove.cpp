// memmove for the programs of the sanitizer build. The sanitizer's own memmove
// checks its ranges and then copies a byte at a time, and every blit of the
// graphics library goes through memmove: most of the tests' time was spent
// there. This one copies with memcpy, whose sanitizer wrapper checks the same
// ranges (and that they do not overlap) and then copies at full speed. Linked
// into every program of that build only, never into the one players get.
#include <algorithm>
#include <cstddef>
#include <cstring>

extern "C" void* memmove(void* dest, const void* src, size_t n)
{
    char* d = static_cast<char*>(dest);
    const char* s = static_cast<const char*>(src);
    if (n == 0 || d == s)
        return dest;
    const size_t gap = d < s ? static_cast<size_t>(s - d) : static_cast<size_t>(d - s);
    if (gap >= n)
        return std::memcpy(dest, src, n);
    // Overlapping: pieces no longer than the gap never overlap, taken in the
    // order that copies each byte before it is overwritten.
    if (d < s) {
        for (size_t done = 0; done < n; done += gap)
            std::memcpy(d + done, s + done, std::min(gap, n - done));
    } else {
        for (size_t left = n; left > 0;) {
            const size_t piece = std::min(gap, left);
            left -= piece;
            std::memcpy(d + left, s + left, piece);
        }
    }
    return dest;
}

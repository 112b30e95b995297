#pragma once

// The generated books' random numbers: splitmix64, small, fast and the same on every machine
// and compiler (no standard distributions are used).

#include <array>
#include <cmath>
#include <cstddef>
#include <cstdint>

namespace qor {

class BenchRandom {
public:
    explicit BenchRandom(std::uint32_t seed) : state_(0x9E3779B97F4A7C15ull ^ seed) {}
    std::uint64_t next()
    {
        std::uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }
    std::size_t below(std::size_t n) { return static_cast<std::size_t>(next() % n); }
    bool percent(unsigned p) { return below(100) < p; }
    template <typename T, std::size_t N>
    const T& pick(const std::array<T, N>& items) { return items[below(N)]; }
    // An index below n, the low ones more likely: P(index < k) = (k / n) ^ (1 / skew), as the
    // common names are more common.
    std::size_t skewed(std::size_t n, double skew)
    {
        const double u = static_cast<double>(next() >> 11) / 9007199254740992.0;
        const auto index = static_cast<std::size_t>(static_cast<double>(n) * std::pow(u, skew));
        return index < n ? index : n - 1;
    }

private:
    std::uint64_t state_;
};

} // namespace qor

// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <random>

// Uniform draws r with 0 <= r < 1 for dealing the show order.
class RandomSource {
public:
    virtual ~RandomSource() = default;
    virtual void seedFromClock() = 0;
    virtual float draw() = 0;
};

class SystemRandom final : public RandomSource {
public:
    void seedFromClock() override;
    float draw() override;

private:
    std::mt19937 engine_;
};

// Maps a 32-bit draw onto [0, 1) through its top 24 bits, so the float can never round up to 1.
float unitFloatFromBits(std::uint32_t bits);

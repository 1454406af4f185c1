// SPDX-License-Identifier: MIT
#include "core/random_source.h"

#include <QTime>

void SystemRandom::seedFromClock() {
    engine_.seed(static_cast<std::uint32_t>(QTime::currentTime().msecsSinceStartOfDay()));
}

float SystemRandom::draw() {
    return unitFloatFromBits(static_cast<std::uint32_t>(engine_()));
}

float unitFloatFromBits(std::uint32_t bits) {
    constexpr float TwoToMinus24 = 1.0f / 16777216.0f;
    return static_cast<float>(bits >> 8) * TwoToMinus24;
}

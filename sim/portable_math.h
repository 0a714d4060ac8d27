// Sine, cosine and natural logarithm built from + - * /, std::sqrt, std::floor, std::frexp and
// std::ldexp only, all exact or correctly rounded in IEEE arithmetic. Unlike the platform's libm
// they give the same bits on every system, so a simulated scene depends on its seed alone.
#pragma once

namespace quorvel::sim {

inline constexpr double TWO_PI = 6.283185307179586;  // the double nearest to 2 pi

double portableSin(double x);  // radians, |x| < 1.6e6; within 1 ulp of the true value
double portableCos(double x);  // radians, |x| < 1.6e6; within 1 ulp of the true value
double portableLog(double x);  // x > 0 and finite; within 1 ulp of the true value

}  // namespace quorvel::sim

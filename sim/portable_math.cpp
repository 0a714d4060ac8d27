#include "sim/portable_math.h"

#include <cmath>

namespace quorvel::sim {

namespace {

// pi/2 split into 33-bit pieces, so that n * piece is exact for |n| < 2^20, and the tails.
constexpr double INV_PIO2 = 6.36619772367581382433e-01;
constexpr double PIO2_1 = 1.57079632673412561417e+00;
constexpr double PIO2_1T = 6.07710050650619224932e-11;
constexpr double PIO2_2 = 6.07710050630396597660e-11;
constexpr double PIO2_2T = 2.02226624879595063154e-21;
constexpr double PIO2_3 = 2.02226624871116645580e-21;
constexpr double PIO2_3T = 8.47842766036889956997e-32;

// x reduced to head + tail in [-pi/4, pi/4] plus a multiple of pi/2.
struct ReducedAngle {
  double head;
  double tail;
  int quadrant;  // the multiple of pi/2, modulo 4
};

// One Cody-Waite step: subtracts n * piece from the running remainder, keeping the rounding
// error and n * pieceTail in `correction`.
void subtractPiece(double n, double piece, double pieceTail, double& remainder,
                   double& correction) {
  const double before = remainder;
  const double product = n * piece;
  remainder = before - product;
  correction = n * pieceTail - ((before - remainder) - product);
}

ReducedAngle reduceAngle(double x) {
  const double n = std::floor(x * INV_PIO2 + 0.5);
  double remainder = x - n * PIO2_1;
  double correction = n * PIO2_1T;
  subtractPiece(n, PIO2_2, PIO2_2T, remainder, correction);
  subtractPiece(n, PIO2_3, PIO2_3T, remainder, correction);
  const double head = remainder - correction;
  const double tail = (remainder - head) - correction;
  const long long whole = static_cast<long long>(n);
  return {head, tail, static_cast<int>(((whole % 4) + 4) % 4)};
}

// sin(x + y) for |x| <= pi/4, y a tiny tail of x.
double kernelSin(double x, double y) {
  constexpr double S1 = -1.66666666666666324348e-01, S2 = 8.33333333332248946124e-03,
                   S3 = -1.98412698298579493134e-04, S4 = 2.75573137070700676789e-06,
                   S5 = -2.50507602534068634195e-08, S6 = 1.58969099521155010221e-10;
  const double z = x * x;
  const double w = z * z;
  const double r = S2 + z * (S3 + z * S4) + z * w * (S5 + z * S6);
  const double v = z * x;
  return x - ((z * (0.5 * y - v * r) - y) - v * S1);
}

// cos(x + y) for |x| <= pi/4, y a tiny tail of x.
double kernelCos(double x, double y) {
  constexpr double C1 = 4.16666666666666019037e-02, C2 = -1.38888888888741095749e-03,
                   C3 = 2.48015872894767294178e-05, C4 = -2.75573143513906633035e-07,
                   C5 = 2.08757232129817482790e-09, C6 = -1.13596475577881948265e-11;
  const double z = x * x;
  const double w = z * z;
  const double r = z * (C1 + z * (C2 + z * C3)) + w * w * (C4 + z * (C5 + z * C6));
  const double halfZ = 0.5 * z;
  const double one = 1.0 - halfZ;
  return one + (((1.0 - one) - halfZ) + (z * r - x * y));
}

}  // namespace

double portableSin(double x) {
  const ReducedAngle a = reduceAngle(x);
  switch (a.quadrant) {
    case 0:
      return kernelSin(a.head, a.tail);
    case 1:
      return kernelCos(a.head, a.tail);
    case 2:
      return -kernelSin(a.head, a.tail);
    default:
      return -kernelCos(a.head, a.tail);
  }
}

double portableCos(double x) {
  const ReducedAngle a = reduceAngle(x);
  switch (a.quadrant) {
    case 0:
      return kernelCos(a.head, a.tail);
    case 1:
      return -kernelSin(a.head, a.tail);
    case 2:
      return -kernelCos(a.head, a.tail);
    default:
      return kernelSin(a.head, a.tail);
  }
}

double portableLog(double x) {
  constexpr double LN2_HI = 6.93147180369123816490e-01, LN2_LO = 1.90821492927058770002e-10;
  constexpr double LG1 = 6.666666666666735130e-01, LG2 = 3.999999999940941908e-01,
                   LG3 = 2.857142874366239149e-01, LG4 = 2.222219843214978396e-01,
                   LG5 = 1.818357216161805012e-01, LG6 = 1.531383769920937332e-01,
                   LG7 = 1.479819860511658591e-01;
  constexpr double HALF_SQRT2 = 0.70710678118654752440;
  int exponent = 0;
  double mantissa = std::frexp(x, &exponent);  // in [0.5, 1)
  if (mantissa < HALF_SQRT2) {
    mantissa = std::ldexp(mantissa, 1);
    --exponent;
  }
  // log(1 + f) = 2 atanh(s) with s = f / (2 + f), |s| < 0.172.
  const double f = mantissa - 1.0;
  const double k = exponent;
  const double s = f / (2.0 + f);
  const double z = s * s;
  const double w = z * z;
  const double odd = w * (LG2 + w * (LG4 + w * LG6));
  const double even = z * (LG1 + w * (LG3 + w * (LG5 + w * LG7)));
  const double series = even + odd;
  const double halfSquare = 0.5 * f * f;
  return k * LN2_HI - ((halfSquare - (s * (halfSquare + series) + k * LN2_LO)) - f);
}

}  // namespace quorvel::sim

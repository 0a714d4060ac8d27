#include "sim/wave_sum.h"

#include "sim/portable_math.h"

namespace quorvel::sim {

double WaveSum::value(double u) const {
  double sum = offset;
  for (const Wave& wave : waves)
    sum += wave.amplitude * portableSin(wave.wavenumber * u + wave.phase);
  return sum;
}

double WaveSum::slope(double u) const {
  double sum = 0;
  for (const Wave& wave : waves) {
    sum += wave.amplitude * wave.wavenumber * portableCos(wave.wavenumber * u + wave.phase);
  }
  return sum;
}

Wave randomPhaseWave(RandomStream& random, double amplitude, double wavelength) {
  return {amplitude, TWO_PI / wavelength, random.uniform(0, TWO_PI)};
}

Wave randomWave(RandomStream& random, double minAmplitude, double maxAmplitude,
                double minWavelength, double maxWavelength) {
  const double amplitude = random.uniform(minAmplitude, maxAmplitude);
  const double wavelength = random.uniform(minWavelength, maxWavelength);
  return randomPhaseWave(random, amplitude, wavelength);
}

void anchorAtStart(WaveSum& sum, double start) {
  sum.offset += start - sum.value(0);
}

}  // namespace quorvel::sim

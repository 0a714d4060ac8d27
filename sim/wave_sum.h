// Smooth functions of the distance along the street: a constant plus sinusoids. They shape the
// road elevation, the path heading, the lane wander and the vehicle's roll and pitch.
#pragma once

#include <vector>

#include "sim/random_stream.h"

namespace quorvel::sim {

struct Wave {
  double amplitude;   // in the unit of the sum
  double wavenumber;  // radians per metre
  double phase;       // radians
};

struct WaveSum {
  double offset = 0;
  std::vector<Wave> waves;

  double value(double u) const;  // offset + sum of amplitude * sin(wavenumber * u + phase)
  double slope(double u) const;  // derivative by u
};

// A wave with the given amplitude and wavelength (metres) and a random phase.
Wave randomPhaseWave(RandomStream& random, double amplitude, double wavelength);

// A wave with amplitude, wavelength and phase drawn in that order, each uniformly.
Wave randomWave(RandomStream& random, double minAmplitude, double maxAmplitude,
                double minWavelength, double maxWavelength);

// Moves the offset so that the sum takes `start` at u = 0.
void anchorAtStart(WaveSum& sum, double start);

}  // namespace quorvel::sim

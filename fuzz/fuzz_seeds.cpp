// Writes the seed corpora of the fuzz targets: small valid files of each kind and hand-made
// edge files. Usage: fuzz_seeds OUT_DIR SAMPLE_DS
#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <limits>
#include <string>
#include <vector>

#include "scan/ds_file.h"

namespace {

using namespace quorvel;
using Bytes = std::vector<unsigned char>;

std::filesystem::path outDir;

// DS seeds start with the ds target's mode byte: 0, the file as it is; 1 for the "compact"
// seeds, whose skipped records the target adds.
void seed(const std::string& target, const std::string& name, const Bytes& bytes) {
  std::filesystem::create_directories(outDir / target);
  if (target == "ds") {
    Bytes withMode{static_cast<unsigned char>(name.rfind("compact", 0) == 0 ? 1 : 0)};
    withMode.insert(withMode.end(), bytes.begin(), bytes.end());
    std::ofstream(outDir / target / name, std::ios::binary)
        .write(reinterpret_cast<const char*>(withMode.data()),
               static_cast<std::streamsize>(withMode.size()));
    return;
  }
  std::ofstream(outDir / target / name, std::ios::binary)
      .write(reinterpret_cast<const char*>(bytes.data()),
             static_cast<std::streamsize>(bytes.size()));
}

void seed(const std::string& target, const std::string& name, const std::string& text) {
  seed(target, name, Bytes(text.begin(), text.end()));
}

void appendDouble(Bytes& out, double value) {
  unsigned char bytes[8];
  std::memcpy(bytes, &value, 8);
  out.insert(out.end(), bytes, bytes + 8);
}

// A DS file: header, then records whose pose and samples vary with their index.
Bytes dsFile(float resolution, float fieldOfView, float rangeUnit, int records,
             double pose = 0.01) {
  Bytes out;
  appendDsHeader({fieldOfView, resolution, rangeUnit}, out);
  const ScanSetup* setup = findScanSetup(resolution, fieldOfView);
  const int points = setup ? setup->pointsPerLine : 181;
  for (int r = 0; r < records; ++r) {
    for (double angle : {pose * r, -pose, 1.5 + pose}) appendDouble(out, angle);
    for (double coordinate : {0.1 * r, 2.0, -1.0}) appendDouble(out, coordinate);
    out.insert(out.end(), {1, 2, 3, 4});
    for (int s = 0; s < points; ++s) {
      const int16_t raw = static_cast<int16_t>((s * 37 + r * 11) % 6000 - 50);
      unsigned char bytes[2];
      std::memcpy(bytes, &raw, 2);
      out.insert(out.end(), bytes, bytes + 2);
    }
  }
  return out;
}

void dsSeeds(const std::string& samplePath) {
  const float nan = std::numeric_limits<float>::quiet_NaN();
  const float inf = std::numeric_limits<float>::infinity();
  const float denormal = std::numeric_limits<float>::denorm_min();
  seed("ds", "empty", Bytes{});
  Bytes header = dsFile(0.5f, 180.0f, 100.0f, 0);
  seed("ds", "header-only", header);
  header.pop_back();
  seed("ds", "eleven-bytes", header);
  seed("ds", "two-hundred-records", dsFile(1.0f, 180.0f, 100.0f, 200));
  seed("ds", "one-degree", dsFile(1.0f, 180.0f, 100.0f, 203));
  seed("ds", "half-degree", dsFile(0.5f, 180.0f, 100.0f, 202));
  seed("ds", "quarter-degree", dsFile(0.25f, 100.0f, 100.0f, 202));
  Bytes partial = dsFile(1.0f, 180.0f, 100.0f, 202);
  partial.resize(partial.size() - 300);
  seed("ds", "partial-trailing-record", partial);
  seed("ds", "compact-one-degree", dsFile(1.0f, 180.0f, 100.0f, 4));
  seed("ds", "compact-half-degree", dsFile(0.5f, 180.0f, 100.0f, 3));
  seed("ds", "compact-quarter-degree", dsFile(0.25f, 100.0f, 100.0f, 3));
  seed("ds", "unsupported-setup", dsFile(2.0f, 180.0f, 100.0f, 201));
  seed("ds", "nan-range-unit", dsFile(1.0f, 180.0f, nan, 202));
  seed("ds", "infinite-range-unit", dsFile(1.0f, 180.0f, inf, 202));
  seed("ds", "denormal-range-unit", dsFile(1.0f, 180.0f, denormal, 202));
  seed("ds", "zero-range-unit", dsFile(1.0f, 180.0f, 0.0f, 202));
  seed("ds", "nan-resolution", dsFile(nan, 180.0f, 100.0f, 201));
  seed("ds", "nan-poses", dsFile(1.0f, 180.0f, 100.0f, 202, std::nan("")));
  seed("ds", "infinite-poses", dsFile(1.0f, 180.0f, 100.0f, 202, HUGE_VAL));
  seed("ds", "denormal-poses", dsFile(1.0f, 180.0f, 100.0f, 202, 4.9e-324));
  Bytes glitch = dsFile(1.0f, 180.0f, 100.0f, 7);  // compact: records follow the header
  for (int r : {0, 3, 4}) {
    const double far = 1e7;
    std::memcpy(&glitch[DS_HEADER_SIZE + r * 414 + 24], &far, 8);
  }
  seed("ds", "compact-pose-glitches", glitch);
  glitch.resize(glitch.size() - 414 + 30);
  seed("ds", "compact-cut-inside-pose", glitch);
  std::ifstream sample(samplePath, std::ios::binary);
  Bytes start(12 + 206 * 774);
  sample.read(reinterpret_cast<char*>(start.data()), static_cast<std::streamsize>(start.size()));
  start.resize(static_cast<size_t>(sample.gcount()));
  seed("ds", "sample-start", start);
}

void textSeeds(const std::string& target, const std::vector<std::string>& typical) {
  for (size_t i = 0; i < typical.size(); ++i)
    seed(target, "typical-" + std::to_string(i), typical[i]);
  seed(target, "empty", std::string());
  seed(target, "crlf", typical[0] + "\r\n" + typical[0] + "\r\n");
  seed(target, "no-newline-at-end", typical[0]);
  seed(target, "nul-bytes", std::string("DS a\0b\nrot 1\0 2 3\n", 19));
  seed(target, "ten-thousand-characters",
       "DIR " + std::string(10000, 'x') + "\nrot " + std::string(10000, '9') + "\n");
  seed(target, "keyword-only-lines", "DIR\nDS\nCALIB\nrot\nshv\n" + std::string(300, 'D') + "\n");
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::cerr << "usage: fuzz_seeds OUT_DIR SAMPLE_DS\n";
    return 2;
  }
  outDir = argv[1];
  dsSeeds(argv[2]);
  textSeeds("mdl", {"DIR ./\nDS sim.ds\nCALIB sim.cal\n", "dirname,/d/\nDSNAME x.ds\ncalib c\n"});
  textSeeds("calib", {"rot -90 0 -90\nrot 0 0 -10\nshv -1.2 0 1.6\n",
                      "ROT,1e308,-1e-320,nan\nShv 1e999 -0x10 .5e\n"});
  textSeeds("template", {"width\t640\r\nlength\t480\r\nox\t\t10.500000\r\noy\t\t-20.250000\r\n"
                         "oz\t\t1.000000\r\npixelsize\t0.100000\r\ndemres\t0.010000\r\n"
                         "byteperpixel\t1\r\n",
                         "WIDTH,65536\nLength, 32768\nOX,0\noy,0\nPixelSize,1e-300\n",
                         "width -8\nlength 2147483647\npixelsize nan\nox 1e308\n",
                         "pixelsize 0.25\n" + std::string(199, 'x') + "width 5\n"});
  for (const char* text : {"10", "-5", "abc", "99999999999999999999", "  +7x", "", "-"}) {
    seed("mask",
         std::string("text-") + std::to_string(std::strlen(text)) + "-" +
             std::to_string(static_cast<unsigned char>(text[0])),
         std::string(text));
  }
  return 0;
}

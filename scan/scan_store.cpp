#include "scan/scan_store.h"

namespace quorvel {

ScanStore scanStore;

void initScanStore(ScanStore& store) {
  store.lines.reset();
  store.lineCount = 0;
  store.firstLine = 0;
  store.poseFaults = {};
  releaseDerivedBuffers(store);
}

void freeScanStore(ScanStore& store) {
  initScanStore(store);
}

void releaseDerivedBuffers(ScanStore& store) {
  if (store.lineSegmentLists) {
    for (LineSegmentList& list : *store.lineSegmentLists) freeLineSegmentList(list);
  }
  store.varianceMap.reset();
  store.normalMap.reset();
  store.labelMap.reset();
  store.segmentTable.reset();
  store.lineSegmentMask.reset();
  store.lineSegmentLists.reset();
  store.surfaceClassMap.reset();
  store.kerbFeet.reset();
}

void initScanStore() {
  initScanStore(scanStore);
}
void freeScanStore() {
  freeScanStore(scanStore);
}

void makePoseRotation(Mat3& rotation, double ax, double ay, double az) {
  mat3Identity(rotation);
  if (ax != 0) mat3Multiply(rotation, RotX(ax));
  if (ay != 0) mat3Multiply(rotation, RotY(ay));
  if (az != 0) mat3Multiply(rotation, RotZ(az));
}

}  // namespace quorvel

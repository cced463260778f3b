// Device-independent helpers of the GPU interface: the size of a flexible vertex format.
#include "platform/gpu.h"

namespace plat::gpu {

uint32_t FvfVertexSize(uint32_t format) {
  uint32_t size = 0;
  if (format & fvf::XYZ) size += 12;
  if (format & fvf::XYZRHW) size += 16;
  if (format & fvf::Normal) size += 12;
  if (format & fvf::Diffuse) size += 4;
  if (format & fvf::Tex1) size += 8;
  return size;
}

}  // namespace plat::gpu

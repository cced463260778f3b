// The bosses' generated art. A boss faces the player along its +Z; each moving part's mesh has its pivot
// at its own origin. Each is shaped for the view it is fought in: the Phantom and the PsychoSide show their
// Y-Z profile (side view), the PsychoRear its X-Y face (chase view), the PsychoFront its X-Z plan (top
// view). Every boss mesh has two materials: armour (tex_boss) and glow. Left-handed, clockwise front faces.
#include "boss_meshes.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <numbers>
#include <string>
#include <utility>
#include <vector>

#include "geometry.h"
#include "images.h"
#include "shapes.h"

namespace assetgen {
namespace {

namespace fs = std::filesystem;
using xfile::V2;
using xfile::V3;

constexpr float kPi = std::numbers::pi_v<float>;
constexpr V3 kX{1, 0, 0}, kY{0, 1, 0}, kZ{0, 0, 1};
constexpr uint32_t kArmour = 0, kGlow = 1;

xfile::Mesh Named(const char* name) {
  xfile::Mesh mesh;
  mesh.name = name;
  return mesh;
}

// The two materials of a boss mesh.
std::vector<xfile::Material> BossMaterials(V3 armour, V3 glow) {
  return {Textured(armour.x, armour.y, armour.z, "tex_boss.bmp"),
          Textured(glow.x, glow.y, glow.z, "tex_white.bmp", 1)};
}

// The mesh with its materials; faces not painted otherwise are armour.
xfile::Mesh Finished(xfile::Mesh mesh, std::vector<xfile::Material> materials) {
  if (!mesh.faceMaterials.empty()) mesh.faceMaterials.resize(mesh.faces.size(), kArmour);
  mesh.materials = std::move(materials);
  return mesh;
}

// Appends a ball of radius r at `centre` in `material`.
void AddBall(xfile::Mesh& mesh, V3 centre, float r, uint32_t material) {
  const size_t first = mesh.faces.size();
  Append(mesh, Ball("Ball", 8, 14, 1, [r](float, float, bool) { return r; }), centre);
  Paint(mesh, first, material);
}

// Runs `add` and paints what it added in `material`.
template <typename Build>
void Painted(xfile::Mesh& mesh, uint32_t material, Build add) {
  const size_t first = mesh.faces.size();
  add();
  Paint(mesh, first, material);
}

// A rectangle of half-sizes (w, h) with its corners cut by c, as a convex outline.
std::vector<V2> Chamfered(float w, float h, float c) {
  return {{-w + c, -h}, {w - c, -h}, {w, -h + c}, {w, h - c},
          {w - c, h},   {-w + c, h}, {-w, h - c}, {-w, -h + c}};
}

// --- Phantom -----------------------------------------------------------------------------------------

// A manta seen from the side: a fuselage 62 long (tail z -30, nose +32) with swept wings reaching y +-40,
// a gun pod under the nose, glowing eyes, wing edges and engine.
xfile::Mesh PhantomBody() {
  xfile::Mesh mesh = Named("Phantom_Body");
  AddLoft(
      mesh, 14, {-30, -22, -8, 8, 20},
      [](int k, float a) {
        static constexpr float kW[] = {5, 8, 10, 9, 6}, kH[] = {8, 13, 15, 12, 7};
        return V2{kW[k] * std::cos(a), kH[k] * std::sin(a)};
      },
      32, 0, 1);
  for (float up : {1.0f, -1.0f}) {
    AddPrism(mesh, {{14, 6 * up}, {-16, 40 * up}, {-28, 40 * up}, {-24, 6 * up}}, kZ, kY, kX, -3, 3);
    Painted(mesh, kGlow, [&] {
      for (float side : {3.2f, -3.2f}) AddBeam(mesh, {side, 8 * up, 12}, {side, 38 * up, -14.5f}, 0.5f);
    });
  }
  AddCylinder(mesh, {0, -6, 12}, {0, -6, 30}, 2.5f, 10);
  Painted(mesh, kGlow, [&] {
    AddBox(mesh, {-9.6f, 2, 10}, {9.6f, 5, 17});
    AddBox(mesh, {-4, -5, -31}, {4, 5, -29});
  });
  return Finished(std::move(mesh), BossMaterials({0.7f, 0.75f, 1.0f}, {0.3f, 0.9f, 1.0f}));
}

// A turret 30 long: an octagonal housing (z -10 to 4) and a barrel to z +20 with two charge rings.
xfile::Mesh BeamCannon() {
  xfile::Mesh mesh = Named("BeamCannon");
  AddPrism(mesh, Chamfered(8, 8, 3.3f), kX, kY, kZ, -10, 4, 0.75f);
  AddCylinder(mesh, {0, 0, 2}, {0, 0, 20}, 2.5f, 12);
  for (float up : {1.0f, -1.0f})
    AddPrism(mesh, {{-10, 7 * up}, {-3, 7 * up}, {-9, 13 * up}, {-13, 13 * up}}, kZ, kY, kX, -1, 1);
  Painted(mesh, kGlow, [&] {
    AddTorus(mesh, {0, 0, 10}, kX, kY, 3.6f, 1.0f, 16, 6);
    AddTorus(mesh, {0, 0, 17}, kX, kY, 3.6f, 1.0f, 16, 6);
  });
  return Finished(std::move(mesh), BossMaterials({0.7f, 0.75f, 1.0f}, {1.0f, 0.25f, 0.2f}));
}

// --- PsychoRear and its shield generator ------------------------------------------------------------

const std::vector<xfile::Material> kRearMaterials = BossMaterials({1.0f, 0.82f, 0.9f}, {0.4f, 0.9f, 1.0f});

// Seen from the front: a central block between two round engine pods (96 wide, 44 tall, 50 deep) and a
// gun bay (x +-9, y -14 to 6) in a frame on its face, which the hatches close at z 24.
xfile::Mesh PsychoRearBody() {
  xfile::Mesh mesh = Named("PsychoRear_Body");
  AddPrism(mesh, Chamfered(20, 22, 6), kX, kY, kZ, -25, 16);
  AddBox(mesh, {-20, -20, 16}, {-9, 20, 24});
  AddBox(mesh, {9, -20, 16}, {20, 20, 24});
  AddBox(mesh, {-9, 6, 16}, {9, 20, 24});
  AddBox(mesh, {-9, -20, 16}, {9, -14, 24});
  for (float side : {1.0f, -1.0f}) {
    AddCylinder(mesh, {32 * side, 0, -24}, {32 * side, 0, 12}, 16, 20);
    AddBall(mesh, {32 * side, 0, 12}, 10, kArmour);
    Painted(mesh, kGlow, [&] {
      AddTorus(mesh, {32 * side, 0, 12.5f}, kX, kY, 13, 1.6f, 20, 6);
      AddBox(mesh, {13 * side - 3, 12, 24}, {13 * side + 3, 16, 25});
    });
  }
  return Finished(std::move(mesh), kRearMaterials);
}

// A barrel from the origin to z +16 on a block, its muzzle ringed.
xfile::Mesh PsychoRearGun() {
  xfile::Mesh mesh = Named("PsychoRear_Gun");
  AddBox(mesh, {-4, -4, -3}, {4, 4, 3});
  AddCylinder(mesh, {0, 0, 0}, {0, 0, 16}, 2, 10);
  Painted(mesh, kGlow, [&] { AddTorus(mesh, {0, 0, 15}, kX, kY, 2.6f, 0.8f, 12, 6); });
  return Finished(std::move(mesh), kRearMaterials);
}

// A hatch panel 16 wide and 10 high hanging from its hinge at the origin (down for `sign` -1, up for +1).
xfile::Mesh PsychoRearHatch(const char* name, float sign) {
  xfile::Mesh mesh = Named(name);
  AddBox(mesh, {-8, std::min(0.0f, 10 * sign), -1}, {8, std::max(0.0f, 10 * sign), 1});
  Painted(mesh, kGlow, [&] { AddBox(mesh, {-6, 4 * sign - 1, 1}, {6, 4 * sign + 1, 1.4f}); });
  return Finished(std::move(mesh), kRearMaterials);
}

// The generator's core around its origin: a glowing orb of radius 10 with an emitter dish on its front
// and a strut reaching 28 toward the boss's axis (-X).
xfile::Mesh ShieldGenCore() {
  xfile::Mesh mesh = Named("ShieldGen_Core");
  AddBeam(mesh, {-7, 0, 0}, {-28, 0, 0}, 3);
  AddCylinder(mesh, {0, 0, 7}, {0, 0, 11}, 4.5f, 12);
  AddBall(mesh, {}, 10, kGlow);
  return Finished(std::move(mesh), BossMaterials({1.0f, 0.82f, 0.9f}, {1.0f, 0.4f, 1.0f}));
}

// The generator's outer shell: three rings of radius 16 around its origin.
xfile::Mesh ShieldGenShell() {
  xfile::Mesh mesh = Named("ShieldGen_Shell");
  AddTorus(mesh, {}, kX, kY, 16, 1.2f, 24, 6);
  AddTorus(mesh, {}, kY, kZ, 16, 1.2f, 24, 6);
  AddTorus(mesh, {}, kZ, kX, 16, 1.2f, 24, 6);
  Painted(mesh, kGlow, [&] {
    for (const V3& at : {V3{16, 0, 0}, V3{-16, 0, 0}, V3{0, 16, 0}, V3{0, -16, 0}})
      AddBox(mesh, Sub(at, {1.8f, 1.8f, 1.8f}), Add(at, {1.8f, 1.8f, 1.8f}));
  });
  return Finished(std::move(mesh), kRearMaterials);
}

// --- PsychoSide --------------------------------------------------------------------------------------

const std::vector<xfile::Material> kSideMaterials = BossMaterials({0.85f, 0.9f, 0.8f}, {1.0f, 0.3f, 0.25f});

// A target pod of radius 8 with a glowing eye on its front.
xfile::Mesh PsychoSideTarget() {
  xfile::Mesh mesh = Named("PsychoSide_Target");
  AddBall(mesh, {}, 8, kArmour);
  AddBall(mesh, {0, 0, 6}, 3.5f, kGlow);
  return Finished(std::move(mesh), kSideMaterials);
}

// An armour collar around a pod, studded, slightly behind its centre.
xfile::Mesh PsychoSideCover() {
  xfile::Mesh mesh = Named("PsychoSide_Cover");
  AddTorus(mesh, {0, 0, -1}, kX, kY, 11, 3.5f, 20, 8);
  Painted(mesh, kGlow, [&] {
    for (int k = 0; k < 4; ++k) {
      const float a = kPi / 4 + kPi / 2 * float(k);
      const V3 at{11 * std::cos(a), 11 * std::sin(a), 2.5f};
      AddBox(mesh, Sub(at, {1.5f, 1.5f, 0.5f}), Add(at, {1.5f, 1.5f, 0.5f}));
    }
  });
  return Finished(std::move(mesh), kSideMaterials);
}

// A launcher 20 wide, 18 tall (z -14 to 6) with four tubes to z 12 at (+-5, +-4).
xfile::Mesh PsychoSidePod() {
  xfile::Mesh mesh = Named("PsychoSide_Pod");
  AddPrism(mesh, Chamfered(10, 9, 3), kX, kY, kZ, -14, 6, 0.9f);
  for (float x : {-5.0f, 5.0f})
    for (float y : {-4.0f, 4.0f}) {
      AddCylinder(mesh, {x, y, 4}, {x, y, 12}, 2.2f, 10);
      Painted(mesh, kGlow, [&] { AddTorus(mesh, {x, y, 12}, kX, kY, 2.2f, 0.5f, 10, 4); });
    }
  return Finished(std::move(mesh), kSideMaterials);
}

// The hull seen from the side: a slab 50 wide, 220 tall and 60 deep with cut corners, ribs along its
// flanks, glowing ports between them and a spine behind.
xfile::Mesh PsychoSideHull() {
  xfile::Mesh mesh = Named("PsychoSide_Hull");
  const std::vector<V2> profile = Chamfered(30, 110, 16);  // (z, y)
  AddPrism(mesh, profile, kZ, kY, kX, 0, 25, 0.9f);
  AddPrism(mesh, profile, kZ, kY, kX, 0, -25, 0.9f);
  for (float y : {-80.0f, -40.0f, 0.0f, 40.0f, 80.0f}) AddBox(mesh, {-26, y - 4, -26}, {26, y + 4, 24});
  AddBox(mesh, {-10, -100, -36}, {10, 100, -29});
  Painted(mesh, kGlow, [&] {
    for (float y : {-60.0f, -20.0f, 20.0f, 60.0f})
      AddBox(mesh, {-25.5f, y - 1.5f, -18}, {25.5f, y + 1.5f, 12});
  });
  return Finished(std::move(mesh), kSideMaterials);
}

// --- PsychoFront -------------------------------------------------------------------------------------

const std::vector<xfile::Material> kFrontMaterials = BossMaterials({0.85f, 0.8f, 1.0f}, {1.0f, 0.3f, 0.2f});

// Seen from above: a rear block (z -44 to -2) between two swept wings reaching x +-80, leaving a notch
// for the core in front; 160 wide, 24 tall (a tower to y 22), 72 deep, with glowing vents and engines.
xfile::Mesh PsychoFrontBase() {
  xfile::Mesh mesh = Named("PsychoFront_Base");
  AddPrism(mesh, {{-20, -44}, {20, -44}, {20, -2}, {-20, -2}}, kX, kZ, kY, -12, 12, 0.9f);
  AddPrism(mesh, {{-8, -38}, {8, -38}, {8, -12}, {-8, -12}}, kX, kZ, kY, 12, 22, 0.7f);
  for (float s : {1.0f, -1.0f}) {
    AddPrism(mesh, {{20 * s, -42}, {80 * s, -30}, {80 * s, 10}, {68 * s, 26}, {52 * s, 26}, {20 * s, 2}}, kX,
             kZ, kY, -12, 12, 0.9f);
    Painted(mesh, kGlow, [&] {
      for (float z : {-22.0f, -12.0f})
        AddBox(mesh, {std::min(36 * s, 64 * s), 11.5f, z - 1.5f},
               {std::max(36 * s, 64 * s), 12.6f, z + 1.5f});
      AddBox(mesh, {std::min(6 * s, 16 * s), -6, -46}, {std::max(6 * s, 16 * s), 6, -44});
    });
  }
  return Finished(std::move(mesh), kFrontMaterials);
}

// The core: a glowing orb of radius 11 in an armour belt (its rim at radius 13.5) and a short
// muzzle toward +Z.
xfile::Mesh PsychoFrontCore() {
  xfile::Mesh mesh = Named("PsychoFront_Core");
  AddBall(mesh, {}, 11, kGlow);
  AddTorus(mesh, {}, kZ, kX, 11.5f, 2, 20, 6);
  AddCylinder(mesh, {0, 0, 9}, {0, 0, 15}, 3, 10);
  return Finished(std::move(mesh), kFrontMaterials);
}

// A gun turret standing on its origin (its pivot for the sweep) with twin barrels to z +20 at the height
// of its origin, where the top view's shots fly.
xfile::Mesh PsychoFrontGun() {
  xfile::Mesh mesh = Named("PsychoFront_Gun");
  AddCylinder(mesh, {0, -8, 0}, {0, 16, 0}, 7, 16);
  for (float x : {-2.5f, 2.5f}) {
    AddCylinder(mesh, {x, 0, 0}, {x, 0, 20}, 1.8f, 8);
    Painted(mesh, kGlow, [&] { AddTorus(mesh, {x, 0, 20}, kX, kY, 1.8f, 0.5f, 8, 4); });
  }
  return Finished(std::move(mesh), kFrontMaterials);
}

// An armour plate 50 wide, 6 tall, bowed toward +Z (z -5 at its tips to +5 at its middle front), with a
// glowing seam along its top.
xfile::Mesh PsychoFrontPlate() {
  xfile::Mesh mesh = Named("PsychoFront_Plate");
  constexpr int kSegments = 10;
  const auto inner = [](float x) { return -5 + 4 * (1 - (x / 25) * (x / 25)); };
  for (int k = 0; k < kSegments; ++k) {
    const float x0 = -25 + 50 * float(k) / kSegments, x1 = -25 + 50 * float(k + 1) / kSegments;
    const auto slab = [&](float near, float far, float y0, float y1) {
      AddSlab(mesh,
              {{{x0, y0, inner(x0) + near},
                {x1, y0, inner(x1) + near},
                {x1, y0, inner(x1) + far},
                {x0, y0, inner(x0) + far},
                {x0, y1, inner(x0) + near},
                {x1, y1, inner(x1) + near},
                {x1, y1, inner(x1) + far},
                {x0, y1, inner(x0) + far}}},
              0, 1);
    };
    slab(0, 6, -3, 3);
    Painted(mesh, kGlow, [&] { slab(2.5f, 3.5f, 3, 3.5f); });
  }
  return Finished(std::move(mesh), kFrontMaterials);
}

// The title scene's PsychoFront: base, core, guns and plates in their places as one mesh, 1.2 times
// the size.
xfile::Mesh TitlePsycho() {
  constexpr float kScale = 1.2f;
  xfile::Mesh mesh = Named("TitlePsycho");
  const auto place = [&](const xfile::Mesh& part, V3 at) { Append(mesh, part, Scale(at, kScale), kScale); };
  place(PsychoFrontBase(), {});
  place(PsychoFrontCore(), {0, 0, 10});
  const xfile::Mesh gun = PsychoFrontGun(), plate = PsychoFrontPlate();
  place(gun, {-60, 0, 20});
  place(gun, {60, 0, 20});
  for (float z : {28.0f, 44.0f, 60.0f, 76.0f, 92.0f}) place(plate, {0, 0, z});
  return Finished(std::move(mesh), kFrontMaterials);
}

// tex_boss.bmp, 128x128: violet armour plates of 32 pixels with lit top-left edges, dark seams and a
// rivet near each corner.
Picture BossPicture() {
  Picture p(128, 128, 0);
  for (int y = 0; y < p.height; ++y)
    for (int x = 0; x < p.width; ++x) {
      const int px = x % 32, py = y % 32;
      const float grain = float(PixelHash(uint32_t(x), uint32_t(y), 23) % 17) / 255.0f;
      float light = 0.62f + grain + 0.05f * float(((x / 32) * 3 + (y / 32)) % 3);
      if (px == 0 || py == 0)
        light = 0.3f;
      else if (px == 1 || py == 1)
        light = 0.85f;
      for (int cx : {5, 26})
        for (int cy : {5, 26}) {
          const float d = std::hypot(float(px - cx), float(py - cy));
          if (d < 1.8f)
            light = 0.95f;
          else if (d < 2.6f)
            light = 0.35f;
        }
      const auto channel = [](float c) { return uint32_t(std::clamp(c, 0.0f, 1.0f) * 255.0f + 0.5f); };
      p.At(x, y) = 0xFF000000u | channel(light * 0.78f) << 16 | channel(light * 0.6f) << 8 | channel(light);
    }
  return p;
}

}  // namespace

bool WriteBossMeshes(const fs::path& assetsRoot) {
  const fs::path art = assetsRoot / "Art";
  bool ok = SavePicture(assetsRoot, "Art/tex_boss.bmp", BossPicture(), ImageFormat::Bmp24);
  ok = SavePicture(assetsRoot, "Art/tex_white.bmp", Picture(8, 8, 0xFFFFFFFF), ImageFormat::Bmp24) && ok;
  for (const xfile::Mesh& mesh :
       {PhantomBody(), BeamCannon(), PsychoRearBody(), PsychoRearGun(),
        PsychoRearHatch("PsychoRear_HatchUp", -1), PsychoRearHatch("PsychoRear_HatchDown", 1),
        ShieldGenCore(), ShieldGenShell(), PsychoSideTarget(), PsychoSideCover(), PsychoSidePod(),
        PsychoSideHull(), PsychoFrontBase(), PsychoFrontCore(), PsychoFrontGun(), PsychoFrontPlate(),
        TitlePsycho()})
    ok = SaveMesh(art / (mesh.name + ".X"), OneMeshFrame(mesh)) && ok;
  return ok;
}

}  // namespace assetgen

// Beams drawn a pile at a time. The beams that lie along one line from one start (a cannon at rest firing
// every frame, the player's beams all following the ship) are drawn together as one band of triangles
// along the line, whose pixel program works out, pixel by pixel, what their point sprites blended one over
// another in their order would leave there: one shaded pixel where the sprites shade tens or hundreds.
// Every other system, and a pile that cannot be drawn so, is drawn sprite by sprite as before; whatever
// overlaps on screen keeps its order.
#pragma once

#include <functional>
#include <memory>
#include <vector>

#include "math/math3d.h"
#include "platform/gpu.h"

class ParticleSystem;

namespace beams {

// A rectangle on the target in pixels from its middle; empty while left > right.
struct Box {
  float left = 1.0f, bottom = 1.0f, right = -1.0f, top = -1.0f;
  bool Empty() const { return left > right; }
  void Add(float x, float y, float half);  // the square of the half-size about (x, y)
  void Add(const Box& other);
  bool Overlaps(const Box& other) const;
};

// What the particles are seen through: the view, view x projection (the world is the identity) and the
// target's size in pixels.
struct View {
  math::Matrix view, viewProj;
  float width = 0.0f, height = 0.0f;
};

// One beam: a system of kind 6, or two drawn one after the other (the wide one, then its core), whose alive
// particles are the first `discs` of the list, laid step apart from start, each system in one colour.
struct Beam {
  ParticleSystem* layers[2] = {nullptr, nullptr};
  int layerCount = 0;
  math::Vec3 start, step;
  int discs = 0;
  plat::gpu::Argb colours[2] = {0, 0};
  Box box;
};

// Beams along one line with the same layers, in drawing order, each as long as the next one or longer.
struct Pile {
  std::vector<Beam> beams;
  Box box;
};

// One step of the particle pass: a system drawn sprite by sprite, or a pile (an index into the piles).
struct Step {
  ParticleSystem* system = nullptr;
  int pile = -1;
};
struct Plan {
  std::vector<Step> steps;
  std::vector<Pile> piles;
};

// The pass for the systems in drawing order. A pile is drawn where its last beam was; nothing drawn in
// between overlaps its earlier beams on screen.
Plan PlanParticles(const std::vector<ParticleSystem*>& systems, const View& view);

}  // namespace beams

class BeamPiles {
 public:
  // Null when the device cannot compile the program.
  static std::unique_ptr<BeamPiles> Create(plat::gpu::Device& device);
  // Draws the systems in order under the particle pass's states: the piles of beams with this program
  // (unbound again after each), every other system through drawSprites.
  void Render(plat::gpu::Device& device, const std::vector<ParticleSystem*>& systems, const beams::View& view,
              const std::function<void(ParticleSystem*)>& drawSprites);

 private:
  // False, with nothing drawn, when the pile cannot be drawn this way (or the frame is drawn in wireframe).
  bool DrawPile(plat::gpu::Device& device, const beams::Pile& pile, const beams::View& view);

  std::unique_ptr<plat::gpu::Shader> vertexShader, pixelShader;
  std::unique_ptr<plat::gpu::ConstantTable> vertexConstants;
  std::unique_ptr<plat::gpu::VertexDeclaration> declaration;
};

// Heavy particle scenes for the render benchmark: set up on a graphics object, then stepped a frame at a
// time.
#pragma once

class Graphics;

// The warp tunnel in play: the black sky, the ship with its four exhausts at the origin seen from a chase
// camera, and the 4096-particle tunnel around its engine, run until every particle of the tunnel exists.
// False when a model or texture is missing.
bool BuildWarpTunnelScene(Graphics& graphics);
// A heavy fight frame from the chase view: the ship with its exhausts and, at once, the glows of 40 bullets
// and 4 bombs, 8 missiles with their exhausts, a level-4 Ray Cannon beam, and rail streaks and poison bursts
// that StepFightScene keeps renewing so that several of each overlap. False when a model or texture is
// missing.
bool BuildFightScene(Graphics& graphics);
// One frame of the fight: a new rail streak and poison burst every 12 frames, then the particles move on.
void StepFightScene(Graphics& graphics, float seconds);
// A boss cannon at rest firing a beam (kind 6, black core over red) every frame that grows toward the ship
// for a second: 15 wide far ahead, or 30 wide nearer. False when a model or texture is missing.
bool BuildPhantomCannonScene(Graphics& graphics);
bool BuildFrontGunsScene(Graphics& graphics);
// One frame of the cannon: the beams grow, the oldest go, the cannon fires a new one.
void StepCannonScene(Graphics& graphics, float seconds);
// Moves the scene's particles on by one frame of game time.
void StepParticleScene(Graphics& graphics, float seconds);
// Particles of the scene's free systems: all of them, and those alive.
void CountSceneParticles(const Graphics& graphics, int* listed, int* alive);

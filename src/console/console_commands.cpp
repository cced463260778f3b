// The console commands. Each answers through the console's convention: the message it throws is printed,
// one that returns normally prints nothing. Argument counts are exact; numbers are read with atoi.
#include "console/console_commands.h"

#include <cstdlib>
#include <istream>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "app/engine.h"
#include "app/game_state.h"
#include "console/console.h"
#include "enemies/enemy_manager.h"
#include "game/player.h"
#include "game/powerup.h"
#include "graphics/graphics.h"
#include "graphics/model.h"
#include "platform/services.h"

namespace {

constexpr const char* kLevelFolder = "Assets\\Levels\\";

[[noreturn]] void Answer(const char* text) {
  throw std::runtime_error(text);
}

Player* Ship() {
  return g_engine->players.empty() ? nullptr : g_engine->players[0];
}

// A point `distance` units ahead of the ship along its model's forward axis.
math::Vec3 PointAhead(const Player& ship, int distance) {
  const Model* model = ship.GetModel();
  const math::Vec3 at = model != nullptr ? model->position : ship.position;
  const math::Vec3 forward = model != nullptr ? model->zAxis : g_engine->forward;
  return at + static_cast<float>(distance) * forward;
}

// The heading, then one name per line.
template <typename Record>
[[noreturn]] void List(const char* heading, const std::vector<Record*>& records) {
  std::string text = std::string(heading) + "\n";
  for (const Record* r : records) text += r->GetName() + "\n";
  throw std::runtime_error(text);
}

bool Toggle(bool& flag) {
  return flag = !flag;
}

}  // namespace

void CmdQuit(const ConsoleArgs&) {
  g_graphics->GetServices()->window().PostQuit(0);
}

void CmdWireframe(const ConsoleArgs&) {
  const bool on = Toggle(g_engine->console.wireframe);
  if (g_graphics->device != nullptr) {
    const plat::gpu::Fill fill = on ? plat::gpu::Fill::Wireframe : plat::gpu::Fill::Solid;
    g_graphics->device->SetRenderState(plat::gpu::RenderState::FillMode, static_cast<uint32_t>(fill));
  }
  Answer(on ? "Wireframe on" : "Wireframe off");
}

void CmdChangeWeapon(const ConsoleArgs& args) {
  if (args.size() != 2) Answer("Incorrect Usage: chageweapon(TYPE = 1...5, RANK = 1...3)");
  static const char* const kChanged[] = {"Weapon Changed: Beam Gun", "Weapon Changed: Ray Cannon",
                                         "Weapon Changed: Spread Shot", "Weapon Changed: Missles",
                                         "Weapon Changed: Railgun"};
  const int type = std::atoi(args[0].c_str());
  Player* ship = Ship();
  // No weapon answers to another code: the ship keeps what it has.
  if (type < kBeamGun || type > kRailgun || ship == nullptr) return;
  ship->PickUpWeapon(type);
  ship->SetWeaponLevel(std::atoi(args[1].c_str()));
  Answer(kChanged[type - kBeamGun]);
}

void CmdLoadLevel(const ConsoleArgs& args) {
  if (args.size() != 1) Answer("Incorrect Usage: loadlevel(FILENAME)");
  const std::string& name = args[0];
  // Loading clears the scene and the ship first, so a file that cannot be read is refused before it: the
  // current level and its ship go on.
  const std::unique_ptr<std::istream> in =
      g_graphics->GetServices()->files().OpenText(kLevelFolder + name, kMaxLevelFileBytes);
  if (in == nullptr || in->peek() == std::char_traits<char>::eof()) {
    ConsoleAnswer("Level \"%s\" cannot be read.", name.c_str());
  }
  if (!g_engine->LoadLevel(name.c_str())) ConsoleAnswer("Level \"%s\" cannot be read.", name.c_str());
  Answer("Level Loaded");
}

void CmdVariables(const ConsoleArgs&) {
  List("Listing of all variables:", g_engine->console.variables);
}

void CmdHelp(const ConsoleArgs&) {
  List("Listing of all functions:", g_engine->console.functions);
}

void CmdSpawnEnemy(const ConsoleArgs& args) {
  if (args.size() != 3) Answer("Incorrect Usage: ss(POSITION, ENEMYID, BEHAVIORID)");
  const EnemyManager& manager = *g_engine->enemyManager;
  const int enemyId = std::atoi(args[1].c_str());
  const int behaviorId = std::atoi(args[2].c_str());
  const int enemies = static_cast<int>(manager.enemyTypes.size());
  const int behaviors = static_cast<int>(manager.behaviorTypes.size());
  if (enemyId < 0 || enemyId >= enemies || behaviorId < 0 || behaviorId >= behaviors) {
    ConsoleAnswer("Invalid ids: ENEMYID must be 0 to %d, BEHAVIORID 0 to %d", enemies - 1, behaviors - 1);
  }
  const Player* ship = Ship();
  if (ship == nullptr) return;
  const math::Vec3 at = PointAhead(*ship, std::atoi(args[0].c_str()));
  if (!g_engine->enemyManager->SpawnEnemy(enemyId, behaviorId, at.x, at.y, at.z)) Answer("Enemy not spawned");
  Answer("Enemy Spawned");
}

void CmdSpawnPowerup(const ConsoleArgs& args) {
  if (args.size() != 2) Answer("Incorrect Usage: sp(POSITION, TYPE)");
  const Player* ship = Ship();
  if (ship == nullptr) return;
  const math::Vec3 at = PointAhead(*ship, std::atoi(args[0].c_str()));
  const Camera& camera = g_graphics->camera;
  const math::Vec3 look = camera.GetLook(), right = camera.GetRight(), up = camera.GetUp();
  struct TypeWord {
    const char* word;
    int type;
  };
  static constexpr TypeWord kTypes[] = {{"beam", 3}, {"health", 0},       {"bomb", 1},   {"spread", 4},
                                        {"rail", 5}, {"flamethrower", 6}, {"missile", 2}};
  for (const TypeWord& t : kTypes) {
    if (args[1] != t.word) continue;
    g_engine->enemyObjects.push_back(new PowerUp(t.type, at, -right, up, -look));
    Answer("Powerup Spawned");
  }
  Answer("Invalid type");
}

void CmdPos(const ConsoleArgs&) {
  const Player* ship = Ship();
  if (ship == nullptr) return;
  ConsoleAnswer("x:%f\ny:%f\nz:%f\n", static_cast<double>(ship->offset.x),
                static_cast<double>(ship->offset.y), static_cast<double>(ship->offset.z));
}

void CmdCollision(const ConsoleArgs&) {
  Toggle(g_graphics->showSpheres);
}

void CmdCinematic(const ConsoleArgs&) {
  g_engine->SetState(kLevelStart);
  g_graphics->camera.BeginTransition(kViewOrbit);
}

void CmdLockPoints(const ConsoleArgs&) {
  Toggle(g_graphics->showLockPoints);
}

void CmdAddHelper(const ConsoleArgs&) {
  if (Player* ship = Ship()) ship->AddHelper();
  Answer("Added a Helper");
}

void CmdWatch(const ConsoleArgs& args) {
  if (args.size() != 1) Answer("Usage: watch(<NAME OF VARIABLE>)");
  Answer(g_engine->console.Watch(args[0]) ? "Watching Variable" : "Variable not found");
}

void CmdUnwatch(const ConsoleArgs& args) {
  if (args.size() != 1) Answer("Usage: unwatch(<NAME OF VARIABLE>)");
  g_engine->console.Unwatch(args[0]);
}

void CmdGodMode(const ConsoleArgs&) {
  Player* ship = Ship();
  if (ship == nullptr) return;
  ConsoleAnswer("God mode %s.", Toggle(ship->godmode) ? "on" : "off");
}

void RegisterConsoleCommands(Console& console) {
  struct Command {
    const char* name;
    ConsoleHandler handler;
  };
  static constexpr Command kCommands[] = {
      {"quit", CmdQuit},           {"wireframe", CmdWireframe}, {"cw", CmdChangeWeapon},
      {"loadlevel", CmdLoadLevel}, {"variables", CmdVariables}, {"help", CmdHelp},
      {"ss", CmdSpawnEnemy},       {"sp", CmdSpawnPowerup},     {"pos", CmdPos},
      {"collision", CmdCollision}, {"cinematic", CmdCinematic}, {"lockpoints", CmdLockPoints},
      {"addhelper", CmdAddHelper}, {"watch", CmdWatch},         {"unwatch", CmdUnwatch},
      {"godmode", CmdGodMode},
  };
  for (const Command& c : kCommands) console.RegisterFunction(c.name, c.handler);
}

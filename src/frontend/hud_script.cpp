// The display's side of the level script: loading it, and each step with what its event shows or starts.
#include <cstdio>
#include <memory>
#include <string>

#include "app/engine.h"
#include "app/game_state.h"
#include "app/sound_system.h"
#include "frontend/high_scores.h"
#include "frontend/hud.h"
#include "game/player.h"
#include "graphics/graphics.h"
#include "graphics/model.h"
#include "graphics/particle_system.h"
#include "graphics/sprite.h"
#include "platform/files.h"
#include "platform/services.h"

namespace {

// The portrait cell and places of a talk line, by speaker.
struct Speaker {
  char type;
  plat::sprite::Rect cell;
  float portraitX, textX;
};
constexpr Speaker kSpeakers[] = {
    {'P', {128, 256, 256, 384}, 508.0f, 0.21875f},
    {'R', {128, 0, 256, 128}, 158.0f, 0.36f},
    {'S', {0, 128, 128, 258}, 158.0f, 0.36f},  // two rows taller than the others
    {'r', {128, 128, 256, 256}, 158.0f, 0.36f},
};
constexpr Speaker kDefaultSpeaker{0, {0, 0, 128, 128}, 158.0f, 0.36f};
constexpr float kPortraitY = 460.0f;
constexpr float kTalkLineY[3] = {0.8f, 0.8333333f, 0.8666667f};
constexpr plat::gpu::Argb kWhite = 0xFFFFFFFF;

const Speaker& SpeakerFor(char type) {
  for (const Speaker& s : kSpeakers) {
    if (s.type == type) return s;
  }
  return kDefaultSpeaker;
}

// The won game's end screen. Name entry comes first when the score makes the high-score table, which
// decides it once the table joins the game.
// The end of the game: the name entry when the score makes the table, else the win screen.
int WonGameState() {
  const bool best =
      g_highScores != nullptr && g_engine != nullptr && g_highScores->IsHighScore(g_engine->score);
  return best ? kNameEntry : kGameWon;
}

}  // namespace

void Hud::LoadScriptEvents(const std::string& path) {
  events.clear();
  plat::Services* services = g_graphics != nullptr ? g_graphics->GetServices() : nullptr;
  // Enough for the most events and the longest lines a script may hold; a larger file is refused unread.
  constexpr uintmax_t kMaxScriptFileBytes = uintmax_t{4} << 20;
  // A missing file is a level without a script; one that is there but refused is reported by the read.
  std::unique_ptr<std::istream> in =
      services != nullptr ? services->files().OpenText(path, kMaxScriptFileBytes) : nullptr;
  if (in == nullptr) return;
  ScriptFile file = ReadScriptEvents(*in, path);
  for (const std::string& problem : file.problems) std::fprintf(stderr, "Script: %s\n", problem.c_str());
  events = std::move(file.events);
  reportedEnd = false;
}

void Hud::ClearScriptEvents() {
  events.clear();
  nextEvent = 0;
  chain = 0;
}

void Hud::NextScriptEvent(bool fromTrigger) {
  // A loop rather than recursion: each queued trigger spent after an instant event runs one more event.
  for (;;) {
    if (fromTrigger && chain != 0) {
      ++queuedTriggers;
      return;
    }
    if (!RunScriptEvent() || chain != 0 || queuedTriggers <= 0) return;
    --queuedTriggers;
    fromTrigger = true;
  }
}

bool Hud::RunScriptEvent() {
  if (nextEvent < 0 || static_cast<size_t>(nextEvent) >= events.size()) {
    if (!reportedEnd)
      std::fprintf(stderr, "Script: a step came after the script's last event; nothing runs\n");
    reportedEnd = true;
    return false;
  }
  // A copy: a zone change reloads the script, replacing the event being run.
  const ScriptEvent e = events[static_cast<size_t>(nextEvent)];
  switch (e.type) {
    case '1':
    case '2':
      chain = 0;
      nextEvent = 0;
      queuedTriggers = 0;
      g_gameSpeed = 50.0f;
      zone = e.type - '0';
      if (g_engine != nullptr) g_engine->LoadLevel(zone == 1 ? "l1z1.kvl" : "l1z2.kvl");
      return false;
    case 'M':
      chain = 0;
      nextEvent = 0;
      queuedTriggers = 0;
      g_gameSpeed = 50.0f;
      zone = 1;
      won = true;
      if (g_engine != nullptr) g_engine->SetState(WonGameState());
      return false;
    case 'W':
      talkShown = false;
      warningTimer = e.duration;
      warningShown = true;
      if (g_engine != nullptr) {
        g_engine->PlaySound(g_engine->GetSound(kSoundAlert), 0, 0, 0, 0, 0, 0, false);
        if (g_engine->sound != nullptr) g_engine->sound->PlayMusic(kBossMusic, true);
      }
      break;
    case 'X':
      talkShown = false;
      completeShown = true;
      completeTimer = e.duration;
      break;
    case 'F':
      ShipEffect();
      break;
    case 'w': {
      Model* model =
          g_engine != nullptr && !g_engine->players.empty() ? g_engine->players[0]->GetModel() : nullptr;
      if (model != nullptr) {
        for (ParticleSystem* system : model->particleSystems) delete system;
        model->particleSystems.clear();
      }
      ShipEffect();
      if (g_engine != nullptr) g_engine->StartWarpEffect(false);
      elements[kFlash].alpha = 1.0f;
      break;
    }
    case 't':
      break;
    default:
      ShowTalkLine(e);
      chain = e.chain;
      ++nextEvent;
      return false;
  }
  chain = e.chain;
  ++nextEvent;
  return true;
}

void Hud::ShowTalkLine(const ScriptEvent& e) {
  talkShown = true;
  talkTimer = e.duration;
  const Speaker& speaker = SpeakerFor(e.type);
  const std::string* texts[3] = {&e.line1, &e.line2, &e.line3};
  for (size_t i = 0; i < talkLines.size(); ++i) {
    TextLabel* label = talkLines[i];
    if (label == nullptr) continue;
    label->SetVisible(true);
    label->SetText(texts[i]->c_str());
    label->SetColor(kWhite);
    if (g_graphics != nullptr) g_graphics->SetTextPosition(talkLines[i], speaker.textX, kTalkLineY[i]);
  }
  MenuElement& portrait = elements[kPortrait];
  portrait.shownPos = portrait.hiddenPos = portrait.pos = {speaker.portraitX, kPortraitY, 0.0f};
  if (portrait.sprite != nullptr) portrait.sprite->SetRect(&speaker.cell);
}

void Hud::ShipEffect() {
  Model* model =
      g_engine != nullptr && !g_engine->players.empty() ? g_engine->players[0]->GetModel() : nullptr;
  // The effect streams from the first lock point of the ship's first part; a ship without one shows none.
  if (model == nullptr || g_graphics == nullptr || model->parts.empty() || model->parts[0] == nullptr ||
      model->parts[0]->lockPoints.empty()) {
    return;
  }
  const ParticleEffectDesc desc = ShipTrailEffect(model, kExhaustParticles);
  g_graphics->SpawnParticleSystem(&desc);
}

void Hud::ContinueAfterDisplay() {
  if (chain != 0) {
    NextScriptEvent(false);
  } else if (queuedTriggers > 0) {
    --queuedTriggers;
    NextScriptEvent(true);
  }
}

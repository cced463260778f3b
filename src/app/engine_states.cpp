// The game-state machine and the frame driver.
#include "app/engine.h"

#include "app/game_state.h"
#include "app/sound_system.h"
#include "app/timer.h"
#include "enemies/enemy_manager.h"
#include "frontend/high_scores.h"
#include "frontend/hud.h"
#include "frontend/menu.h"
#include "game/player.h"
#include "game/projectile.h"
#include "graphics/graphics.h"
#include "graphics/model.h"
#include "graphics/sprite.h"
#include "platform/keyboard.h"
#include "platform/services.h"

namespace {

constexpr int kSplashMs = 5000;

// The listener follows player 0's ship.
void PlaceListener(SoundSystem& sound, const std::vector<Player*>& players) {
  if (players.empty() || players[0]->GetModel() == nullptr) return;
  const math::Vec3& p = players[0]->GetModel()->position;
  sound.SetListener(p.x, p.y, p.z);
}

// The display lives from the start of a game until the menu or the high-score screen.
void DeleteDisplay() {
  delete g_hud;
  g_hud = nullptr;
}

}  // namespace

void Engine::SetState(int s) {
  if (g_menu != nullptr) g_menu->OnStateChange(s);
  if (g_hud != nullptr) g_hud->OnStateChange(s);

  // Entering the pause or the console from elsewhere records the state to return to.
  if (s == kPaused && state != kPaused) pauseReturnState = state;
  if (s == kConsole && state != kPaused && state != kConsole) consoleReturnState = state;

  // Exit action of the state being left.
  if (state == kPaused && pauseSprite != nullptr) pauseSprite->SetVisible(false);
  if (state == kConsole) console.Hide();

  previousState = state;
  state = s;

  switch (s) {
    case kMainMenu:
    case kOptions:
    case kHighScoreScreen:
      if (g_menu == nullptr) {
        g_menu = new Menu();
        g_menu->OnStateChange(s);
      }
      SetScoreDigitsVisible(false);
      break;
    case kGameStart:
      delete g_menu;
      g_menu = nullptr;
      if (g_hud == nullptr) g_hud = new Hud();
      SetScoreDigitsVisible(true);
      LoadLevel("l1z1.kvl");
      break;
    case kLevelStart:
      if (!players.empty()) players[0]->SetStartFlag();
      break;
    case kPaused:
      if (pauseSprite != nullptr) pauseSprite->SetVisible(true);
      break;
    case kConsole:
      console.Show();
      break;
    default:
      break;
  }
}

void Engine::Pause() {
  pausedByFocus = true;
  if (state != kPaused) SetState(kPaused);
}

void Engine::RestoreState() {
  // A focus gain that follows no focus loss (the window's first focus) restores nothing.
  if (!pausedByFocus) return;
  pausedByFocus = false;
  if (state == kPaused) SetState(pauseReturnState);
}

int Engine::MenuSelection() const {
  return g_menu != nullptr ? g_menu->selection : Menu::kStart;
}

void Engine::Frame() {
  Timer timer;
  timer.Tick();

  if (input != nullptr) input->Update();

  ++frameCount;
  fpsMs += timer.GetFrameMs();
  if (fpsMs >= 250) {
    fps = frameCount * 4;
    frameCount = 0;
    fpsMs = 0;
  }
  console.UpdateWatches();

  if (input != nullptr) {
    if (input->KeyPressed(plat::key::NumpadPlus)) g_gameSpeed = 500.0f;
    if (input->KeyReleased(plat::key::NumpadPlus)) g_gameSpeed = 50.0f;
  }

  switch (state) {
    case kFirstSplash:
      HandleSplashInput();
      // Enter may already have left the state; the clock still runs this frame.
      splashClock1 += timer.GetFrameMs();
      if (splashClock1 >= kSplashMs) {
        splashClock1 = 0;
        SetState(kSecondSplash);
      }
      break;
    case kSecondSplash:
      HandleSplashInput();
      splashClock2 += timer.GetFrameMs();
      if (splashClock2 >= kSplashMs) {
        splashClock2 = 0;
        sound->PlayMusic(kIntroMusic, true);
        SetState(kMainMenu);
      }
      break;
    case kThirdSplash:
    case kFourthSplash:
    case kLastSplash:
      HandleSplashInput();
      break;
    case kMainMenu:
    case kHighScoreScreen:
      DeleteDisplay();
      HandleMenuInput();
      break;
    case kLevelStart:
      if (!players.empty()) players[0]->UpdateLevelStart();
      UpdateGame();
      enemyManager->Update();
      PlaceListener(*sound, players);
      break;
    case kTopView:
      HandleTopViewInput();
      UpdateGame();
      enemyManager->Update();
      PlaceListener(*sound, players);
      break;
    case kSideView:
      HandleSideViewInput();
      UpdateGame();
      enemyManager->Update();
      PlaceListener(*sound, players);
      break;
    case kRailView:
      HandleRailViewInput();
      UpdateGame();
      enemyManager->Update();
      PlaceListener(*sound, players);
      break;
    case kPaused:
      HandlePausedInput();
      break;
    case kConsole:
      HandleConsoleInput();
      break;
    case kGameOver:
    case kGameWon:
      HandleGameOverInput();
      break;
    case kNameEntry:
      HandleNameEntryInput();
      break;
    default:
      break;
  }

  if (!players.empty()) {
    std::vector<Projectile*> shots = players[0]->UpdateRapidFire();
    objects.insert(objects.end(), shots.begin(), shots.end());
    // The last life lost: the game is over, by way of the name entry for a new high score. A hit taken on
    // an end screen (the collision pass still runs) ends nothing again: it would wipe the name being typed.
    if (players[0]->GetLives() < 0 && state != kGameOver && state != kNameEntry && state != kGameWon) {
      players[0]->SetLives(0);
      SetState(g_highScores != nullptr && g_highScores->IsHighScore(score) ? kNameEntry : kGameOver);
    }
  }
  if (state == kMainMenu || state == kHighScoreScreen) DeleteDisplay();
  if (g_menu != nullptr) g_menu->Update(timer.GetFrameSeconds());
  if (g_hud != nullptr) {
    const bool player = !players.empty();
    g_hud->Update(timer.GetFrameSeconds(), player ? players[0]->GetLives() : 0,
                  player ? players[0]->GetBombs() : 0, state);
  }

  CheckCollisions();
  UpdateScoreDisplay();
  // Effects and model removal freeze while paused or in the console; the frame is drawn in every state.
  if (state != kPaused && state != kConsole) graphics->Update(timer.GetFrameSeconds());
  graphics->Render();
  PurgeObjects();
}

void Engine::HandleSplashInput() {
  if (input == nullptr || !input->KeyPressed(plat::key::Enter)) return;
  if (state == kFirstSplash) {
    SetState(kSecondSplash);
  } else if (state == kSecondSplash || state == kLastSplash) {
    sound->PlayMusic(kIntroMusic, true);
    SetState(kMainMenu);
  }
}

void Engine::HandleMenuInput() {
  if (input == nullptr) return;
  SoundSlot* enter = GetSound(kSoundEnter);
  if (state == kMainMenu) {
    if (input->KeyPressed(plat::key::Enter)) {
      switch (MenuSelection()) {
        case Menu::kStart:
          PlaySound(enter, 0, 0, 0, 0, 0, 0, false);
          sound->StopMusic();
          SetState(kGameStart);
          return;
        case Menu::kHighScores:
          PlaySound(enter, 0, 0, 0, 0, 0, 0, false);
          SetState(kHighScoreScreen);
          break;
        case Menu::kQuit:
          PlaySound(enter, 0, 0, 0, 0, 0, 0, false);
          services.window().PostQuit(0);
          break;
        default:
          break;
      }
    }
    if (g_menu == nullptr) return;
    if (input->KeyPressed(plat::key::Up)) {
      g_menu->MoveSelection(-1);
      PlaySound(GetSound(kSoundCursor), 0, 0, 0, 0, 0, 0, false);
    }
    if (input->KeyPressed(plat::key::Down)) {
      g_menu->MoveSelection(+1);
      PlaySound(GetSound(kSoundCursor), 0, 0, 0, 0, 0, 0, false);
    }
  } else if (state == kHighScoreScreen) {
    if (input->KeyPressed(plat::key::Enter)) {
      PlaySound(enter, 0, 0, 0, 0, 0, 0, false);
      SetState(kMainMenu);
    }
  }
}

void Engine::HandlePausedInput() {
  if (input == nullptr || !input->KeyPressed(keyPause)) return;
  pausedByFocus = false;
  SetState(pauseReturnState);
}

void Engine::HandleConsoleInput() {
  if (input == nullptr) return;
  for (char typed : input->TypedChars()) console.AddInputChar(typed);
  if (input->KeyPressed(plat::key::Up)) console.RecallHistory();
  if (input->KeyPressed(plat::key::Escape)) console.ClearInput();
  if (input->KeyPressed(plat::key::Enter)) console.Submit();
  if (input->KeyPressed(plat::key::Backspace)) console.Backspace();
  // A command may have left the console already (a level loaded, the cinematic).
  if (input->KeyPressed(plat::key::Grave) && state == kConsole) SetState(consoleReturnState);
}

void Engine::HandleGameOverInput() {
  if (input == nullptr || g_hud == nullptr) return;
  if (state == kGameOver) {
    if (input->KeyPressed(plat::key::Enter)) g_hud->HandleInput(0, true, false, kGameOver);
    if (input->KeyPressed(plat::key::Up)) g_hud->HandleInput(0, false, true, kGameOver);
    if (input->KeyPressed(plat::key::Down)) g_hud->HandleInput(0, false, true, kGameOver);
  } else if (state == kGameWon && input->KeyPressed(plat::key::Enter)) {
    g_hud->HandleInput(0, true, false, kGameWon);
  }
}

void Engine::HandleNameEntryInput() {
  if (input == nullptr || g_hud == nullptr) return;
  if (input->KeyPressed(plat::key::Backspace)) {
    g_hud->HandleInput(Hud::kEraseName, false, false, kNameEntry);
  } else if (input->KeyPressed(plat::key::Enter)) {
    g_hud->HandleInput(0, true, false, kNameEntry);
  } else {
    // Letters join as capitals and digits as they are; every other key is refused.
    for (char typed : input->TypedChars()) {
      if (const char c = HighScores::NameCharacter(typed); c != 0)
        g_hud->HandleInput(c, false, false, kNameEntry);
    }
  }
}

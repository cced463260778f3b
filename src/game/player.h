// The player's ship.
#pragma once

#include "game/entity.h"

class Player : public Entity {};

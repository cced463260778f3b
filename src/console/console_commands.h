// The sixteen console commands: development aids acting on the engine, player 0 and the graphics object.
#pragma once

#include "console/console_records.h"

class Console;

void CmdQuit(const ConsoleArgs& args);
void CmdWireframe(const ConsoleArgs& args);
void CmdChangeWeapon(const ConsoleArgs& args);
void CmdLoadLevel(const ConsoleArgs& args);
void CmdVariables(const ConsoleArgs& args);
void CmdHelp(const ConsoleArgs& args);
void CmdSpawnEnemy(const ConsoleArgs& args);
void CmdSpawnPowerup(const ConsoleArgs& args);
void CmdPos(const ConsoleArgs& args);
void CmdCollision(const ConsoleArgs& args);
void CmdCinematic(const ConsoleArgs& args);
void CmdLockPoints(const ConsoleArgs& args);
void CmdAddHelper(const ConsoleArgs& args);
void CmdWatch(const ConsoleArgs& args);
void CmdUnwatch(const ConsoleArgs& args);
void CmdGodMode(const ConsoleArgs& args);

// Registers the sixteen in the order "help" lists them.
void RegisterConsoleCommands(Console& console);

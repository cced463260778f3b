// The bosses' generated art: the Phantom and its beam cannon, the PsychoRear with its gun, hatches and
// shield generator, the PsychoSide's targets, covers, missile pods and hull, the PsychoFront's base, core,
// guns and armour plates, the title scene's PsychoFront, and the boss textures.
#pragma once

#include <filesystem>

namespace assetgen {

// Writes tex_boss.bmp, tex_white.bmp and every boss mesh (Phantom_Body.X ... PsychoFront_Plate.X,
// TitlePsycho.X) into <Assets>/Art. False after reporting a failure on stderr.
bool WriteBossMeshes(const std::filesystem::path& assetsRoot);

}  // namespace assetgen

// The four bosses' behaviours: the Phantom and its two beam cannons, the PsychoRear and its two shield
// generators, the PsychoSide and the PsychoFront. One call per frame from each part's one-member group.
#pragma once

class Enemy;

void PhantomBehavior(Enemy* enemy);
void BeamCannonBehavior(Enemy* enemy);
void ShieldGenBehavior(Enemy* enemy);
void PsychoRearBehavior(Enemy* enemy);
void PsychoSideBehavior(Enemy* enemy);
void PsychoFrontBehavior(Enemy* enemy);

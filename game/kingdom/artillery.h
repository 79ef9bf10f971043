// Artillery: the strength of a volley. The volleys themselves are TPlayer's
// GronelAttack, SlingardAttack and DoDamage.
#pragma once

#include <cstdint>

// Each slingard hits with chance one half (Random(2) = 1) and then adds
// Random(1500) + 1. The sum is capped at the largest int32.
int32_t DrawSlingardStrength(int32_t slingards);

#pragma once

#include "demo-engine/demo_cards.h"

#include <string>

namespace korvath::demo {

// The HTML of a contact card, each value written in the form the card's forms name.
std::string RenderCard(const DemoCard& card, int fillerBytes);

// The page that stands where a card no longer exists.
std::string RenderMissingCard();

}  // namespace korvath::demo

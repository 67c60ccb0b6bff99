// The overview at /: a card for each client served, linking to its own page.
#pragma once

#include <string>
#include <vector>

#include "served_clients.h"

// `linkQuery` goes after each card's link ("?token=..." when the page was opened with one).
std::string OverviewPage(const std::vector<ClientCard>& cards, const std::string& linkQuery);

#pragma once

#include <array>
#include <cstddef>

// The wheel's options (smooth sideways, reverse vertical, reverse horizontal, Shift sideways), as
// the menu shows and switches them. The UI thread owns them; the hook reads the engine's copy.

// Reads them and puts them in force.
void loadWheelOptions();
std::array<bool, 4> wheelOptions();
// The menu's command; saves at once. False when the change could not be saved.
bool toggleWheelOption(size_t option);

#include "shell/app_win.h"

HICON appIcon = nullptr;
HBRUSH backgroundBrush = nullptr;
HBRUSH cardBrush = nullptr;

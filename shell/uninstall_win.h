#pragma once

// `Rolvane.exe --uninstall`: ends the instance of this logon session (as its Exit command does),
// then removes the Run value, the value Task Manager keeps beside it, and the settings key with
// everything under it. No window. 0 when nothing is left, 1 when something stayed; what could be
// removed is removed either way.
int uninstall(const wchar_t* windowClass, int exitCommand);

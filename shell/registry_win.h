#pragma once

#include "shell/registry_store.h"

// The real HKEY_CURRENT_USER, through advapi32.
RegistryStore& currentUserRegistry();

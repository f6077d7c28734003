// The display backend (Xlib windows); until it exists, hosts on a display render headless.
#include "framework/backend.h"

WindowBackend* CreateX11Backend() { return nullptr; }

#include "shell/Windows.h"

// Each window joins the start-up order here as it is built.

void CreateWindows() {
}

void DestroyWindows() {
}
